// Walls: one quad per wall side, its lightmap block, the shared lookup, the
// block blur, and rooms with more wall sides than the lightmap has blocks.
#include <cmath>

#include "Walls.h"
#include "geometry_test_support.h"

using geometry_test::GeometryTest;

namespace {

class WallsTest : public GeometryTest {
protected:
    Walls* walls() { return Room0()->pWalls; }
};

TEST_F(WallsTest, NewRoomHasItsOuterWallsInLightmapOrder) {
    walls()->Render();
    ASSERT_EQ(walls()->GetQuadCount(), 32u);
    const int32_t* lookup = Walls::GetWallUVLookup();
    // Side 0 of grid row 7 (node row 0) takes blocks 0-7, side 1 of grid row 0
    // blocks 8-15, side 2 of column 0 blocks 16-23, side 3 of column 7 blocks 24-31.
    EXPECT_EQ(lookup[(7 + 8 * 7) * 4 + 0], 14);
    EXPECT_EQ(lookup[(7 + 8 * 0) * 4 + 1], 30);
    EXPECT_EQ(lookup[(0 + 8 * 7) * 4 + 2], 46);
    EXPECT_EQ(lookup[(7 + 8 * 7) * 4 + 3], 62);
    EXPECT_EQ(lookup[(3 + 8 * 3) * 4 + 0], -1);
    // Only the border blocks have walls: 12 blocks, one draw each.
    EXPECT_EQ(device.Matching("DrawIndexed").size(), 12u);
}

TEST_F(WallsTest, WallQuadPositionsAndCoordinates) {
    // Keep only the +z wall of node (0, 0): grid row 7, x -128..-96, z 96.
    for (int i = 0; i < 64; ++i)
        for (auto& w : Nodes()[i].walls) w = NODE_EMPTY;
    Nodes()[0].walls[WALL_POS_Z] = 0;
    GetLevel()->SetRoomIndex(0);
    walls()->Render();
    const auto v = Vertices(walls());
    ASSERT_EQ(v.size(), 4u);
    const float xs[4] = {-128, -96, -96, -128}, ys[4] = {40, 40, 0, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(v[i].x, xs[i]);
        EXPECT_FLOAT_EQ(v[i].y, ys[i]);
        EXPECT_FLOAT_EQ(v[i].z, 96.0f);
    }
    // The lightmap block is inset by half a texel.
    EXPECT_FLOAT_EQ(v[0].tu2, 1.0f / 512.0f);
    EXPECT_FLOAT_EQ(v[2].tv2, 1.0f / 512.0f);
    EXPECT_LT(FrontNormal(v).z, 0.0f);  // faces into the node, toward -z
    EXPECT_EQ(device.Matching("DrawIndexed"), std::vector<std::string>{"DrawIndexed 4 0 4 0 2"});
}

TEST_F(WallsTest, LightmapSamplesWallBlocksAndLeavesTheRestWhite) {
    walls()->BuildLightmap(1);
    const uint32_t* t = walls()->GetTexels();
    // Block 0 (sampled, ambient only) and block 40 (unused, white) after two blur passes.
    EXPECT_EQ(t[10 * 256 + 5], 0xFF1E1E1Eu);
    EXPECT_EQ(t[(2 * 32 + 10) * 256 + 8 * 16 + 5], 0xFFFCFCFCu);
    EXPECT_EQ(std::filesystem::file_size("gfx/lightmaps/LMP0002.tga"), 196626u);
}

TEST(WallsBlurTest, BlockBlurReachesIntoTheNextColumnAndWrapsAtTheRightEdge) {
    std::vector<uint32_t> texels(256 * 256, 0xFF606060u);  // 96: sixths of 16
    Walls::BlurBlock(texels.data(), 0, 0, 16, 32);
    EXPECT_EQ(texels[5 * 256 + 5], 0xFF606060u);  // a flat block stays flat
    // Right edge: the texel after the block is column 0 of the next row.
    std::fill(texels.begin(), texels.end(), 0xFF000000u);
    texels[3 * 256 + 0] = 0xFF3C3C3Cu;  // 60 (sixth 10): the texel after the block in row 2
    Walls::BlurBlock(texels.data(), 240, 0, 16, 32);
    // Row 1's after-texel, column 0 of row 2, took 60 / 6 from below; row 2's then
    // gives 4 * 10 + 10 / 6 = 41.
    EXPECT_EQ(texels[2 * 256 + 0], 0xFF0A0A0Au);
    EXPECT_EQ(texels[3 * 256 + 0], 0xFF292929u);
    // The last block row at the right edge stays inside the map.
    std::fill(texels.begin(), texels.end(), 0xFFFFFFFFu);
    Walls::BlurBlock(texels.data(), 240, 224, 16, 32);
    EXPECT_EQ(texels[255 * 256 + 0], 0xFFFFFFFFu);
}

TEST_F(WallsTest, MoreWallSidesThanLightmapBlocksStayInsideTheMap) {
    for (int i = 0; i < 64; ++i)
        for (auto& w : Nodes()[i].walls) w = uint8_t(i % 16);
    GetLevel()->SetRoomIndex(0);
    walls()->Render();
    ASSERT_EQ(walls()->GetQuadCount(), 256u);
    for (const auto& p : Vertices(walls())) {
        EXPECT_GE(p.tu2, 0.0f);
        EXPECT_LE(p.tu2, 1.0f);
        EXPECT_GE(p.tv2, 0.0f);
        EXPECT_LE(p.tv2, 1.0f);
    }
    EXPECT_FALSE(AnyBoxSays("Invalid Lightmap Look Up!!!"));
    EXPECT_EQ(device.Matching("DrawIndexed").size(), 16u);
    walls()->BuildLightmap(1);  // samples the first 128 blocks only
    EXPECT_EQ(walls()->GetTexels()[255 * 256 + 255], 0xFF202020u);
}

}  // namespace
