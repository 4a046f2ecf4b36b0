#include "enemy_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "assets.h"

namespace enemy_test {

namespace {

namespace fs = std::filesystem;

// Returns to the first working directory and removes the scratch folder.
class Cleanup : public ::testing::Environment {
public:
    void TearDown() override {
        if (folder().empty()) return;
        std::error_code ec;
        fs::current_path(home(), ec);
        fs::remove_all(folder(), ec);
    }
    static std::string& folder() {
        static std::string f;
        return f;
    }
    static std::string& home() {
        static std::string h;
        return h;
    }
};
const ::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new Cleanup);

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutF(std::vector<uint8_t>& b, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    Put32(b, v);
}

}  // namespace

const std::string& AssetRoot() {
    static const std::string root = [] {
        const fs::path dir = fs::temp_directory_path() / ("game_enemies_test_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        Cleanup::home() = fs::current_path().string();
        Cleanup::folder() = dir.string();
        mkassets::WriteAll(dir.string());
        fs::current_path(dir);
        return dir.string();
    }();
    return root;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

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
    struct NodeBytes {
        uint8_t walls[4] = {255, 255, 255, 255};
    } nodes[64];
    auto at = [&](int col, int row) -> NodeBytes& { return nodes[col + row * 8]; };
    for (int i = 0; i < 8; ++i) {
        at(i, 0).walls[0] = 0;
        at(i, 7).walls[1] = 0;
        at(0, i).walls[2] = 0;
        at(7, i).walls[3] = 0;
    }
    for (const auto& [col, row] : wallsNorth) {
        at(col, row).walls[0] = 1;
        at(col, row - 1).walls[1] = 1;
    }
    std::vector<uint8_t> b;
    Put32(b, 1);  // rooms present
    Put32(b, 1);  // one room
    Put32(b, 0);  // current room
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 3);  // start column and row
    Put32(b, 3);
    Put32(b, 1);  // the tree only
    for (int i = 0; i < 30; ++i) PutF(b, 0.0f);
    Put32(b, 0);
    b.insert(b.end(), 120 + 12, 0);
    for (const NodeBytes& n : nodes) {
        b.insert(b.end(), 8, 0);
        b.insert(b.end(), n.walls, n.walls + 4);
        b.insert(b.end(), 6, 255);  // no props
        b.push_back(0);             // floor tile
        b.push_back(0);             // ceiling tile
        b.insert(b.end(), 12, 0);
    }
    return b;
}

float CentreX(int col) { return -128.0f + 32.0f * static_cast<float>(col) + 16.0f; }
float CentreZ(int row) { return -128.0f + 32.0f * static_cast<float>(7 - row) - 16.0f; }

}  // namespace enemy_test
