// Walls: quads, their lightmap blocks, the block blur, more sides than blocks.
#include <algorithm>

#include "Walls.h"
#include "geometry_test_support.h"

using geometry_test::GeometryTest;

namespace {

class WallsTest : public GeometryTest {
protected:
    Walls* walls() { return Room0()->pWalls; }
};

TEST_F(WallsTest, WallQuadPositionsAndCoordinates) {
    // Keep only the +z wall of node (0, 0): grid row 7, x -128..-96, z 96.
    for (int i = 0; i < 64; ++i)
        for (auto& w : Nodes()[i].walls) w = NODE_EMPTY;
    Nodes()[0].walls[WALL_POS_Z] = 0;
    GetLevel()->SetRoomIndex(0);
    walls()->Render();
    const auto v = Vertices(walls());
    ASSERT_EQ(v.size(), 4u);
    EXPECT_FLOAT_EQ(v[1].x, -96.0f);
    EXPECT_FLOAT_EQ(v[1].y, 40.0f);
    EXPECT_FLOAT_EQ(v[1].z, 96.0f);
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
}

TEST(WallsBlurTest, BlockBlurReachesIntoTheNextColumnAndWrapsAtTheRightEdge) {
    std::vector<uint32_t> texels(256 * 256, 0xFF606060u);  // 96: sixths of 16
    Walls::BlurBlock(texels.data(), 0, 0, 16, 32);
    EXPECT_EQ(texels[5 * 256 + 5], 0xFF606060u);  // a flat block stays flat
    // Right edge: the texel after the block is column 0 of the next row.
    std::fill(texels.begin(), texels.end(), 0xFF000000u);
    texels[3 * 256 + 0] = 0xFF3C3C3Cu;  // 60 (sixth 10): the texel after the block in row 2
    Walls::BlurBlock(texels.data(), 240, 0, 16, 32);
    // Row 1's after-texel took 60 / 6 from below; row 2's then gives 4 * 10 + 10 / 6 = 41.
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
    EXPECT_FALSE(quiltest::AnyMessageBoxSays("Invalid Lightmap Look Up!!!"));
    EXPECT_EQ(device.Matching("DrawIndexed").size(), 16u);
    walls()->BuildLightmap(1);  // samples the first 128 blocks only
    EXPECT_EQ(walls()->GetTexels()[255 * 256 + 255], 0xFF202020u);
}

}  // namespace
