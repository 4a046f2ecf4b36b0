// libFuzzer entry: every Mesh object of arbitrary .x bytes through the mesh and skin-mesh
// loaders and the indexed-blended conversion, on the in-memory device.
#include <cstddef>
#include <cstdint>

#include "d3dx8mesh.h"
#include "fake_device.h"

namespace {

void tryMesh(IDirectXFileData* d, FakeDevice& dev) {
    ID3DXBuffer *adjacency = nullptr, *materials = nullptr, *names = nullptr, *offsets = nullptr;
    DWORD count = 0;
    ID3DXSkinMesh* skin = nullptr;
    if (SUCCEEDED(D3DXLoadSkinMeshFromXof(d, D3DXMESH_SYSTEMMEM, &dev, &adjacency, &materials, &count, &names,
                                          &offsets, &skin))) {
        ID3DXMesh* blended = nullptr;
        ID3DXBuffer* combos = nullptr;
        DWORD n = 0;
        if (SUCCEEDED(skin->ConvertToIndexedBlendedMesh(D3DXMESH_MANAGED, nullptr, 3, nullptr, &n, &combos, nullptr,
                                                        nullptr, &blended))) {
            blended->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE, nullptr,
                                     nullptr, nullptr, nullptr);
            blended->DrawSubset(0);
            combos->Release();
            blended->Release();
        }
        for (IUnknown* u : {(IUnknown*)adjacency, (IUnknown*)materials, (IUnknown*)names, (IUnknown*)offsets,
                            (IUnknown*)skin})
            if (u) u->Release();
    }
}

void walk(IDirectXFileData* d, FakeDevice& dev, int depth) {
    const GUID* type = nullptr;
    if (SUCCEEDED(d->GetType(&type)) && *type == TID_D3DRMMesh) {
        tryMesh(d, dev);
        return;
    }
    IDirectXFileObject* child = nullptr;
    while (depth < 80 && SUCCEEDED(d->GetNextObject(&child))) {
        IDirectXFileData* sub = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&sub)))) {
            walk(sub, dev, depth + 1);
            sub->Release();
        }
        child->Release();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FakeDevice dev;
    IDirectXFile* file = nullptr;
    if (FAILED(DirectXFileCreate(&file))) return 0;
    DXFILELOADMEMORY mem{const_cast<uint8_t*>(data), DWORD(size)};
    IDirectXFileEnumObject* en = nullptr;
    if (SUCCEEDED(file->CreateEnumObject(&mem, DXFILELOAD_FROMMEMORY, &en))) {
        IDirectXFileData* obj = nullptr;
        while (SUCCEEDED(en->GetNextDataObject(&obj))) {
            walk(obj, dev, 0);
            obj->Release();
        }
        en->Release();
    }
    file->Release();
    return 0;
}
