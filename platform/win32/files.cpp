// Files: full path names and opening a file to read (or to write anew).
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>
#include "quil_path.h"
#include "windows.h"

namespace {
struct FileObject { std::FILE* f; };
std::map<uintptr_t, FileObject*>& Files() { static std::map<uintptr_t, FileObject*> m; return m; }

std::string Slashes(const char* p) {
    std::string s = p;
    for (char& c : s) if (c == '\\') c = '/';
    return s;
}

// Finds an existing path whose components match without regard to case.
std::string ResolveCase(const std::string& path) { return quil_platform::ResolvePath(path.c_str()); }
}  // namespace

DWORD GetFullPathNameA(LPCSTR fileName, DWORD length, LPSTR buffer, LPSTR* filePart) {
    if (!fileName || !*fileName) { SetLastError(ERROR_INVALID_NAME); return 0; }
    std::string p = Slashes(fileName);
    if (p[0] != '/') {
        char cwd[4096];
        if (!::getcwd(cwd, sizeof cwd)) { SetLastError(ERROR_PATH_NOT_FOUND); return 0; }
        p = std::string(cwd) + "/" + p;
    }
    // Removes "." and ".." and doubled separators.
    std::vector<std::string> parts;
    size_t i = 1;
    while (i <= p.size()) {
        size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        std::string part = p.substr(i, j - i);
        i = j + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") { if (!parts.empty()) parts.pop_back(); continue; }
        parts.push_back(part);
    }
    std::string full = "/";
    for (size_t k = 0; k < parts.size(); ++k) full += (k ? "/" : "") + parts[k];
    bool trailing = p.size() > 1 && p.back() == '/';
    if (trailing && full.size() > 1) full += '/';
    if (length < full.size() + 1 || !buffer) return static_cast<DWORD>(full.size() + 1);
    std::memcpy(buffer, full.c_str(), full.size() + 1);
    if (filePart) {
        size_t slash = full.rfind('/');
        *filePart = (trailing || slash + 1 >= full.size()) ? nullptr : buffer + slash + 1;
    }
    return static_cast<DWORD>(full.size());
}

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD creation, DWORD, HANDLE) {
    if (!fileName || !*fileName) { SetLastError(ERROR_FILE_NOT_FOUND); return INVALID_HANDLE_VALUE; }
    std::string path = ResolveCase(Slashes(fileName));
    struct stat st{};
    bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) { SetLastError(ERROR_ACCESS_DENIED); return INVALID_HANDLE_VALUE; }
    const char* mode = nullptr;
    switch (creation) {
        case OPEN_EXISTING:
            if (!exists) { SetLastError(ERROR_FILE_NOT_FOUND); return INVALID_HANDLE_VALUE; }
            mode = (access & GENERIC_WRITE) ? "r+b" : "rb";
            break;
        case CREATE_ALWAYS: mode = (access & GENERIC_READ) ? "w+b" : "wb"; break;
        case CREATE_NEW:
            if (exists) { SetLastError(ERROR_FILE_EXISTS); return INVALID_HANDLE_VALUE; }
            mode = "w+b";
            break;
        case OPEN_ALWAYS: mode = exists ? "r+b" : "w+b"; break;
        case TRUNCATE_EXISTING:
            if (!exists) { SetLastError(ERROR_FILE_NOT_FOUND); return INVALID_HANDLE_VALUE; }
            mode = "w+b";
            break;
        default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (!f) { SetLastError(exists ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND); return INVALID_HANDLE_VALUE; }
    auto* obj = new FileObject{f};
    Files()[reinterpret_cast<uintptr_t>(obj)] = obj;
    return obj;
}

static FileObject* FileOf(HANDLE h) {
    auto it = Files().find(reinterpret_cast<uintptr_t>(h));
    return it == Files().end() ? nullptr : it->second;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
    FileObject* f = FileOf(file);
    if (read) *read = 0;
    if (!f || (!buffer && toRead)) { SetLastError(ERROR_INVALID_HANDLE); return FALSE; }
    size_t n = std::fread(buffer, 1, toRead, f->f);
    if (read) *read = static_cast<DWORD>(n);
    if (n < toRead && std::ferror(f->f)) { SetLastError(ERROR_READ_FAULT); return FALSE; }
    return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD high) {
    FileObject* f = FileOf(file);
    if (!f) { SetLastError(ERROR_INVALID_HANDLE); return INVALID_FILE_SIZE; }
    struct stat st{};
    if (::fstat(fileno(f->f), &st) != 0) return INVALID_FILE_SIZE;
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (high) *high = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size);
}

BOOL CloseHandle(HANDLE object) {
    FileObject* f = FileOf(object);
    if (!f) { SetLastError(ERROR_INVALID_HANDLE); return FALSE; }
    std::fclose(f->f);
    Files().erase(reinterpret_cast<uintptr_t>(object));
    delete f;
    return TRUE;
}
