// The title scene's menus: moving the selection, the held-key repeat guard,
// what each item does, the options, the difficulty and the start countdown.
#include <gtest/gtest.h>

#include <cmath>

#include "frontend_test_support.h"

using frontend_test::FrontEndTest;
using frontend_test::KeyDown;
using frontend_test::KeyUp;

namespace {

class FrontEndMenuTest : public FrontEndTest {
protected:
    void SetUp() override {
        FrontEndTest::SetUp();
        scene.Activate();
    }
};

TEST_F(FrontEndMenuTest, UpAndDownWrapAroundTheScreenAndPlayTheMoveSound) {
    ASSERT_NE(scene.GetMoveSound(), nullptr);
    EXPECT_EQ(scene.GetSelected(), 0u);
    Tap(VK_UP);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_QUIT);
    EXPECT_TRUE(Playing(scene.GetMoveSound()));
    Tap(VK_DOWN);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_START);
    Tap(VK_DOWN);
    Tap(VK_DOWN);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_INSTRUCTIONS);

    // On the difficulty screen the selection stays among its four items.
    scene.SetScreen(MENU_DIFFICULTY);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_EASY);
    Tap(VK_UP);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_DIFFICULTY_BACK);
    Tap(VK_DOWN);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_EASY);
}

TEST_F(FrontEndMenuTest, AHeldKeyRepeatsOnlyAfterMoreThanTheGuardTime) {
    KeyDown(VK_DOWN);
    Frame();  // acts at once
    EXPECT_EQ(scene.GetSelected(), 1u);
    const float first = scene.GetLastKeyTime();
    EXPECT_EQ(first, g_fTotalTime);
    Frames(4);  // 0.25 s since the move
    EXPECT_EQ(scene.GetSelected(), 1u);
    Frame();  // 0.3125 s
    EXPECT_EQ(scene.GetSelected(), 2u);
    Frames(4);
    EXPECT_EQ(scene.GetSelected(), 2u);
    Frame();
    EXPECT_EQ(scene.GetSelected(), 3u);

    // Up held while Down is also down: Up is looked at first, and its own guard holds.
    KeyDown(VK_UP);
    Frame();
    EXPECT_EQ(scene.GetSelected(), 3u);

    // Letting every menu key go clears the guard: the next press acts at once.
    KeyUp(VK_UP);
    KeyUp(VK_DOWN);
    Frame();
    EXPECT_EQ(scene.GetLastKeyTime(), 0.0f);
    KeyDown(VK_UP);
    Frame();
    EXPECT_EQ(scene.GetSelected(), 2u);
    KeyUp(VK_UP);

    // Switching from one held key to another without a gap waits for the guard.
    KeyDown(VK_DOWN);
    Frame();
    EXPECT_EQ(scene.GetSelected(), 2u);
}

TEST_F(FrontEndMenuTest, EnterHeldOnStartGameChoosesEasyOnceTheGuardHasPassed) {
    KeyDown(VK_RETURN);
    Frame();
    EXPECT_EQ(scene.GetScreen(), MENU_DIFFICULTY);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_EASY);
    EXPECT_EQ(scene.GetCameraTarget(), -60.0f);
    EXPECT_TRUE(Playing(scene.GetSelectSound()));
    Frames(4);
    EXPECT_FALSE(scene.IsStarting());
    Frame();
    EXPECT_TRUE(scene.IsStarting());
    EXPECT_EQ(scene.GetScreen(), MENU_LOADING);
    ASSERT_EQ(host.difficulties.size(), 1u);
    EXPECT_EQ(host.difficulties[0], 0u);
}

TEST_F(FrontEndMenuTest, HardShowsLoadingUnpulsedAndStartsWhenTheCountdownRunsOut) {
    Tap(VK_RETURN);
    Choose(FrontEndScene::ITEM_HARD);
    ASSERT_EQ(host.difficulties.size(), 1u);
    EXPECT_EQ(host.difficulties[0], 2u);
    EXPECT_EQ(scene.GetScreen(), MENU_LOADING);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_LOADING);
    EXPECT_EQ(scene.GetItemColour(FrontEndScene::ITEM_LOADING), 0xFFFFFFFFu);
    // Tap's release frame already counted 0.0625 s of the half second.
    EXPECT_FLOAT_EQ(scene.GetStartCountdown(), 0.4375f);

    // Keys pressed meanwhile do nothing.
    KeyDown(VK_UP);
    KeyDown(VK_RETURN);
    Frames(5);  // 0.375 s in all
    EXPECT_EQ(host.startGameCalls, 0);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_LOADING);
    EXPECT_EQ(host.difficulties.size(), 1u);
    Frame();  // 0.4375 s
    EXPECT_EQ(host.startGameCalls, 0);
    Frame();  // 0.5 s: the countdown is at 0
    EXPECT_EQ(host.startGameCalls, 1);
    // A game that leaves the menu up is not started a second time.
    Frames(3);
    EXPECT_EQ(host.startGameCalls, 1);
}

TEST_F(FrontEndMenuTest, OptionsToggleInvertCycleSensitivityAndRebindTheMovementKeys) {
    Choose(FrontEndScene::ITEM_OPTIONS);
    EXPECT_EQ(scene.GetScreen(), MENU_OPTIONS);
    EXPECT_EQ(scene.GetCameraTarget(), 80.0f);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_INVERT_MOUSE);

    EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_INVERT_MOUSE), "ON");
    Silence(scene.GetMoveSound());
    Tap(VK_RETURN);
    EXPECT_FALSE(host.player.IsMouseInverted());
    EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_INVERT_MOUSE), "OFF");
    EXPECT_TRUE(Playing(scene.GetMoveSound()));
    Tap(VK_RETURN);
    EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_INVERT_MOUSE), "ON");

    Tap(VK_DOWN);
    const char* shown[] = {"HIGH", "LOW", "MEDIUM"};
    const float speed[] = {0.02f, 0.005f, 0.01f};
    EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_SENSITIVITY), "MEDIUM");
    for (int i = 0; i < 3; ++i) {
        Tap(VK_RETURN);
        EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_SENSITIVITY), shown[i]);
        EXPECT_EQ(host.player.GetMouseSensitivity(), speed[i]);
    }

    Tap(VK_DOWN);
    PCSystem* pc = GetPCSystem();
    EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_KEY_CONFIG), "W,S,A,D");
    Tap(VK_RETURN);
    EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_KEY_CONFIG), "CURSOR KEYS");
    EXPECT_EQ(pc->GetActionKey(ACTION_LEFT), VK_LEFT);
    EXPECT_EQ(pc->GetActionKey(ACTION_RIGHT), VK_RIGHT);
    EXPECT_EQ(pc->GetActionKey(ACTION_FORWARD), VK_UP);
    EXPECT_EQ(pc->GetActionKey(ACTION_BACK), VK_DOWN);
    // The rebinding reaches the keys the game polls.
    KeyDown(VK_LEFT);
    EXPECT_TRUE(pc->IsActionDown(ACTION_LEFT));
    KeyUp(VK_LEFT);
    Tap(VK_RETURN);
    EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_KEY_CONFIG), "W,S,A,D");
    EXPECT_EQ(pc->GetActionKey(ACTION_LEFT), 'A');
    EXPECT_EQ(pc->GetActionKey(ACTION_RIGHT), 'D');
    EXPECT_EQ(pc->GetActionKey(ACTION_FORWARD), 'W');
    EXPECT_EQ(pc->GetActionKey(ACTION_BACK), 'S');

    // Items without a value column show none.
    EXPECT_EQ(scene.GetOptionText(FrontEndScene::ITEM_OPTIONS_BACK), nullptr);
    EXPECT_EQ(scene.GetOptionText(FrontEndScene::ITEM_START), nullptr);

    Tap(VK_DOWN);
    Tap(VK_RETURN);
    EXPECT_EQ(scene.GetScreen(), MENU_MAIN);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_START);
    EXPECT_EQ(scene.GetCameraTarget(), 0.0f);

    // The options keep their values while the menu is left and shown again.
    scene.Deactivate();
    scene.Activate();
    EXPECT_EQ(scene.GetSensitivity(), 1u);
    EXPECT_EQ(scene.GetKeySet(), 0u);
}

TEST_F(FrontEndMenuTest, InstructionsKeepTheBackItemSelectedWhateverTheKeys) {
    Choose(FrontEndScene::ITEM_INSTRUCTIONS);
    EXPECT_EQ(scene.GetScreen(), MENU_INSTRUCTIONS);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_INSTRUCTIONS_BACK);
    EXPECT_EQ(scene.GetCameraTarget(), -60.0f);
    Silence(scene.GetMoveSound());
    Tap(VK_UP);
    EXPECT_TRUE(Playing(scene.GetMoveSound()));
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_INSTRUCTIONS_BACK);
    Tap(VK_DOWN);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_INSTRUCTIONS_BACK);
    Tap(VK_RETURN);
    EXPECT_EQ(scene.GetScreen(), MENU_MAIN);
    EXPECT_EQ(scene.GetSelected(), FrontEndScene::ITEM_START);
}

TEST_F(FrontEndMenuTest, QuitAsksTheGameToQuit) {
    Choose(FrontEndScene::ITEM_QUIT);
    EXPECT_EQ(host.quitCalls, 1);
    EXPECT_EQ(host.startGameCalls, 0);
}

TEST_F(FrontEndMenuTest, TheSelectedItemPulsesInRed) {
    const float quarterTurn = 3.14159265f / 8.0f;  // sin(4 t) = 1
    struct { float t; uint32_t colour; } cases[] = {
        {0.0f, 0xFFC03030u},                 // n 128, m 192
        {quarterTurn, 0xFFFF3F3Fu},          // n 256 limited to 255, m 255
        {3.0f * quarterTurn, 0xFF802020u},   // n 0, m 128
    };
    for (const auto& c : cases) {
        g_fTotalTime = c.t;
        scene.UpdatePulseColour();
        EXPECT_EQ(scene.GetPulseColour(), c.colour) << c.t;
        EXPECT_EQ(scene.GetItemColour(FrontEndScene::ITEM_START), c.colour);
        EXPECT_EQ(scene.GetItemColour(FrontEndScene::ITEM_QUIT), 0xFFFFFFFFu);
    }
    scene.SetScreen(MENU_OPTIONS);
    EXPECT_EQ(scene.GetItemColour(FrontEndScene::ITEM_OPTIONS_BACK), 0xFFFFFF00u);
}

TEST_F(FrontEndMenuTest, TheScreensSplitTheTableAndTheInstructionsFollowTheirGrid) {
    const uint32_t counts[MENU_SCREEN_COUNT] = {4, 4, 1, 10, 4};
    uint32_t next = 0;
    for (uint32_t s = 0; s < MENU_SCREEN_COUNT; ++s) {
        EXPECT_EQ(FrontEndScene::GetMenuScreen(s).first, next);
        EXPECT_EQ(FrontEndScene::GetMenuScreen(s).count, counts[s]);
        next += counts[s];
    }
    EXPECT_EQ(next, uint32_t(FrontEndScene::MENU_ITEM_COUNT));
    // The instruction rows lie on their grid, y = 20 k + 50.
    const float k[10] = {4.0f, 5.2f, 6.2f, 7.2f, 8.2f, 9.4f, 10.4f, 11.6f, 12.6f, 14.6f};
    for (uint32_t i = 0; i < 10; ++i) EXPECT_NEAR(FrontEndScene::GetMenuItem(9 + i).y, 20.0f * k[i] + 50.0f, 1e-3f);
}

TEST(FrontEndWithoutGame, MenuItemsThatCallTheGameDoNothingWithoutOne) {
    FrontEndScene scene;
    g_fTotalTime = 10.0f;
    scene.SetScreen(MENU_MAIN);
    scene.SetScreen(99);  // no such screen: back to the main one
    EXPECT_EQ(scene.GetScreen(), MENU_MAIN);
    scene.Select();       // START GAME
    EXPECT_EQ(scene.GetScreen(), MENU_DIFFICULTY);
    scene.Select();       // EASY
    EXPECT_TRUE(scene.IsStarting());
    scene.Update(1.0f);
    EXPECT_FALSE(scene.IsStarting());
    scene.SetScreen(MENU_OPTIONS);
    scene.Select();       // INVERT MOUSE Y
    EXPECT_STREQ(scene.GetOptionText(FrontEndScene::ITEM_INVERT_MOUSE), "OFF");
}

}  // namespace
