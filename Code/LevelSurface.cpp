// The shared part of the room surfaces: lifecycle, lazy rebuild, drawing by
// visible block, the index buffer and the lightmap texture.
#include "LevelSurface.h"

#include <cstring>
#include <map>
#include <memory>

#include "Level.h"
#include "LightMap.h"
#include "comrelease.h"
#include "d3dx8tex.h"
#include "game.h"
#include "gameengine.h"
#include "memorycontroller.h"
#include "renderdevice.h"
#include "renderer.h"
#include "trap.h"

namespace {

// Tile i of a 4 by 4 atlas, inset by 1/256 on every side.
constexpr TileUV MakeTileUV(int i) {
    return TileUV{(i % 4) / 4.0f + 1.0f / 256.0f, (i / 4) / 4.0f + 1.0f / 256.0f,
                  (i % 4) / 4.0f + 0.25f - 1.0f / 256.0f, (i / 4) / 4.0f + 0.25f - 1.0f / 256.0f};
}

constexpr TileUV kTileUV[16] = {
    MakeTileUV(0),  MakeTileUV(1),  MakeTileUV(2),  MakeTileUV(3),  MakeTileUV(4),  MakeTileUV(5),
    MakeTileUV(6),  MakeTileUV(7),  MakeTileUV(8),  MakeTileUV(9),  MakeTileUV(10), MakeTileUV(11),
    MakeTileUV(12), MakeTileUV(13), MakeTileUV(14), MakeTileUV(15),
};

}  // namespace

const TileUV& GetTileUV(uint32_t tile) { return kTileUV[tile & 15u]; }

LevelSurface::LevelSurface()
    : m_uRoom(0),
      m_uClip(0),
      m_uQuadCount(0),
      m_uVertexCount(0),
      m_uTriangleCount(0),
      m_pTexels(new uint32_t[LIGHTMAP_SIZE * LIGHTMAP_SIZE]),
      m_pVB(nullptr),
      m_pIB(nullptr),
      m_pTileTexture(nullptr),
      m_pLightmapTexture(nullptr),
      m_pClipTable(nullptr),
      m_bMapOnDisk(false),
      m_bBuilt(false) {
    ClearTexels();
}

LevelSurface::~LevelSurface() {
    InvalidateDeviceObjects();
    MemoryController::Free(&m_pClipTable);
    delete[] m_pTexels;
}

void LevelSurface::ClearTexels() {
    for (uint32_t i = 0; i < LIGHTMAP_SIZE * LIGHTMAP_SIZE; ++i) m_pTexels[i] = 0xFFFFFFFFu;
}

// Room 0, no clip, white lightmap, and the block table.
void LevelSurface::Init() {
    Object::Init();
    m_uRoom = 0;
    m_uClip = 0;
    m_bMapOnDisk = false;
    ClearTexels();
    if (!m_pClipTable) {
        m_pClipTable = static_cast<ClipTable*>(MemoryController::Alloc(CLIP_TABLE_ENTRIES * sizeof(ClipTable), GetClipTag()));
        if (m_pClipTable) std::memset(m_pClipTable, 0, CLIP_TABLE_ENTRIES * sizeof(ClipTable));
    }
}

void LevelSurface::Shutdown() {
    MemoryController::Free(&m_pClipTable);
    Object::Shutdown();
}

void LevelSurface::Update(float) {}

void LevelSurface::Activate() {
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddObject(this);
}

void LevelSurface::Deactivate() {
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveObject(this);
}

void LevelSurface::SetRoom(uint32_t room) {
    m_uRoom = room;
    ReleaseBuffers();
}

void LevelSurface::ReleaseBuffers() {
    ReleaseAndNull(m_pVB);
    ReleaseAndNull(m_pIB);
    m_bBuilt = false;
}

void LevelSurface::InvalidateDeviceObjects() {
    ReleaseBuffers();
    ReleaseAndNull(m_pTileTexture);
    ReleaseAndNull(m_pLightmapTexture);
}

void LevelSurface::RestoreDeviceObjects() {
    if (!RenderDevice_GetDevice()) return;
    m_uQuadCount = CountQuads();
    m_uVertexCount = 4 * m_uQuadCount;
    m_uTriangleCount = 2 * m_uQuadCount;
    BuildGeometry();
    BuildIndices();
    if (!m_pTileTexture) m_pTileTexture = GetRenderer()->LoadTexture(GetTileTextureFile());
    CreateLightmap();
    // A surface without quads needs no buffers; one whose buffers could not be
    // made tries again at its next Render.
    m_bBuilt = m_uQuadCount == 0 || (m_pVB != nullptr && m_pIB != nullptr);
}

bool LevelSurface::CreateVertexBuffer() {
    ReleaseAndNull(m_pVB);
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device || m_uVertexCount == 0) return false;
    if (FAILED(device->CreateVertexBuffer(m_uVertexCount * sizeof(LevelVertex), D3DUSAGE_WRITEONLY, LEVELVERTEX_FVF,
                                          D3DPOOL_MANAGED, &m_pVB))) {
        m_pVB = nullptr;
        return false;
    }
    return true;
}

void LevelSurface::BuildIndices() {
    if (m_pIB) return;
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    m_uTriangleCount = 2 * m_uQuadCount;
    if (!device || m_uQuadCount == 0) return;
    if (FAILED(device->CreateIndexBuffer(m_uQuadCount * 12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                         &m_pIB))) {
        m_pIB = nullptr;
        return;
    }
    BYTE* data = nullptr;
    if (FAILED(m_pIB->Lock(0, 0, &data, 0)) || !data) return;
    uint16_t* idx = reinterpret_cast<uint16_t*>(data);
    for (uint32_t i = 0; i < m_uQuadCount; ++i) {
        const uint16_t base = static_cast<uint16_t>(4 * i);
        idx[6 * i + 0] = base;
        idx[6 * i + 1] = static_cast<uint16_t>(base + 1);
        idx[6 * i + 2] = static_cast<uint16_t>(base + 2);
        idx[6 * i + 3] = base;
        idx[6 * i + 4] = static_cast<uint16_t>(base + 2);
        idx[6 * i + 5] = static_cast<uint16_t>(base + 3);
    }
    m_pIB->Unlock();
}

void LevelSurface::BuildLightmaps(const std::vector<LevelSurface*>& surfaces, uint32_t force) {
    LightMap* lightMap = GetLightMap();
    const uint32_t level = GetGame()->GetLevelNumber();
    // One view of the lights per room, made before any job runs and kept until all are done.
    std::map<uint32_t, std::unique_ptr<LightBake>> bakes;
    for (LevelSurface* s : surfaces) {
        std::unique_ptr<LightBake>& bake = bakes[s->m_uRoom];
        if (!bake) bake = std::make_unique<LightBake>(s->m_uRoom);
        s->m_Mips.clear();
        s->m_bMapOnDisk = false;
    }
    // The textures' mip levels are made only where there is a device to hold them.
    const bool mips = RenderDevice_GetDevice() != nullptr;
    // The maps in the cache, checked and read side by side, each with the mip
    // levels of its texture (its texel array stays as it is).
    if (!force) {
        lightMap->Bake({{{static_cast<uint32_t>(surfaces.size()), [&](uint32_t i) {
            LevelSurface* s = surfaces[i];
            const uint32_t room = s->m_uRoom, surface = s->GetSurface();
            std::vector<uint32_t> texels(mips ? LIGHTMAP_SIZE * LIGHTMAP_SIZE : 0);
            if (!lightMap->IsCurrent(level, room, surface, bakes.at(room)->GetContentKey(),
                                     mips ? texels.data() : nullptr))
                return;
            s->m_bMapOnDisk = true;
            if (mips) LightMap::BuildMips(texels.data(), &s->m_Mips);
        }}}});
    }
    std::vector<LevelSurface*> stale;
    std::vector<BakeChain> chains;
    for (LevelSurface* s : surfaces) {
        if (s->m_bMapOnDisk) continue;
        const std::unique_ptr<LightBake>& bake = bakes[s->m_uRoom];
        stale.push_back(s);
        const size_t first = chains.size();
        s->AddBakeChains(*bake, chains);
        if (chains.size() == first) continue;
        // Once the map is final: the cache files, and the texture's mip levels
        // (so that the texture need not be read back from the file).
        const uint64_t key = bake->GetContentKey();
        chains.back().push_back({2, [s, lightMap, level, key, mips](uint32_t job) {
                                     if (job == 1)
                                         s->m_bMapOnDisk = lightMap->Write(level, s->m_uRoom, s->GetSurface(),
                                                                           s->m_pTexels, LIGHTMAP_SIZE, LIGHTMAP_SIZE,
                                                                           key);
                                     else if (mips)
                                         LightMap::BuildMips(s->m_pTexels, &s->m_Mips);
                                 }});
    }
    lightMap->Bake(chains);
    for (LevelSurface* s : stale) {
        if (s->m_bMapOnDisk) continue;
        lightMap->ReportSaveFailure(lightMap->FileName(level, s->m_uRoom, s->GetSurface()));
        s->m_Mips.clear();
    }
}

void LevelSurface::BakeTexels(const std::vector<LevelSurface*>& surfaces, const LightSampler& sampler) {
    std::vector<BakeChain> chains;
    for (LevelSurface* s : surfaces) s->AddBakeChains(sampler, chains);
    GetLightMap()->Bake(chains);
}

void LevelSurface::CreateLightmap() {
    ReleaseAndNull(m_pLightmapTexture);
    // The map just saved is in memory already: no need to read it back.
    if (m_bMapOnDisk && !m_Mips.empty()) m_pLightmapTexture = GetLightMap()->CreateTexture(m_Mips);
    m_Mips.clear();
    m_Mips.shrink_to_fit();
    if (m_bMapOnDisk && !m_pLightmapTexture)
        m_pLightmapTexture = GetLightMap()->Load(GetGame()->GetLevelNumber(), m_uRoom, GetSurface());
    if (m_pLightmapTexture) return;
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (FAILED(D3DXCreateTexture(device, LIGHTMAP_SIZE, LIGHTMAP_SIZE, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
                                 &m_pLightmapTexture)) ||
        !m_pLightmapTexture) {
        m_pLightmapTexture = nullptr;
        Trap(__FILE__, __LINE__, "Could not create Lightmap texture");
        return;
    }
    UploadLightmap();
}

void LevelSurface::UploadLightmap() {
    if (!m_pLightmapTexture) {
        CreateLightmap();  // uploads when it had to make the texture itself
        return;
    }
    D3DLOCKED_RECT locked;
    if (FAILED(m_pLightmapTexture->LockRect(0, &locked, nullptr, 0)) || !locked.pBits) {
        Trap(__FILE__, __LINE__, "Could not lock lightmap texture");
        return;
    }
    const uint32_t pitchWords = static_cast<uint32_t>(locked.Pitch) / 4;
    uint32_t* bits = static_cast<uint32_t*>(locked.pBits);
    for (uint32_t y = 0; y < LIGHTMAP_SIZE; ++y)
        std::memcpy(bits + y * pitchWords, m_pTexels + y * LIGHTMAP_SIZE, LIGHTMAP_SIZE * sizeof(uint32_t));
    if (FAILED(m_pLightmapTexture->UnlockRect(0))) Trap(__FILE__, __LINE__, "Could not unlock Light map texture");
}

// Draws the quads of every visible block that has any, in render mode 8.
void LevelSurface::Render() {
    if (!m_bBuilt) RestoreDeviceObjects();
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device || !m_pVB || !m_pIB || !m_pClipTable) return;
    Renderer* renderer = GetRenderer();
    device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(&g_mIdentity));
    renderer->SetTextureWrap(false);
    renderer->SetRenderMode(RENDERMODE_LIGHTMAP_MODULATE);
    // The quads carry their own white colour and baked light: the device's
    // lighting (on after a device restore) would replace it with the ambient.
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    if (m_uClip == 1) device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetTexture(0, m_pTileTexture);
    device->SetTexture(1, m_pLightmapTexture);
    device->SetVertexShader(LEVELVERTEX_FVF);
    device->SetStreamSource(0, m_pVB, sizeof(LevelVertex));
    device->SetIndices(m_pIB, 0);
    if (const uint32_t* visible = GetLevel()->GetVisibleBlocks()) {
        for (uint32_t k = 0; k < CLIP_TABLE_ENTRIES; ++k) {
            const ClipTable& entry = m_pClipTable[k];
            if (visible[k] == 1 && entry.triangleCount != 0)
                device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m_uVertexCount, entry.firstIndex,
                                             entry.triangleCount);
        }
    }
    if (m_uClip == 1) device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}
