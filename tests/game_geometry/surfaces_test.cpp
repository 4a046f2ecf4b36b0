// Floor and ceiling: quads per tile, their positions and texture coordinates,
// the block table and the draws, lazy rebuilds and device-object release.
#include <cmath>

#include "Ceil.h"
#include "Floor.h"
#include "geometry_test_support.h"

using geometry_test::GeometryTest;

namespace {

constexpr float kStep = (1.0f - 2.0f * 0.001f) / 8.0f;

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

TEST(TileUVTest, AtlasTilesAreInsetQuartersOfTheAtlas) {
    const TileUV& t5 = GetTileUV(5);
    EXPECT_FLOAT_EQ(t5.uL, 0.25390625f);
    EXPECT_FLOAT_EQ(t5.uR, 0.49609375f);
    EXPECT_FLOAT_EQ(t5.vT, 0.25390625f);
    EXPECT_FLOAT_EQ(t5.vB, 0.49609375f);
    const TileUV& t0 = GetTileUV(0);
    EXPECT_FLOAT_EQ(t0.uL, 0.00390625f);
    EXPECT_FLOAT_EQ(t0.uR, 0.24609375f);
    const TileUV& t15 = GetTileUV(15);
    EXPECT_FLOAT_EQ(t15.uL, 0.75f + 1.0f / 256.0f);
    EXPECT_FLOAT_EQ(t15.vB, 1.0f - 1.0f / 256.0f);
}

TEST_F(SurfaceTest, NewRoomHas64QuadsInEachSurfaceDrawnByBlock) {
    floor()->Render();
    ceil()->Render();
    for (LevelSurface* s : {static_cast<LevelSurface*>(floor()), static_cast<LevelSurface*>(ceil())}) {
        EXPECT_EQ(s->GetQuadCount(), 64u);
        EXPECT_EQ(s->GetVertexCount(), 256u);
        EXPECT_EQ(s->GetTriangleCount(), 128u);
        auto* vb = static_cast<quiltest::FakeVertexBuffer*>(s->GetVertexBuffer());
        ASSERT_NE(vb, nullptr);
        EXPECT_EQ(vb->bytes.size(), 256u * 32u);
        EXPECT_EQ(vb->fvf, 0x242u);
        EXPECT_EQ(vb->pool, D3DPOOL_MANAGED);
        EXPECT_EQ(vb->usage, DWORD(D3DUSAGE_WRITEONLY));
        auto* ib = static_cast<quiltest::FakeIndexBuffer*>(s->GetIndexBuffer());
        ASSERT_NE(ib, nullptr);
        ASSERT_EQ(ib->bytes.size(), 64u * 12u);
        const uint16_t* idx = reinterpret_cast<const uint16_t*>(ib->bytes.data());
        const uint16_t quad7[6] = {28, 29, 30, 28, 30, 31};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(idx[42 + i], quad7[i]);
        for (uint32_t k = 0; k < 16; ++k) {
            EXPECT_EQ(s->GetClipTable()[k].firstIndex, 24u * k);
            EXPECT_EQ(s->GetClipTable()[k].triangleCount, 8u);
        }
    }
    // One draw per block per surface, each over the whole vertex range.
    const auto draws = device.Matching("DrawIndexed");
    ASSERT_EQ(draws.size(), 32u);
    EXPECT_EQ(draws[1], "DrawIndexed 4 0 256 24 8");
}

TEST_F(SurfaceTest, FloorAndCeilingQuadOfOneNode) {
    OnlyTiles({{7, 0}}, 5);  // grid row 7, column 7: block 15
    floor()->Render();
    ceil()->Render();
    ASSERT_EQ(floor()->GetQuadCount(), 1u);
    const float uL = 0.25390625f, uR = 0.49609375f, vT = 0.25390625f, vB = 0.49609375f;
    const float lu = 7 * kStep + 0.001f, lv = 7 * kStep + 0.001f;
    struct Expect { float x, z, tu, tv, lu, lv; };
    // Floor: (x, z), (x+32, z), (x+32, z-32), (x, z-32) with x = z = 96.
    const Expect f[4] = {{96, 96, uL, vT, lu, lv + kStep}, {128, 96, uR, vT, lu + kStep, lv + kStep},
                         {128, 64, uR, vB, lu + kStep, lv}, {96, 64, uL, vB, lu, lv}};
    // Ceiling: the other winding, 40 above the floor.
    const Expect c[4] = {{96, 64, uL, vB, lu, lv}, {128, 64, uR, vB, lu + kStep, lv},
                         {128, 96, uR, vT, lu + kStep, lv + kStep}, {96, 96, uL, vT, lu, lv + kStep}};
    const auto fv = Vertices(floor()), cv = Vertices(ceil());
    ASSERT_EQ(fv.size(), 4u);
    ASSERT_EQ(cv.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(fv[i].x, f[i].x);
        EXPECT_FLOAT_EQ(fv[i].y, 0.0f);
        EXPECT_FLOAT_EQ(fv[i].z, f[i].z);
        EXPECT_EQ(fv[i].diffuse, 0xFFFFFFFFu);
        EXPECT_FLOAT_EQ(fv[i].tu1, f[i].tu);
        EXPECT_FLOAT_EQ(fv[i].tv1, f[i].tv);
        EXPECT_FLOAT_EQ(fv[i].tu2, f[i].lu);
        EXPECT_FLOAT_EQ(fv[i].tv2, f[i].lv);
        EXPECT_FLOAT_EQ(cv[i].x, c[i].x);
        EXPECT_FLOAT_EQ(cv[i].y, 40.0f);
        EXPECT_FLOAT_EQ(cv[i].z, c[i].z);
        EXPECT_FLOAT_EQ(cv[i].tu1, c[i].tu);
        EXPECT_FLOAT_EQ(cv[i].tv1, c[i].tv);
        EXPECT_FLOAT_EQ(cv[i].tu2, c[i].lu);
        EXPECT_FLOAT_EQ(cv[i].tv2, c[i].lv);
    }
    // Grid column 7 ends at the lightmap's far border.
    EXPECT_NEAR(fv[1].tu2, 0.999f, 1e-6f);
    // The floor faces up, the ceiling down (front faces wind (v1 - v0) x (v2 - v0) toward the viewer).
    auto normalY = [](const std::vector<LevelVertex>& v) {
        const float ax = v[1].x - v[0].x, az = v[1].z - v[0].z, bx = v[2].x - v[0].x, bz = v[2].z - v[0].z;
        return az * bx - ax * bz;
    };
    EXPECT_GT(normalY(fv), 0.0f);
    EXPECT_LT(normalY(cv), 0.0f);
    // Only block 15 has triangles, so one draw per surface.
    for (uint32_t k = 0; k < 15; ++k) EXPECT_EQ(floor()->GetClipTable()[k].triangleCount, 0u);
    EXPECT_EQ(floor()->GetClipTable()[15].triangleCount, 2u);
    EXPECT_EQ(device.Matching("DrawIndexed").size(), 2u);
}

TEST_F(SurfaceTest, SurfaceWithoutTilesDrawsNothingAndDoesNotRetryEveryFrame) {
    OnlyTiles({}, 0);
    ceil()->Render();
    ceil()->Render();
    EXPECT_EQ(ceil()->GetQuadCount(), 0u);
    EXPECT_EQ(ceil()->GetVertexBuffer(), nullptr);
    EXPECT_EQ(CountLog("CreateVB"), 0u);
    EXPECT_EQ(CountLog("DrawIndexed"), 0u);
    // A tile added by the editor shows after the next SetRoom.
    Nodes()[0].ceilTile = 3;
    GetLevel()->SetRoomIndex(0);
    ceil()->Render();
    EXPECT_EQ(ceil()->GetQuadCount(), 1u);
    EXPECT_EQ(CountLog("DrawIndexed"), 1u);
}

TEST_F(SurfaceTest, HiddenBlocksAndEmptyBlocksAreNotDrawn) {
    // Facing +x from block column 2 leaves columns 2 and 3 visible.
    GetLevel()->UpdateVisibleBlocks(Vec3(0, 10, 0), Vec3(10, 10, 0), Vec3(1, 0, 0));
    floor()->Render();
    const auto draws = device.Matching("DrawIndexed");
    ASSERT_EQ(draws.size(), 8u);
    EXPECT_EQ(draws[0], "DrawIndexed 4 0 256 48 8");  // block 2
    device.Clear();
    // Blocks whose nodes have no tiles draw nothing even when visible.
    OnlyTiles({{0, 0}, {6, 7}}, 1);  // grid row 7 col 0 (block 12), grid row 0 col 6 (block 3)
    floor()->Render();
    const auto few = device.Matching("DrawIndexed");
    ASSERT_EQ(few.size(), 1u);  // block 12 is hidden
    EXPECT_EQ(few[0], "DrawIndexed 4 0 8 0 2");
}

TEST_F(SurfaceTest, ClipFlagDrawsWithClockwiseCullingAndRestoresIt) {
    floor()->SetClip(1);
    floor()->Render();
    const auto& log = device.log;
    size_t cw = log.size(), ccw = log.size(), firstDraw = log.size(), lastDraw = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i] == quiltest::RS(D3DRS_CULLMODE, D3DCULL_CW)) cw = i;
        if (log[i] == quiltest::RS(D3DRS_CULLMODE, D3DCULL_CCW)) ccw = i;
        if (log[i].rfind("DrawIndexed", 0) == 0) {
            if (firstDraw == log.size()) firstDraw = i;
            lastDraw = i;
        }
    }
    ASSERT_LT(cw, firstDraw);
    ASSERT_NE(ccw, log.size());
    EXPECT_GT(ccw, lastDraw);
    // Without the flag no cull state is sent.
    device.Clear();
    floor()->SetClip(0);
    floor()->Render();
    EXPECT_EQ(CountLog(quiltest::RS(D3DRS_CULLMODE, D3DCULL_CW)), 0u);
}

TEST_F(SurfaceTest, DrawStateIsLightmappedClampedAndIdentityWorld) {
    floor()->Render();
    EXPECT_EQ(GetRenderer()->GetRenderMode(), 8u);
    EXPECT_EQ(GetRenderer()->GetStateCache() & RENDERER_WRAPON, 0u);
    EXPECT_EQ(device.renderStates[D3DRS_LIGHTING], DWORD(FALSE));
    EXPECT_EQ(device.vertexShader, 0x242u);
    EXPECT_EQ(device.streamStride, 32u);
    EXPECT_EQ(device.textures[0], floor()->GetTileTexture());
    EXPECT_EQ(device.textures[1], floor()->GetLightmapTexture());
    const D3DMATRIX& world = device.transforms[D3DTS_WORLD];
    EXPECT_EQ(std::memcmp(&world, &g_mIdentity, sizeof(world)), 0);
}

TEST_F(SurfaceTest, SetRoomRebuildsBuffersAndLightmapButKeepsTileTexture) {
    floor()->Render();
    IDirect3DTexture8* tile = floor()->GetTileTexture();
    ASSERT_NE(tile, nullptr);
    ASSERT_NE(floor()->GetLightmapTexture(), nullptr);
    device.Clear();
    Nodes()[9].floorTile = NODE_EMPTY;
    floor()->SetRoom(0);
    EXPECT_EQ(floor()->GetVertexBuffer(), nullptr);
    EXPECT_EQ(floor()->GetIndexBuffer(), nullptr);
    floor()->Render();
    EXPECT_EQ(floor()->GetQuadCount(), 63u);
    EXPECT_EQ(CountLog("CreateVB"), 1u);
    EXPECT_EQ(CountLog("CreateIB"), 1u);
    EXPECT_EQ(floor()->GetTileTexture(), tile);
    // The lightmap comes again from the cache file that New saved: a full mip chain.
    EXPECT_TRUE(std::filesystem::exists("gfx/lightmaps/LMP0001.tga"));
    const auto created = device.Matching("CreateTexture 256 256");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_NE(created[0].rfind("CreateTexture 256 256 1 ", 0), 0u);
    EXPECT_EQ(CountLog("DrawIndexed"), 16u);
}

TEST_F(SurfaceTest, DeviceObjectsReleasedTwiceAndRebuiltOnNextRender) {
    floor()->Render();
    ceil()->Render();
    ASSERT_GT(device.liveResources, 0);
    floor()->InvalidateDeviceObjects();
    ceil()->InvalidateDeviceObjects();
    floor()->InvalidateDeviceObjects();  // the second request of a device loss
    ceil()->InvalidateDeviceObjects();
    EXPECT_EQ(floor()->GetVertexBuffer(), nullptr);
    EXPECT_EQ(floor()->GetTileTexture(), nullptr);
    EXPECT_EQ(floor()->GetLightmapTexture(), nullptr);
    // Walls still hold theirs only if drawn; they were not.
    EXPECT_EQ(device.liveResources, 0);
    device.Clear();
    floor()->Render();
    EXPECT_EQ(CountLog("DrawIndexed"), 16u);
    EXPECT_NE(floor()->GetTileTexture(), nullptr);
}

TEST_F(SurfaceTest, FailedBufferCreationRetriesOnTheNextFrame) {
    device.createVertexBufferResult = E_OUTOFMEMORY;
    floor()->Render();
    EXPECT_EQ(floor()->GetVertexBuffer(), nullptr);
    EXPECT_EQ(CountLog("DrawIndexed"), 0u);
    device.createVertexBufferResult = D3D_OK;
    floor()->Render();
    EXPECT_EQ(CountLog("DrawIndexed"), 16u);
}

TEST_F(SurfaceTest, LightmapWithoutCacheIsUploadedFromTheTexels) {
    std::filesystem::remove("gfx/lightmaps/LMP0000.tga");
    for (int i = 0; i < 256 * 256; ++i) ceil()->GetTexels()[i] = 0xFF000000u | uint32_t(i);
    ceil()->Render();
    auto* tex = static_cast<quiltest::FakeTexture*>(ceil()->GetLightmapTexture());
    ASSERT_NE(tex, nullptr);
    EXPECT_EQ(tex->width, 256u);
    EXPECT_EQ(tex->GetLevelCount(), 1u);
    EXPECT_EQ(tex->format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(tex->Texel(3, 2) & 0xFFFFFFu, uint32_t(2 * 256 + 3));
    EXPECT_EQ(tex->Texel(255, 255) & 0xFFFFFFu, uint32_t(255 * 256 + 255));
}

TEST_F(SurfaceTest, BuiltLightmapWithoutLightsIsAmbientBlurred) {
    floor()->BuildLightmap(1);
    const uint32_t* t = floor()->GetTexels();
    EXPECT_EQ(t[0], 0xFF202020u);              // border stays
    EXPECT_EQ(t[128 * 256 + 128], 0xFF1E1E1Eu);  // 32 becomes 30 and stays there
    EXPECT_EQ(std::filesystem::file_size("gfx/lightmaps/LMP0001.tga"), 196626u);
}

}  // namespace
