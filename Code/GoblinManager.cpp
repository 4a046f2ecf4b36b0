#include "GoblinManager.h"

#include <cstdlib>
#include <initializer_list>

#include "Level.h"
#include "Player.h"
#include "gameengine.h"
#include "sound.h"

GoblinManager* GetGoblinManager() {
    static GoblinManager manager;
    return &manager;
}

// Before Init the spawn timer is 0, so nothing spawns from an unprepared pool.
GoblinManager::GoblinManager()
    : m_pDeathSound(nullptr),
      m_pSpawnSound{},
      m_pLive{},
      m_uLiveCount(0),
      m_fSpawnTimer(0.0f),
      m_pPlayer(nullptr),
      m_uSpawnRequests(0) {}

void GoblinManager::Init() {
    m_uLiveCount = 0;
    m_fSpawnTimer = SPAWN_INTERVAL;
    for (Goblin& g : m_Goblins) g.Init();
    FreeSounds();
    SoundManager* sound = GetSoundManager();
    m_pSpawnSound[0] = sound->LoadSound("sfx/spawn1.wav", 2);
    m_pSpawnSound[1] = sound->LoadSound("sfx/spawn2.wav", 2);
    m_pDeathSound = sound->LoadSound("sfx\\goblindeath.wav", 2);
}

void GoblinManager::Shutdown() {
    KillAll();
    for (Goblin& g : m_Goblins) g.Shutdown();
    FreeSounds();
}

void GoblinManager::FreeSounds() {
    SoundManager* sound = GetSoundManager();
    for (Sound** s : {&m_pSpawnSound[0], &m_pSpawnSound[1], &m_pDeathSound}) {
        if (*s) sound->FreeSound(*s);
        *s = nullptr;
    }
}

// Goblins still alive from before leave play first, so none is left behind
// in the frame loop.
void GoblinManager::Activate() {
    KillAll();
    m_fSpawnTimer = SPAWN_INTERVAL;
    GetGameEngine()->AddProcess(this);
}

void GoblinManager::Deactivate() {
    GetGameEngine()->RemoveProcess(this);
    KillAll();
    m_fSpawnTimer = SPAWN_INTERVAL;
}

// Counts the time since the last spawn and reaps the dead; a goblin moved into
// a reaped slot is examined on the next frame.
void GoblinManager::Update(float dt) {
    m_fSpawnTimer += dt;
    for (uint32_t i = 0; i < m_uLiveCount; ++i)
        if (m_pLive[i]->GetHealth() == 0) Reap(i);
}

bool GoblinManager::PickFloorCell(uint32_t* col, uint32_t* row) {
    Level* level = GetLevel();
    Room* room = level->GetRoom(level->GetCurrentRoom());
    if (!room) return false;
    bool anyFloor = false;
    for (const Node& n : room->nodes) anyFloor = anyFloor || n.floorTile != NODE_EMPTY;
    if (!anyFloor) return false;
    do {
        *col = static_cast<uint32_t>(std::rand() & 7);
        *row = static_cast<uint32_t>(std::rand() & 7);
    } while (room->nodes[*col + *row * LEVEL_GRID_SIZE].floorTile == NODE_EMPTY);
    return true;
}

// The new goblin keeps the velocity, facing, timers and sight flag of the
// slot's previous life.
void GoblinManager::Spawn() {
    ++m_uSpawnRequests;
    if (m_uLiveCount >= MAX_GOBLINS || m_fSpawnTimer < SPAWN_INTERVAL) return;
    uint32_t col = 0, row = 0;
    if (!PickFloorCell(&col, &row)) return;
    m_fSpawnTimer = 0.0f;
    Goblin* g = FindFree();
    if (!g) return;
    m_pLive[m_uLiveCount] = g;
    Level* level = GetLevel();
    const float half = level->GetCellSize() * 0.5f;
    g->SetHealth(100);
    g->SetX(level->GetCellX(static_cast<int>(col)) + half);
    // GetCellZ(7 - row) is the +z edge of node row row: half a cell below it is the centre.
    g->SetZ(level->GetCellZ(static_cast<int>(LEVEL_GRID_SIZE - 1 - row)) - half);
    g->Activate();
    GetSoundManager()->PlaySound(m_pSpawnSound[std::rand() & 1], 0);
    ++m_uLiveCount;
}

void GoblinManager::Reap(uint32_t i) {
    if (i >= m_uLiveCount || !m_pLive[i]) return;
    Goblin* g = m_pLive[i];
    --m_uLiveCount;
    GetSoundManager()->PlaySound(m_pDeathSound, 0);
    if (m_pPlayer) m_pPlayer->AddScore(KILL_SCORE);
    m_pLive[i] = m_pLive[m_uLiveCount];
    m_pLive[m_uLiveCount] = nullptr;
    g->Deactivate();
}

void GoblinManager::KillAll() {
    for (uint32_t i = 0; i < m_uLiveCount; ++i) {
        m_pLive[i]->Deactivate();
        m_pLive[i] = nullptr;
    }
    m_uLiveCount = 0;
}

void GoblinManager::Freeze(bool frozen) {
    for (Goblin& g : m_Goblins) {
        g.SetFrozen(frozen);
        g.Freeze(frozen);
    }
}

Goblin* GoblinManager::FindFree() {
    for (Goblin& g : m_Goblins)
        if (!g.IsActive()) return &g;
    return nullptr;
}

void GoblinManager::ActivateAll() {
    for (uint32_t i = 0; i < m_uLiveCount; ++i) m_pLive[i]->Activate();
}
