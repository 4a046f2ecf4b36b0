// Shared pieces of the walker tests: the generated asset set in a scratch
// folder (the working directory while the tests run), an enemy file writer
// and a one-room level file writer.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "game_world_support.h"

namespace enemy_test {

// The folder with the generated assets; created and made the working
// directory on first use, removed when the program ends.
inline const std::string& AssetRoot() { return quiltest::GeneratedAssetFolder("game_enemies_test"); }

using quiltest::CentreX;
using quiltest::CentreZ;
using quiltest::ReadBytes;
using quiltest::U32At;
using quiltest::WriteBytes;

using Path = std::vector<std::pair<float, float>>;
using RoomPaths = std::vector<Path>;
// An enemy file as the layout stores it; reserved words and property records
// are filled with the given word so that a reader's ignoring them shows.
std::vector<uint8_t> EncodeEnemyFile(const std::vector<RoomPaths>& rooms, uint32_t reserved = 0);

// A one-room level: outer walls, floor and ceiling everywhere, plus the inner
// walls given as {col, row} with a wall on the node's +z side (toward row - 1).
std::vector<uint8_t> EncodeLevel(const std::vector<std::pair<int, int>>& wallsNorth);

}  // namespace enemy_test
