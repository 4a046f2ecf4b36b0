// Commands: the room fill, a new level, saving both files and reading them
// back, failed saves, and the F5 toggle the game runs.
#include <filesystem>
#include <fstream>

#include "EditorToggle.h"
#include "HUD.h"
#include "editor_test_support.h"
#include "trap.h"

using editor_test::EditorTest;
using editor_test::ReadBytes;

namespace {

namespace fs = std::filesystem;

class EditorCommandsTest : public EditorTest {
protected:
    // A new one-room level whose start node is (0, 0).
    void NewLevel() {
        GetLevel()->New();
        ASSERT_EQ(GetLevel()->GetRoomStartX(0) + GetLevel()->GetRoomStartZ(0), 0u);
    }
    // Sets the tile index of one set through the picker.
    void PickTile(int modeKey, uint32_t set, uint8_t tile) {
        Tap(modeKey);
        while (editor->GetTileIndex(set) != tile) Tap('A');
    }
    static void ExpectEmptied(uint32_t col, uint32_t row) {
        const Node& n = NodeAt(col, row);
        for (int s = 0; s < 4; ++s) EXPECT_EQ(n.walls[s], 255) << col << "," << row;
        EXPECT_EQ(n.floorTile, 255) << col << "," << row;
        EXPECT_EQ(n.ceilTile, 255) << col << "," << row;
    }
    // Every node byte of room 0.
    static std::vector<uint8_t> NodeBytes() {
        std::vector<uint8_t> out;
        for (uint32_t i = 0; i < 64; ++i) {
            const Node& n = GetLevel()->GetNodeMap(0)[i];
            out.insert(out.end(), n.walls, n.walls + 4);
            out.insert(out.end(), n.propType, n.propType + 3);
            out.push_back(n.floorTile);
            out.push_back(n.ceilTile);
        }
        return out;
    }
};

TEST_F(EditorCommandsTest, FillKeepsTheClosedRoomAndEmptiesTheRest) {
    NewLevel();
    PickTile('F', EDITOR_SET_FLOOR, 5);
    PickTile('C', EDITOR_SET_CEILING, 7);
    // A 3 by 3 room in the corner: walls on the +x side of column 2 and the -z
    // side of row 2, stored on both nodes of each border.
    for (uint32_t i = 0; i < 3; ++i) {
        NodeAt(2, i).walls[WALL_POS_X] = 1;
        NodeAt(3, i).walls[WALL_NEG_X] = 1;
        NodeAt(i, 2).walls[WALL_NEG_Z] = 1;
        NodeAt(i, 3).walls[WALL_POS_Z] = 1;
    }
    NodeAt(1, 1).floorTile = 255;
    NodeAt(2, 2).ceilTile = 255;
    NodeAt(0, 0).floorTile = 9;
    NodeAt(6, 6).propType[0] = 4;  // prop slots are not the fill's business
    Tap('B');
    for (uint32_t row = 0; row < 8; ++row) {
        for (uint32_t col = 0; col < 8; ++col) {
            const bool inside = col < 3 && row < 3;
            EXPECT_EQ(editor->GetFillVisited()[col + row * 8], inside ? 1 : 0) << col << "," << row;
            if (!inside) ExpectEmptied(col, row);
        }
    }
    EXPECT_EQ(NodeAt(1, 1).floorTile, 5);
    EXPECT_EQ(NodeAt(2, 2).ceilTile, 7);
    EXPECT_EQ(NodeAt(0, 0).floorTile, 9);  // existing tiles stay
    EXPECT_EQ(NodeAt(6, 6).propType[0], 4);
}

TEST_F(EditorCommandsTest, FillLooksOnlyAtTheSideOfTheNodeBeingLeft) {
    NewLevel();
    // A wall stored only on the far node does not stop the walk.
    for (uint32_t row = 0; row < 8; ++row) NodeAt(1, row).walls[WALL_NEG_X] = 1;
    Tap('B');
    for (uint32_t i = 0; i < 64; ++i) EXPECT_EQ(editor->GetFillVisited()[i], 1) << i;
    // Walls stored on the start node close it in on its own.
    NewLevel();
    NodeAt(0, 0).walls[WALL_POS_X] = 1;
    NodeAt(0, 0).walls[WALL_NEG_Z] = 1;
    Tap('B');
    for (uint32_t i = 0; i < 64; ++i) EXPECT_EQ(editor->GetFillVisited()[i], i == 0 ? 1 : 0) << i;
    ExpectEmptied(1, 0);
}

TEST_F(EditorCommandsTest, SavedEditsLoadBack) {
    const std::vector<uint8_t> original = ReadBytes("gfx/Level0.dat");
    const std::vector<uint8_t> originalEnemies = ReadBytes("gfx/Enemy0.dat");
    NodeAt(4, 4).walls[WALL_POS_X] = 3;
    NodeAt(5, 4).walls[WALL_NEG_X] = 3;
    NodeAt(2, 6).floorTile = 11;
    // A new path on the next walker: two points.
    Tap('P');
    while (editor->GetPath() < GetEnemyManager()->GetCount()) Tap('A');
    Tap(VK_RETURN);
    Tap(VK_RIGHT);
    Tap(VK_RETURN);
    const uint32_t newPath = editor->GetPath();
    Tap('S');
    const std::vector<uint8_t> edited = NodeBytes();

    GetLevel()->Load("gfx/Level0.dat");
    EXPECT_EQ(NodeBytes(), edited);
    ASSERT_TRUE(GetEnemyManager()->Load("gfx/Enemy0.dat"));
    const RoomEnemyData* room0 = GetEnemyManager()->GetRoomData(0);
    ASSERT_NE(room0, nullptr);
    ASSERT_EQ(room0->nPaths, newPath + 1);
    const EnemyPathData& path = room0->pPaths[newPath];
    ASSERT_EQ(path.nNodes, 2u);
    EXPECT_FLOAT_EQ(path.pNodes[1].x, -128.0f + 32.0f + 16.0f);

    // The generated files back for the other tests.
    editor_test::WriteBytes("gfx/Level0.dat", original);
    editor_test::WriteBytes("gfx/Enemy0.dat", originalEnemies);
}

// Props of unknown types kept from the file in the selected node: Return places the chosen prop
// in the slot left free and turns it, leaving theirs as read; Delete empties the node.
TEST_F(EditorCommandsTest, PropsOfUnknownTypesTakeTheirSlotsUntilDeleted) {
    quiltest::FileRoom r;
    r.At(0, 7).propType[0] = 40;  // its index byte reads empty: still taken
    r.At(0, 7).angle[0] = 2.0f;
    r.At(0, 7).propType[1] = 41;
    r.At(0, 7).propIndex[1] = 9;
    editor_test::WriteBytes("unknown_props.dat", quiltest::EncodeLevel(1, 1, 0, {r}));
    GetLevel()->Load("unknown_props.dat");
    ASSERT_EQ(GetLevel()->GetLevelRenderer()->GetCount(), 0u);
    const Node& node = NodeAt(0, 7);
    auto expectKept = [&] {
        EXPECT_EQ(node.propType[0], 40);
        EXPECT_EQ(node.propIndex[0], 255);
        EXPECT_EQ(node.propAngle[0], 2.0f);
        EXPECT_EQ(node.propType[1], 41);
        EXPECT_EQ(node.propIndex[1], 9);
    };
    Tap('D');
    Tap(VK_RETURN);
    expectKept();
    EXPECT_EQ(node.propType[2], editor->GetPropType());
    EXPECT_EQ(node.propIndex[2], 0);
    Tap(VK_RETURN);
    expectKept();
    EXPECT_FLOAT_EQ(node.propAngle[2], 3.14159265f / 2.0f);
    Tap(VK_DELETE);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(node.propType[s], 255);
        EXPECT_EQ(node.propIndex[s], 255);
        EXPECT_EQ(node.propAngle[s], 0.0f);
    }
}

// As at the title screen: no level loaded. Every mode and its keys do nothing
// harmful, a second Activate is harmless, and S refuses and writes nothing at
// all, the walkers' file included, and the log says so.
TEST_F(EditorCommandsTest, WithNoLevelEveryModeIsHarmlessAndSWritesNothing) {
    const std::vector<uint8_t> level = ReadBytes("gfx/Level0.dat"), enemies = ReadBytes("gfx/Enemy0.dat");
    GetLevel()->Free();
    editor->Activate();
    const int modeKeys[] = {VK_SPACE, 'Q', 'W', 'F', 'C', 'D', 'L', 'P'};
    for (int mode : modeKeys) {
        Tap(mode);
        for (int key : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_RETURN, VK_DELETE, int('A'), int('Z')}) Tap(key);
        editor->Render();
    }
    DebugLog_Start();
    Tap('B');
    Tap('S');
    EXPECT_EQ(ReadBytes("gfx/Level0.dat"), level);
    EXPECT_EQ(ReadBytes("gfx/Enemy0.dat"), enemies);
    EXPECT_EQ(quiltest::MessageBoxCount(), 0u);
    std::ifstream log(DEBUG_LOG_FILE);
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("could not save gfx/level0.dat; nothing was written"), std::string::npos) << text;
}

// S held for several frames saves every frame; a failure is told on screen
// once per press, naming the file, and the file on disk stays as it was.
TEST_F(EditorCommandsTest, AFailedSaveIsToldOncePerPressAndKeepsTheFileOnDisk) {
    const std::vector<uint8_t> level = ReadBytes("gfx/Level0.dat"), enemies = ReadBytes("gfx/Enemy0.dat");
    auto pressS = [&] {
        g_fTotalTime += 1.0f;
        KeyDown('S');
        for (int i = 0; i < 5; ++i) Frame();
        KeyUp('S');
        Frame();
    };
    // The file cannot be written (its scratch name is taken by a folder that is
    // not empty).
    GetLevel()->Load("gfx/Level0.dat");
    NodeAt(1, 1).floorTile = 13;
    fs::create_directories("gfx/Level0.dat.new/keep");
    pressS();
    ASSERT_EQ(quiltest::MessageBoxCount(), 1u);
    EXPECT_TRUE(quiltest::AnyMessageBoxSays("Could not save gfx/level0.dat.\nThe file on disk is unchanged"));
    pressS();
    EXPECT_EQ(quiltest::MessageBoxCount(), 2u);
    EXPECT_EQ(ReadBytes("gfx/Level0.dat"), level);
    EXPECT_EQ(ReadBytes("gfx/Enemy0.dat"), enemies);

    // The level saves, the walkers' file cannot: that one is named.
    fs::remove_all("gfx/Level0.dat.new");
    fs::create_directories("gfx/Enemy0.dat.new/keep");
    pressS();
    ASSERT_EQ(quiltest::MessageBoxCount(), 3u);
    EXPECT_TRUE(quiltest::AnyMessageBoxSays("Could not save gfx/enemy0.dat.\ngfx/level0.dat was saved"));
    EXPECT_NE(ReadBytes("gfx/Level0.dat"), level);
    EXPECT_EQ(ReadBytes("gfx/Enemy0.dat"), enemies);

    fs::remove_all("gfx/Enemy0.dat.new");
    pressS();
    EXPECT_EQ(quiltest::MessageBoxCount(), 3u);
    editor_test::WriteBytes("gfx/Level0.dat", level);
    editor_test::WriteBytes("gfx/Enemy0.dat", enemies);
}

// The F5 toggle the game runs, with the global editor (its keys are played in the game flow tests).
class EditorToggleTest : public ::testing::Test {
protected:
    void SetUp() override {
        editor_test::AssetRoot();
        GetLevel()->Load("gfx/Level0.dat");
        GetEnemyManager()->Load("gfx/Enemy0.dat");
        GetEnemyManager()->Start();
        GetEditor()->Init();
        g_fTotalTime += 10.0f;
    }
    void TearDown() override {
        GetPCSystem()->MsgProc(nullptr, WM_KEYUP, VK_F5, 0);
        if (toggle.IsOpen()) toggle.Close(nullptr);
        GetEditor()->Shutdown();
        GetHUD()->Deactivate();
        GetEnemyManager()->Stop();
        GetEnemyManager()->Free();
        GetLevel()->Free();
    }
    EditorToggle toggle;
};

TEST_F(EditorToggleTest, ClosingHandsTheEditedPathsToTheWalkers) {
    EnemyManager* enemies = GetEnemyManager();
    toggle.Open(nullptr);
    const uint32_t path = enemies->AddPath();
    ASSERT_LT(path, EnemyManager::MAX_WALKERS);
    enemies->GetEnemy(path)->AddPathPoint(PathPoint{10.0f, 20.0f, 0, 0, 0, 0});
    toggle.Close(nullptr);
    const RoomEnemyData* room = enemies->GetRoomData(GetLevel()->GetCurrentRoom());
    ASSERT_NE(room, nullptr);
    ASSERT_EQ(room->nPaths, path + 1);
    EXPECT_FLOAT_EQ(room->pPaths[path].pNodes[0].x, 10.0f);
    EXPECT_EQ(enemies->GetCount(), path + 1);  // started again from the stored room
    // After a new level (not loaded) closing leaves the enemy data alone.
    toggle.Open(nullptr);
    GetLevel()->New();
    enemies->AddPath();
    toggle.Close(nullptr);
    EXPECT_EQ(enemies->GetRoomData(0)->nPaths, path + 1);
}

}  // namespace
