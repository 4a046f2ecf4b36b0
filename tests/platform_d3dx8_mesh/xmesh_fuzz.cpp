// libFuzzer entry: every Mesh object of arbitrary .x bytes through the mesh and skin-mesh
// loaders and the indexed-blended conversion, on the in-memory device.
#include <cstddef>
#include <cstdint>

#include "mesh_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MeshDevice dev;
    IDirectXFile* file = nullptr;
    if (FAILED(DirectXFileCreate(&file))) return 0;
    DXFILELOADMEMORY mem{const_cast<uint8_t*>(data), DWORD(size)};
    IDirectXFileEnumObject* en = nullptr;
    if (SUCCEEDED(file->CreateEnumObject(&mem, DXFILELOAD_FROMMEMORY, &en))) {
        IDirectXFileData* obj = nullptr;
        while (SUCCEEDED(en->GetNextDataObject(&obj))) {
            ExerciseMeshes(obj, dev);
            obj->Release();
        }
        en->Release();
    }
    file->Release();
    return 0;
}
