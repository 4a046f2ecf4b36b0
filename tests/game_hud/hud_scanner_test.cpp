// The scanner: world to map, the quads of the panels and blips in their order,
// the present icon's atlas row, the map of the room's walls and the walkers'
// view wedges.
#include <cmath>

#include "hud_test_support.h"

namespace hud_test {
namespace {

TEST_F(HudTest, WorldToMapSpansTheScannerWithLargerZUpwards) {
    float x, y;
    // The room's -x/+z corner is the scanner's top left.
    hud.WorldToMap(-128.0f, 96.0f, &x, &y);
    EXPECT_FLOAT_EQ(x, 480.0f);
    EXPECT_FLOAT_EQ(y, 320.0f);
    // Outside the room the result leaves the scanner; it is not clipped.
    hud.WorldToMap(384.0f, 352.0f, &x, &y);
    EXPECT_FLOAT_EQ(x, 780.0f);
    EXPECT_FLOAT_EQ(y, 170.0f);
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

    struct Texel { int x, y; bool wall; };
    const Texel texels[] = {
        {0, 20, true}, {63, 40, true}, {20, 0, true}, {40, 63, true},      // the outer walls frame the map
        {16, 31, true}, {23, 32, true}, {20, 30, false}, {20, 33, false},  // two rows: row 32 from node row 3, 31 from 4
        {15, 31, false}, {24, 32, false},
        {47, 8, true}, {48, 15, true}, {46, 10, false}, {49, 10, false},   // two columns: one texel in each node
        {24, 40, false}, {31, 47, false},                                  // a node with no walls stays black
    };
    for (const Texel& t : texels) EXPECT_EQ(MapTexel(t.x, t.y), t.wall ? white : black) << t.x << "," << t.y;
}

}  // namespace
}  // namespace hud_test
