// The display as a whole: the frame's draw calls and depth tests, the texts,
// joining and leaving the frame loop, Reset and device loss.
#include <cfloat>

#include "EnemyManager.h"
#include "engine_lists.h"
#include "gameengine.h"
#include "hud_test_support.h"

namespace hud_test {
namespace {

using quiltest::TimesInProcessList;

int CountInOverlayList(const Object* o) { return quiltest::TimesInObjectList(GetRenderer()->GetOverlayList(), o); }

std::vector<std::string> Only(const std::vector<std::string>& lines, const std::vector<std::string>& prefixes) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        for (const auto& p : prefixes)
            if (l.compare(0, p.size(), p) == 0) {
                out.push_back(l);
                break;
            }
    return out;
}

TEST_F(HudTest, FrameDrawsScannerThenQuadsThenWedgesWithTheirDepthTests) {
    source.walkers = {{0.0f, 0.0f, 0.0f}, {50.0f, 50.0f, 1.0f}};
    hud.Render();  // first draw makes every device object
    ASSERT_NE(hud.GetMapTexture(), nullptr);
    ASSERT_NE(hud.GetHudTexture(), nullptr);
    hud.Update(0.02f);
    device.Clear();
    hud.Render();

    const std::string zfunc = "RS " + std::to_string(int(D3DRS_ZFUNC)) + " ";
    const auto calls = Only(device.log, {zfunc, "DrawIndexed", "SetTexture 0", "Stream", "VertexShader"});
    const std::vector<std::string> expected = {
        zfunc + std::to_string(D3DCMP_ALWAYS),
        "SetTexture 0 tex",
        "VertexShader 324",
        "Stream 0 vb 28",
        "DrawIndexed 4 0 4 0 2",        // the scanner
        "SetTexture 0 tex",
        "DrawIndexed 4 0 32 6 14",      // 7 quads after the scanner
        zfunc + std::to_string(D3DCMP_GREATEREQUAL),
        "Stream 0 vb 28",
        "DrawIndexed 4 0 6 0 2",        // two wedges
        zfunc + std::to_string(D3DCMP_LESSEQUAL),
    };
    EXPECT_EQ(calls, expected);
    ASSERT_EQ(device.draws.size(), 3u);
    EXPECT_EQ(device.draws[0].texture, hud.GetMapTexture());
}

TEST_F(HudTest, WalkersThatAppearAfterTheBuffersWereMadeGetWedges) {
    hud.Render();
    EXPECT_EQ(hud.GetWedgeCount(), 0u);
    source.walkers = {{0.0f, 0.0f, 0.0f}};
    device.Clear();
    hud.Render();
    EXPECT_EQ(hud.GetWedgeCount(), 1u);
    EXPECT_EQ(device.Matching("DrawIndexed 4 0 3 0 1").size(), 1u);
}

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

TEST_F(HudTest, ActivateJoinsTheFrameLoopOnceAndDeactivateLeavesAndReleases) {
    hud.Activate();
    hud.Activate();
    EXPECT_EQ(TimesInProcessList(&hud), 1);
    EXPECT_EQ(CountInOverlayList(&hud), 1);
    hud.Render();
    EXPECT_GT(device.liveResources, 0);
    hud.Deactivate();
    EXPECT_EQ(TimesInProcessList(&hud), 0);
    EXPECT_EQ(CountInOverlayList(&hud), 0);
    GetRenderer()->ReleaseCaches();  // shared files stay loaded until the device goes
    EXPECT_EQ(device.liveResources, 0);
    hud.Deactivate();  // twice is harmless
    hud.Activate();
    hud.Shutdown();
    EXPECT_EQ(CountInOverlayList(&hud), 0);
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

TEST_F(HudTest, InitTakesTheLevelsGridAndAnEmptySourceFallsBackToTheGame) {
    HUD fresh;
    float x, y;
    fresh.Init();
    fresh.WorldToMap(-128.0f + 4 * 32.0f, -128.0f + 3 * 32.0f, &x, &y);
    EXPECT_FLOAT_EQ(x, 555.0f);  // the scanner's centre
    EXPECT_FLOAT_EQ(y, 395.0f);
    fresh.SetSource(nullptr);
    EXPECT_EQ(fresh.GetSource(), GetGameHudSource());
    fresh.Shutdown();
}

// The game's own source reads the walkers in use through their world matrices.
TEST_F(HudTest, GameSourceReadsTheWalkersInUse) {
    EnemyManager* enemies = GetEnemyManager();
    enemies->SetRoom(0);  // no enemy file: no walkers
    HudSource* game = GetGameHudSource();
    EXPECT_EQ(game->GetWalkerCount(), 0u);
    ASSERT_EQ(enemies->AddPath(), 0u);
    ASSERT_EQ(enemies->AddPath(), 1u);
    enemies->GetEnemy(1)->GetMatrix()->m[3][0] = 40.0f;
    enemies->GetEnemy(1)->GetMatrix()->m[3][2] = -72.0f;
    ASSERT_EQ(game->GetWalkerCount(), 2u);
    float x = 0, z = 0, heading = 1;
    ASSERT_TRUE(game->GetWalker(1, &x, &z, &heading));
    EXPECT_FLOAT_EQ(x, 40.0f);
    EXPECT_FLOAT_EQ(z, -72.0f);
    EXPECT_FLOAT_EQ(heading, enemies->GetEnemy(1)->GetHeading());
    EXPECT_FALSE(game->GetWalker(EnemyManager::MAX_WALKERS, &x, &z, &heading));
    enemies->SetRoom(0);
    EXPECT_EQ(game->GetWalkerCount(), 0u);
}

}  // namespace
}  // namespace hud_test
