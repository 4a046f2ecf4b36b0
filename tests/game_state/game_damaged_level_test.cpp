// A damaged level file is named on the get-ready screen, once; a missing one
// (the editor's way to a new level) stays silent.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "Level.h"
#include "LevelRenderer.h"
#include "game_state_support.h"

using game_state_test::GameTest;
using game_state_test::ReadBytes;
using game_state_test::WriteBytes;

namespace {

int DamageLines(Game* game) {
    int count = 0;
    for (uint32_t i = 0; const TextLine* line = game->GetTextOverlay()->GetLine(i); ++i)
        count += std::strstr(line->text, "FILE LEVEL0.DAT IS DAMAGED") != nullptr;
    return count;
}

TEST_F(GameTest, ADamagedLevelFileIsNamedOnScreenOnceAndAMissingOneIsNot) {
    const std::vector<uint8_t> good = ReadBytes("gfx/Level0.dat");
    for (const bool damaged : {true, false}) {
        if (damaged) WriteBytes("gfx/Level0.dat", {1, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0});  // nine rooms promised
        else std::filesystem::remove("gfx/Level0.dat");
        StartUp();
        game->StartGame();
        WriteBytes("gfx/Level0.dat", good);
        Frames(1);
        EXPECT_EQ(DamageLines(game), damaged ? 1 : 0);
        Frames(80);  // through get ready into play
        ASSERT_EQ(game->GetState(), GAMESTATE_PLAY);
        EXPECT_EQ(DamageLines(game), 0);
        ShutDown();
    }
}

bool Shows(Game* game, const char* text) {
    for (uint32_t i = 0; const TextLine* line = game->GetTextOverlay()->GetLine(i); ++i)
        if (std::strstr(line->text, text)) return true;
    return false;
}

// A house whose every prop slot names an unknown type is told once as damaged
// and played without those props, with no box to answer; the editor saves
// them back as they were.
TEST_F(GameTest, UnknownPropTypesAreToldOnceAndTheHouseIsPlayedWithoutThem) {
    const std::vector<uint8_t> good = ReadBytes("gfx/Level0.dat");
    std::vector<uint8_t> damaged = good;
    for (size_t node = 0; node < 64; ++node)
        for (size_t slot = 0; slot < 3; ++slot) damaged[16 + 272 + node * 32 + 15 + slot] = 0x40;
    WriteBytes("gfx/Level0.dat", damaged);
    quiltest::StartRecordingBoxes();
    StartUp();
    game->StartGame();
    WriteBytes("gfx/Level0.dat", good);
    Frames(1);
    EXPECT_EQ(DamageLines(game), 1);
    EXPECT_TRUE(Shows(game, "ITS UNKNOWN PROPS ARE LEFT OUT"));
    EXPECT_EQ(quiltest::MessageBoxCount(), 0u);
    EXPECT_EQ(GetLevel()->GetLevelRenderer()->GetCount(), 0u);
    EXPECT_TRUE(GetLevel()->IsLoaded());
    Frames(80);
    EXPECT_EQ(game->GetState(), GAMESTATE_PLAY);
    EXPECT_EQ(DamageLines(game), 0);
    const std::vector<uint8_t> enemies = ReadBytes("gfx/Enemy0.dat");
    Tap(VK_F5);
    ASSERT_TRUE(game->IsEditorOpen());
    Tap('S');
    EXPECT_EQ(ReadBytes("gfx/Level0.dat"), damaged);
    WriteBytes("gfx/Level0.dat", good);
    WriteBytes("gfx/Enemy0.dat", enemies);
}

}  // namespace
