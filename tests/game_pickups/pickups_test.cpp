// The present and the star: the collect radius, delivering presents spot by
// spot, rooms without present spots, the fixed report for a bad type, the
// spin and bob, drawing, and joining the frame loop.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine_lists.h"
#include "gameengine.h"
#include "gameplay_test_support.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "renderer.h"

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
    gameplay_test::DrainSound();
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

TEST_F(PickupsTest, PresentsAreDeliveredSpotBySpotUntilTheLevelIsComplete) {
    LoadRoom({kTree, kSpotA, kSpotB});
    EXPECT_TRUE(PresentAt(kSpotA));

    StandAt(kTree);  // without a present the tree can be visited freely
    EXPECT_EQ(game.delivered + game.score, 0u);
    StandAt(kSpotA);
    gameplay_test::DrainSound();
    StandAt(kTree);
    EXPECT_EQ(game.delivered, 1u);
    EXPECT_EQ(game.score, 300u);
    EXPECT_GT(MixPeak(0.2), 0.0f);
    EXPECT_TRUE(PresentAt(kSpotB));  // at the next spot, at its height
    StandAt(kSpotB);
    StandAt(kTree);
    EXPECT_TRUE(game.levelComplete);
    EXPECT_FALSE(pickups->IsSlotActive(PICKUP_PRESENT));
    gameplay_test::DrainSound();
    StandAt(kTree);  // every spot served: nothing further
    EXPECT_EQ(game.delivered, 2u);
    EXPECT_EQ(MixPeak(0.2), 0.0f);
}

TEST_F(PickupsTest, PresentBesideTheTreeIsPickedUpAndDeliveredInOneFrame) {
    LoadRoom({kTree, Vec3(kTree.x + 10.0f, 0.0f, kTree.z), kSpotB});
    StandAt(kTree.x + 5.0f, kTree.z);
    EXPECT_EQ(game.score, 300u);
    EXPECT_TRUE(PresentAt(kSpotB));
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

TEST_F(PickupsTest, UnknownTypeIsReportedAndWritesNoSlotWhileOtherTypesDoNothing) {
    pickups->SetPickup(PICKUP_HEALTH, Vec3(0.0f, 4.0f, 0.0f));
    pickups->SetPickup(PICKUP_TIME, Vec3(50.0f, 6.0f, 0.0f));
    PickupSlot before[PICKUP_SLOT_COUNT];
    std::memcpy(before, pickups->GetSlot(0), sizeof(before));
    pickups->SetPickup(4, Vec3(1.0f, 2.0f, 3.0f));
    const auto texts = gameplay_test::MessageTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("Invalid Pick up type given to SetPickup object"), std::string::npos);
    EXPECT_EQ(std::memcmp(before, pickups->GetSlot(0), sizeof(before)), 0);
    EXPECT_EQ(pickups->GetSlot(4), nullptr);

    StandAt(0.0f, 0.0f);
    StandAt(50.0f, 0.0f);
    EXPECT_EQ(game.score, 0u);
}

TEST_F(PickupsTest, SpinAndBobStayWithinOneTurnAndNothingIsCollectedWithoutAGame) {
    for (int i = 0; i < 1000; ++i) {
        pickups->Update(0.1f);
        ASSERT_TRUE(pickups->GetSpin() >= 0.0f && pickups->GetSpin() <= 6.2831855f);
        ASSERT_TRUE(pickups->GetBobPhase() >= 0.0f && pickups->GetBobPhase() <= 6.2831855f);
    }
    pickups->SetHost(nullptr);
    pickups->SetPickup(PICKUP_PRESENT, Vec3(200.0f, 0.0f, 200.0f));
    pickups->Update(0.1f);
    EXPECT_TRUE(pickups->IsSlotActive(PICKUP_PRESENT));
}

TEST_F(PickupsTest, RenderLoadsTheMeshesOnceAndDrawsEachActivePickupSpunAndBobbed) {
    quiltest::RecordingDevice device;
    RenderDevice_Bind(&device, device.caps, device.backBuffer);
    const int none = device.liveResources;
    pickups->SetPickup(PICKUP_PRESENT, kSpotA);
    pickups->SetPickup(PICKUP_STAR, kTree);
    pickups->Update(0.25f);
    pickups->Render();
    EXPECT_EQ(device.Matching("DrawIndexed").size(), 2u);
    // The star is drawn last, raised by the bob.
    EXPECT_NEAR(device.transforms[D3DTS_WORLD].m[3][1], 35.0f + std::sin(pickups->GetBobPhase()) * 0.5f, 1e-4f);
    const int loaded = device.liveResources;
    pickups->Render();
    EXPECT_EQ(device.liveResources, loaded);  // loaded once
    // Released twice (as on a lost device) without harm, rebuilt on demand.
    pickups->InvalidateDeviceObjects();
    pickups->InvalidateDeviceObjects();
    GetRenderer()->ReleaseCaches();  // shared files stay loaded until the device goes
    EXPECT_EQ(device.liveResources, none);
    pickups->Render();
    EXPECT_EQ(device.liveResources, loaded);
    pickups->InvalidateDeviceObjects();
    RenderDevice_Unbind();
}

TEST_F(PickupsTest, RepeatedActivateJoinsTheFrameLoopAndDrawListOnce) {
    auto count = [this] {
        return quiltest::TimesInProcessList(pickups) +
               quiltest::TimesInObjectList(GetRenderer()->GetObjectList(), pickups);
    };
    pickups->Activate();
    pickups->Activate();
    EXPECT_EQ(count(), 2);
    pickups->Deactivate();
    EXPECT_EQ(count(), 0);
}

}  // namespace
