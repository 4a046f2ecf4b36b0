// libFuzzer entry: every Mesh object of arbitrary .x bytes through the mesh and skin-mesh
// loaders and the indexed-blended conversion, on the in-memory device. A converted mesh that
// cannot be optimised, or a device buffer left behind, stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "mesh_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MeshDevice dev;
    if (ExerciseFile(data, size, dev) != 0 || dev.liveResources != 0) std::abort();
    return 0;
}
