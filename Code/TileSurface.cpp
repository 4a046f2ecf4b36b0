// Geometry and lightmap sampling of the floor and the ceiling.
#include "TileSurface.h"

#include <cstring>

#include "Level.h"
#include "LightMap.h"

uint32_t TileSurface::CountQuads() const {
    const Node* nodes = GetLevel()->GetNodeMap(m_uRoom);
    if (!nodes) return 0;
    uint32_t count = 0;
    for (uint32_t i = 0; i < LEVEL_NODE_COUNT; ++i)
        if (GetTile(nodes[i]) != NODE_EMPTY) ++count;
    return count;
}

void TileSurface::BuildGeometry() {
    // A table left from an earlier room must not point past the new buffers.
    if (m_pClipTable) std::memset(m_pClipTable, 0, CLIP_TABLE_ENTRIES * sizeof(ClipTable));
    if (!CreateVertexBuffer()) return;
    Level* level = GetLevel();
    const float cell = level->GetCellSize();
    const float y = GetHeight(m_uRoom);
    const Node* nodes = level->GetNodeMap(m_uRoom);
    if (!nodes || !m_pClipTable) return;

    BYTE* data = nullptr;
    if (FAILED(m_pVB->Lock(0, 0, &data, 0)) || !data) return;
    WriteBlocks(reinterpret_cast<LevelVertex*>(data), [&](uint32_t c, uint32_t r, LevelVertex* v, uint32_t room) {
        const uint8_t tile = GetTile(nodes[c + (7 - r) * 8]);
        if (tile == NODE_EMPTY || room == 0) return 0u;
        const float lu = c * LIGHTMAP_CELL_STEP + LIGHTMAP_BORDER;
        const float lv = r * LIGHTMAP_CELL_STEP + LIGHTMAP_BORDER;
        WriteQuad(v, level->GetCellX(c), y, level->GetCellZ(r), cell, GetTileUV(tile), lu, lv);
        return 1u;
    });
    m_pVB->Unlock();
}

void TileSurface::AddBakeChains(const LightSampler& sampler, std::vector<BakeChain>& chains) {
    Level* level = GetLevel();
    const float y = GetHeight(m_uRoom);
    const Vec3 normal = GetNormal();
    const float x0 = level->GetCellX(0);
    const float z0 = level->GetCellZ(0);
    uint32_t* texels = m_pTexels;
    auto sampleRow = [=, &sampler](uint32_t t) {
        for (uint32_t s = 0; s < LIGHTMAP_SIZE; ++s)
            texels[t * LIGHTMAP_SIZE + s] =
                sampler.CalcLight(Vec3(x0 + static_cast<float>(s), y, z0 + static_cast<float>(t)), normal);
    };
    auto blur = [texels](uint32_t) {
        for (int pass = 0; pass < 4; ++pass) GetLightMap()->Blur(texels, LIGHTMAP_SIZE, LIGHTMAP_SIZE);
    };
    chains.push_back({{LIGHTMAP_SIZE, sampleRow}, {1, blur}});
}
