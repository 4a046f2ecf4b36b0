// Grid conversions, visible blocks and line of sight (its hit point is checked by the shots' ranges).
#include <gtest/gtest.h>

#include <cmath>

#include "Level.h"
#include "LevelRenderer.h"
#include "Player.h"
#include "camera.h"
#include "game.h"
#include "fake_mesh.h"
#include "game_world_support.h"

using quiltest::CentreX;
using quiltest::CentreZ;
using quiltest::EncodeLevel;
using level_test::FakeMesh;
using quiltest::FileRoom;
using quiltest::WriteBytes;

namespace {

// A wall between columns 3 and 4 open at row 4; a wall between rows 1 and 2
// over column 1; no outer wall east of node (7, 5).
FileRoom TwoHalves() {
    FileRoom r;
    for (int row = 0; row < 8; ++row)
        if (row != 4) r.WallEast(3, row);
    r.WallNorth(1, 2);
    r.At(7, 5).walls[WALL_POS_X] = 255;
    return r;
}

// A point at the centre of node (col, row), at height y.
Vec3 At(int col, int row, float y = 20.0f) { return Vec3(CentreX(col), y, CentreZ(row)); }

// The test's segment ends, with the end's z raised by one cell as callers do.
bool Blocked(const Vec3& a, const Vec3& b) {
    return GetLevel()->LineOfSight(a, Vec3(b.x, b.y, b.z + GetLevel()->GetCellSize()), false);
}

class LevelQueryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        quiltest::GeneratedAssetFolder("game_level_test");
        WriteBytes("halves.dat", EncodeLevel(1, 1, 0, {TwoHalves()}));
    }
    void SetUp() override {
        GetLevel()->Load("halves.dat");
        ASSERT_TRUE(GetLevel()->IsLoaded());
    }
    void TearDown() override { GetLevel()->Free(); }
};

TEST_F(LevelQueryTest, ConversionsAtTheGridEdges) {
    Level* l = GetLevel();
    EXPECT_EQ(l->CellColFromX(-130.0f), 0);  // less than a cell below the origin
    EXPECT_LT(l->CellColFromX(-170.0f), 0);
    EXPECT_EQ(l->CellColFromX(128.0f), 8);
    EXPECT_LT(l->CellColFromX(std::nanf("")), 0);
    // Rows count from the largest z and take a z raised by one cell.
    EXPECT_EQ(l->CellRowFromZ(-130.0f), 7);
    EXPECT_EQ(l->CellRowFromZ(CentreZ(0) + 32.0f), 0);
    EXPECT_EQ(l->BlockColFromX(127.0f), 3);
    EXPECT_EQ(l->BlockRowFromZ(CentreZ(0) + 32.0f), 3);
}

TEST_F(LevelQueryTest, SightAcrossBorders) {
    struct Case {
        const char* what;
        Vec3 a, b;
        bool blocked;
    };
    const Case cases[] = {
        {"same node", At(2, 2), Vec3(CentreX(2) + 10, 20, CentreZ(2) - 10), false},
        {"through the doorway", At(1, 4), At(6, 4), false},
        {"through the doorway, westward", At(6, 4), At(1, 4), false},
        {"inner wall", At(1, 2), At(6, 2), true},
        {"inner wall, westward", At(6, 2), At(1, 2), true},
        {"diagonal through the doorway", At(2, 3), At(5, 5), false},
        {"diagonal into the wall", At(2, 1), At(6, 2), true},
        {"within one half", At(0, 0), At(3, 7), true},  // meets the wall north of row 2 over column 1
        {"within the east half", At(4, 0), At(7, 7), false},
        {"out through the outer wall", At(5, 6), Vec3(300, 20, CentreZ(6)), true},
        {"out through the gap", At(5, 5), Vec3(300, 20, CentreZ(5)), false},
        {"across the z wall", At(1, 3), At(1, 0), true},
        {"across the z wall, southward", At(1, 0), At(1, 3), true},
        {"beside the z wall", At(2, 3), At(2, 0), false},
        // x = 0 is the border between columns 3 and 4, where the wall stands.
        {"from the wall's border", Vec3(0.0f, 20, CentreZ(2)), Vec3(60, 20, CentreZ(2)), true},
        {"from just past it", Vec3(0.005f, 20, CentreZ(2)), Vec3(60, 20, CentreZ(2)), true},
        {"from beyond it", Vec3(0.02f, 20, CentreZ(2)), Vec3(60, 20, CentreZ(2)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Blocked(c.a, c.b), c.blocked);
    }
}

TEST_F(LevelQueryTest, PropsBlockOnlyWhenAsked) {
    // A table in node (5, 6): a 20 x 20 panel facing -x, 5 west of its centre.
    FakeMesh panel;
    const Vec3 west(-1, 0, 0);
    panel.Tri(Vec3(-5, -10, -10), Vec3(-5, 10, -10), Vec3(-5, 10, 10), west);
    panel.Tri(Vec3(-5, -10, -10), Vec3(-5, 10, 10), Vec3(-5, -10, 10), west);
    LevelRenderer* props = GetLevel()->GetLevelRenderer();
    props->GetDetailObjectType(1)->GetCollisionMesh()->Create(&panel, nullptr, 0);
    FileRoom room = TwoHalves();
    room.At(5, 6).propType[2] = 1;
    WriteBytes("table.dat", EncodeLevel(1, 1, 0, {room}));
    Level* l = GetLevel();
    l->Load("table.dat");
    ASSERT_EQ(props->GetCount(), 1u);

    const Vec3 a = At(4, 6, 10.0f), b = At(6, 6, 10.0f);  // props stand 10 above the floor
    const Vec3 raised(b.x, b.y, b.z + l->GetCellSize());
    EXPECT_FALSE(l->LineOfSight(a, raised, false));
    EXPECT_TRUE(l->LineOfSight(a, raised, true));
    EXPECT_TRUE(l->LineHitsCellObjects(l->GetNode(5, 6)));
    EXPECT_FALSE(l->LineHitsCellObjects(l->GetNode(4, 6)));
    // Passing over the panel, or meeting only its back, is clear.
    EXPECT_FALSE(l->LineOfSight(At(4, 6, 35.0f), Vec3(b.x, 35.0f, raised.z), true));
    EXPECT_FALSE(l->LineOfSight(b, Vec3(a.x, a.y, a.z + l->GetCellSize()), true));

    // A prop of unknown type kept in the node blocks nothing, though its index byte names
    // the record the table left in the list.
    room.At(5, 6).propType[2] = 40;
    room.At(5, 6).propIndex[2] = 0;
    WriteBytes("unknown.dat", EncodeLevel(1, 1, 0, {room}));
    l->Load("unknown.dat");
    ASSERT_EQ(props->GetCount(), 0u);
    EXPECT_FALSE(l->LineOfSight(a, raised, true));
    EXPECT_FALSE(l->LineHitsCellObjects(l->GetNode(5, 6)));
}

TEST_F(LevelQueryTest, VisibleBlocksFollowTheViewFromThePlayer) {
    Level* l = GetLevel();
    const Vec3 low(0, 10, 0);
    const Vec3 player(CentreX(4), 10, CentreZ(3));  // block column 2, block row 2
    auto visible = [&](uint32_t bx, uint32_t bz) { return !l->IsBlockHidden(bx, bz); };

    // Looking diagonally keeps everything.
    l->UpdateVisibleBlocks(low, player, Vec3(0.7f, 0, 0.7f));
    for (uint32_t b = 0; b < LEVEL_BLOCK_COUNT; ++b) EXPECT_EQ(l->GetVisibleBlocks()[b], 1u);

    // A camera above the wall height leaves the flags as they were.
    l->UpdateVisibleBlocks(Vec3(0, 40.1f, 0), player, Vec3(1, 0, 0));
    EXPECT_EQ(l->GetVisibleBlocks()[0], 1u);

    // A player off the grid counts as standing in the nearest block.
    l->UpdateVisibleBlocks(low, Vec3(500, 10, 0), Vec3(1, 0, 0));
    EXPECT_TRUE(visible(3, 1));
    EXPECT_FALSE(visible(2, 1));

    // The level's update takes the player's place with the camera's view, and stops the timer at zero.
    Camera camera;  // looking along +z, standing in block row 0
    camera.SetPosition(CentreX(0), 10.0f, CentreZ(7));
    Camera* previous = g_pCurrentCamera;
    g_pCurrentCamera = &camera;
    GetGame()->GetPlayer()->SetPosition(Vec3(CentreX(4), 10.0f, CentreZ(3)));  // block row 2
    l->SetTimeLeft(5.0f);
    l->Update(7.5f);
    g_pCurrentCamera = previous;
    EXPECT_EQ(l->GetTimeLeft(), 0.0f);
    for (uint32_t bz = 0; bz < 4; ++bz)
        for (uint32_t bx = 0; bx < 4; ++bx) EXPECT_EQ(visible(bx, bz), bz >= 2) << bx << "," << bz;
}

}  // namespace
