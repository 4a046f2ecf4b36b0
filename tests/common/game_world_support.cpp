#include "game_world_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "assets.h"
#include "quil_automation.h"

namespace quiltest {

namespace {

namespace fs = std::filesystem;

// Returns to the first working directory and removes the generated asset folder.
class AssetFolderCleanup : public ::testing::Environment {
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
const ::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new AssetFolderCleanup);

}  // namespace

const std::string& GeneratedAssetFolder(const std::string& programName) {
    static const std::string root = [&] {
        const fs::path dir = fs::temp_directory_path() / (programName + "_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        AssetFolderCleanup::home() = fs::current_path().string();
        AssetFolderCleanup::folder() = dir.string();
        mkassets::WriteAll(dir.string());
        fs::current_path(dir);
        return dir.string();
    }();
    return root;
}

ScratchFolder::ScratchFolder(const std::string& tag, bool withLightmapFolder) {
    std::string pattern = "/tmp/quil_" + tag + "_XXXXXX";
    if (!mkdtemp(pattern.data())) {
        ADD_FAILURE() << "cannot make " << pattern;
        return;
    }
    m_dir = pattern;
    m_old = fs::current_path().string();
    fs::current_path(m_dir);
    if (withLightmapFolder) fs::create_directories("gfx/lightmaps");
}

ScratchFolder::~ScratchFolder() {
    if (m_dir.empty()) return;
    std::error_code ec;
    fs::current_path(m_old, ec);
    fs::remove_all(m_dir, ec);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutF(std::vector<uint8_t>& b, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    Put32(b, v);
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

void WriteTga(const std::string& path, int width, int height, unsigned char r, unsigned char g, unsigned char b) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      (unsigned char)width, (unsigned char)(width >> 8),
                                      (unsigned char)height, (unsigned char)(height >> 8), 24, 0x20};
    std::fwrite(header, 1, sizeof(header), f);
    for (int i = 0; i < width * height; ++i) {
        const unsigned char bgr[3] = {b, g, r};
        std::fwrite(bgr, 1, 3, f);
    }
    std::fclose(f);
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

std::vector<uint8_t> HouseOfGeneratedRooms(uint32_t roomCount, uint32_t current) {
    const size_t headerSize = 16, roomSize = 2320, firstNode = 272, nodeSize = 32, propTypes = 15;
    std::vector<uint8_t> b;
    Put32(b, 1);  // the generated houses' flags
    Put32(b, roomCount);
    Put32(b, current);
    Put32(b, 0);
    for (uint32_t r = 0; r < roomCount; ++r) {
        const std::vector<uint8_t> file = ReadBytes("gfx/Level" + std::to_string(r % 5) + ".dat");
        std::vector<uint8_t> room(file.begin() + headerSize, file.begin() + headerSize + roomSize);
        for (size_t n = 0; r != 0 && n < 64; ++n)
            for (size_t slot = 0; slot < 3; ++slot) room[firstNode + n * nodeSize + propTypes + slot] = 255;
        b.insert(b.end(), room.begin(), room.end());
    }
    return b;
}

float CentreX(int col) { return -128.0f + 32.0f * static_cast<float>(col) + 16.0f; }
float CentreZ(int row) { return -128.0f + 32.0f * static_cast<float>(7 - row) - 16.0f; }

void StartRecordingBoxes() {
    quil_automation::SetHeadless(true);
    quil_automation::ClearMessageBoxesShown();
}

std::vector<std::string> MessageBoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : quil_automation::MessageBoxesShown()) texts.push_back(box.text);
    return texts;
}

size_t MessageBoxCount() { return quil_automation::MessageBoxesShown().size(); }

bool AnyMessageBoxSays(const std::string& message) {
    for (const auto& box : quil_automation::MessageBoxesShown())
        if (box.text.find(message) != std::string::npos) return true;
    return false;
}

}  // namespace quiltest
