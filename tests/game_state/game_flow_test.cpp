// The game's states and their timings: start-up into the menu, level complete
// with the world frozen and the counted bonus, a track per level, game over on
// time and health at once, Escape, the level keys and the editor key.
#include <gtest/gtest.h>

#include <vector>

#include "HUD.h"
#include "Level.h"
#include "Player.h"
#include "engine_lists.h"
#include "game_state_support.h"
#include "gameengine.h"
#include "music.h"
#include "pcsystem.h"

using game_state_test::Frozen;
using game_state_test::GameTest;

namespace {

IDirectMusicPerformance8* g_performance = nullptr;
// Hands out the real performance and keeps its address, so that a test can ask what plays.
HRESULT KeepPerformance(REFIID, LPVOID* out) {
    QuilRegisterDirectMusicClasses();
    const HRESULT hr = CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC,
                                        IID_IDirectMusicPerformance8, out);
    g_performance = static_cast<IDirectMusicPerformance8*>(*out);
    return hr;
}

const char* LineText(Game* game, uint32_t i) {
    const TextLine* line = game->GetTextOverlay()->GetLine(i);
    return line ? line->text : "";
}

TEST_F(GameTest, LevelCompleteFreezesPlayCountsTheBonusUpAndGoesToTheNextLevel) {
    StartUp();
    IntoPlay();
    while (game->GetPlayer()->GetHealth() > 20) game->PlayerTakeHit();
    Frames(2);
    const Sound* heartbeat = game->GetPlayer()->GetHeartbeatSound();
    ASSERT_TRUE(quiltest::Playing(heartbeat));
    EXPECT_FALSE(Frozen(game->GetSnowStorm()));
    Level* level = GetLevel();
    level->SetRoomPointCount(1);  // only the tree: cannot be completed
    game->PresentDelivered();
    EXPECT_EQ(game->GetState(), GAMESTATE_PLAY);
    level->SetRoomPointCount(3);  // the tree and two present spots
    game->PresentDelivered();
    EXPECT_EQ(game->GetState(), GAMESTATE_LEVEL_COMPLETE);
    EXPECT_EQ(game->GetPlayer()->GetScore(), 500u);

    Frames();  // entry: the world and the snow freeze, the heartbeat stops
    EXPECT_TRUE(Frozen(level));
    EXPECT_TRUE(Frozen(game->GetSnowStorm()));
    EXPECT_FALSE(quiltest::Playing(heartbeat));
    level->SetTimeLeft(12.34f);
    EXPECT_STREQ(LineText(game, game->GetBonusLine()), "BONUS SCORE: 0");
    EXPECT_EQ(Game::LevelBonus(-0.01f, 0.0f), 0u);  // time ran out on the delivering frame
    // The bonus counts up over the first half of the 3 s and then holds.
    Frames(13);
    EXPECT_STREQ(LineText(game, game->GetBonusLine()), "BONUS SCORE: 61");
    Frames(12);
    EXPECT_STREQ(LineText(game, game->GetBonusLine()), "BONUS SCORE: 123");
    Frames(23);  // timer now at 0
    EXPECT_EQ(game->GetState(), GAMESTATE_LEVEL_COMPLETE);
    EXPECT_EQ(level->GetTimeLeft(), 12.34f);  // frozen throughout
    Frames();
    EXPECT_EQ(game->GetState(), GAMESTATE_GET_READY);
    EXPECT_EQ(game->GetPlayer()->GetScore(), 500u + 123u);
    EXPECT_EQ(game->GetDelivered(), 0u);
    Frames();
    EXPECT_STREQ(LineText(game, 0), "LEVEL 2 - GET READY");
}

TEST_F(GameTest, EachLevelStartsTheNextOfTheThreeTracks) {
    QuilRegisterClass(CLSID_DirectMusicPerformance, &KeepPerformance);
    GetMusicManager()->Init();
    StartUp();
    ASSERT_NE(g_performance, nullptr);
    const auto playing = [this] {
        int track = -1;
        for (uint32_t k = 0; k < 3; ++k)
            if (game->GetMusic(k) && g_performance->IsPlaying(game->GetMusic(k)->pSegment, nullptr) == S_OK) track = int(k);
        return track;
    };
    std::vector<int> tracks;
    IntoPlay();
    for (int level = 0; level < 4; ++level) {
        tracks.push_back(playing());
        GetLevel()->SetRoomPointCount(2);
        game->PresentDelivered();
        Frames(50);  // level complete: the music stops
        EXPECT_EQ(playing(), -1);
        Frames(66);  // get ready, then play
    }
    EXPECT_EQ(tracks, (std::vector<int>{1, 2, 0, 1}));
    ShutDown();
    GetMusicManager()->Shutdown();
}

TEST_F(GameTest, NoHealthAndNoTimeOnOneFrameEnterGameOverOnce) {
    StartUp();
    IntoPlay();
    GetLevel()->SetTimeLeft(0.0f);
    for (int i = 0; i < 60 && game->GetPlayer()->GetHealth() > 0; ++i) game->PlayerTakeHit();
    ASSERT_EQ(game->GetPlayer()->GetHealth(), 0u);
    Frames(2);
    EXPECT_EQ(game->GetState(), GAMESTATE_GAME_OVER);
    EXPECT_EQ(game->GetTextOverlay()->GetLineCount(), 1u);
    Frames(65);
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
}

TEST_F(GameTest, StartUpEntersTheMenuAndEscapeInPlayReturnsThereAndOnlyAFreshPressQuits) {
    PCSystem* pc = GetPCSystem();
    pc->SetActionKey(ACTION_LEFT, VK_LEFT);
    StartUp();
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
    EXPECT_EQ(pc->GetActionKey(ACTION_LEFT), 'A');  // the WASD keys again
    EXPECT_TRUE(game->GetFrontEnd()->IsActive());
    EXPECT_STREQ(LineText(game, 0), "CURRENT HISCORE: 0");
    IntoPlay();
    KeyDown(VK_ESCAPE);
    Frames();
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
    Frames(5);  // still held: no quit
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
    KeyUp(VK_ESCAPE);
    Frames();
    KeyDown(VK_ESCAPE);
    Frames();
    EXPECT_EQ(game->GetState(), GAMESTATE_IDLE);
    EXPECT_FALSE(game->GetFrontEnd()->IsActive());
    KeyUp(VK_ESCAPE);
}

TEST_F(GameTest, LevelKeysChangeTheLevelInPlayWithAHalfSecondGuard) {
    StartUp();
    IntoPlay();
    Tap(VK_F6);  // on level 0: nothing
    Frames(10);
    // F7 and F6 together: F7 wins, and F6 held on waits for more than 0.5 s.
    KeyDown(VK_F7);
    KeyDown(VK_F6);
    Frames();
    EXPECT_EQ(game->GetLevelNumber(), 1u);
    EXPECT_EQ(game->GetState(), GAMESTATE_PLAY);  // no get ready
    KeyUp(VK_F7);
    Frames(8);  // exactly 0.5 s
    EXPECT_EQ(game->GetLevelNumber(), 1u);
    Frames();
    EXPECT_EQ(game->GetLevelNumber(), 0u);
    KeyUp(VK_F6);
    Frames(10);
    // Held F7 steps on every time the guard has passed, wrapping after level 4.
    KeyDown(VK_F7);
    int changes = 0;
    for (int i = 0; i < 45; ++i) {
        const uint32_t last = game->GetLevelNumber();
        Frames();
        if (game->GetLevelNumber() != last) ++changes;
    }
    KeyUp(VK_F7);
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(game->GetLevelNumber(), 0u);
}

TEST_F(GameTest, EditorKeyWorksInTheMenuAndPausesPlayChecks) {
    StartUp();
    Tap(VK_F5);
    EXPECT_TRUE(game->IsEditorOpen());
    EXPECT_EQ(quiltest::TimesInProcessList(GetHUD()), 0);
    Frames(10);
    Tap(VK_F5);
    EXPECT_EQ(quiltest::TimesInProcessList(GetHUD()), 1);  // over the title scene
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);

    // In play the editor stops the end tests; closing it resets time and health.
    Frames(10);
    IntoPlay();
    Tap(VK_F5);
    ASSERT_TRUE(game->IsEditorOpen());
    GetLevel()->SetTimeLeft(0.0f);
    Frames(13);
    EXPECT_EQ(game->GetState(), GAMESTATE_PLAY);
    KeyDown(VK_F5);
    Frames();
    KeyUp(VK_F5);
    EXPECT_FALSE(game->IsEditorOpen());
    EXPECT_EQ(GetLevel()->GetTimeLeft(), 200.0f);
    EXPECT_EQ(game->GetPlayer()->GetHealth(), 100u);
    // Escape still ends the game with the editor open.
    Frames(10);
    Tap(VK_F5);
    ASSERT_TRUE(game->IsEditorOpen());
    Tap(VK_ESCAPE);
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
}

}  // namespace
