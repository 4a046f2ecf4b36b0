// The F5 editor toggle. The HUD and the player are reached through the
// operations they offer; where one is not offered yet the call does nothing.
#include "EditorToggle.h"

#include "Editor.h"
#include "HUD.h"
#include "Level.h"
#include "Player.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "windows.h"

namespace {

// Activate or Deactivate of a HUD or player that offers it.
template <typename T>
auto CallActivate(T* o, int) -> decltype(o->Activate(), void()) {
    o->Activate();
}
template <typename T>
void CallActivate(T*, long) {}
template <typename T>
auto CallDeactivate(T* o, int) -> decltype(o->Deactivate(), void()) {
    o->Deactivate();
}
template <typename T>
void CallDeactivate(T*, long) {}

}  // namespace

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
    CallDeactivate(GetHUD(), 0);
    if (player) CallDeactivate(player, 0);
    GetEditor()->Activate();
}

// Back to the game with a fresh player and 200 s on the clock.
void EditorToggle::Close(Player* player) {
    m_bOpen = 0;
    HUD* hud = GetHUD();
    hud->Reset();
    CallActivate(hud, 0);
    GetEditor()->Deactivate();
    if (player) CallActivate(player, 0);
    GetLevel()->SetTimeLeft(TIME_AFTER_EDIT);
}
