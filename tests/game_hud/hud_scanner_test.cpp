// The scanner: world to map, the quads of the panels and blips in their order,
// the present icon's atlas row, the map of the room's walls and the walkers'
// view wedges.
#include <cmath>

#include "hud_test_support.h"

namespace hud_test {
namespace {

constexpr float kScale = 1.25f;  // 800x600 over 640x480

float Cell() { return GetLevel()->GetCellSize(); }
float OriginX() { return GetLevel()->GetOriginX(); }
float OriginZ() { return GetLevel()->GetOriginZ(); }

// The centre of quad q of the quad vertex buffer, in virtual pixels.
void QuadCentre(const std::vector<ScreenVertex>& v, uint32_t q, float* x, float* y) {
    *x = (v[4 * q].x + v[4 * q + 2].x) / 2.0f / kScale;
    *y = (v[4 * q].y + v[4 * q + 2].y) / 2.0f / kScale;
}

TEST_F(HudTest, WorldToMapSpansTheScannerWithLargerZUpwards) {
    float x, y;
    // Four cells across and three up from the grid origin is the scanner's centre.
    hud.WorldToMap(OriginX() + 4 * Cell(), OriginZ() + 3 * Cell(), &x, &y);
    EXPECT_FLOAT_EQ(x, 555.0f);
    EXPECT_FLOAT_EQ(y, 395.0f);
    // The room's corners: -x/+z edge at the top left, +x/-z edge at the bottom right.
    hud.WorldToMap(-128.0f, 96.0f, &x, &y);
    EXPECT_FLOAT_EQ(x, 480.0f);
    EXPECT_FLOAT_EQ(y, 320.0f);
    hud.WorldToMap(128.0f, -160.0f, &x, &y);
    EXPECT_FLOAT_EQ(x, 630.0f);
    EXPECT_FLOAT_EQ(y, 470.0f);
    // Outside the room the result leaves the scanner; it is not clipped.
    hud.WorldToMap(384.0f, 352.0f, &x, &y);
    EXPECT_FLOAT_EQ(x, 780.0f);
    EXPECT_FLOAT_EQ(y, 170.0f);
}

TEST_F(HudTest, FixedPanelsAreScaledToTheBackBufferAtTheQuadDepth) {
    hud.CreateQuadBuffers();
    const auto v = Vertices(hud.GetQuadVertexBuffer());
    ASSERT_EQ(v.size(), 128u);
    // Quad 0, the scanner: the whole map texture, white.
    EXPECT_FLOAT_EQ(v[0].x, 600.0f);
    EXPECT_FLOAT_EQ(v[0].y, 400.0f);
    EXPECT_FLOAT_EQ(v[2].x, 600.0f + 187.5f);
    EXPECT_FLOAT_EQ(v[2].y, 400.0f + 187.5f);
    EXPECT_EQ(v[0].colour, 0xFFFFFFFFu);
    // Quad 1, the crosshair, centred on the screen; corners in the order
    // top-left, top-right, bottom-right, bottom-left.
    const ScreenVertex* c = &v[4];
    EXPECT_FLOAT_EQ(c[0].x, 387.5f);
    EXPECT_FLOAT_EQ(c[0].y, 287.5f);
    EXPECT_FLOAT_EQ(c[2].x, 412.5f);
    EXPECT_FLOAT_EQ(c[2].y, 312.5f);
    EXPECT_EQ(c[0].colour, 0xFF808080u);
    EXPECT_FLOAT_EQ(c[0].u, 0.125f);
    EXPECT_FLOAT_EQ(c[0].v, 0.0f);
    EXPECT_FLOAT_EQ(c[2].u, 0.25f);
    EXPECT_FLOAT_EQ(c[2].v, 0.125f);
    for (uint32_t i = 0; i < 4 * (hud.GetQuadCount() + 1); ++i) {
        EXPECT_FLOAT_EQ(v[i].z, 0.01f);
        EXPECT_FLOAT_EQ(v[i].rhw, 0.01f);
    }
}

TEST_F(HudTest, PresentCarriedUnseenNoGoblinsGivesTheQuadsInOrder) {
    source.playerX = OriginX() + 4 * Cell();
    source.playerZ = OriginZ() + 3 * Cell();
    source.walkers = {{0.0f, 0.0f, 0.0f}, {-64.0f, 32.0f, 1.0f}};
    source.starActive = true;
    source.star = {-96.0f, 64.0f, 0.0f};
    hud.CreateQuadBuffers();
    ASSERT_EQ(hud.GetQuadCount(), 8u);  // crosshair, health, time, player, 2 walkers, star, present icon
    const auto v = Vertices(hud.GetQuadVertexBuffer());
    const uint32_t expected[] = {0xFF808080, 0xFFC84040, 0xFFC8C864, 0xFFFFFF00, 0xFF00FFFF, 0xFF00FFFF,
                                 0xFFFFFFFF, 0xFF64C864};
    for (uint32_t q = 1; q <= 8; ++q) EXPECT_EQ(v[4 * q].colour, expected[q - 1]) << "quad " << q;

    float x, y, mx, my;
    QuadCentre(v, 4, &x, &y);  // the player's blip at the scanner's centre, 10 x 10
    EXPECT_NEAR(x, 555.0f, 1e-3f);
    EXPECT_NEAR(y, 395.0f, 1e-3f);
    EXPECT_NEAR(v[18].x - v[16].x, 10.0f * kScale, 1e-3f);
    for (uint32_t w = 0; w < 2; ++w) {
        QuadCentre(v, 5 + w, &x, &y);
        hud.WorldToMap(source.walkers[w].x, source.walkers[w].z, &mx, &my);
        EXPECT_NEAR(x, mx, 1e-3f);
        EXPECT_NEAR(y, my, 1e-3f);
    }
    QuadCentre(v, 7, &x, &y);
    hud.WorldToMap(-96.0f, 64.0f, &mx, &my);
    EXPECT_NEAR(x, mx, 1e-3f);
    EXPECT_NEAR(y, my, 1e-3f);
    EXPECT_NEAR(v[30].x - v[28].x, 15.0f * kScale, 1e-3f);
    // The present icon shows the atlas row below its own picture while the present is carried.
    EXPECT_FLOAT_EQ(v[32].v, 0.25f);
    EXPECT_FLOAT_EQ(v[34].v, 0.5f);
    EXPECT_FLOAT_EQ(v[32].u, 0.75f);
    EXPECT_FLOAT_EQ(v[32].x, 280.0f * kScale);
}

TEST_F(HudTest, SpottedPresentInRoomAndGoblinsAddTheirQuads) {
    source.spotted = true;
    source.presentActive = true;
    source.present = {32.0f, -32.0f, 0.0f};
    source.goblins = {{10.0f, 10.0f, 0.0f}, {-10.0f, -10.0f, 0.0f}};
    hud.CreateQuadBuffers();
    // crosshair, health, time, player, spotted, present, present icon, 2 goblins
    ASSERT_EQ(hud.GetQuadCount(), 9u);
    const auto v = Vertices(hud.GetQuadVertexBuffer());
    EXPECT_EQ(v[20].colour, 0xFF00FFFFu);  // spotted panel after the player's blip
    EXPECT_FLOAT_EQ(v[20].x, 270.0f * kScale);
    EXPECT_FLOAT_EQ(v[20].y, 0.0f);
    EXPECT_FLOAT_EQ(v[20].v, 0.25f);
    EXPECT_EQ(v[24].colour, 0xFF64C864u);  // present blip
    EXPECT_EQ(v[28].colour, 0xFF64C864u);  // present icon, its own row
    EXPECT_FLOAT_EQ(v[28].v, 0.0f);
    EXPECT_FLOAT_EQ(v[30].v, 0.25f);
    EXPECT_EQ(v[32].colour, 0xFFFF0000u);  // goblins last
    EXPECT_EQ(v[36].colour, 0xFFFF0000u);

    // Every frame's Update rewrites the quads: the present picked up, the goblins gone.
    source.presentActive = false;
    source.goblins.clear();
    source.spotted = false;
    hud.Update(0.02f);
    EXPECT_EQ(hud.GetQuadCount(), 5u);
    EXPECT_FLOAT_EQ(Vertices(hud.GetQuadVertexBuffer())[20].v, 0.25f);  // quad 5: the present icon, next row
}

TEST_F(HudTest, MoreBlipsThanTheBufferHoldsAreDroppedNotWrittenPastIt) {
    source.spotted = true;
    source.presentActive = source.starActive = true;
    source.walkers.assign(40, {0.0f, 0.0f, 0.0f});
    source.goblins.assign(10, {0.0f, 0.0f, 0.0f});
    hud.CreateQuadBuffers();
    EXPECT_EQ(hud.GetQuadCount(), HUD::MAX_QUADS - 1);
    hud.CreateWedgeBuffers();
    EXPECT_EQ(hud.GetWedgeCount(), HUD::MAX_WEDGES);
}

TEST_F(HudTest, IndexBuffersHoldTheQuadAndWedgeIndices) {
    hud.RestoreDeviceObjects();
    EXPECT_EQ(device.Matching("CreateVB 3584 520 324 0").size(), 1u);  // dynamic, write-only, FVF 0x144, default pool
    EXPECT_EQ(device.Matching("CreateVB 504 520 324 0").size(), 1u);
    EXPECT_EQ(device.Matching("CreateIB 384 8 101 1").size(), 1u);      // write-only, 16-bit, managed
    EXPECT_EQ(device.Matching("CreateIB 36 8 101 1").size(), 1u);
    EXPECT_EQ(device.Matching("CreateTexture 64 64 1 0 22 1").size(), 1u);  // X8R8G8B8, managed

    const auto quads = Indices(hud.GetQuadIndexBuffer());
    ASSERT_EQ(quads.size(), 192u);
    for (uint16_t k = 0; k < 32; ++k) {
        const uint16_t expected[6] = {uint16_t(4 * k), uint16_t(4 * k + 1), uint16_t(4 * k + 2),
                                      uint16_t(4 * k), uint16_t(4 * k + 2), uint16_t(4 * k + 3)};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(quads[6 * k + i], expected[i]);
    }
    const auto wedges = Indices(hud.GetWedgeIndexBuffer());
    ASSERT_EQ(wedges.size(), 18u);
    for (uint16_t i = 0; i < 18; ++i) EXPECT_EQ(wedges[i], i);
}

TEST_F(HudTest, IndexBufferThatCannotBeLockedIsLeftUnfilled) {
    device.failIndexLocks = true;
    hud.RestoreDeviceObjects();
    EXPECT_NE(hud.GetQuadIndexBuffer(), nullptr);
    for (uint16_t i : Indices(hud.GetQuadIndexBuffer())) EXPECT_EQ(i, 0);
}

// Map texels: node (col, row) covers columns 8col..8col+7, rows 8row..8row+7.
TEST_F(HudTest, MapDrawsTheRoomsWallsInWhiteOnBlack) {
    Node* nodes = GetLevel()->GetNodeMap(0);
    // A wall between rows 3 and 4 under column 2, marked on both sides.
    nodes[2 + 3 * 8].walls[WALL_NEG_Z] = 1;
    nodes[2 + 4 * 8].walls[WALL_POS_Z] = 1;
    // A wall between columns 5 and 6 on row 1, both sides.
    nodes[5 + 1 * 8].walls[WALL_POS_X] = 1;
    nodes[6 + 1 * 8].walls[WALL_NEG_X] = 1;
    hud.RestoreDeviceObjects();
    ASSERT_NE(hud.GetMapTexture(), nullptr);
    const uint32_t white = 0xFFFFFFFF, black = 0xFF000000;

    // The outer walls frame the map.
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(MapTexel(i, 0), white) << i;
        EXPECT_EQ(MapTexel(i, 63), white) << i;
        EXPECT_EQ(MapTexel(0, i), white) << i;
        EXPECT_EQ(MapTexel(63, i), white) << i;
    }
    // Between two rows: two texels thick (row 32 from node row 3, row 31 from row 4).
    for (int x = 16; x < 24; ++x) {
        EXPECT_EQ(MapTexel(x, 31), white) << x;
        EXPECT_EQ(MapTexel(x, 32), white) << x;
        EXPECT_EQ(MapTexel(x, 30), black) << x;
        EXPECT_EQ(MapTexel(x, 33), black) << x;
    }
    EXPECT_EQ(MapTexel(15, 31), black);
    EXPECT_EQ(MapTexel(24, 32), black);
    // Between two columns: one texel in each node (columns 47 and 48).
    for (int y = 8; y < 16; ++y) {
        EXPECT_EQ(MapTexel(47, y), white) << y;
        EXPECT_EQ(MapTexel(48, y), white) << y;
        EXPECT_EQ(MapTexel(46, y), black) << y;
        EXPECT_EQ(MapTexel(49, y), black) << y;
    }
    // A node with no walls leaves its block black.
    for (int y = 40; y < 48; ++y)
        for (int x = 24; x < 32; ++x) EXPECT_EQ(MapTexel(x, y), black) << x << "," << y;
}

TEST_F(HudTest, MapWithoutRoomsStaysBlackWithoutReports) {
    GetLevel()->Free();
    hud.RestoreDeviceObjects();
    ASSERT_NE(hud.GetMapTexture(), nullptr);
    for (int y = 0; y < 64; y += 7)
        for (int x = 0; x < 64; x += 7) EXPECT_EQ(MapTexel(x, y), 0xFF000000u);
    EXPECT_EQ(BoxCount(), 0u);
    GetLevel()->New();
}

// A map texture that cannot be made is reported once per attempt; drawing the
// map then stops instead of asking for the texture again and again.
TEST_F(HudTest, MapTextureThatCannotBeMadeIsReportedAndDrawingGoesOn) {
    device.createTextureResult = E_OUTOFMEMORY;
    // The map's report is ignored; the atlas, which fails too, is a fatal trap that goes on.
    quil_automation::QueueMessageBoxAnswer(IDIGNORE);
    quil_automation::QueueMessageBoxAnswer(IDYES);
    hud.RestoreDeviceObjects();
    EXPECT_EQ(hud.GetMapTexture(), nullptr);
    EXPECT_TRUE(AnyBoxSays("Could not create level HUD texture"));
    EXPECT_EQ(BoxCount(), 2u);
    EXPECT_NE(hud.GetQuadVertexBuffer(), nullptr);
    quil_automation::QueueMessageBoxAnswer(IDIGNORE);
    quil_automation::QueueMessageBoxAnswer(IDYES);
    hud.DrawLevelMap();
    EXPECT_EQ(BoxCount(), 4u);
}

TEST_F(HudTest, WedgeReachesAlongTheHeadingAndToEitherSide) {
    ScreenVertex v[3];
    float mx, my;
    // Heading 0 faces +z: the far corners lie 100 ahead, 62 to either side.
    hud.BuildWedge(0.0f, 0.0f, 0.0f, v);
    hud.WorldToMap(0.0f, 0.0f, &mx, &my);
    EXPECT_NEAR(v[0].x, mx * kScale, 1e-3f);
    EXPECT_NEAR(v[0].y, my * kScale, 1e-3f);
    hud.WorldToMap(-62.0f, 100.0f, &mx, &my);
    EXPECT_NEAR(v[1].x, mx * kScale, 1e-3f);
    EXPECT_NEAR(v[1].y, my * kScale, 1e-3f);
    hud.WorldToMap(62.0f, 100.0f, &mx, &my);
    EXPECT_NEAR(v[2].x, mx * kScale, 1e-3f);
    EXPECT_NEAR(v[2].y, my * kScale, 1e-3f);
    for (const ScreenVertex& p : v) {
        EXPECT_FLOAT_EQ(p.z, 0.5f);
        EXPECT_FLOAT_EQ(p.rhw, 0.5f);
        EXPECT_EQ(p.colour, 0xFF008080u);
    }
    // Heading pi/2 faces +x: the wedge opens to the right on the map, from a walker off the centre.
    hud.BuildWedge(-32.0f, 10.0f, 1.5707964f, v);
    hud.WorldToMap(68.0f, 72.0f, &mx, &my);
    EXPECT_NEAR(v[1].x, mx * kScale, 1e-2f);
    EXPECT_NEAR(v[1].y, my * kScale, 1e-2f);
    hud.WorldToMap(68.0f, -52.0f, &mx, &my);
    EXPECT_NEAR(v[2].x, mx * kScale, 1e-2f);
    EXPECT_NEAR(v[2].y, my * kScale, 1e-2f);
    EXPECT_GT(v[1].x, v[0].x);
    EXPECT_LT(v[1].y, v[2].y);  // larger z is higher on the map
}

TEST_F(HudTest, FillWedgesWritesOneTrianglePerWalker) {
    source.walkers = {{0.0f, 0.0f, 0.0f}, {32.0f, -64.0f, 3.1415927f}};
    hud.CreateWedgeBuffers();
    EXPECT_EQ(hud.GetWedgeCount(), 2u);
    const auto v = Vertices(hud.GetWedgeVertexBuffer());
    ASSERT_EQ(v.size(), 18u);
    ScreenVertex expected[3];
    hud.BuildWedge(32.0f, -64.0f, 3.1415927f, expected);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(v[3 + i].x, expected[i].x);
        EXPECT_FLOAT_EQ(v[3 + i].y, expected[i].y);
    }
    // Facing -z, the second walker's wedge opens downwards on the map.
    EXPECT_GT(v[4].y, v[3].y);
}

}  // namespace
}  // namespace hud_test
