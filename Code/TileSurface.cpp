// Geometry and lightmap sampling of the floor and the ceiling.
#include "TileSurface.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

#include "Level.h"
#include "LightMap.h"

namespace {
constexpr uint32_t kBlurPasses = 4;
// Texel rows a sampling job takes: enough that taking a job costs little
// beside it, few enough that the last jobs of a bake end together.
constexpr uint32_t kRowsPerJob = 4;

// Rows a pass that caught up with the one before waits for it to get ahead.
constexpr uint32_t kLeadRows = 16;

// Rows a blur pass has written, alone on its cache line so that the passes
// polling each other's counts do not slow the writers.
struct alignas(64) RowsWritten {
    std::atomic<uint32_t> rows{0};
};

// A row takes about a microsecond, less than a yield costs; so a waiting pass
// spins a while before it hands the core over.
void Pause(uint32_t spins) {
    if (spins < 2048)
        CpuRelax();
    else
        std::this_thread::yield();
}
}  // namespace

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
    auto sampleRows = [=, &sampler](uint32_t job) {
        for (uint32_t t = job * kRowsPerJob; t < (job + 1) * kRowsPerJob; ++t)
            for (uint32_t s = 0; s < LIGHTMAP_SIZE; ++s)
                texels[t * LIGHTMAP_SIZE + s] =
                    sampler.CalcLight(Vec3(x0 + static_cast<float>(s), y, z0 + static_cast<float>(t)), normal);
    };
    // The four blur passes, a job each, run side by side a few rows apart:
    // pass p softens row y once pass p - 1 has written row y + 1, by when that
    // pass reads no more of row y. A pass waits only on the one before it, which
    // was handed out first and so is running or done.
    auto written = std::make_shared<std::array<RowsWritten, kBlurPasses>>();
    auto blurPass = [texels, written](uint32_t pass) {
        const uint32_t last = LIGHTMAP_SIZE - 2;
        LightMap::BlurPass(
            texels, LIGHTMAP_SIZE, LIGHTMAP_SIZE,
            [&](uint32_t y) {
                if (pass == 0 || (*written)[pass - 1].rows.load(std::memory_order_acquire) >= std::min(y + 1, last))
                    return;
                // Behind: wait for a lead of several rows, so that a pass kept
                // off its core does not stop the next at every row.
                const uint32_t need = std::min(y + kLeadRows, last);
                for (uint32_t spins = 0; (*written)[pass - 1].rows.load(std::memory_order_acquire) < need; ++spins)
                    Pause(spins);
            },
            [&](uint32_t y) { (*written)[pass].rows.store(y, std::memory_order_release); });
    };
    chains.push_back({{LIGHTMAP_SIZE / kRowsPerJob, sampleRows}, {kBlurPasses, blurPass}});
}
