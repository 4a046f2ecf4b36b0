// Shared set-up of the pickup and bullet tests: a scratch folder holding the
// generated asset set (the working directory while the tests run), the sound
// service mixing into memory, headless message boxes, one-room houses built
// in place, and a stand-in for the game that owns the pickups and bullets.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bullets.h"
#include "Level.h"
#include "Pickups.h"
#include "quilmath.h"

namespace gameplay_test {

// Makes the scratch folder (once) and the working directory, starts the sound
// service on memory output and clears the message boxes shown.
void PrepareWorld();

// Replaces the level by one loaded room with the given room points; edit may
// change the room (walls, props) before it is written and read back.
void LoadRoom(const std::vector<Vec3>& points, void (*edit)(Room*) = nullptr);
// Removes every wall of the room, the outer ones too.
void RemoveAllWalls(Room* room);

// Peak level of the next seconds of mixed sound (0 when silent).
float MixPeak(double seconds);
// Lets every sound that is playing run out.
void DrainSound();

// The texts of the message boxes shown since the last PrepareWorld.
std::vector<std::string> MessageTexts();

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
