// The sprite lists' shared half: record block, device objects, the quad index
// buffer, and joining or leaving the frame loop and the overlay pass.
#include "spritelistbase.h"

#include <cstring>

#include "comrelease.h"
#include "gameengine.h"
#include "memorycontroller.h"
#include "renderdevice.h"
#include "renderer.h"
#include "trap.h"

SpriteListBase::SpriteListBase(const Kind& kind)
    : m_kind(kind),
      m_pRecords(nullptr),
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
SpriteListBase::~SpriteListBase() {
    if (m_bActive) {
        GetGameEngine()->RemoveProcess(this);
        GetRenderer()->RemoveOverlayObject(this);
    }
    InvalidateDeviceObjects();
    MemoryController::Free(&m_pRecords);
}

// Allocates the records (left for the owner to write), makes the device objects
// afresh for the new capacity and activates the list.
void* SpriteListBase::BuildRecords(uint32_t count, const char* textureFile) {
    if (count == 0) TrapError(__FILE__, __LINE__, "No sprites given to Build sprite list");
    // Four vertices per sprite must stay addressable by 16-bit indices.
    if (count > MAX_SPRITES) {
        TrapError(__FILE__, __LINE__, "Too many sprites given to Build sprite list");
        return nullptr;
    }
    SetTexture(textureFile);
    MemoryController::Free(&m_pRecords);
    m_pRecords = MemoryController::Alloc(count * m_kind.recordSize, m_kind.memoryTag);
    if (!m_pRecords) {
        TrapError(__FILE__, __LINE__, m_kind.allocFailure);
        count = 0;
    }
    m_uCapacity = count;
    m_uActive = count;
    InvalidateDeviceObjects();
    Activate();
    return m_pRecords;
}

// Takes a new texture file; the next Render loads it, the buffers stay.
void SpriteListBase::SetTexture(const char* textureFile) {
    std::memset(m_szTextureName, 0, sizeof(m_szTextureName));
    if (textureFile) std::strncpy(m_szTextureName, textureFile, sizeof(m_szTextureName) - 1);
    ReleaseAndNull(m_pTexture);
}

// Frees the records, then leaves both lists and releases the device objects.
void SpriteListBase::Shutdown() {
    MemoryController::Free(&m_pRecords);
    m_uCapacity = 0;
    m_uActive = 0;
    Object::Shutdown();
}

// Rewrites the vertex buffer from the records once a frame, before drawing.
void SpriteListBase::Update(float) { FillVertexBuffer(); }

// Joins the frame loop and the overlay pass; a list already there stays put.
void SpriteListBase::Activate() {
    if (m_bActive) return;
    m_bActive = true;
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddOverlayObject(this);
}

// Leaves both lists and releases the device objects; Activate brings it back.
void SpriteListBase::Deactivate() {
    InvalidateDeviceObjects();
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveOverlayObject(this);
    m_bActive = false;
}

// Releases what exists; a second call finds nothing left to release.
void SpriteListBase::InvalidateDeviceObjects() {
    ReleaseAndNull(m_pTexture);
    ReleaseAndNull(m_pVB);
    ReleaseAndNull(m_pIB);
}

// Creates whatever is missing: texture, vertex buffer (filled at once), index buffer.
void SpriteListBase::RestoreDeviceObjects() {
    if (m_uCapacity == 0) return;
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (!m_pTexture) m_pTexture = GetRenderer()->LoadTexture(m_szTextureName);
    if (!m_pVB) {
        if (FAILED(device->CreateVertexBuffer(m_uCapacity * 4 * m_kind.vertexSize,
                                              D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, m_kind.fvf, D3DPOOL_DEFAULT,
                                              &m_pVB)))
            m_pVB = nullptr;
        FillVertexBuffer();
    }
    if (!m_pIB) {
        if (FAILED(device->CreateIndexBuffer(m_uCapacity * 6 * sizeof(uint16_t), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                             D3DPOOL_MANAGED, &m_pIB)))
            m_pIB = nullptr;
        FillIndexBuffer();
    }
}

// Two triangles per quad, sharing the diagonal from its first to its third corner.
void SpriteListBase::FillIndexBuffer() {
    if (!m_pIB) return;
    BYTE* data = nullptr;
    HRESULT hr = m_pIB->Lock(0, 0, &data, 0);
    if (!data) {
        TrapError(__FILE__, __LINE__, m_kind.indexLockFailure);
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

// Rewrites the quads of the active records, no more than the capacity holds.
void SpriteListBase::FillVertexBuffer() {
    if (m_uActive == 0 || !m_pVB || !m_pRecords) return;
    BYTE* data = nullptr;
    m_pVB->Lock(0, 0, &data, D3DLOCK_DISCARD);
    uint32_t count = m_uActive;
    if (count > m_uCapacity) {
        TrapError(__FILE__, __LINE__, m_kind.tooManyActive);
        count = m_uCapacity;
    }
    if (!data) return;
    WriteVertices(data, count);
    m_pVB->Unlock();
}

IDirect3DDevice8* SpriteListBase::PrepareToDraw() {
    if (!m_pTexture || !m_pVB || !m_pIB) RestoreDeviceObjects();
    return RenderDevice_GetDevice();
}

uint32_t SpriteListBase::BindBuffers(IDirect3DDevice8* device) {
    device->SetVertexShader(m_kind.fvf);
    device->SetStreamSource(0, m_pVB, m_kind.vertexSize);
    device->SetIndices(m_pIB, 0);
    if (!m_pVB || !m_pIB) return 0;
    return m_uActive < m_uCapacity ? m_uActive : m_uCapacity;
}

void SpriteListBase::DrawQuads(IDirect3DDevice8* device) {
    Renderer* renderer = GetRenderer();
    D3DMATRIX world;
    std::memcpy(world.m, GetMatrix()->m, sizeof(world.m));
    device->SetTransform(D3DTS_WORLD, &world);
    renderer->SetTextureWrap(false);
    renderer->SetRenderMode(m_uBlendMode);
    device->SetTexture(0, m_pTexture);
    const uint32_t count = BindBuffers(device);
    if (count == 0) return;
    D3DSURFACE_DESC top = {};
    const bool magnified = m_pTexture && SUCCEEDED(m_pTexture->GetLevelDesc(0, &top)) &&
                           AllMagnified(count, float(top.Width), float(top.Height));
    MagnifiedDraw plain(device, magnified);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4 * count, 0, 2 * count);
}

MagnifiedDraw::MagnifiedDraw(IDirect3DDevice8* device, bool magnified)
    : m_pDevice(device), m_dwMipFilter(D3DTEXF_NONE), m_bChanged(false) {
    if (!magnified || !device) return;
    DWORD maxLevel = 0, bias = 0;
    device->GetTextureStageState(0, D3DTSS_MIPFILTER, &m_dwMipFilter);
    device->GetTextureStageState(0, D3DTSS_MAXMIPLEVEL, &maxLevel);
    device->GetTextureStageState(0, D3DTSS_MIPMAPLODBIAS, &bias);
    m_bChanged = m_dwMipFilter != D3DTEXF_NONE && maxLevel == 0 && bias == 0;
    if (m_bChanged) device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
}

MagnifiedDraw::~MagnifiedDraw() {
    if (m_bChanged) m_pDevice->SetTextureStageState(0, D3DTSS_MIPFILTER, m_dwMipFilter);
}
