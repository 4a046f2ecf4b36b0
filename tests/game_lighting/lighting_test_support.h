// Shared set-up of the lighting tests.
#pragma once
#include "game_world_support.h"

namespace lighting_test {

// A house of one room with a partition along x = 0 (between node columns 3 and 4).
inline void WriteRoomFile(const char* name) {
    quiltest::FileRoom room;
    for (int row = 0; row < 8; ++row) room.WallEast(3, row, 0);
    quiltest::WriteBytes(name, quiltest::EncodeLevel(1, 1, 0, {room}));
}

}  // namespace lighting_test
