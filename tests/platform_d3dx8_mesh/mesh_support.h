// The shared recording device with its reference count in view (a mesh must give back the
// references it takes), and the walk that puts every Mesh of a file through the loaders.
#pragma once
#include "../platform_dxfile/dxfile_each.h"
#include "d3dx8mesh.h"
#include "recording_device.h"

struct MeshDevice : quiltest::RecordingDevice {
    ULONG refs = 1;
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
};

// Loads every Mesh object of a data object's subtree as a skin mesh, converts, optimises and
// draws it; returns how many optimisations of converted meshes failed.
inline int ExerciseMeshes(IDirectXFileData* d, MeshDevice& dev, int depth = 0) {
    const GUID* type = nullptr;
    int failures = 0;
    if (SUCCEEDED(d->GetType(&type)) && *type == TID_D3DRMMesh) {
        ID3DXBuffer *adjacency = nullptr, *materials = nullptr, *names = nullptr, *offsets = nullptr, *combos = nullptr;
        DWORD count = 0;
        ID3DXSkinMesh* skin = nullptr;
        ID3DXMesh* blended = nullptr;
        if (SUCCEEDED(D3DXLoadSkinMeshFromXof(d, D3DXMESH_SYSTEMMEM, &dev, &adjacency, &materials, &count, &names,
                                              &offsets, &skin)) &&
            SUCCEEDED(skin->ConvertToIndexedBlendedMesh(D3DXMESH_MANAGED, nullptr, 3, nullptr, &count, &combos,
                                                        nullptr, nullptr, &blended))) {
            failures += FAILED(blended->OptimizeInplace(
                D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE, nullptr, nullptr, nullptr, nullptr));
            blended->DrawSubset(0);
        }
        for (IUnknown* u : {(IUnknown*)adjacency, (IUnknown*)materials, (IUnknown*)names, (IUnknown*)offsets,
                            (IUnknown*)combos, (IUnknown*)blended, (IUnknown*)skin})
            if (u) u->Release();
        return failures;
    }
    IDirectXFileObject* child = nullptr;
    while (depth < 80 && SUCCEEDED(d->GetNextObject(&child))) {
        IDirectXFileData* sub = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&sub)))) {
            failures += ExerciseMeshes(sub, dev, depth + 1);
            sub->Release();
        }
        child->Release();
    }
    return failures;
}

// Parses bytes as a .x file and puts every Mesh it holds through ExerciseMeshes.
inline int ExerciseFile(const uint8_t* data, size_t size, MeshDevice& dev) {
    int failures = 0;
    ForEachDataObject(data, size, [&](IDirectXFileData* obj) { failures += ExerciseMeshes(obj, dev); });
    return failures;
}
