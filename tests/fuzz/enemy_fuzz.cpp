// The enemy file reader, and the walkers placed from what it accepted.
#include "EnemyManager.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!quilfuzz::WriteInput("gfx/Enemy0.dat", data, size)) return 0;
    EnemyManager* enemies = GetEnemyManager();
    if (enemies->Load("gfx/Enemy0.dat")) enemies->SetRoom(0);
    enemies->Free();
    return 0;
}
