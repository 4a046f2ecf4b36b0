// The hiscore file: its byte layout, reading at start-up (missing, short and
// long files), writing at shut-down, and a better score reaching it only
// through the end of a game and a normal shut-down.
#include <gtest/gtest.h>

#include "Player.h"
#include "game.h"
#include "game_state_support.h"
#include "quil_automation.h"
#include "windows.h"

using game_state_test::GameTest;
using game_state_test::ReadBytes;
using game_state_test::WriteBytes;

namespace {

const std::vector<uint8_t> kStored = {0x01, 0x00, 0x00, 0x00, 0x78, 0x56, 0x34, 0x12};

TEST(HiscoreRecord, IsTwoLittleEndianWordsAndShortRecordsAreRefused) {
    uint8_t bytes[Game::HISCORE_FILE_SIZE];
    Game::EncodeHiscore(0x12345678u, bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 8), kStored);

    uint32_t hiscore = 99;
    EXPECT_TRUE(Game::DecodeHiscore(kStored.data(), 8, &hiscore));
    EXPECT_EQ(hiscore, 0x12345678u);
    // The first word is not examined.
    const uint8_t other[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(Game::DecodeHiscore(other, 8, &hiscore));
    EXPECT_EQ(hiscore, 0xFFFFFFFFu);

    hiscore = 7;
    EXPECT_FALSE(Game::DecodeHiscore(kStored.data(), 7, &hiscore));
    EXPECT_FALSE(Game::DecodeHiscore(kStored.data(), 0, &hiscore));
    EXPECT_FALSE(Game::DecodeHiscore(nullptr, 8, &hiscore));
    EXPECT_EQ(hiscore, 7u);
}

TEST_F(GameTest, StoredHiscoreIsReadAtStartUpAndWrittenBackAtShutDown) {
    StartUp(&kStored);
    EXPECT_EQ(game->GetHiscore(), 0x12345678u);
    ShutDown();
    EXPECT_EQ(ReadBytes(Game::HiscoreFile), kStored);
}

TEST_F(GameTest, MissingShortOrEmptyFileMeansNoHiscoreAndIsReplacedByAGoodOne) {
    const std::vector<uint8_t> zero = {1, 0, 0, 0, 0, 0, 0, 0};
    // Missing.
    StartUp();
    EXPECT_EQ(game->GetHiscore(), 0u);
    ShutDown();
    EXPECT_EQ(ReadBytes(Game::HiscoreFile), zero);

    // Seven bytes, and an empty file: treated as absent, no error shown.
    for (const std::vector<uint8_t>& damaged : {std::vector<uint8_t>(kStored.begin(), kStored.end() - 1),
                                                std::vector<uint8_t>()}) {
        StartUp(&damaged);
        EXPECT_EQ(game->GetHiscore(), 0u) << damaged.size();
        ShutDown();
        EXPECT_EQ(ReadBytes(Game::HiscoreFile), zero) << damaged.size();
    }

    // A longer file: the word at offset 4 counts, the rest is dropped.
    std::vector<uint8_t> longer = kStored;
    longer.insert(longer.end(), {9, 9, 9, 9});
    StartUp(&longer);
    EXPECT_EQ(game->GetHiscore(), 0x12345678u);
    ShutDown();
    EXPECT_EQ(ReadBytes(Game::HiscoreFile), kStored);
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
}

TEST_F(GameTest, ShutDownOfAGameThatNeverStartedLeavesTheStoredHiscore) {
    WriteBytes(Game::HiscoreFile, kStored);
    Game unstarted;
    unstarted.Shutdown();
    EXPECT_EQ(ReadBytes(Game::HiscoreFile), kStored);
}

TEST_F(GameTest, OnlyAStrictlyBetterFinishedGameRaisesTheHiscore) {
    const std::vector<uint8_t> stored = {1, 0, 0, 0, 0xF4, 0x01, 0, 0};  // 500
    StartUp(&stored);
    ASSERT_EQ(game->GetHiscore(), 500u);

    // 500 equals the hiscore: no change.
    IntoPlay();
    game->AddScore(500);
    ASSERT_EQ(game->GetPlayer()->GetScore(), 500u);
    Tap(VK_ESCAPE);
    ASSERT_EQ(game->GetState(), GAMESTATE_MENU);
    EXPECT_EQ(game->GetHiscore(), 500u);

    // 750 beats it, but reaches the file only at shut-down.
    IntoPlay();
    EXPECT_EQ(game->GetPlayer()->GetScore(), 0u);  // a new game starts from 0
    game->AddScore(750);
    EXPECT_EQ(game->GetHiscore(), 500u);  // not before the game ends
    Tap(VK_ESCAPE);
    EXPECT_EQ(game->GetHiscore(), 750u);
    EXPECT_EQ(ReadBytes(Game::HiscoreFile), stored);
    // The menu shows the new hiscore.
    EXPECT_STREQ(game->GetFrontEnd()->GetHiscoreText(), "CURRENT HISCORE: 750");

    ShutDown();
    EXPECT_EQ(ReadBytes(Game::HiscoreFile), (std::vector<uint8_t>{1, 0, 0, 0, 0xEE, 0x02, 0, 0}));
    StartUp();
    EXPECT_EQ(game->GetHiscore(), 750u);
}

}  // namespace
