// Shared pieces of the game tests: scratch working folders (empty or holding
// the generated asset set), whole-file byte helpers, small TGA files, a writer
// of level files built node by node, and the message boxes shown headless.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace quiltest {

// The folder holding the generated asset set, named after the test program;
// made (and made the working directory) on the first call, removed and the
// first working directory restored when the program ends.
const std::string& GeneratedAssetFolder(const std::string& programName);

// A fresh folder /tmp/quil_<tag>_XXXXXX made the working directory for the
// object's lifetime, with gfx/lightmaps in it unless told not to; afterwards
// the old working directory comes back and the folder is removed.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag, bool withLightmapFolder = true);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Made() const { return !m_dir.empty(); }
    const std::string& Path() const { return m_dir; }

private:
    std::string m_dir;
    std::string m_old;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Little-endian words as the game's files store them.
void Put32(std::vector<uint8_t>& b, uint32_t v);
void PutF(std::vector<uint8_t>& b, float f);
uint32_t U32At(const std::vector<uint8_t>& b, size_t at);

// Writes an uncompressed 24-bit TGA of one colour (a failed test if it cannot).
void WriteTga(const std::string& path, int width, int height, unsigned char r, unsigned char g, unsigned char b);

// One room as the level file stores it.
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

// A level file of roomCount rooms taken in turn from the generated houses
// gfx/Level0.dat .. Level4.dat (read from the current folder), the props left in
// the first room only (every prop stands in the played room), with room current played.
std::vector<uint8_t> HouseOfGeneratedRooms(uint32_t roomCount, uint32_t current);

// Centre of node (col, row) in world x and z.
float CentreX(int col);
float CentreZ(int row);

// From here on message boxes answer Ignore (the user carries on) and are recorded.
void StartRecordingBoxes();
// The texts of the boxes shown since StartRecordingBoxes, how many, and
// whether one of them contains message.
std::vector<std::string> MessageBoxTexts();
size_t MessageBoxCount();
bool AnyMessageBoxSays(const std::string& message);

}  // namespace quiltest
