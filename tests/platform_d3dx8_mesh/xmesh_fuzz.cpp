// libFuzzer entry: every Mesh object of arbitrary .x bytes through the mesh and skin-mesh
// loaders and the indexed-blended conversion, on the in-memory device.
#include <cstddef>
#include <cstdint>

#include "mesh_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MeshDevice dev;
    ExerciseFile(data, size, dev);
    return 0;
}
