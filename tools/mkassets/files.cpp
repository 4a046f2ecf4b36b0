#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "assets.h"
#include "bytes.h"

namespace mkassets {

namespace {

namespace fs = std::filesystem;

// The record of a run folder: every default file with the 64-bit FNV-1a hash
// of the bytes this tool last wrote there, one "<16 hex digits> <path>" a line.
const char* const kRecordName = ".mkassets";

uint64_t Hash(const std::vector<uint8_t>& bytes) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (uint8_t b : bytes) h = (h ^ b) * 0x100000001B3ull;
    return h;
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The file below root that relPath names on the game's case-blind lookup, or
// an empty path when there is none.
fs::path FindCaseBlind(const fs::path& root, const std::string& relPath) {
    fs::path at = root;
    std::error_code ec;
    for (const fs::path& part : fs::path(relPath)) {
        if (fs::exists(at / part, ec)) {
            at /= part;
            continue;
        }
        fs::path match;
        for (const auto& entry : fs::directory_iterator(at, ec)) {
            if (Lower(entry.path().filename().string()) == Lower(part.string())) {
                match = entry.path();
                break;
            }
        }
        if (match.empty()) return {};
        at = match;
    }
    return fs::is_regular_file(at, ec) ? at : fs::path();
}

// A run folder being brought up to date (null: every file is written).
struct RunFolder {
    std::string root;
    std::map<std::string, uint64_t> written;  // as last recorded
    std::map<std::string, uint64_t> record;   // as recorded when done
    // No record yet: the folder was written whole by an earlier version of this
    // tool, so the files the game itself never writes are its defaults.
    bool unrecorded = false;
    RestoreReport report;
};

// The level and enemy files, which the game's editor saves.
bool EditorWrites(const std::string& relPath) {
    return relPath.rfind("gfx/Level", 0) == 0 || relPath.rfind("gfx/Enemy", 0) == 0;
}
RunFolder* g_runFolder = nullptr;

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// A default file into a run folder: written when missing; one that is there is
// replaced only when it still holds exactly what this tool last wrote (an
// older default); anything else (a level the editor saved) is kept.
void WriteDefault(RunFolder& run, const std::string& relPath, const std::vector<uint8_t>& bytes) {
    const uint64_t hash = Hash(bytes);
    const fs::path existing = FindCaseBlind(run.root, relPath);
    if (existing.empty()) {
        WriteBytes(fs::path(run.root) / relPath, bytes);
        run.record[relPath] = hash;
        ++run.report.written;
        return;
    }
    const std::vector<uint8_t> held = ReadAll(existing);
    if (held == bytes) {
        run.record[relPath] = hash;
        return;
    }
    const auto last = run.written.find(relPath);
    const bool olderDefault = last != run.written.end() ? last->second == Hash(held)
                                                        : run.unrecorded && !EditorWrites(relPath);
    if (olderDefault) {
        WriteBytes(existing, bytes);
        run.record[relPath] = hash;
        ++run.report.updated;
        return;
    }
    if (last != run.written.end()) run.record[relPath] = last->second;
    ++run.report.kept;
}

}  // namespace

void WriteFile(const std::string& root, const std::string& relPath, const std::vector<uint8_t>& bytes) {
    if (g_runFolder && g_runFolder->root == root) {
        WriteDefault(*g_runFolder, relPath, bytes);
        return;
    }
    WriteBytes(fs::path(root) / relPath, bytes);
}

void WriteFile(const std::string& root, const std::string& relPath, const std::string& text) {
    WriteFile(root, relPath, std::vector<uint8_t>(text.begin(), text.end()));
}

RestoreReport RestoreDefaults(const std::string& root) {
    RunFolder run;
    run.root = root;
    {
        std::ifstream in(fs::path(root) / kRecordName);
        run.unrecorded = !in.is_open();
        std::string hex, path;
        while (in >> hex >> std::ws && std::getline(in, path)) run.written[path] = std::stoull(hex, nullptr, 16);
    }
    g_runFolder = &run;
    try {
        WriteAll(root);
    } catch (...) {
        g_runFolder = nullptr;
        throw;
    }
    g_runFolder = nullptr;
    std::string text;
    char line[32];
    for (const auto& [path, hash] : run.record) {
        std::snprintf(line, sizeof(line), "%016llx ", static_cast<unsigned long long>(hash));
        text += line + path + "\n";
    }
    WriteBytes(fs::path(root) / kRecordName, std::vector<uint8_t>(text.begin(), text.end()));
    return run.report;
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
