// File names as the game writes them ("gfx\\Sky.TGA") mapped onto the Linux file system:
// either separator is accepted and every component is matched without regard to case.
// Header-only, so that every platform library and the engine can use it without a link dependency.
#pragma once
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

namespace quil_platform {

namespace path_detail {

inline bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Finds the entry of dir whose name equals part without regard to case; empty when none.
inline std::string FindEntry(const std::string& dir, const std::string& part) {
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return std::string();
    std::string found;
    while (struct dirent* e = readdir(d)) {
        if (strcasecmp(e->d_name, part.c_str()) == 0) {
            found = e->d_name;
            if (found == part) break;  // an exact match wins over a case variant
        }
    }
    closedir(d);
    return found;
}

}  // namespace path_detail

// Returns the existing path that matches name case-insensitively, component by component,
// with '\\' read as '/'. Where some component has no match, the rest is kept as written
// (with '/' separators), so the result also serves to create a new file in an existing folder.
inline std::string ResolvePath(const char* name) {
    if (!name) return std::string();
    std::string path(name);
    for (char& ch : path)
        if (ch == '\\') ch = '/';
    if (path.empty() || path_detail::Exists(path)) return path;

    bool absolute = path[0] == '/';
    std::vector<std::string> parts;
    size_t start = absolute ? 1 : 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }

    std::string result = absolute ? "/" : "";
    bool matching = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        std::string piece = part;
        if (matching && part != "." && part != "..") {
            std::string dir = result.empty() ? "." : result;
            std::string entry = path_detail::FindEntry(dir, part);
            if (entry.empty()) {
                matching = false;
            } else {
                piece = entry;
            }
        }
        if (!result.empty() && result.back() != '/') result += '/';
        result += piece;
    }
    return result;
}

// fopen through ResolvePath.
inline FILE* OpenFile(const char* name, const char* mode) {
    if (!name || !mode) return nullptr;
    return std::fopen(ResolvePath(name).c_str(), mode);
}

}  // namespace quil_platform
