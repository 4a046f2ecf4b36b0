// Shared pieces of the walker tests: the generated asset set in a scratch
// folder (the working directory while the tests run) and an enemy file writer.
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

using Path = std::vector<std::pair<float, float>>;
using RoomPaths = std::vector<Path>;

// An enemy file as the layout stores it, reserved words and property records 0.
inline std::vector<uint8_t> EncodeEnemyFile(const std::vector<RoomPaths>& rooms) {
    using quiltest::Put32;
    std::vector<uint8_t> b;
    Put32(b, static_cast<uint32_t>(rooms.size()));
    Put32(b, 0);
    for (const RoomPaths& room : rooms) {
        Put32(b, static_cast<uint32_t>(room.size()));
        Put32(b, 0);
        Put32(b, 0);
        for (const Path& path : room) {
            for (int i = 0; i < 3; ++i) Put32(b, 0);
            Put32(b, static_cast<uint32_t>(path.size()));
            Put32(b, 0);
            for (const auto& [x, z] : path) {
                quiltest::PutF(b, x);
                quiltest::PutF(b, z);
            }
        }
    }
    return b;
}

}  // namespace enemy_test
