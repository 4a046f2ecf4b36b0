// Screen sprites: quads laid out in the virtual 640x480 screen, rebuilt from the
// owner's records each frame and drawn over everything with one indexed call.
#include "spritelist2d.h"

#include <cstring>

#include "gameengine.h"
#include "memorycontroller.h"
#include "renderdevice.h"
#include "renderer.h"
#include "trap.h"

SpriteList2D::SpriteList2D()
    : m_pSprites(nullptr),
      m_pTexture(nullptr),
      m_pVB(nullptr),
      m_pIB(nullptr),
      m_uCapacity(0),
      m_uActive(0),
      m_uBlendMode(0),
      m_bActive(false) {
    std::memset(m_szTextureName, 0, sizeof(m_szTextureName));
}

// A list that goes away while still listed leaves both lists first.
SpriteList2D::~SpriteList2D() {
    if (m_bActive) {
        GetGameEngine()->RemoveProcess(this);
        GetRenderer()->RemoveOverlayObject(this);
    }
    InvalidateDeviceObjects();
    MemoryController::Free(&m_pSprites);
}

// Allocates the records (left for the owner to write), makes the device objects
// afresh for the new capacity and activates the list.
Sprite2D* SpriteList2D::Build(uint32_t count, const char* textureFile) {
    if (count == 0) TrapError(__FILE__, __LINE__, "No sprites given to Build sprite list");
    // Four vertices per sprite must stay addressable by 16-bit indices.
    if (count > MAX_SPRITES) {
        TrapError(__FILE__, __LINE__, "Too many sprites given to Build sprite list");
        return nullptr;
    }
    SetTexture(textureFile);
    MemoryController::Free(&m_pSprites);
    m_pSprites = static_cast<Sprite2D*>(MemoryController::Alloc(count * sizeof(Sprite2D), "Sprites2D"));
    if (!m_pSprites) {
        TrapError(__FILE__, __LINE__, "Could not allocate memory for 2D Sprite list");
        count = 0;
    }
    m_uCapacity = count;
    m_uActive = count;
    InvalidateDeviceObjects();
    Activate();
    return m_pSprites;
}

// Takes a new texture file; the next Render loads it, the buffers stay.
void SpriteList2D::SetTexture(const char* textureFile) {
    std::memset(m_szTextureName, 0, sizeof(m_szTextureName));
    if (textureFile) std::strncpy(m_szTextureName, textureFile, sizeof(m_szTextureName) - 1);
    if (m_pTexture) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
}

// Frees the records, then leaves both lists and releases the device objects.
void SpriteList2D::Shutdown() {
    MemoryController::Free(&m_pSprites);
    m_uCapacity = 0;
    m_uActive = 0;
    Object::Shutdown();
}

// Rewrites the vertex buffer from the records once a frame, before drawing.
void SpriteList2D::Update(float) { FillVertexBuffer(); }

// Joins the frame loop and the overlay pass; a list already there stays put.
void SpriteList2D::Activate() {
    if (m_bActive) return;
    m_bActive = true;
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddOverlayObject(this);
}

// Leaves both lists and releases the device objects; Activate brings it back.
void SpriteList2D::Deactivate() {
    InvalidateDeviceObjects();
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveOverlayObject(this);
    m_bActive = false;
}

// Releases what exists; a second call finds nothing left to release.
void SpriteList2D::InvalidateDeviceObjects() {
    if (m_pTexture) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
    if (m_pVB) {
        m_pVB->Release();
        m_pVB = nullptr;
    }
    if (m_pIB) {
        m_pIB->Release();
        m_pIB = nullptr;
    }
}

// Creates whatever is missing: texture, vertex buffer (filled at once), index buffer.
void SpriteList2D::RestoreDeviceObjects() {
    if (m_uCapacity == 0) return;
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (!m_pTexture) m_pTexture = GetRenderer()->LoadTexture(m_szTextureName);
    if (!m_pVB) {
        if (FAILED(device->CreateVertexBuffer(m_uCapacity * 4 * sizeof(ScreenVertex),
                                              D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, SCREENVERTEX_FVF,
                                              D3DPOOL_DEFAULT, &m_pVB)))
            m_pVB = nullptr;
        FillVertexBuffer();
    }
    if (!m_pIB) {
        if (FAILED(device->CreateIndexBuffer(m_uCapacity * 6 * sizeof(uint16_t), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                             D3DPOOL_MANAGED, &m_pIB)))
            m_pIB = nullptr;
        if (!m_pIB) return;
        BYTE* data = nullptr;
        HRESULT hr = m_pIB->Lock(0, 0, &data, 0);
        if (!data) {
            TrapError(__FILE__, __LINE__, "Could not lock index buffer for 2D sprites");
            if (SUCCEEDED(hr)) m_pIB->Unlock();
            return;
        }
        auto* index = reinterpret_cast<uint16_t*>(data);
        for (uint32_t k = 0; k < m_uCapacity; ++k) {
            const uint16_t base = uint16_t(k * 4);
            *index++ = base;
            *index++ = uint16_t(base + 1);
            *index++ = uint16_t(base + 2);
            *index++ = base;
            *index++ = uint16_t(base + 2);
            *index++ = uint16_t(base + 3);
        }
        m_pIB->Unlock();
    }
}

// Rewrites the quads of the active records in back-buffer pixels.
void SpriteList2D::FillVertexBuffer() {
    if (m_uActive == 0 || !m_pVB || !m_pSprites) return;
    Renderer* renderer = GetRenderer();
    const float sx = renderer->GetScreenScaleX();
    const float sy = renderer->GetScreenScaleY();
    BYTE* data = nullptr;
    m_pVB->Lock(0, 0, &data, D3DLOCK_DISCARD);
    uint32_t count = m_uActive;
    if (count > m_uCapacity) {
        TrapError(__FILE__, __LINE__, "Too many active sprites in 2D Sprites list");
        count = m_uCapacity;
    }
    if (!data) return;
    auto* v = reinterpret_cast<ScreenVertex*>(data);
    for (uint32_t i = 0; i < count; ++i) {
        const Sprite2D& s = m_pSprites[i];
        const float half = s.size * 0.5f;
        const float left = (s.x - half) * sx;
        const float top = (s.y - half) * sy;
        const float right = left + s.size * sx;
        const float bottom = top + s.size * sy;
        *v++ = {left, top, 0.9f, 1.0f, s.colour, s.uLeft, s.vTop};
        *v++ = {right, top, 0.9f, 1.0f, s.colour, s.uRight, s.vTop};
        *v++ = {right, bottom, 0.9f, 1.0f, s.colour, s.uRight, s.vBottom};
        *v++ = {left, bottom, 0.9f, 1.0f, s.colour, s.uLeft, s.vBottom};
    }
    m_pVB->Unlock();
}

// One indexed draw of the active records with the list's texture and mode.
void SpriteList2D::Render() {
    if (!m_pTexture || !m_pVB || !m_pIB) RestoreDeviceObjects();
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    Renderer* renderer = GetRenderer();
    // Drawn over everything, whatever the depth buffer holds.
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    D3DMATRIX world;
    std::memcpy(world.m, GetMatrix()->m, sizeof(world.m));
    device->SetTransform(D3DTS_WORLD, &world);
    renderer->SetTextureWrap(false);
    renderer->SetRenderMode(m_uBlendMode);
    device->SetTexture(0, m_pTexture);
    device->SetVertexShader(SCREENVERTEX_FVF);
    device->SetStreamSource(0, m_pVB, sizeof(ScreenVertex));
    device->SetIndices(m_pIB, 0);
    const uint32_t count = m_uActive < m_uCapacity ? m_uActive : m_uCapacity;
    if (count != 0 && m_pVB && m_pIB) device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4 * count, 0, 2 * count);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
}
