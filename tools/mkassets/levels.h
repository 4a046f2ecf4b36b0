// The five default houses: readable per-level maps turned into level and enemy files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "bytes.h"

namespace mkassets {

// Surface tiles of one zone of a house (indices into the 4 by 4 atlases).
struct ZoneStyle {
    char id;
    uint8_t floor, wall, ceiling;
};

// One house as its designer writes it.
//  map:   17 lines of 33 characters. Even lines hold '+' corners and "---" walls (or blanks) across
//         the top of each node; odd lines hold '|' walls (or blanks) and a 3-character cell per node:
//         content, facing ('^' +z, 'v' -z, '<' -x, '>' +x, anything else: automatic) and an extra prop.
//  zones: 8 lines of 8 zone ids ('#' is outside the house: no floor, ceiling or walls).
//  paths: patrol routes of the walkers as node (column, row) waypoints.
struct LevelDesign {
    const char* name;
    std::array<const char*, 17> map;
    std::array<const char*, 8> zones;
    std::vector<ZoneStyle> styles;
    std::vector<std::vector<std::pair<int, int>>> paths;
};

// The house in the file's terms: one room of 64 nodes, its points, start and patrol paths.
struct NodeData {
    uint8_t wall[4] = {255, 255, 255, 255};  // +z, -z, -x, +x
    uint8_t propType[3] = {255, 255, 255};
    float propAngle[3] = {0, 0, 0};
    uint8_t floor = 255, ceiling = 255;
};

struct RoomData {
    uint32_t startCol = 0, startRow = 0;
    std::vector<std::array<float, 3>> points;  // point 0 is the tree, then the present spots
    std::array<NodeData, 64> nodes;
    std::vector<std::vector<std::pair<float, float>>> paths;  // world (x, z) per point
};

const std::vector<LevelDesign>& DefaultLevels();

// Parses a design into room data; throws std::runtime_error with the level name on a malformed map.
RoomData BuildRoom(const LevelDesign& design);

std::vector<uint8_t> EncodeLevelFile(const RoomData& room);
std::vector<uint8_t> EncodeEnemyFile(const RoomData& room);

// Writes gfx/Level0.dat .. gfx/Level4.dat and gfx/Enemy0.dat .. gfx/Enemy4.dat.
void WriteLevels(const std::string& root);

}  // namespace mkassets
