// The present and the star: the collect radius and rooms without present spots.
#include <gtest/gtest.h>

#include "gameplay_test_support.h"

using gameplay_test::FakeGame;
using gameplay_test::LoadRoom;
using gameplay_test::MixPeak;

namespace {

const Vec3 kTree(-80.0f, 0.0f, -100.0f);
const Vec3 kSpotA(40.0f, 30.0f, 40.0f);  // on a table
const Vec3 kSpotB(90.0f, 5.0f, -120.0f);

class PickupsTest : public ::testing::Test {
protected:
    void SetUp() override {
        gameplay_test::PrepareWorld();
        pickups->Init();
        pickups->SetHost(&game);
    }
    void TearDown() override {
        pickups->SetHost(nullptr);
        pickups->Shutdown();
        GetLevel()->Free();
    }
    // One frame with the player standing at (x, z).
    void StandAt(float x, float z) {
        game.player = Vec3(x, 22.0f, z);
        pickups->Update(0.02f);
    }
    void StandAt(const Vec3& p) { StandAt(p.x, p.z); }
    bool PresentAt(const Vec3& p) {
        const PickupSlot* s = pickups->GetSlot(PICKUP_PRESENT);
        return pickups->IsSlotActive(PICKUP_PRESENT) && s->x == p.x && s->y == p.y && s->z == p.z;
    }

    Pickups* pickups = GetPickups();
    FakeGame game;
};

TEST_F(PickupsTest, PresentIsPickedUpStrictlyWithinTwentyUnitsAcrossTheFloor) {
    LoadRoom({kTree, kSpotA});
    MixPeak(5.0);  // lets the sounds of the load run out
    // Exactly 20 (straight and diagonally) and just beyond: left lying.
    for (const Vec3& d : {Vec3(20.0f, 0, 0), Vec3(20.01f, 0, 0), Vec3(0, 0, -20.01f), Vec3(12.0f, 0, 16.0f)})
        StandAt(kSpotA.x + d.x, kSpotA.z + d.z);
    EXPECT_TRUE(PresentAt(kSpotA));
    EXPECT_EQ(MixPeak(0.2), 0.0f);
    // The present lies 8 above the eye; only x and z count.
    StandAt(kSpotA.x + 19.99f, kSpotA.z);
    EXPECT_FALSE(pickups->IsSlotActive(PICKUP_PRESENT));
    EXPECT_EQ(game.score, 50u);
    EXPECT_GT(MixPeak(0.2), 0.0f);
    StandAt(kSpotA);  // carried: not picked up twice
    EXPECT_EQ(game.score, 50u);
}

TEST_F(PickupsTest, RoomsWithoutSpotsLeftNeverGetAPresent) {
    // Only the tree: the star hovers at 35 whatever the point's height.
    LoadRoom({Vec3(kTree.x, 12.0f, kTree.z)});
    EXPECT_EQ(pickups->GetSlot(PICKUP_STAR)->y, 35.0f);
    for (int i = 0; i < 3; ++i) StandAt(kTree);
    EXPECT_EQ(game.delivered, 0u);
    EXPECT_FALSE(pickups->IsSlotActive(PICKUP_PRESENT));

    // The room loses every point while a present is carried, or more
    // deliveries are counted than it has spots: no present past its points.
    LoadRoom({kTree, kSpotA, kSpotB});
    StandAt(kSpotA);
    GetLevel()->SetRoomPointCount(0);
    StandAt(kTree);
    EXPECT_EQ(game.delivered, 0u);
    GetLevel()->SetRoomPointCount(2);
    game.delivered = 5;
    StandAt(kTree);
    EXPECT_EQ(game.delivered, 5u);
    EXPECT_FALSE(pickups->IsSlotActive(PICKUP_PRESENT));
}

}  // namespace
