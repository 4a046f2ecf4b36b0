// Wall geometry, wall lightmap blocks and their sampling and blur.
#include "Walls.h"

#include <cstring>
#include <memory>
#include <vector>

#include "Level.h"
#include "LightMap.h"
#include "memorycontroller.h"
#include "trap.h"

namespace {

// Lookup of every wall side's WALL UVS entry, shared by all rooms' walls and
// rebuilt right before each use.
int32_t g_aWallUVLookup[LEVEL_NODE_COUNT * 4];

// The wall sides of a room in lightmap order: sides 0 and 1 row by row (grid
// rows from the smallest z), then sides 2 and 3 column by column. Calls
// visit(c, r, side, tile) for every side that carries a wall.
template <typename Visit>
void ForEachWallSide(const Node* nodes, Visit visit) {
    for (uint32_t side = 0; side < 2; ++side)
        for (uint32_t r = 0; r < 8; ++r)
            for (uint32_t c = 0; c < 8; ++c) {
                const uint8_t tile = nodes[c + (7 - r) * 8].walls[side];
                if (tile != NODE_EMPTY) visit(c, r, side, tile);
            }
    for (uint32_t side = 2; side < 4; ++side)
        for (uint32_t c = 0; c < 8; ++c)
            for (uint32_t r = 0; r < 8; ++r) {
                const uint8_t tile = nodes[c + (7 - r) * 8].walls[side];
                if (tile != NODE_EMPTY) visit(c, r, side, tile);
            }
}

uint32_t CountWallSides(const Node* nodes) {
    uint32_t count = 0;
    if (nodes) ForEachWallSide(nodes, [&](uint32_t, uint32_t, uint32_t, uint8_t) { ++count; });
    return count;
}

// Per-channel blur terms of one texel (8-bit channels divided by 6).
inline uint32_t Sixth(uint32_t texel, int shift) { return ((texel >> shift) & 0xFFu) / 6u; }

}  // namespace

const int32_t* Walls::GetWallUVLookup() { return g_aWallUVLookup; }

Walls::Walls() : m_pWallUVs(nullptr) {}

Walls::~Walls() { MemoryController::Free(&m_pWallUVs); }

void Walls::Shutdown() {
    MemoryController::Free(&m_pWallUVs);
    LevelSurface::Shutdown();
}

uint32_t Walls::CountQuads() const { return CountWallSides(GetLevel()->GetNodeMap(m_uRoom)); }

void Walls::AllocLightmapUVs() {
    if (m_uQuadCount == 0) return;
    for (int32_t& entry : g_aWallUVLookup) entry = -1;
    const Node* nodes = GetLevel()->GetNodeMap(m_uRoom);
    MemoryController::Free(&m_pWallUVs);
    m_pWallUVs = static_cast<WallUV*>(MemoryController::Alloc(m_uQuadCount * sizeof(WallUV), "WALL UVS"));
    if (!nodes || !m_pWallUVs) return;

    // Past the map's 128 blocks the sides share the blocks from the first on
    // again (v wraps), so no coordinate leaves the map.
    float u = 0.0f, v = 0.0f;
    uint32_t k = 0;
    ForEachWallSide(nodes, [&](uint32_t c, uint32_t r, uint32_t side, uint8_t) {
        if (k >= m_uQuadCount) return;
        g_aWallUVLookup[(c + 8 * r) * 4 + side] = static_cast<int32_t>(2 * k);
        m_pWallUVs[k] = {u, v};
        u += 1.0f / 16.0f;
        if (u >= 1.0f) {
            v += 1.0f / 8.0f;
            u = 0.0f;
            if (v >= 1.0f) v = 0.0f;
        }
        ++k;
    });
    if (m_uQuadCount > WALL_LIGHTMAP_BLOCKS)
        DebugLog("Room %u has %u wall sides; the lightmap holds %u\n", m_uRoom, m_uQuadCount, WALL_LIGHTMAP_BLOCKS);
}

void Walls::BuildVertices() {
    // A table left from an earlier room must not point past the new buffers.
    if (m_pClipTable) std::memset(m_pClipTable, 0, CLIP_TABLE_ENTRIES * sizeof(ClipTable));
    if (!CreateVertexBuffer()) return;
    AllocLightmapUVs();
    Level* level = GetLevel();
    const float cell = level->GetCellSize();
    const float B = level->GetRoomBaseY(m_uRoom);
    const float T = B + level->GetWallHeight();
    const Node* nodes = level->GetNodeMap(m_uRoom);
    if (!nodes || !m_pClipTable || !m_pWallUVs) return;

    BYTE* data = nullptr;
    if (FAILED(m_pVB->Lock(0, 0, &data, 0)) || !data) return;
    const float e = 1.0f / 512.0f;
    WriteBlocks(reinterpret_cast<LevelVertex*>(data), [&](uint32_t c, uint32_t r, LevelVertex* out, uint32_t room) {
        const Node& node = nodes[c + (7 - r) * 8];
        uint32_t written = 0;
        for (uint32_t side = 0; side < 4; ++side) {
            const uint8_t tile = node.walls[side];
            if (tile == NODE_EMPTY || written >= room) continue;
            const int32_t j = g_aWallUVLookup[(c + 8 * r) * 4 + side];
            WallUV block = {0.0f, 0.0f};
            if (j < 0)
                TrapError(__FILE__, __LINE__, "Invalid Lightmap Look Up!!!");
            else
                block = m_pWallUVs[j / 2];
            const TileUV& t = GetTileUV(tile);
            const float a = block.u + e, b = block.u + 1.0f / 16.0f - e;
            const float p = block.v + e, q = block.v + 1.0f / 8.0f - e;
            const float x = level->GetCellX(c), z = level->GetCellZ(r);
            LevelVertex* v = out + 4 * written++;
            switch (side) {
                case 0:
                    v[0] = {x, T, z, 0xFFFFFFFFu, t.uL, t.vT, a, q};
                    v[1] = {x + cell, T, z, 0xFFFFFFFFu, t.uR, t.vT, b, q};
                    v[2] = {x + cell, B, z, 0xFFFFFFFFu, t.uR, t.vB, b, p};
                    v[3] = {x, B, z, 0xFFFFFFFFu, t.uL, t.vB, a, p};
                    break;
                case 1:
                    v[0] = {x + cell, T, z - cell, 0xFFFFFFFFu, t.uL, t.vT, b, q};
                    v[1] = {x, T, z - cell, 0xFFFFFFFFu, t.uR, t.vT, a, q};
                    v[2] = {x, B, z - cell, 0xFFFFFFFFu, t.uR, t.vB, a, p};
                    v[3] = {x + cell, B, z - cell, 0xFFFFFFFFu, t.uL, t.vB, b, p};
                    break;
                case 2:
                    v[0] = {x, T, z - cell, 0xFFFFFFFFu, t.uL, t.vT, a, q};
                    v[1] = {x, T, z, 0xFFFFFFFFu, t.uR, t.vT, b, q};
                    v[2] = {x, B, z, 0xFFFFFFFFu, t.uR, t.vB, b, p};
                    v[3] = {x, B, z - cell, 0xFFFFFFFFu, t.uL, t.vB, a, p};
                    break;
                default:
                    v[0] = {x + cell, T, z, 0xFFFFFFFFu, t.uL, t.vT, b, q};
                    v[1] = {x + cell, T, z - cell, 0xFFFFFFFFu, t.uR, t.vT, a, q};
                    v[2] = {x + cell, B, z - cell, 0xFFFFFFFFu, t.uR, t.vB, a, p};
                    v[3] = {x + cell, B, z, 0xFFFFFFFFu, t.uL, t.vB, b, p};
                    break;
            }
        }
        return written;
    });
    m_pVB->Unlock();
}

void Walls::AddBakeChains(const LightSampler& sampler, std::vector<BakeChain>& chains) {
    Level* level = GetLevel();
    const Node* nodes = level->GetNodeMap(m_uRoom);
    const float cell = level->GetCellSize();
    const float B = level->GetRoomBaseY(m_uRoom);
    const float T = B + level->GetWallHeight();
    const float along = cell / 16.0f;
    const float up = (T - B) / 32.0f;
    // Every wall side's block in lightmap order, until the map is full (later
    // sides reuse its blocks).
    struct Block {
        float x, z;
        uint32_t side, x0, y0;
    };
    auto blocks = std::make_shared<std::vector<Block>>();
    uint32_t X0 = 0, Y0 = 0;
    if (nodes) {
        ForEachWallSide(nodes, [&](uint32_t c, uint32_t r, uint32_t side, uint8_t) {
            if (Y0 >= LIGHTMAP_SIZE) return;
            blocks->push_back(
                {level->GetCellX(static_cast<int>(c)), level->GetCellZ(static_cast<int>(r)), side, X0, Y0});
            X0 += WALL_BLOCK_WIDTH;
            if (X0 >= LIGHTMAP_SIZE) {
                X0 = 0;
                Y0 += WALL_BLOCK_HEIGHT;
            }
        });
    }
    uint32_t* texels = m_pTexels;
    // A job samples a quarter of a block: blocks that see many lights and
    // props cost many times the others, and one of them must not hold up the blur.
    constexpr uint32_t kSlices = 4, kSliceRows = WALL_BLOCK_HEIGHT / kSlices;
    auto sampleBlock = [=, &sampler](uint32_t job) {
        const Block& k = (*blocks)[job / kSlices];
        const uint32_t first = job % kSlices * kSliceRows;
        for (uint32_t t = first; t < first + kSliceRows; ++t) {
            const float y = B + static_cast<float>(t) * up;
            for (uint32_t s = 0; s < WALL_BLOCK_WIDTH; ++s) {
                const float d = static_cast<float>(s) * along;
                Vec3 sample, normal;
                switch (k.side) {
                    case 0: sample = Vec3(k.x + d, y, k.z + cell); normal = Vec3(0.0f, 0.0f, -1.0f); break;
                    case 1: sample = Vec3(k.x + d, y, k.z); normal = Vec3(0.0f, 0.0f, 1.0f); break;
                    case 2: sample = Vec3(k.x, y, k.z + d); normal = Vec3(1.0f, 0.0f, 0.0f); break;
                    default: sample = Vec3(k.x + cell, y, k.z + d); normal = Vec3(-1.0f, 0.0f, 0.0f); break;
                }
                texels[(k.y0 + t) * LIGHTMAP_SIZE + k.x0 + s] = sampler.CalcLight(sample, normal);
            }
        }
    };
    // The blur of one band of blocks writes that band's texels only (its first
    // row stays as sampled, and the next band's first row is only read), so the
    // bands are blurred side by side once every block is sampled.
    auto blurBand = [texels](uint32_t by) {
        for (int pass = 0; pass < 2; ++pass)
            for (uint32_t bx = 0; bx < LIGHTMAP_SIZE / WALL_BLOCK_WIDTH; ++bx)
                BlurBlock(texels, WALL_BLOCK_WIDTH * bx, WALL_BLOCK_HEIGHT * by, WALL_BLOCK_WIDTH, WALL_BLOCK_HEIGHT);
    };
    chains.push_back({{static_cast<uint32_t>(blocks->size()) * kSlices, sampleBlock},
                      {LIGHTMAP_SIZE / WALL_BLOCK_HEIGHT, blurBand}});
}

void Walls::BlurBlock(uint32_t* texels, uint32_t x0, uint32_t y0, uint32_t w, uint32_t h) {
    const uint32_t stride = LIGHTMAP_SIZE;
    auto at = [&](uint32_t x, uint32_t y) -> uint32_t& { return texels[y * stride + x]; };
    // Inside the block: twice the texel and its four neighbours, sixths each.
    for (uint32_t y = 1; y + 1 < h; ++y)
        for (uint32_t x = 1; x + 1 < w; ++x) {
            uint32_t out = 0xFF000000u;
            for (int shift = 0; shift <= 16; shift += 8) {
                const uint32_t v = 2 * Sixth(at(x0 + x, y0 + y), shift) + Sixth(at(x0 + x, y0 + y - 1), shift) +
                                   Sixth(at(x0 + x - 1, y0 + y), shift) + Sixth(at(x0 + x + 1, y0 + y), shift) +
                                   Sixth(at(x0 + x, y0 + y + 1), shift);
                out |= v << shift;
            }
            at(x0 + x, y0 + y) = out;
        }
    // The block's last column and the texel after it: vertical only. The texel
    // after a block at the map's right edge is column 0 of the next texel row.
    auto vertical = [&](uint32_t index) {
        uint32_t out = 0xFF000000u;
        for (int shift = 0; shift <= 16; shift += 8) {
            const uint32_t v = 4 * Sixth(texels[index], shift) + Sixth(texels[index - stride], shift) +
                               Sixth(texels[index + stride], shift);
            out |= v << shift;
        }
        texels[index] = out;
    };
    for (uint32_t y = 1; y + 1 < h; ++y) vertical((y0 + y) * stride + x0 + w - 1);
    for (uint32_t y = 1; y + 1 < h; ++y) {
        const uint32_t index = (y0 + y) * stride + x0 + w;
        if (index + stride < LIGHTMAP_SIZE * LIGHTMAP_SIZE) vertical(index);
    }
}
