// Renderer service: textures from image files.
#include "renderer.h"

#include <cstdio>

#include "d3dx8tex.h"
#include "renderdevice.h"
#include "trap.h"

// A managed texture with a full mip chain in the file's own format; a file that
// cannot be loaded is a fatal trap, and null if the trap returns.
IDirect3DTexture8* Renderer::LoadTexture(const char* fileName) {
    bool known = false;
    if (IUnknown* shared = m_Textures.Find(fileName, &known)) return static_cast<IDirect3DTexture8*>(shared);
    if (known) return nullptr;
    IDirect3DTexture8* texture = nullptr;
    HRESULT hr = D3DXCreateTextureFromFileExA(RenderDevice_GetDevice(), fileName, D3DX_DEFAULT, D3DX_DEFAULT,
                                              D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                              D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR,
                                              D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, 0, nullptr, nullptr, &texture);
    if (FAILED(hr) || !texture) {
        if (RenderDevice_GetDevice() && ResourceCache::FileAtFault(FAILED(hr) ? hr : E_FAIL))
            m_Textures.Add(fileName, nullptr);
        char message[100];
        std::snprintf(message, sizeof(message), "Could not load texture file %s", fileName ? fileName : "");
        Trap(__FILE__, __LINE__, message);
        return nullptr;
    }
    texture->AddRef();
    m_Textures.Add(fileName, texture);
    return texture;
}
