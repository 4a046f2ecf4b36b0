// The lightmap cache reader: a TGA file is taken only when it is a complete map.
#include "LightMap.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LightMap map;
    if (!quilfuzz::WriteInput(map.FileName(0, 0, 0), data, size, 256 * 1024)) return 0;
    // A small map takes the same path as the 256 x 256 ones, with small inputs.
    uint32_t texels[4 * 4];
    map.Read(0, 0, 0, texels, 4, 4);
    return 0;
}
