// Shared pieces of the pickup and bullet tests: a stand-in for the game that
// owns the pickups and bullets.
#pragma once
#include <vector>

#include "Bullets.h"
#include "Level.h"
#include "Pickups.h"
#include "game_test_support.h"
#include "quilmath.h"

namespace gameplay_test {

using quiltest::LoadRoom;
using quiltest::MixPeak;

inline void PrepareWorld() { quiltest::PrepareGameWorld("game_pickups_test"); }

// The game as the pickups and bullets see it: a player that can be moved, a
// score and delivery count kept the way the game keeps them, and goblins.
class FakeGame : public PickupsHost, public BulletsHost {
public:
    Vec3 player;
    uint32_t score = 0;
    uint32_t delivered = 0;
    bool levelComplete = false;
    uint32_t playerHits = 0;
    float playerRadiusSq = 100.0f;
    std::vector<Vec3> goblins;
    std::vector<uint32_t> goblinHits;

    void AddGoblin(const Vec3& at) {
        goblins.push_back(at);
        goblinHits.push_back(0);
    }

    const Vec3* GetPlayerPosition() override { return &player; }
    void AddScore(uint32_t points) override { score += points; }
    uint32_t GetDelivered() override { return delivered; }
    // Counts the delivery, scores it and completes the level once every
    // present spot has been served.
    void PresentDelivered() override {
        ++delivered;
        score += 250;
        if (GetLevel()->GetRoomPointCount() - delivered == 1) levelComplete = true;
    }
    float GetPlayerHitRadiusSq() override { return playerRadiusSq; }
    void PlayerTakeHit() override { ++playerHits; }
    uint32_t GetGoblinCount() override { return static_cast<uint32_t>(goblins.size()); }
    const Vec3* GetGoblinPosition(uint32_t g) override { return &goblins[g]; }
    float GetGoblinHitRadiusSq(uint32_t) override { return 100.0f; }
    void GoblinTakeHit(uint32_t g) override { ++goblinHits[g]; }
};

}  // namespace gameplay_test
