// The game's lifecycle, level loading, scoring and hiscore file, and the calls
// the title scene, the pickups and the bullets make into it.
#include "game.h"

#include <cstdio>

#include "EnemyManager.h"
#include "Editor.h"
#include "Goblin.h"
#include "GoblinManager.h"
#include "HUD.h"
#include "Level.h"
#include "LightMan.h"
#include "file.h"
#include "gameengine.h"
#include "music.h"
#include "pcsystem.h"
#include "quil_bytes.h"
#include "renderdevice.h"
#include "renderer.h"
#include "skinmesh.h"
#include "sound.h"
#include "trap.h"

const float Game::LevelTimes[Game::LEVEL_COUNT] = {100.0f, 150.0f, 100.0f, 150.0f, 150.0f};

namespace {

const wchar_t* const kMusicFiles[Game::MUSIC_TRACKS] = {
    L"sfx/quil_xmas_theme.mid",
    L"sfx/letitsnow.mid",
    L"sfx/whitexmas.mid",
};
const char* const kJingleStartFile = "sfx/levelstart.wav";
const char* const kJingleCompleteFile = "sfx/levelcomplete.wav";
const char* const kJingleOverFile = "sfx/gameover.wav";

// The record's first field: always written as 1, never examined when read.
const uint32_t kHiscoreTag = 1;

using quil_platform::ReadLe32;
using quil_platform::WriteLe32;

}  // namespace

Game* GetGame() {
    static Game game;
    return &game;
}

Game::Game()
    : m_pMusic{},
      m_pJingleStart(nullptr),
      m_pJingleComplete(nullptr),
      m_pJingleOver(nullptr),
      m_uState(GAMESTATE_IDLE),
      m_uDelivered(0),
      m_uLevel(0),
      m_uBonusLine(0),
      m_uBonus(0),
      m_uHiscore(0),
      m_uTrack(0),
      m_uDifficulty(DIFFICULTY_EASY),
      m_bStateEntered(0),
      m_bEditorMode(0),
      m_bHiscoreRead(0),
      m_fStateTimer(0.0f),
      m_bEscapeLatch(0),
      m_fLastLevelKey(0.0f) {
    m_FrontEnd.SetHost(this);
}

HUD* Game::GetHUD() { return ::GetHUD(); }
Pickups* Game::GetPickups() { return ::GetPickups(); }
Bullets* Game::GetBullets() { return ::GetBullets(); }

// Start-up: the WASD keys, every service and member, the music, the editor and
// the stored hiscore; then the game joins the frame loop in the menu.
void Game::Init() {
    DebugLog("Initialising Game\n");
    PCSystem* pc = GetPCSystem();
    pc->SetMouseCapture(true);
    pc->SetActionKey(ACTION_LEFT, 'A');
    pc->SetActionKey(ACTION_RIGHT, 'D');
    pc->SetActionKey(ACTION_FORWARD, 'W');
    pc->SetActionKey(ACTION_BACK, 'S');

    GetLightMan()->Init();
    GetLevel()->Init();
    GetEnemyManager()->Init();
    GetGoblinManager()->Init();

    m_Player.Init();
    GetHUD()->Init();
    m_Snow.Init();
    m_FrontEnd.Init();
    Pickups* pickups = GetPickups();
    pickups->SetHost(this);
    pickups->Init();
    Bullets* bullets = GetBullets();
    bullets->SetHost(this);
    bullets->Init();
    m_Texts.Init();
    m_Texts.Activate();

    MusicManager* music = GetMusicManager();
    for (uint32_t i = 0; i < MUSIC_TRACKS; ++i) m_pMusic[i] = music->LoadMusic(kMusicFiles[i]);
    SoundManager* sound = GetSoundManager();
    m_pJingleStart = sound->LoadSound(kJingleStartFile, 1);
    m_pJingleComplete = sound->LoadSound(kJingleCompleteFile, 1);
    m_pJingleOver = sound->LoadSound(kJingleOverFile, 1);

    GetEditor()->Init();
    ReadHiscore();

    GetGameEngine()->AddProcess(this);
    Activate();
    GoToMenu();
    m_bStateEntered = 1;
    m_bEditorMode = 0;
    m_uTrack = 0;
}

// The end of the run, after the device has gone: the hiscore is stored, then
// everything Init started is taken down in reverse.
void Game::Shutdown() {
    SetState(GAMESTATE_IDLE);
    Deactivate();
    WriteHiscore();
    MusicManager* music = GetMusicManager();
    music->Stop();
    for (MusicTrack*& track : m_pMusic) {
        music->FreeMusic(track);
        track = nullptr;
    }
    SoundManager* sound = GetSoundManager();
    for (Sound** jingle : {&m_pJingleStart, &m_pJingleComplete, &m_pJingleOver}) {
        sound->FreeSound(*jingle);
        *jingle = nullptr;
    }
    GetGameEngine()->RemoveProcess(this);
    GetEditor()->Shutdown();
    m_Texts.Deactivate();
    m_Texts.Shutdown();
    GetBullets()->Shutdown();
    GetPickups()->Shutdown();
    m_FrontEnd.Shutdown();
    m_Snow.Shutdown();
    GetHUD()->Shutdown();
    m_Player.Shutdown();
    GetGoblinManager()->Shutdown();
    GetEnemyManager()->Shutdown();
    GetLevel()->Shutdown();
    GetLightMan()->Shutdown();
    DebugLog("Destroying Game\n");
}

// Reads the stored hiscore; a missing or short file leaves it at 0.
void Game::ReadHiscore() {
    m_uHiscore = 0;
    File* file = GetFile();
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (file->LoadFile(HiscoreFile, &data, &size) == 0 && data) {
        if (!DecodeHiscore(data, size, &m_uHiscore))
            DebugLog("Hiscore file %s is %u bytes long, not %u: ignored\n", HiscoreFile, size, HISCORE_FILE_SIZE);
        file->FreeFile(&data);
    }
    m_bHiscoreRead = 1;
}

// Stores the hiscore (a failure is logged by the file service and the stored
// value stays). Without a start-up read there is nothing known to store, and
// writing would put 0 over the stored value.
void Game::WriteHiscore() {
    if (!m_bHiscoreRead) return;
    uint8_t record[HISCORE_FILE_SIZE];
    EncodeHiscore(m_uHiscore, record);
    GetFile()->SaveFile(HiscoreFile, record, HISCORE_FILE_SIZE);
}

bool Game::DecodeHiscore(const uint8_t* data, uint32_t size, uint32_t* hiscore) {
    if (!data || size < HISCORE_FILE_SIZE) return false;
    *hiscore = ReadLe32(data + 4);
    return true;
}

void Game::EncodeHiscore(uint32_t hiscore, uint8_t out[HISCORE_FILE_SIZE]) {
    WriteLe32(out, kHiscoreTag);
    WriteLe32(out + 4, hiscore);
}

void Game::SetDifficulty(uint32_t difficulty) {
    if (difficulty <= DIFFICULTY_HARD) m_uDifficulty = difficulty;
}

float Game::LevelTime(uint32_t level, uint32_t difficulty) {
    const float factor = difficulty == DIFFICULTY_EASY ? 2.0f : difficulty == DIFFICULTY_MEDIUM ? 1.5f : 1.0f;
    return LevelTimes[level % LEVEL_COUNT] * factor;
}

uint32_t Game::LevelBonus(float timeLeft, float stateTimer) {
    const float f = 2.0f * (1.0f - stateTimer / LEVEL_COMPLETE_TIME);
    const float bonus = f <= 1.0f ? timeLeft * f * 10.0f : timeLeft * 10.0f;
    return bonus > 0.0f ? static_cast<uint32_t>(bonus) : 0u;
}

void Game::StartGame() {
    if (m_uState == GAMESTATE_MENU) LeaveMenu();
    m_uLevel = 0;
    LoadLevel();
    // The walkers are listed again by Start: starting them before the HUD keeps
    // them after the HUD in the frame's walk, next to the room surfaces.
    GetEnemyManager()->Start();
    GetHUD()->Activate();
    GetLevel()->Activate();
    m_Player.Activate();
    GetGoblinManager()->Activate();
    GetPickups()->Activate();
    GetBullets()->Activate();
    SetState(GAMESTATE_GET_READY);
    m_uDelivered = 0;
    DrawUnseenFrame();
}

void Game::Quit() {
    LeaveMenu();
    GetGameEngine()->Quit();
}

void Game::LoadLevel() {
    GetPickups()->Clear();
    m_uDelivered = 0;
    char name[32];
    std::snprintf(name, sizeof(name), "gfx/Level%u.dat", m_uLevel);
    Level* level = GetLevel();
    level->Load(name);
    if (level->WasDamaged()) {
        std::snprintf(m_szDamagedLevel, sizeof(m_szDamagedLevel), "%s", name);
        m_uLevelDamage = level->GetDamage();
    }
    std::snprintf(name, sizeof(name), "gfx/Enemy%u.dat", m_uLevel);
    EnemyManager* enemies = GetEnemyManager();
    enemies->Load(name);
    enemies->Start();
    m_Player.PlaceAtStart();
    GetGoblinManager()->KillAll();
    level->SetTimeLeft(LevelTime(m_uLevel, m_uDifficulty));
    // The play screen's device objects (the HUD with the new room's map, the
    // pickups, the bullets) are made inside the load rather than by its first frame.
    if (RenderDevice_GetDevice()) {
        GetHUD()->RestoreDeviceObjects();
        GetPickups()->RestoreDeviceObjects();
        GetBullets()->GetSpriteList()->RestoreDeviceObjects();
    }
}

void Game::NextLevel() {
    m_uLevel = (m_uLevel + 1) % LEVEL_COUNT;
    LoadLevel();
    DrawUnseenFrame();
}

void Game::PrevLevel() {
    if (m_uLevel == 0) return;
    --m_uLevel;
    LoadLevel();
    DrawUnseenFrame();
}

// The play screen drawn once inside the load and never shown (the next frame
// clears it): the device builds the programs of everything on it now, so the
// first frame of play builds none. No goblin is in play after a load, so a
// spare one of the pool is drawn in this frame only, where a spawned goblin's
// mesh is drawn, and left afterwards as it was (unlisted, its mesh released).
void Game::DrawUnseenFrame() {
    if (!RenderDevice_GetDevice()) return;
    Renderer* renderer = GetRenderer();
    Goblin* spare = GetGoblinManager()->FindFree();
    SkinMesh* mesh = spare ? spare->GetMesh() : nullptr;
    const bool hidden = mesh && mesh->IsHidden();
    const bool released = mesh && mesh->IsReleased();
    if (mesh) {
        mesh->SetHidden(false);
        renderer->AddOverlayObject(mesh);
    }
    renderer->Render();
    if (mesh) {
        renderer->RemoveOverlayObject(mesh);
        mesh->SetHidden(hidden);
        if (released) mesh->InvalidateDeviceObjects();
    }
}

void Game::PresentDelivered() {
    ++m_uDelivered;
    AddScore(DELIVERY_SCORE);
    if (GetLevel()->GetRoomPointCount() == m_uDelivered + 1) SetState(GAMESTATE_LEVEL_COMPLETE);
}

void Game::EndGame() {
    GetMusicManager()->Stop();
    GetBullets()->Deactivate();
    GetPickups()->Deactivate();
    GetEnemyManager()->Stop();
    GoblinManager* goblins = GetGoblinManager();
    goblins->KillAll();
    goblins->Deactivate();
    GetHUD()->Deactivate();
    m_Player.Deactivate();
    GetLevel()->Deactivate();
    const uint32_t score = m_Player.GetScore();
    if (score > m_uHiscore) m_uHiscore = score;
    SetState(GAMESTATE_IDLE);
}

void Game::GoToMenu() {
    m_fStateTimer = 0.0f;
    m_FrontEnd.Activate();
    SetState(GAMESTATE_MENU);
}

void Game::LeaveMenu() {
    m_FrontEnd.Deactivate();
    SetState(GAMESTATE_IDLE);
}

const Vec3* Game::GetPlayerPosition() { return m_Player.GetPosition(); }
void Game::AddScore(uint32_t points) { m_Player.AddScore(points); }
float Game::GetPlayerHitRadiusSq() { return m_Player.GetHitRadiusSq(); }
void Game::PlayerTakeHit() { m_Player.TakeHit(); }
uint32_t Game::GetGoblinCount() { return GetGoblinManager()->GetCount(); }

const Vec3* Game::GetGoblinPosition(uint32_t goblin) {
    const Goblin* g = GetGoblinManager()->GetGoblin(goblin);
    return g ? g->GetPosition() : nullptr;
}

float Game::GetGoblinHitRadiusSq(uint32_t goblin) {
    const Goblin* g = GetGoblinManager()->GetGoblin(goblin);
    return g ? g->GetHitRadiusSq() : 0.0f;
}

void Game::GoblinTakeHit(uint32_t goblin) {
    if (Goblin* g = GetGoblinManager()->GetGoblin(goblin)) g->TakeHit();
}
