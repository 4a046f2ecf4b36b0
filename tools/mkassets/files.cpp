#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "assets.h"
#include "bytes.h"

namespace mkassets {

void WriteFile(const std::string& root, const std::string& relPath, const std::vector<uint8_t>& bytes) {
    const std::filesystem::path path = std::filesystem::path(root) / relPath;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteFile(const std::string& root, const std::string& relPath, const std::string& text) {
    WriteFile(root, relPath, std::vector<uint8_t>(text.begin(), text.end()));
}

void WriteAll(const std::string& root) {
    std::filesystem::create_directories(std::filesystem::path(root) / "gfx" / "lightmaps");
    WriteLevels(root);
    WriteProps(root);
    WritePickups(root);
    WriteFrontEnd(root);
    WriteCharacters(root);
    WriteAtlases(root);
    WriteSounds(root);
    WriteMusic(root);
}

}  // namespace mkassets
