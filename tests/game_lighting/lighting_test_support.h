// Shared set-up of the lighting tests: a scratch working directory, recorded
// message boxes, and a level file of one room with a partition wall.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "quil_automation.h"

namespace lighting_test {

// Runs a test in a fresh directory, with the gfx/lightmaps folder unless told not to.
class ScratchDir {
public:
    explicit ScratchDir(bool withLightmapFolder = true) {
        char pattern[] = "/tmp/quil_lighting_XXXXXX";
        m_dir = mkdtemp(pattern) ? pattern : "";
        EXPECT_FALSE(m_dir.empty());
        m_old = std::filesystem::current_path();
        std::filesystem::current_path(m_dir);
        if (withLightmapFolder) std::filesystem::create_directories("gfx/lightmaps");
    }
    ~ScratchDir() {
        std::filesystem::current_path(m_old);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

private:
    std::string m_dir;
    std::filesystem::path m_old;
};

// From here on message boxes answer Ignore (the user carries on) and are recorded.
inline void StartRecordingBoxes() {
    quil_automation::SetHeadless(true);
    quil_automation::ClearMessageBoxesShown();
}

// The number of boxes shown since StartRecordingBoxes, and whether one said message.
inline size_t BoxCount() { return quil_automation::MessageBoxesShown().size(); }
inline bool AnyBoxSays(const std::string& message) {
    for (const auto& box : quil_automation::MessageBoxesShown())
        if (box.text.find(message) != std::string::npos) return true;
    return false;
}

// A house of one room: outer walls, floor and ceiling everywhere, and a
// partition along x = 0 (between node columns 3 and 4) built from both sides.
inline void WriteRoomFile(const char* name) {
    std::vector<uint8_t> bytes(16 + 2320, 0);
    bytes[0] = 1;  // flags
    bytes[4] = 1;  // room count; current room 0
    for (uint32_t row = 0; row < 8; ++row) {
        for (uint32_t col = 0; col < 8; ++col) {
            uint8_t* node = &bytes[16 + 272 + (col + row * 8) * 32];
            std::memset(node + 8, 255, 10);  // no walls, empty prop slots
            node[18] = node[19] = 0;         // floor and ceiling tiles
            if (row == 0) node[8] = 0;
            if (row == 7) node[9] = 0;
            if (col == 0 || col == 4) node[10] = 0;
            if (col == 7 || col == 3) node[11] = 0;
        }
    }
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace lighting_test
