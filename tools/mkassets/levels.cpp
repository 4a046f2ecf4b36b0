#include "levels.h"

#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>

namespace mkassets {
namespace {

constexpr float kPi = 3.14159265f;
constexpr uint8_t kNone = 255;

enum Prop : uint8_t {
    kLamp = 0, kTable, kTv, kShade, kPicture, kDoor, kPicture2, kChairs, kSofa, kSofaChair, kDraws, kArch, kTree
};

// World centre of node (col, row): row 0 lies at the largest z.
float NodeX(int col) { return -128.0f + 32.0f * col + 16.0f; }
float NodeZ(int row) { return -128.0f + 32.0f * (7 - row) - 16.0f; }

// The props that one map character stands for.
std::vector<uint8_t> PropsOf(char c) {
    switch (c) {
        case 'L': return {kLamp};
        case 'B': return {kTable, kChairs};
        case 'b': return {kTable};
        case 'V': return {kTv};
        case 'S': case '*': return {kShade};
        case 'p': return {kPicture};
        case 'D': return {kDoor};
        case 'q': return {kPicture2};
        case 'C': return {kChairs};
        case 'F': return {kSofa};
        case 'A': return {kSofaChair};
        case 'W': return {kDraws};
        case 'R': return {kArch};
        case 'T': return {kTree};
        default: return {};
    }
}

// Props are modelled facing -z; the angle turns that front toward the given map direction.
float AngleFor(char facing) {
    switch (facing) {
        case '^': return kPi;             // toward +z
        case '<': return kPi * 0.5f;      // toward -x
        case '>': return kPi * 1.5f;      // toward +x
        default: return 0.0f;             // toward -z
    }
}

[[noreturn]] void Fail(const LevelDesign& d, const std::string& what) {
    throw std::runtime_error(std::string("level \"") + d.name + "\": " + what);
}

}  // namespace

RoomData BuildRoom(const LevelDesign& d) {
    RoomData room;
    for (size_t i = 0; i < d.map.size(); ++i)
        if (std::strlen(d.map[i]) != 33) Fail(d, "map line " + std::to_string(i) + " is not 33 characters");
    for (size_t i = 0; i < d.zones.size(); ++i)
        if (std::strlen(d.zones[i]) != 8) Fail(d, "zone line " + std::to_string(i) + " is not 8 characters");

    std::map<char, ZoneStyle> styles;
    for (const ZoneStyle& s : d.styles) styles[s.id] = s;
    auto inside = [&](int c, int r) { return c >= 0 && r >= 0 && c < 8 && r < 8 && d.zones[r][c] != '#'; };
    auto style = [&](int c, int r) -> const ZoneStyle& {
        auto it = styles.find(d.zones[r][c]);
        if (it == styles.end()) Fail(d, std::string("zone '") + d.zones[r][c] + "' has no style");
        return it->second;
    };

    // Partitions drawn in the map: wall between a node and its +z (row - 1) or -x (col - 1) neighbour.
    auto mapWallAbove = [&](int c, int r) { return d.map[2 * r][4 * c + 2] == '-'; };
    auto mapWallLeft = [&](int c, int r) { return d.map[2 * r + 1][4 * c] == '|'; };

    // A side gets a wall when the map draws one or when the neighbour lies outside the house.
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) {
            if (!inside(c, r)) continue;
            NodeData& n = room.nodes[c + r * 8];
            const ZoneStyle& s = style(c, r);
            n.floor = s.floor;
            n.ceiling = s.ceiling;
            const bool wall[4] = {
                !inside(c, r - 1) || mapWallAbove(c, r),
                !inside(c, r + 1) || mapWallAbove(c, r + 1),
                !inside(c - 1, r) || mapWallLeft(c, r),
                !inside(c + 1, r) || mapWallLeft(c + 1, r),
            };
            for (int side = 0; side < 4; ++side)
                if (wall[side]) n.wall[side] = s.wall;
        }

    // Cell contents: props, tree, present spots and the player start.
    std::array<float, 3> tree{};
    bool haveTree = false, haveStart = false;
    std::map<int, std::array<float, 3>> presents;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) {
            const char* cell = d.map[2 * r + 1] + 4 * c + 1;
            const char content = cell[0], facing = cell[1], extra = cell[2];
            const bool empty = content == ' ' || content == '.';
            if (!inside(c, r)) {
                if (!empty || extra != ' ') Fail(d, "content outside the house at node " + std::to_string(c) + "," + std::to_string(r));
                continue;
            }
            NodeData& n = room.nodes[c + r * 8];
            std::vector<uint8_t> props = PropsOf(content);
            for (uint8_t p : PropsOf(extra)) props.push_back(p);
            if (props.size() > 3) Fail(d, "more than three props in one node");
            if (content == 'T') {
                if (haveTree) Fail(d, "two trees");
                tree = {NodeX(c), 0.0f, NodeZ(r)};
                haveTree = true;
            } else if (content == 'P') {
                if (haveStart) Fail(d, "two player starts");
                // The player is placed on the -z edge of the node whose stored row is 6 - row.
                if (r > 6 || n.wall[1] != kNone) Fail(d, "the player start needs an open -z side");
                room.startCol = c;
                room.startRow = 6 - r;
                haveStart = true;
            } else if (content >= '1' && content <= '9') {
                if (presents.count(content - '0')) Fail(d, "present spot used twice");
                presents[content - '0'] = {NodeX(c), 5.0f, NodeZ(r)};
            } else if (!empty && props.empty()) {
                Fail(d, std::string("unknown map character '") + content + "'");
            }
            // Wall-hung props turn away from a wall when no facing is given.
            char face = facing;
            if (face != '^' && face != 'v' && face != '<' && face != '>') {
                face = 'v';
                const char awayFrom[4] = {'v', '^', '>', '<'};
                for (int side = 0; side < 4; ++side)
                    if (n.wall[side] != kNone) { face = awayFrom[side]; break; }
            }
            for (size_t i = 0; i < props.size(); ++i) {
                n.propType[i] = props[i];
                // Lamps keep their modelled orientation: their light does not turn with them.
                n.propAngle[i] = props[i] == kLamp ? 0.0f : AngleFor(face);
            }
        }
    if (!haveTree) Fail(d, "no tree");
    if (!haveStart) Fail(d, "no player start");
    room.points.push_back(tree);
    int expect = 1;
    for (const auto& [k, p] : presents) {
        if (k != expect++) Fail(d, "present spots must be numbered 1, 2, 3 ... without gaps");
        room.points.push_back(p);
    }
    if (room.points.size() > 10) Fail(d, "more than nine present spots");

    for (const auto& path : d.paths) {
        std::vector<std::pair<float, float>> pts;
        for (const auto& [c, r] : path) {
            if (!inside(c, r)) Fail(d, "patrol point outside the house");
            pts.emplace_back(NodeX(c), NodeZ(r));
        }
        room.paths.push_back(pts);
    }
    if (room.paths.size() > 6) Fail(d, "more than six walkers");
    return room;
}

std::vector<uint8_t> EncodeLevelFile(const RoomData& room) {
    Bytes b;
    b.u32(1);  // flags: rooms present
    b.u32(1);  // room count
    b.u32(0);  // current room
    b.u32(0);  // room array slot
    b.u32(0);
    b.u32(room.startCol);
    b.u32(room.startRow);
    b.u32(static_cast<uint32_t>(room.points.size()));
    for (size_t i = 0; i < 10; ++i)
        for (int k = 0; k < 3; ++k) b.f32(i < room.points.size() ? room.points[i][k] : 0.0f);
    b.u32(0);
    b.zeros(120);
    b.u32(0);  // floor, ceiling and walls object slots
    b.u32(0);
    b.u32(0);
    uint32_t propIndex = 0;  // numbered in load order (row, column, slot), as a saved level holds them
    for (const NodeData& n : room.nodes) {
        b.zeros(8);
        for (uint8_t w : n.wall) b.u8(w);
        for (uint8_t t : n.propType) b.u8(t == kNone ? kNone : propIndex++);
        for (uint8_t t : n.propType) b.u8(t);
        b.u8(n.floor);
        b.u8(n.ceiling);
        for (float a : n.propAngle) b.f32(a);
    }
    return b.data();
}

std::vector<uint8_t> EncodeEnemyFile(const RoomData& room) {
    Bytes b;
    b.u32(1);  // room count
    b.u32(0);
    b.u32(static_cast<uint32_t>(room.paths.size()));
    b.u32(0);
    b.u32(0);
    for (const auto& path : room.paths) {
        b.zeros(12);  // property record
        b.u32(static_cast<uint32_t>(path.size()));
        b.u32(0);
        for (const auto& [x, z] : path) {
            b.f32(x);
            b.f32(z);
        }
    }
    return b.data();
}

void WriteLevels(const std::string& root) {
    const auto& levels = DefaultLevels();
    for (size_t i = 0; i < levels.size(); ++i) {
        const RoomData room = BuildRoom(levels[i]);
        WriteFile(root, "gfx/Level" + std::to_string(i) + ".dat", EncodeLevelFile(room));
        WriteFile(root, "gfx/Enemy" + std::to_string(i) + ".dat", EncodeEnemyFile(room));
    }
}

}  // namespace mkassets
