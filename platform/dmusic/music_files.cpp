// Wide file names to existing files, and reading them.
#include "music_files.h"
#include "quil_path.h"
#include "windows.h"

#include <sys/stat.h>

#include <cstdio>

namespace quil_dmusic {

std::string WideToUtf8(const wchar_t* text) {
    if (!text) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(size_t(n - 1));
    return out;
}

std::string ResolveFileName(const std::string& name) {
    if (name.empty()) return {};
    std::string path = name;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
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
