// The five houses, read back from their level and enemy files: each is a closed, playable room
// within the game's limits, every goal reachable from the start, and the people walk through
// doorways, never through walls or furniture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <queue>
#include <set>
#include <string>
#include <vector>

#include "Level.h"
#include "LevelRenderer.h"
#include "game_world_support.h"

namespace {

std::vector<uint8_t> ReadGenerated(const std::string& rel) {
    quiltest::GeneratedAssetFolder("assets_test");
    return quiltest::ReadBytes(rel);
}
using quiltest::U32At;

constexpr uint8_t kNone = 255;
enum Side { kPlusZ = 0, kMinusZ = 1, kMinusX = 2, kPlusX = 3 };
const int kDc[4] = {0, 0, -1, 1};
const int kDr[4] = {-1, 1, 0, 0};
const int kOpposite[4] = {kMinusZ, kPlusZ, kPlusX, kMinusX};

struct House {
    uint32_t startCol = 0, startRow = 0, pointCount = 0;
    float points[10][3] = {};
    Node nodes[64] = {};  // the game's node record is the file's 32 bytes
    std::vector<std::vector<std::pair<float, float>>> paths;
};
static_assert(sizeof(Node) == 32);

// Reads room 0 and the enemy file's room 0 (the game's loaders check the counts and save both
// files back byte for byte).
House Read(int n) {
    House lv;
    const std::vector<uint8_t> b = ReadGenerated("gfx/Level" + std::to_string(n) + ".dat");
    if (b.size() < 16 + 2320) return lv;
    lv.startCol = U32At(b, 20);
    lv.startRow = U32At(b, 24);
    lv.pointCount = U32At(b, 28);
    std::memcpy(lv.points, &b[32], sizeof(lv.points));
    std::memcpy(lv.nodes, &b[16 + 272], sizeof(lv.nodes));
    const std::vector<uint8_t> e = ReadGenerated("gfx/Enemy" + std::to_string(n) + ".dat");
    if (e.size() < 20) return lv;
    const uint32_t paths = U32At(e, 8);
    size_t p = 20;
    for (uint32_t i = 0; i < paths && p + 20 <= e.size(); ++i) {
        p += 12;
        const uint32_t count = U32At(e, p);
        p += 8;
        std::vector<std::pair<float, float>> pts(std::min<size_t>(count, (e.size() - p) / 8));
        for (auto& xz : pts) {
            std::memcpy(&xz.first, &e[p], 4);
            std::memcpy(&xz.second, &e[p + 4], 4);
            p += 8;
        }
        lv.paths.push_back(pts);
    }
    return lv;
}

bool Inside(const House& lv, int c, int r) { return c >= 0 && r >= 0 && c < 8 && r < 8 && lv.nodes[c + 8 * r].floorTile != kNone; }
bool HasSolid(const House& lv, int c, int r) {
    for (uint8_t t : lv.nodes[c + 8 * r].propType)
        if (t != kNone && t < NUM_DETAIL_OBJECT_TYPES && GetDetailObjectTypeDesc(t)->solid) return true;
    return false;
}
// Whether the player can step from a node across one of its sides.
bool Open(const House& lv, int c, int r, int side) {
    const int nc = c + kDc[side], nr = r + kDr[side];
    return Inside(lv, nc, nr) && lv.nodes[c + 8 * r].walls[side] == kNone && lv.nodes[nc + 8 * nr].walls[kOpposite[side]] == kNone;
}
int ColOf(float x) { return static_cast<int>(std::floor((x + 128.0f) / 32.0f)); }
int RowOf(float z) { return 7 - static_cast<int>(std::floor((z + 128.0f + 32.0f) / 32.0f)); }

// The node the player spawns in: the start column, and the row whose -z edge the stored row names.
std::pair<int, int> StartNode(const House& lv) { return {static_cast<int>(lv.startCol), 6 - static_cast<int>(lv.startRow)}; }

std::set<int> Reachable(const House& lv) {
    std::set<int> seen;
    const auto [sc, sr] = StartNode(lv);
    if (!Inside(lv, sc, sr) || HasSolid(lv, sc, sr)) return seen;
    std::queue<int> q;
    q.push(sc + 8 * sr);
    seen.insert(sc + 8 * sr);
    while (!q.empty()) {
        const int n = q.front();
        q.pop();
        for (int s = 0; s < 4; ++s) {
            const int c = n % 8, r = n / 8, m = (c + kDc[s]) + 8 * (r + kDr[s]);
            if (Open(lv, c, r, s) && !HasSolid(lv, c + kDc[s], r + kDr[s]) && seen.insert(m).second) q.push(m);
        }
    }
    return seen;
}

class LevelFile : public ::testing::TestWithParam<int> {};

}  // namespace

// Within the game's limits, and closed: floor and ceiling inside, walls to the outside, inner walls
// stored on both of their nodes.
TEST_P(LevelFile, AClosedHouseWithinTheLimits) {
    const House lv = Read(GetParam());
    EXPECT_LE(lv.pointCount, 10u);
    int props = 0, lights = 0, wallSides = 0, trees = 0, inside = 0;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) {
            SCOPED_TRACE(std::to_string(c) + "," + std::to_string(r));
            const Node& n = lv.nodes[c + 8 * r];
            for (uint8_t type : n.propType) {
                if (type == kNone) continue;
                ASSERT_LT(type, NUM_DETAIL_OBJECT_TYPES);
                ++props;
                lights += GetDetailObjectTypeDesc(type)->light >= 0;
                trees += type == 12;
            }
            for (uint8_t w : n.walls) wallSides += w != kNone;
            for (uint8_t tile : {n.walls[0], n.walls[1], n.walls[2], n.walls[3], n.floorTile, n.ceilTile})
                EXPECT_TRUE(tile == kNone || tile < 16) << "tile beyond the 4 by 4 atlas";
            if (!Inside(lv, c, r)) {
                EXPECT_EQ(n.ceilTile, kNone);
                for (uint8_t t : n.propType) EXPECT_EQ(t, kNone) << "prop outside the house";
                continue;
            }
            ++inside;
            EXPECT_NE(n.ceilTile, kNone);
            for (int s = 0; s < 4; ++s) {
                const int nc = c + kDc[s], nr = r + kDr[s];
                if (!Inside(lv, nc, nr))
                    EXPECT_NE(n.walls[s], kNone) << "open to the outside on side " << s;
                else
                    EXPECT_EQ(n.walls[s] == kNone, lv.nodes[nc + 8 * nr].walls[kOpposite[s]] == kNone) << "side " << s;
            }
        }
    EXPECT_GE(inside, 40);
    EXPECT_LE(props, 64);
    EXPECT_LE(lights, 16);
    EXPECT_LE(wallSides, 128);  // the wall lightmap holds 128 sides
    EXPECT_EQ(trees, 1);
    EXPECT_GE(lv.paths.size(), 2u);
    for (const auto& p : lv.paths) {
        EXPECT_GE(p.size(), 2u);
        EXPECT_LE(2 * p.size() - 2, 32u) << "the walked tour (out and back) fits 32 points";
    }
}

TEST_P(LevelFile, StartTreePresentsAndPatrolsAreReachable) {
    const House lv = Read(GetParam());
    const auto [sc, sr] = StartNode(lv);
    ASSERT_TRUE(Inside(lv, sc, sr)) << "player start outside the house";
    EXPECT_FALSE(HasSolid(lv, sc, sr));
    // The player stands on the -z edge of the start node: the node beyond must be open floor.
    EXPECT_TRUE(Open(lv, sc, sr, kMinusZ));
    const std::set<int> reach = Reachable(lv);
    // The tree's node holds the tree itself; the player reaches it from an open neighbour.
    const int tc = ColOf(lv.points[0][0]), tr = RowOf(lv.points[0][2]);
    bool treeFound = false;
    for (int k = 0; k < 3; ++k) treeFound |= lv.nodes[tc + 8 * tr].propType[k] == 12;
    EXPECT_TRUE(treeFound) << "point 0 is not at the tree";
    bool treeReached = false;
    for (int s = 0; s < 4; ++s)
        treeReached |= Open(lv, tc, tr, s) && reach.count((tc + kDc[s]) + 8 * (tr + kDr[s]));
    EXPECT_TRUE(treeReached);
    for (uint32_t i = 1; i < lv.pointCount; ++i) {
        const int c = ColOf(lv.points[i][0]), r = RowOf(lv.points[i][2]);
        EXPECT_TRUE(reach.count(c + 8 * r)) << "present spot " << i << " at " << c << "," << r;
    }
    for (size_t p = 0; p < lv.paths.size(); ++p)
        for (const auto& [x, z] : lv.paths[p]) EXPECT_TRUE(reach.count(ColOf(x) + 8 * RowOf(z))) << "path " << p;
}

TEST_P(LevelFile, PatrolsKeepToOpenFloor) {
    const House lv = Read(GetParam());
    const float sx = -128.0f + 32.0f * lv.startCol + 16.0f, sz = -128.0f + 32.0f * lv.startRow;
    for (size_t p = 0; p < lv.paths.size(); ++p) {
        const auto& pts = lv.paths[p];
        // The walker does not stand within sight of the player at the start of play.
        EXPECT_GT(std::hypot(pts[0].first - sx, pts[0].second - sz), 64.0f) << "path " << p;
        for (size_t k = 0; k + 1 < pts.size(); ++k) {
            const auto [x0, z0] = pts[k];
            const auto [x1, z1] = pts[k + 1];
            int c = ColOf(x0), r = RowOf(z0);
            const int steps = 256;
            for (int i = 1; i <= steps; ++i) {
                const float t = static_cast<float>(i) / steps;
                const int nc = ColOf(x0 + (x1 - x0) * t), nr = RowOf(z0 + (z1 - z0) * t);
                if (nc == c && nr == r) continue;
                ASSERT_EQ(std::abs(nc - c) + std::abs(nr - r), 1) << "path " << p << " cuts a corner";
                int side = 0;
                while (c + kDc[side] != nc || r + kDr[side] != nr) ++side;
                EXPECT_TRUE(Open(lv, c, r, side)) << "path " << p << " crosses a wall between " << c << "," << r << " and " << nc << "," << nr;
                EXPECT_FALSE(HasSolid(lv, nc, nr)) << "path " << p << " walks through furniture at " << nc << "," << nr;
                c = nc;
                r = nr;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Houses, LevelFile, ::testing::Range(0, 5));
