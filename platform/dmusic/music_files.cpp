// Wide file names to existing files, and reading them.
#include "music_files.h"

#include <dirent.h>
#include <strings.h>
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

namespace {
bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The entry of directory whose name equals part without regard to case, or "".
std::string FindIgnoringCase(const std::string& directory, const std::string& part) {
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return {};
    std::string found;
    while (dirent* e = readdir(dir)) {
        if (strcasecmp(e->d_name, part.c_str()) == 0) {
            found = e->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}
}  // namespace

std::string ResolveFileName(const std::string& directory, const std::string& name) {
    if (name.empty()) return {};
    std::string path = name;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    std::string base;
    if (path[0] != '/') base = directory;
    else base = "";
    if (path[0] != '/' && !base.empty() && base.back() != '/') base += '/';
    if (Exists(base + path)) return base + path;

    // Walk the components, matching each without regard to case where needed.
    std::string current = path[0] == '/' ? "/" : base;
    size_t at = 0;
    while (at < path.size()) {
        size_t slash = path.find('/', at);
        std::string part = path.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
        at = slash == std::string::npos ? path.size() : slash + 1;
        if (part.empty() || part == ".") continue;
        std::string candidate = current + part;
        if (!Exists(candidate)) {
            std::string match = FindIgnoringCase(current, part);
            if (match.empty()) return {};
            candidate = current + match;
        }
        current = candidate;
        if (at < path.size()) current += '/';
    }
    return Exists(current) ? current : std::string();
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
