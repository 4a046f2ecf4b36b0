#include "enemy_test_support.h"

namespace enemy_test {

using quiltest::Put32;
using quiltest::PutF;

std::vector<uint8_t> EncodeEnemyFile(const std::vector<RoomPaths>& rooms, uint32_t reserved) {
    std::vector<uint8_t> b;
    Put32(b, static_cast<uint32_t>(rooms.size()));
    Put32(b, reserved);
    for (const RoomPaths& room : rooms) {
        Put32(b, static_cast<uint32_t>(room.size()));
        Put32(b, reserved);
        Put32(b, reserved);
        for (const Path& path : room) {
            for (int i = 0; i < 3; ++i) Put32(b, reserved);
            Put32(b, static_cast<uint32_t>(path.size()));
            Put32(b, reserved);
            for (const auto& [x, z] : path) {
                PutF(b, x);
                PutF(b, z);
            }
        }
    }
    return b;
}

std::vector<uint8_t> EncodeLevel(const std::vector<std::pair<int, int>>& wallsNorth) {
    quiltest::FileRoom room;
    room.startX = 3;
    room.startZ = 3;
    room.pointCount = 1;  // the tree only
    for (const auto& [col, row] : wallsNorth) room.WallNorth(col, row);
    return quiltest::EncodeLevel(1, 1, 0, {room});
}

}  // namespace enemy_test
