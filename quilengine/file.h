// Whole-file load and save, and record-by-record binary files.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// File::Open modes.
#define FILE_WRITE 0u
#define FILE_READ 1u

class File {
public:
    int Init();
    int Shutdown();

    // Loads the whole file into a new block at *buf (*buf must be null).
    // 0 loaded, -1 failed; bytesRead (when given) receives the bytes read.
    int LoadFile(const char* name, void** buf);
    int LoadFile(const char* name, void** buf, uint32_t* bytesRead);
    // Writes size bytes of data as the whole file, replacing the old one only
    // once the new one is complete. False (and a log line) when it failed; the
    // old file is then unchanged.
    bool SaveFile(const char* name, const void* data, uint32_t size);
    // Frees a buffer from LoadFile and sets the pointer to null.
    int FreeFile(void** buf);

    // Mode FILE_WRITE creates or truncates, FILE_READ reads; null on failure.
    FILE* Open(const char* name, uint32_t mode);
    void Write(FILE* f, const void* data, uint32_t size);
    // Reads size bytes into the memory *dest points at.
    void Read(FILE* f, void** dest, uint32_t size);
    void Close(FILE* f);

    // The file a name means on this system: either separator, and any letter
    // case of an existing directory or file (data names are written on a
    // case-blind system). A name with no existing match is kept as given.
    static std::string ResolveName(const char* name);

    // The same for typed pointers.
    template <typename T>
    int LoadFile(const char* name, T** buf, uint32_t* bytesRead = nullptr) {
        void* p = *buf;
        const int result = LoadFile(name, &p, bytesRead);
        *buf = static_cast<T*>(p);
        return result;
    }
    template <typename T>
    int FreeFile(T** buf) {
        void* p = *buf;
        const int result = FreeFile(&p);
        *buf = static_cast<T*>(p);
        return result;
    }
    template <typename T>
    void Read(FILE* f, T** dest, uint32_t size) {
        void* p = *dest;
        Read(f, &p, size);
    }
};

File* GetFile();
