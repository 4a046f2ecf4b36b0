// Shared pieces of the level tests: a scratch folder holding the generated
// asset set (the working directory while the tests run) and a writer of
// level files built node by node.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace level_test {

// The folder with the generated assets; created (and made the working
// directory) on first use, removed when the program ends.
const std::string& AssetRoot();

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// One room as the file stores it.
struct FileRoom {
    uint32_t reserved0 = 0, startX = 0, startZ = 0, pointCount = 0;
    float points[10][3] = {};
    uint32_t reserved136 = 0;
    struct FileNode {
        uint8_t reserved[8] = {};
        uint8_t walls[4] = {255, 255, 255, 255};
        uint8_t propIndex[3] = {255, 255, 255};
        uint8_t propType[3] = {255, 255, 255};
        uint8_t floorTile = 0, ceilTile = 0;
        float angle[3] = {};
    } nodes[64];

    FileRoom();  // outer walls of texture 0
    FileNode& At(int col, int row) { return nodes[col + row * 8]; }
    // A wall between node (col, row) and its +x neighbour, stored on both sides.
    void WallEast(int col, int row, uint8_t tex = 1);
    // A wall between node (col, row) and its +z neighbour (row - 1), on both sides.
    void WallNorth(int col, int row, uint8_t tex = 1);
};

std::vector<uint8_t> EncodeLevel(uint32_t flags, uint32_t roomCount, uint32_t currentRoom,
                                 const std::vector<FileRoom>& rooms);

// Centre of node (col, row) at height y.
float CentreX(int col);
float CentreZ(int row);

}  // namespace level_test
