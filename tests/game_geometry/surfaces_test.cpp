// Floor and ceiling: quads per tile, empty surfaces and their lightmap textures.
#include <filesystem>

#include "Ceil.h"
#include "Floor.h"
#include "LightMap.h"
#include "geometry_test_support.h"

using geometry_test::GeometryTest;

namespace {

class SurfaceTest : public GeometryTest {
protected:
    Floor* floor() { return Room0()->pFloor; }
    Ceil* ceil() { return Room0()->pCeil; }
    // Every floor and ceiling tile of room 0 := 255, then one tile per listed node.
    void OnlyTiles(std::initializer_list<std::pair<int, int>> nodes, uint8_t tile) {
        for (int i = 0; i < 64; ++i) Nodes()[i].floorTile = Nodes()[i].ceilTile = NODE_EMPTY;
        for (auto [col, row] : nodes) Nodes()[col + row * 8].floorTile = Nodes()[col + row * 8].ceilTile = tile;
        GetLevel()->SetRoomIndex(0);
    }
};

TEST_F(SurfaceTest, FloorAndCeilingQuadOfOneNode) {
    OnlyTiles({{7, 0}}, 5);  // grid row 7, column 7: block 15
    floor()->Render();
    ceil()->Render();
    const auto fv = Vertices(floor()), cv = Vertices(ceil());
    ASSERT_EQ(fv.size(), 4u);
    ASSERT_EQ(cv.size(), 4u);
    // The node spans x and z 96..128; grid column 7 ends at the lightmap's far border.
    EXPECT_FLOAT_EQ(fv[1].x, 128.0f);
    EXPECT_FLOAT_EQ(fv[1].z, 96.0f);
    EXPECT_FLOAT_EQ(cv[1].y, 40.0f);
    EXPECT_NEAR(fv[1].tu2, 0.999f, 1e-6f);
    EXPECT_GT(FrontNormal(fv).y, 0.0f);  // the floor faces up, the ceiling down
    EXPECT_LT(FrontNormal(cv).y, 0.0f);
    EXPECT_EQ(floor()->GetClipTable()[15].triangleCount, 2u);
    EXPECT_EQ(device.Matching("DrawIndexed").size(), 2u);
}

TEST_F(SurfaceTest, SurfaceWithoutTilesDrawsNothingAndDoesNotRetryEveryFrame) {
    OnlyTiles({}, 0);
    ceil()->Render();
    ceil()->Render();
    EXPECT_EQ(ceil()->GetQuadCount(), 0u);
    EXPECT_EQ(ceil()->GetVertexBuffer(), nullptr);
    EXPECT_EQ(device.Matching("CreateVB").size(), 0u);
    EXPECT_EQ(device.Matching("DrawIndexed").size(), 0u);
    // A tile added by the editor shows after the next SetRoom.
    Nodes()[0].ceilTile = 3;
    GetLevel()->SetRoomIndex(0);
    ceil()->Render();
    EXPECT_EQ(ceil()->GetQuadCount(), 1u);
    EXPECT_EQ(device.Matching("DrawIndexed").size(), 1u);
}

// A map that cannot be saved is drawn from the baked texels, never from the older file.
TEST_F(SurfaceTest, UnsavedLightmapIsUploadedFromTheTexels) {
    std::filesystem::create_symlink("/dev/full", "gfx/lightmaps/LMP0000.tga.new");
    GetLightMan()->AddLight(LightDesc{0.0f, 20.0f, 0.0f, 100.0f, 0x00FF0000u, 0});
    ceil()->BuildLightmap(1);
    ceil()->Render();
    auto* tex = static_cast<quiltest::FakeTexture*>(ceil()->GetLightmapTexture());
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(tex->GetLevelCount(), 1u);
    EXPECT_EQ(tex->Texel(128, 160), ceil()->GetTexels()[160 * 256 + 128]);
    EXPECT_NE(tex->Texel(128, 160) & 0xFF0000u, 0x200000u);  // lit, unlike the file New saved
}

TEST_F(SurfaceTest, CachedMapLoadsTopRowFirstWithAMipChain) {
    std::vector<uint32_t> texels(256 * 256);
    for (uint32_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | (i * 2654435761u) >> 8;
    GetLightMap()->Save(0, 0, 1, texels.data(), 256, 256, 0);
    auto* tex = static_cast<quiltest::FakeTexture*>(GetLightMap()->Load(0, 0, 1));
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(tex->GetLevelCount(), 9u);
    for (int y : {0, 1, 255})
        for (int x : {0, 7, 255}) EXPECT_EQ(tex->Texel(x, y), texels[y * 256 + x]) << x << "," << y;
    tex->Release();
}

}  // namespace
