// The goblins' manager: a pool of four goblins, one spawned at a random floor
// cell of the room at most every 5 s while the player is spotted, and the dead
// ones removed with a score reward for the player.
#pragma once
#include <cstdint>
#include "Goblin.h"
#include "process.h"

class Player;
struct Sound;

class GoblinManager : public Process {
public:
    static constexpr uint32_t MAX_GOBLINS = 4;
    static constexpr float SPAWN_INTERVAL = 5.0f;
    static constexpr uint32_t KILL_SCORE = 100;

    GoblinManager();

    // Process operations.
    void Init() override;
    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;

    // Asked every frame while the player is spotted: a goblin appears when
    // fewer than four are alive and 5 s have passed since the last one.
    void Spawn();
    // Removes every live goblin, without score.
    void KillAll();
    // Freezes or thaws the goblins and their meshes.
    void Freeze(bool frozen);
    // Removes live goblin i (dead), scoring it for the player.
    void Reap(uint32_t i);
    // The first pool goblin not in play, or null.
    Goblin* FindFree();
    // Activates every live goblin.
    void ActivateAll();
    uint32_t GetCount() const { return m_uLiveCount; }
    // Live goblin i, or null past the live ones.
    Goblin* GetGoblin(uint32_t i) const { return i < m_uLiveCount ? m_pLive[i] : nullptr; }

    // The player the goblins chase and whose score they add to.
    void SetPlayer(Player* player) { m_pPlayer = player; }
    Player* GetPlayer() const { return m_pPlayer; }

    float GetSpawnTimer() const { return m_fSpawnTimer; }
    // Spawn calls so far (tools and tests).
    uint32_t GetSpawnRequests() const { return m_uSpawnRequests; }
    // Pool goblin i (0..3), live or not.

private:
    // Picks a random node of the current room with a floor; false when the
    // room has none (or there is no room).
    bool PickFloorCell(uint32_t* col, uint32_t* row);
    void FreeSounds();

    Sound* m_pDeathSound;
    Sound* m_pSpawnSound[2];
    Goblin* m_pLive[MAX_GOBLINS];
    Goblin m_Goblins[MAX_GOBLINS];
    uint32_t m_uLiveCount;
    float m_fSpawnTimer;
    Player* m_pPlayer;
    uint32_t m_uSpawnRequests;
};

GoblinManager* GetGoblinManager();
