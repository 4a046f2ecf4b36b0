// What the room surfaces (floor, ceiling, walls) share: their vertex, the
// per-block draw table, the tile atlas table and the drawable that owns the
// geometry, the tile texture and the baked lightmap of one room.
#pragma once
#include <cstdint>
#include <vector>
#include "LightMapWorkers.h"
#include "d3d8.h"
#include "process.h"

class LightSampler;

// The vertex of every level surface: position, white diffuse, tile atlas
// coordinates (stage 0) and lightmap coordinates (stage 1). 32 bytes.
struct LevelVertex {
    float x, y, z;
    uint32_t diffuse;
    float tu1, tv1;
    float tu2, tv2;
};
static_assert(sizeof(LevelVertex) == 32, "LevelVertex is 32 bytes");
#define LEVELVERTEX_FVF (D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2)

// One 2 by 2 node block's run of the index buffer; entry bx + 4 * by, by
// counting block rows from the smallest z.
struct ClipTable {
    uint32_t firstIndex;
    uint32_t triangleCount;
};
#define CLIP_TABLE_ENTRIES 16u

// A tile of a 4 by 4 atlas: left u, top v, right u, bottom v, inset by 1/256.
struct TileUV {
    float uL, vT, uR, vB;
};
// Tile i (0..15) of a 4 by 4 atlas: column i mod 4, row i div 4 (row 0 at v = 0).
const TileUV& GetTileUV(uint32_t tile);

// Lightmap surfaces, as the cache files number them.
enum LightmapSurface : uint32_t {
    LIGHTMAP_CEIL = 0,
    LIGHTMAP_FLOOR = 1,
    LIGHTMAP_WALLS = 2,
};

#define LIGHTMAP_SIZE 256u
// Lightmap texel step of one node column or row, and the border kept clear.
constexpr float LIGHTMAP_BORDER = 0.001f;
constexpr float LIGHTMAP_CELL_STEP = (1.0f - 2.0f * LIGHTMAP_BORDER) / 8.0f;

// A room surface: built lazily from the room's node bytes when Render finds no
// vertex buffer, drawn one indexed call per visible block, textured with a tile
// atlas and a 256x256 lightmap (render mode 8).
class LevelSurface : public Object {
public:
    LevelSurface();
    ~LevelSurface() override;

    void Init() override;
    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
    void Render() override;
    // Releases the buffers and both textures; a second call does nothing.
    void InvalidateDeviceObjects() override;
    // Rebuilds geometry, indices, the tile texture (when missing) and the lightmap texture.
    void RestoreDeviceObjects() override;

    // Chooses the room whose nodes are read; drops the buffers so the next
    // Render rebuilds them.
    void SetRoom(uint32_t room);
    // 1: draw with clockwise culling (the editor's view from outside).
    void SetClip(uint32_t clip) { m_uClip = clip; }
    // Writes the quad indices, once (nothing while an index buffer is held).
    void BuildIndices();
    // Bakes the room's lightmap and saves it to the cache; skipped when not
    // forced and the cache holds a map baked from the same level content.
    void BuildLightmap(uint32_t force) { BuildLightmaps({this}, force); }
    // The same for surfaces of any rooms, all baked side by side.
    static void BuildLightmaps(const std::vector<LevelSurface*>& surfaces, uint32_t force);
    // Fills the texel arrays from sampler and softens them (no cache involved),
    // the surfaces side by side on the bake workers.
    static void BakeTexels(const std::vector<LevelSurface*>& surfaces, const LightSampler& sampler);
    // Adds the bake of the texel array from sampler: the samples, then the softening.
    virtual void AddBakeChains(const LightSampler& sampler, std::vector<BakeChain>& chains) = 0;
    // Makes the lightmap texture of the map in the cache (from the mip chain
    // of a map just baked and saved, else from the file), otherwise from the
    // texel array.
    void CreateLightmap();
    // Copies the texel array into the lightmap texture.
    void UploadLightmap();

    uint32_t GetRoom() const { return m_uRoom; }
    uint32_t GetClip() const { return m_uClip; }
    // Quads (tiles or wall sides), vertices and triangles of the built geometry.
    uint32_t GetQuadCount() const { return m_uQuadCount; }
    uint32_t GetVertexCount() const { return m_uVertexCount; }
    uint32_t GetTriangleCount() const { return m_uTriangleCount; }
    uint32_t* GetTexels() { return m_pTexels; }
    const ClipTable* GetClipTable() const { return m_pClipTable; }
    IDirect3DVertexBuffer8* GetVertexBuffer() const { return m_pVB; }
    IDirect3DIndexBuffer8* GetIndexBuffer() const { return m_pIB; }
    IDirect3DTexture8* GetTileTexture() const { return m_pTileTexture; }
    IDirect3DTexture8* GetLightmapTexture() const { return m_pLightmapTexture; }

protected:
    // Quads of the room's nodes as the node bytes stand now.
    virtual uint32_t CountQuads() const = 0;
    // Writes the vertex buffer and the clip table for the current quad count.
    virtual void BuildGeometry() = 0;
    virtual const char* GetTileTextureFile() const = 0;
    virtual LightmapSurface GetSurface() const = 0;
    virtual const char* GetClipTag() const = 0;

    // Releases the held vertex buffer and creates one for the quad count;
    // false (and no buffer) when that fails or there is nothing to hold.
    bool CreateVertexBuffer();
    // Fills every texel with white.
    void ClearTexels();
    // Walks the room's 2 by 2 node blocks in draw-table order, giving each
    // block its run of quads in the clip table. writeNode(c, r, v, room)
    // writes the quads of node (c, r) from v on, at most room of them, and
    // returns how many it wrote.
    template <typename WriteNode>
    void WriteBlocks(LevelVertex* v, WriteNode writeNode) {
        uint32_t written = 0;
        for (uint32_t by = 0; by < 4; ++by)
            for (uint32_t bx = 0; bx < 4; ++bx) {
                ClipTable& entry = m_pClipTable[by * 4 + bx];
                const uint32_t first = written;
                for (uint32_t r = 2 * by; r < 2 * by + 2; ++r)
                    for (uint32_t c = 2 * bx; c < 2 * bx + 2; ++c)
                        written += writeNode(c, r, v + 4 * written, m_uQuadCount - written);
                entry.firstIndex = 6 * first;
                entry.triangleCount = 2 * (written - first);
            }
    }
    void ReleaseBuffers();

    uint32_t m_uRoom;
    uint32_t m_uClip;
    uint32_t m_uQuadCount;
    uint32_t m_uVertexCount;
    uint32_t m_uTriangleCount;
    uint32_t* m_pTexels;  // LIGHTMAP_SIZE x LIGHTMAP_SIZE ARGB, row-major
    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DIndexBuffer8* m_pIB;
    IDirect3DTexture8* m_pTileTexture;
    IDirect3DTexture8* m_pLightmapTexture;
    ClipTable* m_pClipTable;
    // True when the cache file holds the map of this room as it stands.
    bool m_bMapOnDisk;
    // The mip chain of a map just baked, until its texture is made from it.
    std::vector<std::vector<uint32_t>> m_Mips;
    // True once the geometry of the current room is built, also when the room
    // has no quads (so an empty surface does not retry every frame).
    bool m_bBuilt;
};
