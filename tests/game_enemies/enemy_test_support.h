// Shared pieces of the walker tests: a scratch folder with the generated asset
// set (the working directory while the tests run), byte helpers, an enemy file
// writer and a one-room level file writer.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace enemy_test {

// The folder with the generated assets; created and made the working
// directory on first use, removed when the program ends.
const std::string& AssetRoot();

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
uint32_t U32At(const std::vector<uint8_t>& b, size_t at);

using Path = std::vector<std::pair<float, float>>;
using RoomPaths = std::vector<Path>;
// An enemy file as the layout stores it; reserved words and property records
// are filled with the given word so that a reader's ignoring them shows.
std::vector<uint8_t> EncodeEnemyFile(const std::vector<RoomPaths>& rooms, uint32_t reserved = 0);

// A one-room level: outer walls, floor and ceiling everywhere, plus the inner
// walls given as {col, row} with a wall on the node's +z side (toward row - 1).
std::vector<uint8_t> EncodeLevel(const std::vector<std::pair<int, int>>& wallsNorth);

// Centre of node (col, row).
float CentreX(int col);
float CentreZ(int row);

}  // namespace enemy_test
