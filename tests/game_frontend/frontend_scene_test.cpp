// The title scene's life: what Init builds, what showing and taking away the
// scene does to the frame loop, the snow, the snowman and the screen texts,
// and the camera sliding between the menus.
#include <gtest/gtest.h>

#include "frontend_test_support.h"

using frontend_test::FrontEndTest;
using frontend_test::InOverlays;
using frontend_test::InProcesses;
using frontend_test::InWorld;

namespace {

TEST_F(FrontEndTest, LeavingAndComingBackShowsTheMainScreenAndAFreshHiscore) {
    host.hiscore = 250;
    scene.Activate();
    scene.SetScreen(MENU_DIFFICULTY);
    scene.Select();  // EASY: the countdown runs
    EXPECT_TRUE(scene.IsStarting());

    scene.Deactivate();
    scene.Deactivate();  // a second time changes nothing
    EXPECT_FALSE(scene.IsStarting());
    EXPECT_EQ(InProcesses(&scene), 0);
    EXPECT_EQ(InWorld(&scene), 0);
    EXPECT_EQ(InProcesses(scene.GetSnowman()), 0);
    EXPECT_EQ(InWorld(scene.GetSnowman()), 0);
    EXPECT_FALSE(scene.GetTitle()->IsActive());
    EXPECT_FALSE(host.snow.IsActive());
    EXPECT_EQ(host.texts.GetLineCount(), 0u);
    EXPECT_TRUE(host.texts.IsActive());  // the game's overlay stays in the frame loop

    host.hiscore = 900;
    scene.Activate();
    EXPECT_EQ(scene.GetScreen(), MENU_MAIN);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_START);
    EXPECT_EQ(scene.GetCameraTarget(), 0.0f);
    ASSERT_EQ(host.texts.GetLineCount(), 3u);
    EXPECT_STREQ(host.texts.GetLine(0)->text, "CURRENT HISCORE: 900");
    // The lines fade in over 2 s of frames.
    Frames(1, 0.0f);
    EXPECT_EQ(host.texts.GetLine(0)->colour >> 24, 0u);
    Frames(32);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(host.texts.GetLine(i)->colour >> 24, 255u);
}

TEST_F(FrontEndTest, TheCameraSlidesToEachScreenAtFortyUnitsASecond) {
    scene.Activate();
    float& x = camera.GetMatrix()->m[3][0];
    Tap(VK_DOWN);
    frontend_test::KeyDown(VK_RETURN);
    Frames();  // the slide comes before the keys: the target moves to 80 after it
    frontend_test::KeyUp(VK_RETURN);
    EXPECT_EQ(scene.GetCameraTarget(), 80.0f);
    EXPECT_EQ(x, 0.0f);
    Frames(31);
    EXPECT_FLOAT_EQ(x, 77.5f);
    Frames(4);  // 2 s after the slide began it stays on the target
    EXPECT_FLOAT_EQ(x, 80.0f);
    // Within one step of the target the camera snaps onto it.
    for (float near : {79.0f, 82.4f}) {
        x = near;
        Frames();
        EXPECT_EQ(x, 80.0f);
    }
    // Back to the main menu: the camera slides the other way.
    scene.SetScreen(MENU_OPTIONS);
    Choose(FrontEndScene::ITEM_OPTIONS_BACK);
    EXPECT_EQ(scene.GetCameraTarget(), 0.0f);
    Frames(32);
    EXPECT_FLOAT_EQ(x, 0.0f);
}

}  // namespace
