// World sprites: camera-facing quads rebuilt from the owner's records each frame
// and drawn with one indexed call in the overlay pass.
#include "spritelist3d.h"

#include <cstring>

#include "gameengine.h"
#include "memorycontroller.h"
#include "renderdevice.h"
#include "renderer.h"
#include "trap.h"

SpriteList3D::SpriteList3D()
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
SpriteList3D::~SpriteList3D() {
    if (m_bActive) {
        GetGameEngine()->RemoveProcess(this);
        GetRenderer()->RemoveOverlayObject(this);
    }
    InvalidateDeviceObjects();
    MemoryController::Free(&m_pSprites);
}

// Allocates the records (left for the owner to write), makes the device objects
// afresh for the new capacity and activates the list.
Sprite3D* SpriteList3D::Build(uint32_t count, const char* textureFile) {
    if (count == 0) TrapError(__FILE__, __LINE__, "No sprites given to Build sprite list");
    // Four vertices per sprite must stay addressable by 16-bit indices.
    if (count > MAX_SPRITES) {
        TrapError(__FILE__, __LINE__, "Too many sprites given to Build sprite list");
        return nullptr;
    }
    SetTexture(textureFile);
    MemoryController::Free(&m_pSprites);
    m_pSprites = static_cast<Sprite3D*>(MemoryController::Alloc(count * sizeof(Sprite3D), "Sprites3D"));
    if (!m_pSprites) {
        TrapError(__FILE__, __LINE__, "Could not allocate memory for 3D Sprite list");
        count = 0;
    }
    m_uCapacity = count;
    m_uActive = count;
    InvalidateDeviceObjects();
    Activate();
    return m_pSprites;
}

// Takes a new texture file; the next Render loads it, the buffers stay.
void SpriteList3D::SetTexture(const char* textureFile) {
    std::memset(m_szTextureName, 0, sizeof(m_szTextureName));
    if (textureFile) std::strncpy(m_szTextureName, textureFile, sizeof(m_szTextureName) - 1);
    if (m_pTexture) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
}

// Frees the records, then leaves both lists and releases the device objects.
void SpriteList3D::Shutdown() {
    MemoryController::Free(&m_pSprites);
    m_uCapacity = 0;
    m_uActive = 0;
    Object::Shutdown();
}

// Rewrites the vertex buffer from the records once a frame, before drawing.
void SpriteList3D::Update(float) { FillVertexBuffer(); }

// Joins the frame loop and the overlay pass; a list already there stays put.
void SpriteList3D::Activate() {
    if (m_bActive) return;
    m_bActive = true;
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddOverlayObject(this);
}

// Leaves both lists and releases the device objects; Activate brings it back.
void SpriteList3D::Deactivate() {
    InvalidateDeviceObjects();
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveOverlayObject(this);
    m_bActive = false;
}

// Releases what exists; a second call finds nothing left to release.
void SpriteList3D::InvalidateDeviceObjects() {
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
void SpriteList3D::RestoreDeviceObjects() {
    if (m_uCapacity == 0) return;
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (!m_pTexture) m_pTexture = GetRenderer()->LoadTexture(m_szTextureName);
    if (!m_pVB) {
        if (FAILED(device->CreateVertexBuffer(m_uCapacity * 4 * sizeof(SpriteVertex3D),
                                              D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, SPRITEVERTEX3D_FVF,
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
            TrapError(__FILE__, __LINE__, "Could not lock index buffer for 3D sprites");
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

// Rewrites the quads of the active records so that they face the camera.
void SpriteList3D::FillVertexBuffer() {
    if (m_uActive == 0 || !m_pVB || !m_pSprites) return;
    BYTE* data = nullptr;
    m_pVB->Lock(0, 0, &data, D3DLOCK_DISCARD);
    uint32_t count = m_uActive;
    if (count > m_uCapacity) {
        TrapError(__FILE__, __LINE__, "Too many active sprites in 3D Sprites list");
        count = m_uCapacity;
    }
    if (!data) return;
    const Matrix* view = GetRenderer()->GetViewMatrix();
    const Vec3 right(view->m[0][0], view->m[1][0], view->m[2][0]);
    const Vec3 up(view->m[0][1], view->m[1][1], view->m[2][1]);
    auto* v = reinterpret_cast<SpriteVertex3D*>(data);
    for (uint32_t i = 0; i < count; ++i) {
        const Sprite3D& s = m_pSprites[i];
        const float ax = right.x * s.halfWidth, ay = right.y * s.halfWidth, az = right.z * s.halfWidth;
        const float bx = up.x * s.halfHeight, by = up.y * s.halfHeight, bz = up.z * s.halfHeight;
        *v++ = {s.x + ax - bx, s.y + ay - by, s.z + az - bz, s.colour, s.uRight, s.vBottom};
        *v++ = {s.x - ax - bx, s.y - ay - by, s.z - az - bz, s.colour, s.uLeft, s.vBottom};
        *v++ = {s.x - ax + bx, s.y - ay + by, s.z - az + bz, s.colour, s.uLeft, s.vTop};
        *v++ = {s.x + ax + bx, s.y + ay + by, s.z + az + bz, s.colour, s.uRight, s.vTop};
    }
    m_pVB->Unlock();
}

// One indexed draw of the active records with the list's texture and mode.
void SpriteList3D::Render() {
    if (!m_pTexture || !m_pVB || !m_pIB) RestoreDeviceObjects();
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    Renderer* renderer = GetRenderer();
    D3DMATRIX world;
    std::memcpy(world.m, GetMatrix()->m, sizeof(world.m));
    device->SetTransform(D3DTS_WORLD, &world);
    renderer->SetTextureWrap(false);
    renderer->SetRenderMode(m_uBlendMode);
    device->SetTexture(0, m_pTexture);
    device->SetVertexShader(SPRITEVERTEX3D_FVF);
    device->SetStreamSource(0, m_pVB, sizeof(SpriteVertex3D));
    device->SetIndices(m_pIB, 0);
    const uint32_t count = m_uActive < m_uCapacity ? m_uActive : m_uCapacity;
    if (count != 0 && m_pVB && m_pIB) device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4 * count, 0, 2 * count);
}
