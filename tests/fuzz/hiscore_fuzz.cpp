// The hiscore file as the game reads it: the whole file, then its record.
#include "file.h"
#include "fuzz_files.h"
#include "game.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quilfuzz::WriteInput(Game::HiscoreFile, data, size);
    uint8_t* loaded = nullptr;
    uint32_t got = 0;
    if (GetFile()->LoadFile(Game::HiscoreFile, &loaded, &got) == 0) {
        uint32_t hiscore = 0;
        if (got != size) __builtin_trap();
        Game::DecodeHiscore(loaded, got, &hiscore);
        GetFile()->FreeFile(&loaded);
    }
    return 0;
}
