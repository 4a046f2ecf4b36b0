// The title scene's life: what Init builds, what showing and taking away the
// scene does to the frame loop, the snow, the snowman and the screen texts,
// and the camera sliding between the menus.
#include <gtest/gtest.h>

#include <cstring>

#include "frontend_test_support.h"

using frontend_test::FrontEndTest;
using frontend_test::InOverlayList;
using frontend_test::InProcessList;
using frontend_test::InWorldList;

namespace {

TEST_F(FrontEndTest, InitBuildsTheTitleAndBarsAndLeavesEverythingHidden) {
    // Two bars across the whole width whose inner edges close the picture above
    // y 80 and below y 390.
    Sprite2D* bars = scene.GetBars()->GetSprites();
    ASSERT_NE(bars, nullptr);
    ASSERT_EQ(scene.GetBars()->GetCount(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_LE(bars[i].x - bars[i].size / 2.0f, 0.0f);
        EXPECT_GE(bars[i].x + bars[i].size / 2.0f, 640.0f);
    }
    EXPECT_FLOAT_EQ(bars[0].y + bars[0].size / 2.0f, 80.0f);
    EXPECT_FLOAT_EQ(bars[1].y - bars[1].size / 2.0f, 390.0f);
    EXPECT_EQ(scene.GetBars()->GetBlendMode(), 0u);

    // Four title tiles side by side from x 95 to 545 on the line y 80, each
    // showing its quarter of the picture.
    Sprite2D* tiles = scene.GetTitle()->GetSprites();
    ASSERT_NE(tiles, nullptr);
    ASSERT_EQ(scene.GetTitle()->GetCount(), 4u);
    float left = 95.0f, u = 0.0f;
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(tiles[i].x - tiles[i].size / 2.0f, left) << i;
        EXPECT_EQ(tiles[i].y, 80.0f);
        EXPECT_FLOAT_EQ(tiles[i].uLeft, u);
        EXPECT_FLOAT_EQ(tiles[i].uRight, u + 0.25f);
        EXPECT_EQ(tiles[i].vTop, 0.0f);
        EXPECT_EQ(tiles[i].vBottom, 1.0f);
        left += tiles[i].size;
        u += 0.25f;
    }
    EXPECT_FLOAT_EQ(left, 545.0f);
    EXPECT_EQ(scene.GetTitle()->GetBlendMode(), 1u);

    EXPECT_STREQ(scene.GetSnowman()->GetMeshFileName(), "gfx\\snowman.x");
    EXPECT_NE(scene.GetMoveSound(), nullptr);
    EXPECT_NE(scene.GetSelectSound(), nullptr);
    EXPECT_EQ(scene.GetMoveSound()->dwBufferCount, 2u);
    EXPECT_EQ(scene.GetSelectSound()->dwBufferCount, 1u);

    EXPECT_FALSE(scene.IsActive());
    EXPECT_FALSE(scene.GetBars()->IsActive());
    EXPECT_FALSE(scene.GetTitle()->IsActive());
    EXPECT_FALSE(InProcessList(&scene));
    EXPECT_FALSE(InProcessList(scene.GetSnowman()));
    EXPECT_EQ(scene.GetSensitivity(), 1u);
    EXPECT_EQ(scene.GetKeySet(), 0u);
}

TEST_F(FrontEndTest, ActivateShowsTheMainScreenWithTheHiscoreAndCredits) {
    camera.SetPosition(50.0f, 22.0f, -10.0f);
    host.hiscore = 4294967295u;  // the largest the hiscore file can hold
    scene.Activate();

    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(camera.GetMatrix()->m[r][c], r == c ? 1.0f : 0.0f);
    EXPECT_TRUE(InProcessList(&scene));
    EXPECT_TRUE(InWorldList(&scene));
    EXPECT_TRUE(InProcessList(scene.GetSnowman()));
    EXPECT_TRUE(InWorldList(scene.GetSnowman()));
    EXPECT_TRUE(InOverlayList(scene.GetTitle()));
    EXPECT_TRUE(InOverlayList(scene.GetBars()));
    EXPECT_TRUE(host.snow.IsActive());

    // The snowman stands turned half round about z, at (30, 10, 90).
    const Matrix* m = scene.GetSnowman()->GetMatrix();
    EXPECT_NEAR(m->m[0][0], -1.0f, 1e-6f);
    EXPECT_NEAR(m->m[1][1], -1.0f, 1e-6f);
    EXPECT_EQ(m->m[2][2], 1.0f);
    EXPECT_EQ(m->m[3][0], 30.0f);
    EXPECT_EQ(m->m[3][1], 10.0f);
    EXPECT_EQ(m->m[3][2], 90.0f);

    ASSERT_EQ(host.texts.GetLineCount(), 3u);
    const TextLine* hiscore = host.texts.GetLine(0);
    EXPECT_STREQ(hiscore->text, "CURRENT HISCORE: 4294967295");
    EXPECT_STREQ(scene.GetHiscoreText(), hiscore->text);
    EXPECT_EQ(hiscore->colour, 0xFFC8C8C8u);
    for (uint32_t i = 1; i <= 2; ++i) {
        EXPECT_EQ(host.texts.GetLine(i)->colour, 0xFF646464u);
        EXPECT_GT(std::strlen(host.texts.GetLine(i)->text), 0u);
    }
    EXPECT_EQ(scene.GetScreen(), MENU_MAIN);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_START);
}

TEST_F(FrontEndTest, LeavingAndComingBackShowsTheMainScreenAndAFreshHiscore) {
    host.hiscore = 250;
    scene.Activate();
    scene.Activate();  // shown already: listed once, no second set of lines
    EXPECT_TRUE(InProcessList(&scene));
    EXPECT_TRUE(InWorldList(&scene));
    EXPECT_TRUE(InWorldList(scene.GetSnowman()));
    EXPECT_EQ(host.texts.GetLineCount(), 3u);

    scene.SetScreen(MENU_OPTIONS);
    scene.Select();  // leaves the invert toggle on the options screen
    scene.SetScreen(MENU_DIFFICULTY);
    scene.Select();  // EASY: the countdown runs
    EXPECT_TRUE(scene.IsStarting());

    scene.Deactivate();
    EXPECT_FALSE(scene.IsActive());
    EXPECT_FALSE(scene.IsStarting());
    EXPECT_FALSE(InProcessList(&scene));
    EXPECT_EQ(frontend_test::TimesInObjectList(GetRenderer()->GetObjectList(), &scene), 0);
    EXPECT_FALSE(InProcessList(scene.GetSnowman()));
    EXPECT_EQ(frontend_test::TimesInObjectList(GetRenderer()->GetObjectList(), scene.GetSnowman()), 0);
    EXPECT_FALSE(scene.GetTitle()->IsActive());
    EXPECT_FALSE(scene.GetBars()->IsActive());
    EXPECT_FALSE(host.snow.IsActive());
    EXPECT_EQ(host.texts.GetLineCount(), 0u);
    EXPECT_TRUE(host.texts.IsActive());  // the game's overlay stays in the frame loop
    scene.Deactivate();  // a second time changes nothing
    EXPECT_FALSE(InProcessList(&scene));

    host.hiscore = 900;
    scene.Activate();
    EXPECT_EQ(scene.GetScreen(), MENU_MAIN);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_START);
    EXPECT_EQ(scene.GetCameraTarget(), 0.0f);
    ASSERT_EQ(host.texts.GetLineCount(), 3u);
    EXPECT_STREQ(host.texts.GetLine(0)->text, "CURRENT HISCORE: 900");

    // The lines fade in over 2 s of frames.
    Frame(0.0f);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(host.texts.GetLine(i)->colour >> 24, 0u);
    Frames(16, 0.0625f);
    EXPECT_EQ(host.texts.GetLine(0)->colour >> 24, 127u);
    Frames(16, 0.0625f);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(host.texts.GetLine(i)->colour >> 24, 255u);
}

TEST_F(FrontEndTest, TheCameraSlidesToEachScreenAtFortyUnitsASecond) {
    scene.Activate();
    float& x = camera.GetMatrix()->m[3][0];
    Tap(VK_DOWN);
    frontend_test::KeyDown(VK_RETURN);
    Frame();  // the slide comes before the keys: the target moves to 80 after it
    frontend_test::KeyUp(VK_RETURN);
    EXPECT_EQ(scene.GetCameraTarget(), 80.0f);
    EXPECT_EQ(x, 0.0f);
    Frames(31);
    EXPECT_FLOAT_EQ(x, 77.5f);
    Frame();  // 2 s after the slide began
    EXPECT_FLOAT_EQ(x, 80.0f);
    Frames(3);
    EXPECT_FLOAT_EQ(x, 80.0f);

    // Within one step of the target the camera snaps onto it.
    x = 79.0f;
    Frame();
    EXPECT_EQ(x, 80.0f);
    x = 82.4f;
    Frame();
    EXPECT_EQ(x, 80.0f);

    // Back to the main menu: the camera slides the other way.
    scene.SetScreen(MENU_OPTIONS);
    Tap(VK_UP);  // wraps round to BACK TO MAIN MENU
    ASSERT_EQ(scene.GetSelected(), FrontEndScene::ITEM_OPTIONS_BACK);
    frontend_test::KeyDown(VK_RETURN);
    Frame();
    frontend_test::KeyUp(VK_RETURN);
    EXPECT_EQ(scene.GetCameraTarget(), 0.0f);
    Frame();
    EXPECT_FLOAT_EQ(x, 77.5f);
    Frames(31);
    EXPECT_FLOAT_EQ(x, 0.0f);
}

TEST_F(FrontEndTest, ShutdownFreesTheSoundsAndLeavesTheFrameLoop) {
    scene.Activate();
    scene.Shutdown();
    EXPECT_FALSE(scene.IsActive());
    EXPECT_EQ(scene.GetMoveSound(), nullptr);
    EXPECT_EQ(scene.GetSelectSound(), nullptr);
    EXPECT_FALSE(InProcessList(&scene));
    EXPECT_FALSE(InProcessList(scene.GetSnowman()));
    EXPECT_EQ(frontend_test::TimesInObjectList(GetRenderer()->GetObjectList(), scene.GetSnowman()), 0);
    EXPECT_FALSE(host.snow.IsActive());
    EXPECT_FALSE(scene.HasDeviceObjects());
    EXPECT_EQ(scene.GetBars()->GetSprites(), nullptr);
    EXPECT_EQ(scene.GetTitle()->GetSprites(), nullptr);
    // The fixture shuts the scene down once more: that second call must be harmless.
}

}  // namespace
