// The F5 editor toggle.
#include "EditorToggle.h"

#include "Editor.h"
#include "HUD.h"
#include "Level.h"
#include "Player.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "windows.h"

// F5 under its 0.5 s guard.
bool EditorToggle::Update(Player* player) {
    if (!GetPCSystem()->IsKeyDown(VK_F5)) return false;
    const float now = g_fTotalTime;
    if (!(now - m_fLastToggle > TOGGLE_DELAY)) return false;
    if (m_bOpen) Close(player);
    else Open(player);
    m_fLastToggle = now;
    return true;
}

// The HUD and the player make way for the editor.
void EditorToggle::Open(Player* player) {
    m_bOpen = 1;
    GetHUD()->Deactivate();
    if (player) player->Deactivate();
    GetEditor()->Activate();
}

// Back to the game with a fresh player and 200 s on the clock.
void EditorToggle::Close(Player* player) {
    m_bOpen = 0;
    HUD* hud = GetHUD();
    hud->Reset();
    hud->Activate();
    GetEditor()->Deactivate();
    if (player) player->Activate();
    GetLevel()->SetTimeLeft(TIME_AFTER_EDIT);
}
