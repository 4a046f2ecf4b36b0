// The level file reader: any bytes load as a house or are refused for a new one.
#include "Level.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!quilfuzz::WriteInput("gfx/Level0.dat", data, size)) return 0;
    Level* level = GetLevel();
    level->Load("gfx/Level0.dat");
    if (level->GetCurrentRoom() >= level->GetRoomCount()) __builtin_trap();
    level->Free();
    return 0;
}
