// The display as a whole: the frame's draw calls and depth tests, the texts,
// joining and leaving the frame loop, Reset and device loss.
#include <cfloat>

#include "EnemyManager.h"
#include "engine_lists.h"
#include "gameengine.h"
#include "hud_test_support.h"

namespace hud_test {
namespace {

TEST_F(HudTest, TextsShowScoreHealthPresentsLeftAndTime) {
    HudTexts t;
    source.score = 12345;
    source.health = 100;
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
}

TEST_F(HudTest, TextsNeverOverrunOrShowNegativePresents) {
    HudTexts t;
    // The largest score shows whole.
    source.score = 4294967295u;
    // A room with no points at all: nothing to deliver, not -1.
    GetLevel()->SetRoomPointCount(0);
    GetLevel()->SetTimeLeft(FLT_MAX);
    hud.FormatTexts(&t);
    EXPECT_STREQ(t.score, "SCORE: 4294967295");
    EXPECT_STREQ(t.presents, " 0");
    EXPECT_LT(std::strlen(t.time), sizeof(t.time));
    EXPECT_EQ(std::string(t.time).substr(0, 5), "34028");
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
}  // namespace hud_test
