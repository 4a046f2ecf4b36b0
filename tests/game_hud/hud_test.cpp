// The heads-up display against a recording device (800x600, so the screen
// scale is 1.25): the texts, the scanner's map of the room's walls, and Reset.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <string>

#include "HUD.h"
#include "HUDSource.h"
#include "Level.h"
#include "LightMan.h"
#include "game_world_support.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "renderer.h"

namespace {

// A player at the origin with the score, health and deliveries the test sets;
// no pickups, walkers or goblins to show.
struct FakeSource : HudSource {
    uint32_t score = 0;
    int32_t health = 100;
    uint32_t delivered = 0;

    float GetPlayerX() override { return 0.0f; }
    float GetPlayerZ() override { return 0.0f; }
    uint32_t GetScore() override { return score; }
    int32_t GetHealth() override { return health; }
    bool IsPlayerSpotted() override { return false; }
    uint32_t GetDelivered() override { return delivered; }
    bool GetPickup(uint32_t, float*, float*) override { return false; }
    uint32_t GetWalkerCount() override { return 0; }
    bool GetWalker(uint32_t, float*, float*, float*) override { return false; }
    uint32_t GetGoblinCount() override { return 0; }
    bool GetGoblin(uint32_t, float*, float*) override { return false; }
};

class HudTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.Made());
        quiltest::WriteTga("gfx/hud.tga", 16, 16, 255, 255, 255);
        quiltest::StartRecordingBoxes();
        // The room is made before the device is bound, so its surfaces make no device objects.
        GetLevel()->New();
        GetLevel()->SetTimeLeft(100.0f);
        RenderDevice_Bind(&device, device.caps, device.backBuffer);
        GetRenderer()->SetDefaultStates();
        hud.SetSource(&source);
        hud.Init();
        device.Clear();
    }
    void TearDown() override {
        hud.Shutdown();
        RenderDevice_Unbind();
        GetLevel()->Free();
        GetLightMan()->Clear();
    }
    // Texel (x, y) of the map texture: node (col, row) covers columns 8col..8col+7, rows 8row..8row+7.
    uint32_t MapTexel(int x, int y) const {
        return static_cast<quiltest::FakeTexture*>(hud.GetMapTexture())->Texel(x, y);
    }

    quiltest::ScratchFolder scratch{"hud"};
    quiltest::RecordingDevice device{800, 600};
    FakeSource source;
    HUD hud;
};

TEST_F(HudTest, TextsShowScoreHealthPresentsLeftAndTimeWithoutOverrun) {
    HudTexts t;
    source.score = 12345;
    GetLevel()->SetRoomPointCount(4);  // the tree and three present spots
    source.delivered = 1;
    GetLevel()->SetTimeLeft(200.0f);
    hud.FormatTexts(&t);
    EXPECT_STREQ(t.score, "SCORE: 12345");
    EXPECT_STREQ(t.health, "100");
    EXPECT_STREQ(t.presents, " 2");
    EXPECT_STREQ(t.time, "200.0");
    const struct { float seconds; const char* shown; } times[] = {
        {0.0f, "0.0"}, {59.96f, "60.0"}, {0.04f, "0.0"}, {12.25f, "12.2"}};
    for (const auto& tm : times) {
        GetLevel()->SetTimeLeft(tm.seconds);
        hud.FormatTexts(&t);
        EXPECT_STREQ(t.time, tm.shown) << tm.seconds;
    }
    // Every spot served shows 0.
    source.delivered = 3;
    hud.FormatTexts(&t);
    EXPECT_STREQ(t.presents, " 0");
    // The largest score and time show whole; a room with no points at all has nothing to deliver, not -1.
    source.score = 4294967295u;
    GetLevel()->SetRoomPointCount(0);
    GetLevel()->SetTimeLeft(FLT_MAX);
    hud.FormatTexts(&t);
    EXPECT_STREQ(t.score, "SCORE: 4294967295");
    EXPECT_STREQ(t.presents, " 0");
    EXPECT_LT(std::strlen(t.time), sizeof(t.time));
    EXPECT_EQ(std::string(t.time).substr(0, 5), "34028");
}

TEST_F(HudTest, MapDrawsTheRoomsWallsInWhiteOnBlack) {
    Node* nodes = GetLevel()->GetNodeMap(0);
    // A wall between rows 3 and 4 under column 2, marked on both sides.
    nodes[2 + 3 * 8].walls[WALL_NEG_Z] = 1;
    nodes[2 + 4 * 8].walls[WALL_POS_Z] = 1;
    // A wall between columns 5 and 6 on row 1, both sides.
    nodes[5 + 1 * 8].walls[WALL_POS_X] = 1;
    nodes[6 + 1 * 8].walls[WALL_NEG_X] = 1;
    hud.RestoreDeviceObjects();
    ASSERT_NE(hud.GetMapTexture(), nullptr);
    const uint32_t white = 0xFFFFFFFF, black = 0xFF000000;

    struct Texel { int x, y; bool wall; };
    const Texel texels[] = {
        {0, 20, true}, {63, 40, true}, {20, 0, true}, {40, 63, true},      // the outer walls frame the map
        {16, 31, true}, {23, 32, true}, {20, 30, false}, {20, 33, false},  // two rows: row 32 from node row 3, 31 from 4
        {15, 31, false}, {24, 32, false},
        {47, 8, true}, {48, 15, true}, {46, 10, false}, {49, 10, false},   // two columns: one texel in each node
        {24, 40, false}, {31, 47, false},                                  // a node with no walls stays black
    };
    for (const Texel& t : texels) EXPECT_EQ(MapTexel(t.x, t.y), t.wall ? white : black) << t.x << "," << t.y;
}

TEST_F(HudTest, ResetDropsEverythingAndTheNextFrameMapsTheNewRoom) {
    hud.Render();
    EXPECT_EQ(MapTexel(20, 20), 0xFF000000u);
    const uint32_t resets = hud.GetResetCount();

    // A new room with a wall across node (2, 2), then the level's Reset.
    GetLevel()->GetNodeMap(0)[2 + 2 * 8].walls[WALL_NEG_X] = 3;
    hud.Reset();
    EXPECT_EQ(hud.GetResetCount(), resets + 1);
    GetRenderer()->ReleaseCaches();  // shared files stay loaded until the device goes
    EXPECT_EQ(hud.GetMapTexture(), nullptr);
    EXPECT_EQ(device.liveResources, 0);
    hud.Reset();  // nothing left to release
    EXPECT_EQ(device.liveResources, 0);

    hud.Render();
    ASSERT_NE(hud.GetMapTexture(), nullptr);
    EXPECT_EQ(MapTexel(16, 20), 0xFFFFFFFFu);
    EXPECT_EQ(device.Matching("DrawIndexed 4 0 4 0 2").size(), 2u);
    // A restore with everything in place makes nothing new.
    const int live = device.liveResources;
    hud.RestoreDeviceObjects();
    EXPECT_EQ(device.liveResources, live);
}

}  // namespace
