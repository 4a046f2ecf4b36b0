#include "level_test_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "assets.h"

namespace level_test {

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
        const fs::path dir = fs::temp_directory_path() / ("game_level_test_" + std::to_string(getpid()));
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

FileRoom::FileRoom() {
    for (int i = 0; i < 8; ++i) {
        At(i, 0).walls[0] = 0;
        At(i, 7).walls[1] = 0;
        At(0, i).walls[2] = 0;
        At(7, i).walls[3] = 0;
    }
}

void FileRoom::WallEast(int col, int row, uint8_t tex) {
    At(col, row).walls[3] = tex;
    At(col + 1, row).walls[2] = tex;
}

void FileRoom::WallNorth(int col, int row, uint8_t tex) {
    At(col, row).walls[0] = tex;
    At(col, row - 1).walls[1] = tex;
}

std::vector<uint8_t> EncodeLevel(uint32_t flags, uint32_t roomCount, uint32_t currentRoom,
                                 const std::vector<FileRoom>& rooms) {
    std::vector<uint8_t> b;
    Put32(b, flags);
    Put32(b, roomCount);
    Put32(b, currentRoom);
    Put32(b, 0);
    for (const FileRoom& r : rooms) {
        Put32(b, r.reserved0);
        Put32(b, r.startX);
        Put32(b, r.startZ);
        Put32(b, r.pointCount);
        for (const auto& p : r.points)
            for (float f : p) PutF(b, f);
        Put32(b, r.reserved136);
        b.insert(b.end(), 120, 0);
        b.insert(b.end(), 12, 0);
        for (const auto& n : r.nodes) {
            b.insert(b.end(), n.reserved, n.reserved + 8);
            b.insert(b.end(), n.walls, n.walls + 4);
            b.insert(b.end(), n.propIndex, n.propIndex + 3);
            b.insert(b.end(), n.propType, n.propType + 3);
            b.push_back(n.floorTile);
            b.push_back(n.ceilTile);
            for (float a : n.angle) PutF(b, a);
        }
    }
    return b;
}

float CentreX(int col) { return -128.0f + 32.0f * static_cast<float>(col) + 16.0f; }
float CentreZ(int row) { return -128.0f + 32.0f * static_cast<float>(7 - row) - 16.0f; }

}  // namespace level_test
