// The goblins' manager: the part the walkers' spotting uses so far.
#pragma once
#include <cstdint>

class GoblinManager {
public:
    // Asked every frame while the player is spotted; counts the requests.
    void Spawn() { ++m_uSpawnRequests; }
    uint32_t GetSpawnRequests() const { return m_uSpawnRequests; }

private:
    uint32_t m_uSpawnRequests = 0;
};

GoblinManager* GetGoblinManager();
