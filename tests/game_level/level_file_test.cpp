// The level file: exact round trips, new and freed levels, damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "HUD.h"
#include "Level.h"
#include "LevelRenderer.h"
#include "Pickups.h"
#include "game_world_support.h"
#include "quil_automation.h"
#include "windows.h"

using quiltest::EncodeLevel;
using quiltest::ReadBytes;
using quiltest::FileRoom;
using quiltest::WriteBytes;

namespace {

class LevelFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        quiltest::GeneratedAssetFolder("game_level_test");
        quil_automation::ClearMessageBoxesShown();
    }
    void TearDown() override { GetLevel()->Free(); }

    // The one-room house that New (or a failed Load) makes, as it saves.
    static void ExpectNewHouse(Level* level) {
        EXPECT_FALSE(level->IsLoaded());
        EXPECT_EQ(level->GetLevelRenderer()->GetCount(), 0u);
        level->Save("new_house.dat");
        EXPECT_EQ(ReadBytes("new_house.dat"), EncodeLevel(1, 1, 0, {FileRoom()}));
    }
};

TEST_F(LevelFileTest, GeneratedHousesLoadAndSaveBackByteForByte) {
    Level* level = GetLevel();
    for (int n = 0; n < 5; ++n) {
        SCOPED_TRACE(n);
        const std::string name = "gfx/Level" + std::to_string(n) + ".dat";
        const std::vector<uint8_t> original = ReadBytes(name);
        ASSERT_EQ(original.size(), 16u + 2320u);
        const uint32_t resets = GetHUD()->GetResetCount();
        // The editor's lower-case spelling and the other separator reach the same file.
        level->Load(("gfx\\level" + std::to_string(n) + ".dat").c_str());
        ASSERT_TRUE(level->IsLoaded());
        EXPECT_EQ(level->GetRoomCount(), 1u);
        EXPECT_EQ(GetHUD()->GetResetCount(), resets + 1);
        ASSERT_GE(level->GetRoomPointCount(), 2u);
        ASSERT_TRUE(GetPickups()->IsSlotActive(PICKUP_STAR));
        EXPECT_EQ(GetPickups()->GetSlot(PICKUP_STAR)->x, level->GetRoomPoint(0)->x);
        EXPECT_EQ(GetPickups()->GetSlot(PICKUP_PRESENT)->z, level->GetRoomPoint(1)->z);
        EXPECT_GT(level->GetLevelRenderer()->GetCount(), 0u);
        level->Save("saved.dat");
        EXPECT_EQ(ReadBytes("saved.dat"), original);
    }
}

TEST_F(LevelFileTest, SavedRoomsComeBackWithFieldsAndRenumberedProps) {
    FileRoom a, b;
    a.startX = 2;
    a.startZ = 5;
    b.startX = 6;
    b.startZ = 1;
    b.pointCount = 1;
    b.points[0][0] = 10.0f;
    b.points[0][2] = -20.0f;
    b.reserved0 = 77;  // reserved words are kept as read
    b.At(3, 3).propType[1] = 1;
    b.At(3, 3).propIndex[1] = 40;  // renumbered on load
    b.At(3, 3).angle[1] = 1.5f;
    b.At(4, 4).propIndex[0] = 9;   // no prop: the index is cleared
    b.At(5, 5).floorTile = 255;
    b.At(5, 5).ceilTile = 12;
    b.WallEast(2, 2, 7);
    WriteBytes("two.dat", EncodeLevel(1, 2, 1, {a, b}));

    Level* level = GetLevel();
    level->Load("two.dat");
    ASSERT_TRUE(level->IsLoaded());
    EXPECT_EQ(level->GetCurrentRoom(), 1u);
    EXPECT_EQ(level->GetNode(3, 3)->propIndex[1], 0u);
    EXPECT_EQ(level->GetNode(4, 4)->propIndex[0], 255u);
    EXPECT_EQ(GetPickups()->GetSlot(PICKUP_STAR)->z, -20.0f);  // one point: the star only

    level->Save("two_saved.dat");
    b.At(3, 3).propIndex[1] = 0;
    b.At(4, 4).propIndex[0] = 255;
    EXPECT_EQ(ReadBytes("two_saved.dat"), EncodeLevel(1, 2, 1, {a, b}));
    level->Load("two_saved.dat");
    EXPECT_EQ(level->GetNodeMap(1)[3 + 3 * 8].propAngle[1], 1.5f);
}

TEST_F(LevelFileTest, NewMissingAndDamagedFilesGiveANewHouse) {
    const std::vector<uint8_t> good = EncodeLevel(1, 1, 0, {FileRoom()});
    std::vector<uint8_t> shortRoom(good.begin(), good.end() - 1);
    std::vector<uint8_t> shortHeader(good.begin(), good.begin() + 10);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"short header", shortHeader},
        {"short room", shortRoom},
        {"no rooms", EncodeLevel(1, 0, 0, {})},
        {"current room past the rooms", EncodeLevel(1, 1, 1, {FileRoom()})},
        {"more rooms than bytes", EncodeLevel(1, 2, 0, {FileRoom()})},
        // Counts whose byte size wraps in 32 bits.
        {"count 0x80000000", EncodeLevel(1, 0x80000000u, 0, {FileRoom()})},
        {"count 0x1C3F90", EncodeLevel(1, 0x1C3F90u, 0, {FileRoom()})},
    };
    Level* level = GetLevel();
    level->Load("gfx/Level1.dat");
    level->New();
    ExpectNewHouse(level);
    level->Free();
    level->Free();
    level->Save("nothing.dat");  // no rooms: nothing written
    EXPECT_FALSE(std::filesystem::exists("nothing.dat"));
    level->Load("gfx/no_such_level.dat");
    ExpectNewHouse(level);
    // Without a loaded level nothing blocks a sight line.
    EXPECT_FALSE(level->LineOfSight(Vec3(-200, 0, 0), Vec3(200, 0, 32), false));
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes("damaged.dat", c.bytes);
        level->Load("gfx/Level0.dat");
        level->Load("damaged.dat");
        ExpectNewHouse(level);
    }
}

TEST_F(LevelFileTest, OutOfRangeRoomFieldsAreMadeSafe) {
    FileRoom r;
    r.pointCount = 50;
    r.startX = 9;
    r.startZ = 3;
    r.At(1, 1).propType[2] = 12;
    WriteBytes("odd.dat", EncodeLevel(0, 1, 0, {r}));  // flags without the rooms bit
    Level* level = GetLevel();
    level->Load("odd.dat");
    ASSERT_TRUE(level->IsLoaded());
    EXPECT_FALSE(level->WasDamaged());
    EXPECT_EQ(level->GetRoomPointCount(), LEVEL_MAX_ROOM_POINTS);
    EXPECT_EQ(level->GetRoomStartX(0), 0u);
    EXPECT_EQ(level->GetLevelRenderer()->GetCount(), 1u);
}

// Props of no known type are damage found in the file, told without a box: they are not
// placed, but their bytes (type, index, angle) are kept, so that a save writes the file back
// unchanged.
TEST_F(LevelFileTest, PropsOfUnknownTypesAreNotPlacedButSavedBackUnchanged) {
    FileRoom r;
    for (uint8_t n = 0; n < 64; ++n) {
        r.nodes[n].propType[0] = static_cast<uint8_t>(13 + n);
        r.nodes[n].propIndex[0] = n % 2 ? n : 255;
        r.nodes[n].angle[0] = 0.25f * n;
    }
    r.At(2, 2).propType[2] = 5;  // a door, placed as prop 0 as its index says
    r.At(2, 2).propIndex[2] = 0;
    r.WallEast(3, 3, 4);
    const std::vector<uint8_t> bytes = EncodeLevel(1, 1, 0, {r});
    WriteBytes("props.dat", bytes);
    Level* level = GetLevel();
    level->Load("props.dat");
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
    ASSERT_TRUE(level->IsLoaded());
    EXPECT_EQ(level->GetDamage(), LEVEL_DAMAGE_PROPS_LEFT_OUT);
    EXPECT_EQ(level->GetLevelRenderer()->GetCount(), 1u);
    level->Save("props_saved.dat");
    EXPECT_EQ(ReadBytes("props_saved.dat"), bytes);
}

TEST_F(LevelFileTest, PropsPastTheListSurviveLoadAndSave) {
    FileRoom r;
    for (int i = 0; i < 70; ++i) {
        r.nodes[i % 64].propType[i / 64] = 1;
        r.nodes[i % 64].propIndex[i / 64] = static_cast<uint8_t>(i);
    }
    WriteBytes("many.dat", EncodeLevel(1, 1, 0, {r}));
    Level* level = GetLevel();
    level->Load("many.dat");
    EXPECT_EQ(level->GetLevelRenderer()->GetCount(), MAX_DETAIL_OBJECTS);
    level->Save("many_saved.dat");
    // Numbered in load order (node, then slot); the last six are not placed.
    uint32_t next = 0;
    for (auto& node : r.nodes)
        for (int slot = 0; slot < 2; ++slot)
            if (node.propType[slot] == 1) node.propIndex[slot] = static_cast<uint8_t>(next < 64 ? next++ : 255);
    EXPECT_EQ(ReadBytes("many_saved.dat"), EncodeLevel(1, 1, 0, {r}));
}

}  // namespace
