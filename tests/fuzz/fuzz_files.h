// Fuzz targets that read files: a scratch working folder (with gfx/lightmaps)
// made on first use, headless message boxes, and the input written as a file.
#pragma once
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "quil_automation.h"
#include "quil_path.h"

namespace quilfuzz {

inline void EnterScratchFolder() {
    static bool entered = false;
    if (entered) return;
    entered = true;
    char dir[] = "/tmp/quil_fuzz_XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
    mkdir("gfx", 0755);
    mkdir("gfx/lightmaps", 0755);
    quil_automation::SetHeadless(true);
}

// Writes the input as the named file; false (the input skipped) when it is longer than maxBytes.
inline bool WriteInput(const char* name, const uint8_t* data, size_t size, size_t maxBytes = 64 * 1024) {
    if (size > maxBytes) return false;
    EnterScratchFolder();
    FILE* f = std::fopen(quil_platform::ResolvePath(name).c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return true;
}

}  // namespace quilfuzz
