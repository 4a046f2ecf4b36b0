// Whole-file and record-by-record binary file services over C runtime streams.
#include "file.h"
#include "memorycontroller.h"
#include "quil_path.h"
#include "quil_save.h"
#include "trap.h"


// Names match existing files and folders without regard to case, with either separator.
std::string File::ResolveName(const char* name) { return quil_platform::ResolvePath(name); }

File* GetFile() {
    static File file;
    return &file;
}

int File::Init() {
    DebugLog("Initialising File System\n");
    return 0;
}

int File::Shutdown() {
    DebugLog("Destroying File System\n");
    return 0;
}

int File::LoadFile(const char* name, void** buf) { return LoadFile(name, buf, nullptr); }

int File::LoadFile(const char* name, void** buf, uint32_t* bytesRead) {
    if (bytesRead) *bytesRead = 0;
    if (*buf) TrapError(__FILE__, __LINE__, "File Buffer not NULL");
    FILE* f = name ? std::fopen(ResolveName(name).c_str(), "rb") : nullptr;
    if (!f) return -1;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    if (size < 0 || size > 0x7FFFFFFFL) {  // not a seekable regular file
        std::fclose(f);
        return -1;
    }
    *buf = MemoryController::Alloc(static_cast<uint32_t>(size), "FILE SYS");
    if (!*buf) {
        std::fclose(f);
        TrapError(__FILE__, __LINE__, "Could not allocate memory to load file");
        return -1;
    }
    std::fseek(f, 0, SEEK_SET);
    const size_t got = std::fread(*buf, 1, static_cast<size_t>(size), f);
    if (bytesRead) *bytesRead = static_cast<uint32_t>(got);
    DebugLog("File Loaded: %s\n", name);
    std::fclose(f);
    return 0;
}

bool File::SaveFile(const char* name, const void* data, uint32_t size) {
    if (!name) return false;
    std::string why;
    if (!quil_platform::ReplaceFile(ResolveName(name), data, data ? size : 0, &why)) {
        DebugLog("Could not save %s (%s); the file on disk is unchanged\n", name, why.c_str());
        return false;
    }
    DebugLog("File Saved: %s\n", name);
    return true;
}

int File::FreeFile(void** buf) {
    MemoryController::Free(buf);
    return 0;
}

FILE* File::Open(const char* name, uint32_t mode) {
    if (!name) return nullptr;
    if (mode == FILE_WRITE) return std::fopen(ResolveName(name).c_str(), "wb");
    if (mode == FILE_READ) return std::fopen(ResolveName(name).c_str(), "rb");
    return nullptr;
}

void File::Write(FILE* f, const void* data, uint32_t size) {
    if (!f || !data || !size) return;
    std::fwrite(data, 1, size, f);
}

void File::Read(FILE* f, void** dest, uint32_t size) {
    if (!f || !dest || !*dest || !size) return;
    std::fread(*dest, 1, size, f);
}

void File::Close(FILE* f) {
    if (f) std::fclose(f);
}
