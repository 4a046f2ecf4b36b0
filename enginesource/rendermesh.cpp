// Renderer service: static meshes from .x files.
#include "renderer.h"

#include <cstdio>

#include "d3dx8.h"
#include "renderdevice.h"
#include "trap.h"

// A system-memory mesh, optimised for drawing; the file's materials are not used.
// A file that cannot be loaded is a fatal trap, and null if the trap returns.
ID3DXMesh* Renderer::LoadMesh(const char* fileName) {
    bool known = false;
    if (IUnknown* shared = m_Meshes.Find(fileName, &known)) return static_cast<ID3DXMesh*>(shared);
    if (known) return nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXLoadMeshFromX(fileName, D3DXMESH_SYSTEMMEM, RenderDevice_GetDevice(), nullptr, &materials,
                                   &materialCount, &mesh);
    if (FAILED(hr) || !mesh) {
        if (materials) materials->Release();
        if (RenderDevice_GetDevice() && ResourceCache::FileAtFault(FAILED(hr) ? hr : E_FAIL))
            m_Meshes.Add(fileName, nullptr);
        char message[100];
        std::snprintf(message, sizeof(message), "Could not load mesh file %s", fileName ? fileName : "");
        Trap(__FILE__, __LINE__, message);
        return nullptr;
    }
    mesh->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE, nullptr, nullptr,
                          nullptr, nullptr);
    if (materials) materials->Release();
    mesh->AddRef();
    m_Meshes.Add(fileName, mesh);
    return mesh;
}
