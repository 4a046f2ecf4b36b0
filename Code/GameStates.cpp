// The game's frame: the editor key, the state handlers with their timed entry
// steps and texts, the level keys in play and the freezing of the world.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "EnemyManager.h"
#include "GoblinManager.h"
#include "HUD.h"
#include "Level.h"
#include "game.h"
#include "gameengine.h"
#include "music.h"
#include "pcsystem.h"
#include "sound.h"
#include "windows.h"

namespace {

const float kFadeTime = 2.0f;
const float kPlayMusicVolume = 0.9f;

}  // namespace

void Game::Update(float dt) {
    UpdateEditorToggle();
    PCSystem* pc = GetPCSystem();
    switch (m_uState) {
        case GAMESTATE_PLAY:
            UpdatePlay(dt);
            // Escape ends the game even with the editor open; the latch keeps
            // this press from also quitting from the menu.
            if (pc->IsActionDown(ACTION_ESCAPE)) {
                EndGame();
                GoToMenu();
                m_bEscapeLatch = 1;
            }
            break;
        case GAMESTATE_MENU:
            m_bStateEntered = 0;
            if (!pc->IsActionDown(ACTION_ESCAPE)) m_bEscapeLatch = 0;
            else if (!m_bEscapeLatch) Quit();
            break;
        case GAMESTATE_GET_READY:
            UpdateGetReady(dt);
            break;
        case GAMESTATE_LEVEL_COMPLETE:
            UpdateLevelComplete(dt);
            break;
        case GAMESTATE_GAME_OVER:
            UpdateGameOver(dt);
            break;
        default:
            break;
    }
}

void Game::SetState(uint32_t state) {
    if (state == m_uState) return;
    m_uState = state;
    m_bStateEntered = 1;
}

// F5, in every state: opens or closes the level editor.
void Game::UpdateEditorToggle() {
    if (m_EditorToggle.Update(&m_Player)) m_bEditorMode = m_EditorToggle.IsOpen() ? 1 : 0;
}

// Play: game over on health 0 or time up, and F7 / F6 for the next and
// previous level. Nothing runs while the editor is open.
void Game::UpdatePlay(float) {
    if (m_bEditorMode) return;
    m_bStateEntered = 0;
    ShowDamagedLevel();  // a level changed with F6 / F7
    if (m_Player.GetHealth() == 0) SetState(GAMESTATE_GAME_OVER);
    if (GetLevel()->GetTimeLeft() <= 0.0f) SetState(GAMESTATE_GAME_OVER);
    PCSystem* pc = GetPCSystem();
    const float now = g_fTotalTime;
    if (!(now - m_fLastLevelKey > LEVEL_KEY_DELAY)) return;
    if (pc->IsKeyDown(VK_F7)) {
        NextLevel();
        m_fLastLevelKey = now;
    } else if (pc->IsKeyDown(VK_F6)) {
        PrevLevel();
        m_fLastLevelKey = now;
    }
}

// Get ready: the world stands still for 4 s under the level's texts, then play
// starts with the next music track.
void Game::UpdateGetReady(float dt) {
    if (m_bStateEntered) {
        m_bStateEntered = 0;
        m_fStateTimer = GET_READY_TIME;
        FreezeAll(true);
        GetSoundManager()->PlaySound(m_pJingleStart, 0);
        char line[TextOverlay::TEXT_LENGTH];
        std::snprintf(line, sizeof(line), "LEVEL %u - GET READY", m_uLevel + 1);
        m_Texts.Add(140.0f, 200.0f, 0.7f, 0xFFFFFF, line, kFadeTime);
        m_Texts.Add(185.0f, 250.0f, 0.3f, 0x008080, "DELIVER THE PRESENTS TO THE TREE", kFadeTime);
        m_Texts.Add(220.0f, 270.0f, 0.3f, 0x008080, "AND TRY NOT TO BE SEEN...", kFadeTime);
        ShowDamagedLevel();
        return;
    }
    if (m_fStateTimer <= 0.0f) {
        FreezeAll(false);
        SetState(GAMESTATE_PLAY);
        m_Texts.Clear();
        m_uTrack = (m_uTrack + 1) % MUSIC_TRACKS;
        MusicManager* music = GetMusicManager();
        music->PlayMusic(m_pMusic[m_uTrack]);
        music->SetVolume(kPlayMusicVolume);
    }
    m_fStateTimer -= dt;
}

// Level complete: 3 s with the bonus counting up; the bonus of the last frame
// is scored and the next level's get ready follows.
void Game::UpdateLevelComplete(float dt) {
    if (m_bStateEntered) {
        m_bStateEntered = 0;
        m_fStateTimer = LEVEL_COMPLETE_TIME;
        m_uBonus = 0;
        FreezeAll(true);
        GetSoundManager()->PlaySound(m_pJingleComplete, 0);
        GetMusicManager()->Stop();
        m_Texts.Add(50.0f, 200.0f, 0.7f, 0xFFFFFF, "LEVEL COMPLETE - WELL DONE", kFadeTime);
        m_uBonusLine = m_Texts.Add(170.0f, 240.0f, 0.6f, 0xFFFF80, "BONUS SCORE: 0", kFadeTime);
        return;
    }
    m_uBonus = LevelBonus(GetLevel()->GetTimeLeft(), m_fStateTimer);
    char line[TextOverlay::TEXT_LENGTH];
    std::snprintf(line, sizeof(line), "BONUS SCORE: %u", m_uBonus);
    m_Texts.SetText(line, m_uBonusLine);
    if (m_fStateTimer <= 0.0f) {
        AddScore(m_uBonus);
        NextLevel();
        SetState(GAMESTATE_GET_READY);
        m_Texts.Clear();
    }
    m_fStateTimer -= dt;
}

// Game over: 4 s of the frozen world under "GAME OVER", then back to the menu.
void Game::UpdateGameOver(float dt) {
    if (m_bStateEntered) {
        m_bStateEntered = 0;
        m_fStateTimer = GAME_OVER_TIME;
        FreezeAll(true);
        GetMusicManager()->Stop();
        GetSoundManager()->PlaySound(m_pJingleOver, 0);
        m_Texts.Add(210.0f, 210.0f, 0.7f, 0xFFFFFFFF, "GAME OVER", kFadeTime);
        return;
    }
    if (m_fStateTimer <= 0.0f) {
        FreezeAll(false);
        EndGame();
        m_Texts.Clear();
        GoToMenu();
    }
    m_fStateTimer -= dt;
}

// The screen font has capitals, digits and stops only: the file is named by its
// upper-case base name.
void Game::ShowDamagedLevel() {
    if (!m_szDamagedLevel[0]) return;
    const char* base = std::strrchr(m_szDamagedLevel, '/');
    char line[TextOverlay::TEXT_LENGTH];
    int n = std::snprintf(line, sizeof(line), "FILE %s IS DAMAGED", base ? base + 1 : m_szDamagedLevel);
    for (int i = 0; i < n && i < TextOverlay::TEXT_LENGTH; ++i)
        line[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[i])));
    m_Texts.Add(182.0f, 310.0f, 0.3f, 0xFF6060, line, kFadeTime);
    const bool propsOnly = m_uLevelDamage == LEVEL_DAMAGE_PROPS_LEFT_OUT;
    m_Texts.Add(182.0f, 330.0f, 0.3f, 0xFF6060,
                propsOnly ? "ITS UNKNOWN PROPS ARE LEFT OUT" : "AN EMPTY HOUSE IS PLAYED INSTEAD", kFadeTime);
    m_szDamagedLevel[0] = '\0';
}

void Game::FreezeAll(bool frozen) {
    GetLevel()->SetFrozen(frozen);
    m_Player.StopHeartbeat();
    m_Player.SetFrozen(frozen);
    GetHUD()->SetFrozen(frozen);
    GetEnemyManager()->Freeze(frozen);
    GoblinManager* goblins = GetGoblinManager();
    goblins->SetFrozen(frozen);
    goblins->Freeze(frozen);
    GetPickups()->SetFrozen(frozen);
    GetBullets()->SetFrozen(frozen);
    m_Snow.SetFrozen(frozen);
}
