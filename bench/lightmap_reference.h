// The straightforward bake the fast one must match texel for texel: every light against every
// sample through Level::LineOfSight (state kept in the Level, so one thread only).
#pragma once
#include <cstdint>
#include <vector>

#include "Ceil.h"
#include "Floor.h"
#include "Level.h"
#include "LightMan.h"
#include "LightMap.h"
#include "Walls.h"

namespace lightmap_reference {

inline uint32_t Channel(uint32_t texel, int shift) { return (texel >> shift) & 0xFFu; }
inline uint32_t ToByte(float v) { return v > 1.0f ? 255u : static_cast<uint32_t>(v * 255.0f); }

class ReferenceSampler : public LightSampler {
public:
    uint32_t CalcLight(const Vec3& p, const Vec3& n) const override {
        Level* level = GetLevel();
        LightMan* lights = GetLightMan();
        const float cell = level->GetCellSize();
        const uint32_t ambient = lights->GetAmbient();
        float r = static_cast<float>(Channel(ambient, 16)) / 255.0f;
        float g = static_cast<float>(Channel(ambient, 8)) / 255.0f;
        float b = static_cast<float>(Channel(ambient, 0)) / 255.0f;
        for (uint32_t i = 0; i < lights->GetCount(); ++i) {
            const LightDesc& d = lights->GetLight(i)->desc;
            Vec3 L(d.x - p.x, d.y - p.y, d.z + cell - p.z);
            const float dist = Vec3::Normalise(L);
            if (!(n.Dot(L) > 0.01f)) continue;
            if (!(dist < d.radius)) continue;
            const float f = 1.0f - dist / d.radius;
            if (!(f > 0.0f)) continue;
            if (level->LineOfSight(Vec3(d.x, d.y, d.z), p, true)) continue;
            r += static_cast<float>(Channel(d.colour, 16)) / 255.0f * f;
            g += static_cast<float>(Channel(d.colour, 8)) / 255.0f * f;
            b += static_cast<float>(Channel(d.colour, 0)) / 255.0f * f;
        }
        return 0xFF000000u | (ToByte(r) << 16) | (ToByte(g) << 8) | ToByte(b);
    }
};

// The blur one texel and one channel at a time.
inline void Blur(uint32_t* texels, uint32_t w, uint32_t h) {
    for (uint32_t y = 1; y + 1 < h; ++y)
        for (uint32_t x = 1; x + 1 < w; ++x) {
            uint32_t* t = texels + y * w + x;
            uint32_t out = 0xFF000000u;
            for (int shift = 16; shift >= 0; shift -= 8) {
                uint32_t v = 2 * (Channel(*t, shift) / 6) + Channel(t[-static_cast<int>(w)], shift) / 6 +
                             Channel(t[-1], shift) / 6 + Channel(t[1], shift) / 6 + Channel(t[w], shift) / 6;
                out |= (v > 255 ? 255 : v) << shift;
            }
            *t = out;
        }
}

// The texels of the floor, ceiling and walls of the current room baked with
// sampler on threads workers (the reference sampler needs 1).
inline std::vector<uint32_t> BakeRoom(const LightSampler& sampler, uint32_t threads) {
    Room* room = GetLevel()->GetRoom(GetLevel()->GetCurrentRoom());
    GetLightMap()->SetThreadCount(threads);
    const std::vector<LevelSurface*> surfaces = {room->pFloor, room->pCeil, room->pWalls};
    LevelSurface::BakeTexels(surfaces, sampler);
    std::vector<uint32_t> texels;
    for (LevelSurface* surface : surfaces)
        texels.insert(texels.end(), surface->GetTexels(), surface->GetTexels() + LIGHTMAP_SIZE * LIGHTMAP_SIZE);
    GetLightMap()->SetThreadCount(0);
    return texels;
}

}  // namespace lightmap_reference
