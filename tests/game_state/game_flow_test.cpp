// The game's states and their timings: start-up into the menu, the process
// order of a started game, get ready with the world frozen, play with its level
// keys, level complete with the counted bonus, game over on time or health,
// Escape in play and in the menu, the editor key and the difficulty settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

#include "Bullets.h"
#include "Ceil.h"
#include "Floor.h"
#include "Walls.h"
#include "sound.h"
#include "Editor.h"
#include "EnemyManager.h"
#include "Goblin.h"
#include "GoblinManager.h"
#include "HUD.h"
#include "Level.h"
#include "LevelRenderer.h"
#include "Pickups.h"
#include "Player.h"
#include "game.h"
#include "game_state_support.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "windows.h"

using game_state_test::Frozen;
using game_state_test::GameTest;
using game_state_test::ProcessIndex;

namespace {

// The goblin manager as a process, when it is one.
template <typename M>
const Process* AsProcess(M* m) {
    if constexpr (std::is_base_of<Process, M>::value) return m;
    else return nullptr;
}

const char* LineText(Game* game, uint32_t i) {
    const TextLine* line = game->GetTextOverlay()->GetLine(i);
    return line ? line->text : "";
}

TEST(GameRules, TheBonusCountsUpOverHalfTheStateAndHolds) {
    // 12.34 s left: 0 at the entry, half way after 0.75 s, 123 from 1.5 s on.
    EXPECT_EQ(Game::LevelBonus(12.34f, 3.0f), 0u);
    EXPECT_EQ(Game::LevelBonus(12.34f, 2.25f), 61u);
    EXPECT_EQ(Game::LevelBonus(12.34f, 1.5f), 123u);
    EXPECT_EQ(Game::LevelBonus(12.34f, 0.0f), 123u);
    EXPECT_EQ(Game::LevelBonus(12.34f, -0.0625f), 123u);
    EXPECT_EQ(Game::LevelBonus(0.0f, 0.0f), 0u);
}

TEST_F(GameTest, StartUpEntersTheMenuWithTheTitleAndTheWasdKeys) {
    PCSystem* pc = GetPCSystem();
    pc->SetActionKey(ACTION_LEFT, VK_LEFT);
    StartUp();
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
    EXPECT_EQ(pc->GetActionKey(ACTION_LEFT), 'A');
    EXPECT_EQ(pc->GetActionKey(ACTION_RIGHT), 'D');
    EXPECT_EQ(pc->GetActionKey(ACTION_FORWARD), 'W');
    EXPECT_EQ(pc->GetActionKey(ACTION_BACK), 'S');
    EXPECT_TRUE(game->GetFrontEnd()->IsActive());
    EXPECT_TRUE(game->GetSnowStorm()->IsActive());
    EXPECT_TRUE(game->GetTextOverlay()->IsActive());
    EXPECT_GE(ProcessIndex(game), 0);
    EXPECT_EQ(game->GetJingleOver()->dwBufferCount, 1u);
    // The menu shows the hiscore.
    EXPECT_STREQ(LineText(game, 0), "CURRENT HISCORE: 0");
    Frames(3);
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
}

TEST_F(GameTest, AStartedGameIsWalkedInTheOrderOfItsParts) {
    StartUp();
    game->StartGame();
    EXPECT_EQ(game->GetState(), GAMESTATE_GET_READY);
    EXPECT_EQ(game->GetLevelNumber(), 0u);
    EXPECT_FALSE(game->GetFrontEnd()->IsActive());
    EXPECT_EQ(ProcessIndex(game->GetFrontEnd()), -1);
    EXPECT_EQ(ProcessIndex(game->GetSnowStorm()), -1);

    Level* level = GetLevel();
    EnemyManager* enemies = GetEnemyManager();
    ASSERT_GT(enemies->GetCount(), 0u) << "level 0 has walkers";
    Room* room = level->GetRoom(level->GetCurrentRoom());
    ASSERT_NE(room, nullptr);

    // Groups in walk order; the members of one group may come in any order.
    std::vector<std::vector<const Process*>> order = {{GetBullets()->GetSpriteList()}, {GetBullets()}, {GetPickups()}};
    if (const Process* goblins = AsProcess(GetGoblinManager())) order.push_back({goblins});
    order.push_back({game->GetPlayer()});
    order.push_back({level->GetLevelRenderer()});
    order.push_back({level});
    order.push_back({GetHUD()});
    std::vector<const Process*> walkers, surfaces;
    for (uint32_t i = 0; i < enemies->GetCount(); ++i) walkers.push_back(enemies->GetEnemy(i));
    order.push_back(walkers);
    for (const Process* surface : {static_cast<const Process*>(room->pFloor), static_cast<const Process*>(room->pCeil),
                                   static_cast<const Process*>(room->pWalls)})
        if (surface) surfaces.push_back(surface);
    ASSERT_FALSE(surfaces.empty());
    order.push_back(surfaces);
    order.push_back({game});
    order.push_back({game->GetTextOverlay()});

    int previousLast = -1;
    for (size_t g = 0; g < order.size(); ++g) {
        int first = 1 << 30, last = -1;
        for (const Process* p : order[g]) {
            const int at = ProcessIndex(p);
            ASSERT_GE(at, 0) << "group " << g;
            first = std::min(first, at);
            last = std::max(last, at);
        }
        EXPECT_GT(first, previousLast) << "group " << g;
        previousLast = last;
    }
}

TEST_F(GameTest, PlayerAndGoblinsAreReachedThroughTheGame) {
    game->SetDifficulty(DIFFICULTY_MEDIUM);
    StartUp();
    game->StartGame();
    Level* level = GetLevel();
    const uint32_t room = level->GetCurrentRoom();
    const Vec3* at = game->GetPlayerPosition();
    EXPECT_EQ(at, game->GetPlayer()->GetPosition());
    EXPECT_EQ(at->x, level->GetCellX(int(level->GetRoomStartX(room))) + 16.0f);
    EXPECT_EQ(at->z, level->GetCellZ(int(level->GetRoomStartZ(room))));
    EXPECT_EQ(game->GetPlayerHitRadiusSq(), 100.0f);

    // Shots from goblins hurt the player by the difficulty's damage.
    game->PlayerTakeHit();
    EXPECT_EQ(game->GetPlayer()->GetHealth(), 97u);
    game->AddScore(50);
    EXPECT_EQ(game->GetPlayer()->GetScore(), 50u);

    // A spawned goblin is what the bullets see.
    EXPECT_EQ(game->GetGoblinCount(), 0u);
    EXPECT_EQ(game->GetGoblinPosition(0), nullptr);
    GoblinManager* goblins = GetGoblinManager();
    goblins->Spawn();
    ASSERT_EQ(game->GetGoblinCount(), 1u);
    Goblin* goblin = goblins->GetGoblin(0);
    EXPECT_EQ(game->GetGoblinPosition(0), goblin->GetPosition());
    EXPECT_EQ(game->GetGoblinHitRadiusSq(0), 100.0f);
    game->GoblinTakeHit(0);
    EXPECT_EQ(goblin->GetHealth(), 75u);
    game->GoblinTakeHit(7);  // past the live ones: nothing
    EXPECT_EQ(game->GetGoblinPosition(7), nullptr);

    // Freezing reaches the goblin manager; a level load kills every goblin.
    game->FreezeAll(true);
    EXPECT_TRUE(Frozen(goblins));
    game->FreezeAll(false);
    EXPECT_FALSE(Frozen(goblins));
    game->LoadLevel();
    EXPECT_EQ(game->GetGoblinCount(), 0u);
    game->SetDifficulty(DIFFICULTY_EASY);
}

TEST_F(GameTest, GetReadyFreezesTheWorldForFourSecondsThenPlayStarts) {
    game->SetDifficulty(DIFFICULTY_EASY);
    StartUp();
    game->StartGame();
    Level* level = GetLevel();
    EXPECT_EQ(level->GetTimeLeft(), 200.0f);

    Frame();  // entry
    EXPECT_EQ(game->GetStateTimer(), 4.0f);
    for (const Process* p : {static_cast<const Process*>(level), static_cast<const Process*>(game->GetPlayer()),
                             static_cast<const Process*>(GetHUD()), static_cast<const Process*>(GetPickups()),
                             static_cast<const Process*>(GetBullets())})
        EXPECT_TRUE(Frozen(p));
    EXPECT_TRUE(Frozen(GetEnemyManager()->GetEnemy(0)));
    ASSERT_EQ(game->GetTextOverlay()->GetLineCount(), 3u);
    EXPECT_STREQ(LineText(game, 0), "LEVEL 1 - GET READY");
    EXPECT_STREQ(LineText(game, 1), "DELIVER THE PRESENTS TO THE TREE");
    EXPECT_STREQ(LineText(game, 2), "AND TRY NOT TO BE SEEN...");
    const TextLine* title = game->GetTextOverlay()->GetLine(0);
    EXPECT_EQ(title->x, 140.0f);
    EXPECT_EQ(title->y, 200.0f);
    EXPECT_EQ(title->fadeTime, 2.0f);

    // The level ran in the entry frame before the game froze it, then stands still.
    const float frozenTime = level->GetTimeLeft();
    EXPECT_EQ(frozenTime, 200.0f - kDt);
    Frames(64);  // 4 s
    EXPECT_EQ(game->GetState(), GAMESTATE_GET_READY);
    EXPECT_EQ(level->GetTimeLeft(), frozenTime);
    Frame();
    EXPECT_EQ(game->GetState(), GAMESTATE_PLAY);
    EXPECT_FALSE(Frozen(level));
    EXPECT_FALSE(Frozen(game->GetPlayer()));
    EXPECT_FALSE(Frozen(GetEnemyManager()->GetEnemy(0)));
    EXPECT_EQ(game->GetTextOverlay()->GetLineCount(), 0u);
    EXPECT_EQ(game->GetTrack(), 1u);

    Frames(16);
    EXPECT_EQ(game->GetState(), GAMESTATE_PLAY);
    EXPECT_EQ(level->GetTimeLeft(), frozenTime - 1.0f);
}

TEST_F(GameTest, DifficultyChoosesTheLevelTimeAndBadValuesAreIgnored) {
    StartUp();
    game->StartGame();
    const float expected[3] = {200.0f, 150.0f, 100.0f};
    for (uint32_t d = 0; d < 3; ++d) {
        game->SetDifficulty(d);
        EXPECT_EQ(game->GetDifficulty(), d);
        game->LoadLevel();
        EXPECT_EQ(GetLevel()->GetTimeLeft(), expected[d]);
    }
    game->SetDifficulty(3);
    EXPECT_EQ(game->GetDifficulty(), DIFFICULTY_HARD);
    game->NextLevel();
    EXPECT_EQ(game->GetLevelNumber(), 1u);
    EXPECT_EQ(GetLevel()->GetTimeLeft(), 150.0f);
    game->SetDifficulty(DIFFICULTY_EASY);
}

TEST_F(GameTest, LevelCompleteCountsTheBonusUpAndGoesToTheNextLevel) {
    StartUp();
    IntoPlay();
    Level* level = GetLevel();
    // A room with only the tree cannot be completed.
    level->SetRoomPointCount(1);
    game->PresentDelivered();
    EXPECT_EQ(game->GetState(), GAMESTATE_PLAY);
    // The tree and two present spots: the second delivery completes the level.
    level->SetRoomPointCount(3);

    game->PresentDelivered();
    EXPECT_EQ(game->GetState(), GAMESTATE_LEVEL_COMPLETE);
    EXPECT_EQ(game->GetDelivered(), 2u);
    EXPECT_EQ(game->GetPlayer()->GetScore(), 500u);

    Frame();  // entry
    EXPECT_TRUE(Frozen(level));
    level->SetTimeLeft(12.34f);
    EXPECT_EQ(game->GetStateTimer(), 3.0f);
    EXPECT_STREQ(LineText(game, 0), "LEVEL COMPLETE - WELL DONE");
    EXPECT_STREQ(LineText(game, game->GetBonusLine()), "BONUS SCORE: 0");

    Frames(13);  // the bonus of 2.25 s left is shown
    EXPECT_STREQ(LineText(game, game->GetBonusLine()), "BONUS SCORE: 61");
    Frames(12);
    EXPECT_STREQ(LineText(game, game->GetBonusLine()), "BONUS SCORE: 123");
    Frames(23);  // timer now at 0
    EXPECT_EQ(game->GetState(), GAMESTATE_LEVEL_COMPLETE);
    EXPECT_EQ(level->GetTimeLeft(), 12.34f);  // frozen throughout
    Frame();
    EXPECT_EQ(game->GetState(), GAMESTATE_GET_READY);
    EXPECT_EQ(game->GetPlayer()->GetScore(), 500u + 123u);
    EXPECT_EQ(game->GetLevelNumber(), 1u);
    EXPECT_EQ(game->GetDelivered(), 0u);
    Frame();
    EXPECT_STREQ(LineText(game, 0), "LEVEL 2 - GET READY");
}

TEST_F(GameTest, AfterTheLastLevelTheFirstComesAgain) {
    StartUp();
    IntoPlay();
    for (int i = 0; i < 4; ++i) game->NextLevel();
    ASSERT_EQ(game->GetLevelNumber(), 4u);
    GetLevel()->SetRoomPointCount(2);
    game->PresentDelivered();
    Frames(51);
    EXPECT_EQ(game->GetState(), GAMESTATE_GET_READY);
    EXPECT_EQ(game->GetLevelNumber(), 0u);
    Frame();
    EXPECT_STREQ(LineText(game, 0), "LEVEL 1 - GET READY");
}

TEST_F(GameTest, TimeUpEndsTheGameAndReturnsToTheMenuAfterFourSeconds) {
    StartUp();
    IntoPlay();
    game->AddScore(40);
    GetLevel()->SetTimeLeft(0.0f);
    Frame();
    EXPECT_EQ(game->GetState(), GAMESTATE_GAME_OVER);
    Frame();  // entry
    EXPECT_TRUE(Frozen(GetLevel()));
    EXPECT_STREQ(LineText(game, 0), "GAME OVER");
    EXPECT_EQ(game->GetTextOverlay()->GetLine(0)->colour & 0xFFFFFFu, 0xFFFFFFu);
    Frames(64);
    EXPECT_EQ(game->GetState(), GAMESTATE_GAME_OVER);
    Frame();
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
    EXPECT_TRUE(game->GetFrontEnd()->IsActive());
    EXPECT_EQ(ProcessIndex(GetLevel()), -1);
    EXPECT_EQ(ProcessIndex(game->GetPlayer()), -1);
    EXPECT_EQ(ProcessIndex(GetHUD()), -1);
    EXPECT_EQ(ProcessIndex(GetPickups()), -1);
    EXPECT_EQ(ProcessIndex(GetBullets()), -1);
    EXPECT_FALSE(Frozen(GetLevel()));
    EXPECT_EQ(game->GetHiscore(), 40u);
    EXPECT_STREQ(LineText(game, 0), "CURRENT HISCORE: 40");
}

TEST_F(GameTest, NoHealthAndNoTimeOnOneFrameEnterGameOverOnce) {
    StartUp();
    IntoPlay();
    GetLevel()->SetTimeLeft(0.0f);
    for (int i = 0; i < 60 && game->GetPlayer()->GetHealth() > 0; ++i) game->PlayerTakeHit();
    ASSERT_EQ(game->GetPlayer()->GetHealth(), 0u);
    Frame();
    EXPECT_EQ(game->GetState(), GAMESTATE_GAME_OVER);
    Frame();
    EXPECT_EQ(game->GetTextOverlay()->GetLineCount(), 1u);
    Frames(65);
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
}

TEST_F(GameTest, EscapeInPlayGoesToTheMenuAndOnlyAFreshPressQuits) {
    StartUp();
    IntoPlay();
    KeyDown(VK_ESCAPE);
    Frame();
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
    Frames(5);  // still held: no quit
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
    KeyUp(VK_ESCAPE);
    Frame();
    KeyDown(VK_ESCAPE);
    Frame();
    // Quit leaves the menu and asks the engine to close.
    EXPECT_EQ(game->GetState(), GAMESTATE_IDLE);
    EXPECT_FALSE(game->GetFrontEnd()->IsActive());
    KeyUp(VK_ESCAPE);
}

TEST_F(GameTest, LevelKeysChangeTheLevelInPlayWithAHalfSecondGuard) {
    StartUp();
    IntoPlay();
    // F6 on level 0 does nothing.
    Tap(VK_F6);
    EXPECT_EQ(game->GetLevelNumber(), 0u);
    Frames(10);
    // F7 and F6 together: F7 wins, and F6 held on waits for more than 0.5 s.
    KeyDown(VK_F7);
    KeyDown(VK_F6);
    Frame();
    EXPECT_EQ(game->GetLevelNumber(), 1u);
    EXPECT_EQ(game->GetState(), GAMESTATE_PLAY);  // no get ready
    KeyUp(VK_F7);
    Frames(8);  // exactly 0.5 s
    EXPECT_EQ(game->GetLevelNumber(), 1u);
    Frame();
    EXPECT_EQ(game->GetLevelNumber(), 0u);
    KeyUp(VK_F6);
    Frames(10);
    // Held F7 steps on every time the guard has passed, wrapping after level 4.
    KeyDown(VK_F7);
    int changes = 0;
    uint32_t last = game->GetLevelNumber();
    for (int i = 0; i < 45; ++i) {
        Frame();
        if (game->GetLevelNumber() != last) ++changes;
        last = game->GetLevelNumber();
    }
    KeyUp(VK_F7);
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(game->GetLevelNumber(), 0u);
}

TEST_F(GameTest, EditorKeyWorksInTheMenuAndPausesPlayChecks) {
    StartUp();
    Tap(VK_F5);
    EXPECT_TRUE(game->IsEditorOpen());
    EXPECT_TRUE(GetEditor()->IsActive());
    EXPECT_EQ(ProcessIndex(GetHUD()), -1);
    Frames(10);
    Tap(VK_F5);
    EXPECT_FALSE(game->IsEditorOpen());
    EXPECT_FALSE(GetEditor()->IsActive());
    EXPECT_GE(ProcessIndex(GetHUD()), 0);  // over the title scene
    EXPECT_GE(ProcessIndex(game->GetPlayer()), 0);
    EXPECT_EQ(GetLevel()->GetTimeLeft(), 200.0f);
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);

    // In play the editor stops the end tests; Escape still ends the game.
    Frames(10);
    IntoPlay();
    Tap(VK_F5);
    ASSERT_TRUE(game->IsEditorOpen());
    GetLevel()->SetTimeLeft(0.0f);
    Frames(3);
    EXPECT_EQ(game->GetState(), GAMESTATE_PLAY);
    Frames(10);
    KeyDown(VK_F5);
    Frame();
    EXPECT_FALSE(game->IsEditorOpen());
    EXPECT_EQ(GetLevel()->GetTimeLeft(), 200.0f);
    EXPECT_EQ(game->GetPlayer()->GetHealth(), 100u);
    KeyUp(VK_F5);
    Frames(10);
    Tap(VK_F5);
    ASSERT_TRUE(game->IsEditorOpen());
    Tap(VK_ESCAPE);
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
    Frames(10);
    Tap(VK_F5);
    EXPECT_FALSE(game->IsEditorOpen());
}

}  // namespace
