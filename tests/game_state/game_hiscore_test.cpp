// The hiscore file: its byte layout, reading at start-up (missing, short and
// long files) and writing at shut-down; a raised score is the end-to-end game's.
#include <gtest/gtest.h>

#include "game_state_support.h"
#include "quil_automation.h"

using game_state_test::GameTest;
using game_state_test::ReadBytes;
using game_state_test::WriteBytes;

namespace {

const std::vector<uint8_t> kStored = {0x01, 0x00, 0x00, 0x00, 0x78, 0x56, 0x34, 0x12};

TEST_F(GameTest, BadOrMissingFilesMeanNoHiscoreAndGoodOnesAreKept) {
    const std::vector<uint8_t> zero = {1, 0, 0, 0, 0, 0, 0, 0};
    std::vector<uint8_t> longer = kStored;
    longer.insert(longer.end(), {9, 9, 9, 9});
    struct Case { const std::vector<uint8_t>* file; uint32_t hiscore; std::vector<uint8_t> written; };
    const std::vector<uint8_t> seven(kStored.begin(), kStored.end() - 1), empty;
    const Case cases[] = {
        {nullptr, 0, zero}, {&seven, 0, zero}, {&empty, 0, zero},
        {&kStored, 0x12345678u, kStored},
        {&longer, 0x12345678u, kStored},  // the word at offset 4 counts, the rest is dropped
    };
    for (const Case& c : cases) {
        StartUp(c.file);
        EXPECT_EQ(game->GetHiscore(), c.hiscore) << (c.file ? c.file->size() : 99);
        ShutDown();
        EXPECT_EQ(ReadBytes(Game::HiscoreFile), c.written);
    }
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
    // A game that never started leaves the stored file alone.
    WriteBytes(Game::HiscoreFile, kStored);
    Game unstarted;
    unstarted.Shutdown();
    EXPECT_EQ(ReadBytes(Game::HiscoreFile), kStored);
}

}  // namespace
