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

// Calls f with every Mesh object of a data object's subtree (frames nest at most 80 deep here).
template <class F>
void ForEachMesh(IDirectXFileData* d, F&& f, int depth = 0) {
    const GUID* type = nullptr;
    if (SUCCEEDED(d->GetType(&type)) && *type == TID_D3DRMMesh) {
        f(d);
        return;
    }
    IDirectXFileObject* child = nullptr;
    while (depth < 80 && SUCCEEDED(d->GetNextObject(&child))) {
        IDirectXFileData* sub = nullptr;
        if (SUCCEEDED(child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&sub)))) {
            ForEachMesh(sub, f, depth + 1);
            sub->Release();
        }
        child->Release();
    }
}

// Loads a Mesh object as a skin mesh, converts, optimises and draws it; returns 1 when the
// optimisation of the converted mesh failed.
inline int ExerciseMesh(IDirectXFileData* d, MeshDevice& dev) {
    ID3DXBuffer *adjacency = nullptr, *materials = nullptr, *names = nullptr, *offsets = nullptr, *combos = nullptr;
    DWORD count = 0;
    ID3DXSkinMesh* skin = nullptr;
    ID3DXMesh* blended = nullptr;
    int failures = 0;
    if (SUCCEEDED(D3DXLoadSkinMeshFromXof(d, D3DXMESH_SYSTEMMEM, &dev, &adjacency, &materials, &count, &names,
                                          &offsets, &skin)) &&
        SUCCEEDED(skin->ConvertToIndexedBlendedMesh(D3DXMESH_MANAGED, nullptr, 3, nullptr, &count, &combos, nullptr,
                                                    nullptr, &blended))) {
        failures += FAILED(blended->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                                                    nullptr, nullptr, nullptr, nullptr));
        blended->DrawSubset(0);
    }
    for (IUnknown* u : {(IUnknown*)adjacency, (IUnknown*)materials, (IUnknown*)names, (IUnknown*)offsets,
                        (IUnknown*)combos, (IUnknown*)blended, (IUnknown*)skin})
        if (u) u->Release();
    return failures;
}

// Parses bytes as a .x file and puts every Mesh it holds through ExerciseMesh.
inline int ExerciseFile(const uint8_t* data, size_t size, MeshDevice& dev) {
    int failures = 0;
    ForEachDataObject(data, size, [&](IDirectXFileData* obj) {
        ForEachMesh(obj, [&](IDirectXFileData* mesh) { failures += ExerciseMesh(mesh, dev); });
    });
    return failures;
}
