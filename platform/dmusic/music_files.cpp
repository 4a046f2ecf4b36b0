// Wide file names to existing files, and reading them.
#include "music_files.h"
#include "quil_path.h"

#include <sys/stat.h>

#include <cstdio>

namespace quil_dmusic {

std::string WideToUtf8(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    for (; *text; ++text) {
        uint32_t c = static_cast<uint32_t>(*text);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ResolveFileName(const std::string& directory, const std::string& name) {
    if (name.empty()) return {};
    std::string path = name;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    if (path[0] != '/' && !directory.empty()) path = directory + (directory.back() == '/' ? "" : "/") + path;
    const std::string resolved = quil_platform::ResolvePath(path.c_str());
    struct stat st;
    return stat(resolved.c_str(), &st) == 0 ? resolved : std::string();
}

bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (static_cast<uint64_t>(st.st_size) > maxBytes) return false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    bytes.resize(got);
    return true;
}

}  // namespace quil_dmusic
