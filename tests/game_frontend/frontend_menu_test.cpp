// The title scene's menus: moving the selection, what each item does and the options.
#include <gtest/gtest.h>

#include "assets.h"
#include "frontend_test_support.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "quil_audio_output.h"
#include "quil_automation.h"
#include "sound.h"

using frontend_test::RecordingHost;
using frontend_test::ReleaseKeys;
using frontend_test::StartScene;
using frontend_test::StopScene;
using quiltest::KeyDown;
using quiltest::KeyUp;
using quiltest::Playing;

namespace {

// The title scene active over a recording game, in a folder with the menu sounds.
class FrontEndMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        quil_automation::SetHeadless(true);
        ASSERT_TRUE(scratch.Made());
        mkassets::WriteSounds(scratch.Path());
        quil_audio::UseMemoryOutput(true);
        ASSERT_EQ(GetSoundManager()->Init(), 0u);
        m_pOldCamera = g_pCurrentCamera;
        g_pCurrentCamera = &camera;
        g_fTotalTime = 10.0f;
        ReleaseKeys();
        StartScene(host, scene);
        scene.Activate();
    }
    void TearDown() override {
        ReleaseKeys();
        StopScene(host, scene);
        g_pCurrentCamera = m_pOldCamera;
        GetSoundManager()->Shutdown();
        quil_audio::UseMemoryOutput(false);
    }

    // A key pressed for one engine frame and let go in the next.
    void Tap(int vk) {
        KeyDown(vk);
        GetGameEngine()->Update(0.0625f);
        KeyUp(vk);
        GetGameEngine()->Update(0.0625f);
    }
    // Moves the selection down to item (on the current screen), then presses Enter.
    void Choose(uint32_t item) {
        for (int guard = 0; scene.GetSelected() != item && guard < 30; ++guard) Tap(VK_DOWN);
        ASSERT_EQ(scene.GetSelected(), item);
        Tap(VK_RETURN);
    }

    quiltest::ScratchFolder scratch{"frontend", false};
    Camera camera;
    RecordingHost host;
    FrontEndScene scene;
    Camera* m_pOldCamera = nullptr;
};


TEST_F(FrontEndMenuTest, UpAndDownWrapAroundTheScreenAndPlayTheMoveSound) {
    Tap(VK_UP);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_QUIT);
    EXPECT_TRUE(Playing(scene.GetMoveSound()));
    Tap(VK_DOWN);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_START);
    // On the difficulty screen the selection stays among its four items.
    scene.SetScreen(MENU_DIFFICULTY);
    Tap(VK_UP);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_DIFFICULTY_BACK);
    Tap(VK_DOWN);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_EASY);
    // The instructions screen has only its back item.
    scene.SetScreen(MENU_INSTRUCTIONS);
    Tap(VK_UP);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_INSTRUCTIONS_BACK);
    Tap(VK_RETURN);
    EXPECT_EQ(scene.GetScreen(), MENU_MAIN);
    Choose(FrontEndScene::ITEM_QUIT);
    EXPECT_EQ(host.quitCalls, 1);
    EXPECT_EQ(host.startGameCalls, 0);
}

TEST_F(FrontEndMenuTest, OptionsToggleInvertCycleSensitivityAndRebindTheMovementKeys) {
    Choose(FrontEndScene::ITEM_OPTIONS);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_INVERT_MOUSE);
    Tap(VK_RETURN);
    EXPECT_FALSE(host.player.IsMouseInverted());
    EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_INVERT_MOUSE), "OFF");

    Tap(VK_DOWN);
    const char* shown[] = {"HIGH", "LOW", "MEDIUM"};
    const float speed[] = {0.02f, 0.005f, 0.01f};
    for (int i = 0; i < 3; ++i) {
        Tap(VK_RETURN);
        EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_SENSITIVITY), shown[i]);
        EXPECT_EQ(host.player.GetMouseSensitivity(), speed[i]);
    }

    // The key set goes to the arrows and back, and reaches the keys the game polls.
    Tap(VK_DOWN);
    PCSystem* pc = GetPCSystem();
    const ActionSlot slots[] = {ACTION_LEFT, ACTION_RIGHT, ACTION_FORWARD, ACTION_BACK};
    const int arrows[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}, letters[] = {'A', 'D', 'W', 'S'};
    for (const int* keys : {arrows, letters}) {
        Tap(VK_RETURN);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(pc->GetActionKey(slots[i]), keys[i]) << i;
    }
    EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_KEY_CONFIG), "W,S,A,D");
    Tap(VK_RETURN);
    KeyDown(VK_LEFT);
    EXPECT_TRUE(pc->IsActionDown(ACTION_LEFT));
    KeyUp(VK_LEFT);
    Tap(VK_RETURN);

    Tap(VK_DOWN);
    Tap(VK_RETURN);
    EXPECT_EQ(scene.GetScreen(), MENU_MAIN);
    // The options keep their values while the menu is left and shown again.
    scene.Deactivate();
    scene.Activate();
    EXPECT_EQ(scene.GetSensitivity(), 1u);
    EXPECT_EQ(scene.GetKeySet(), 0u);
}

}  // namespace
