// A flat room surface made of one quad per node that carries a tile: the
// common part of the floor and the ceiling.
#pragma once
#include "LevelSurface.h"

struct Node;

class TileSurface : public LevelSurface {
public:
    // Samples the lightmap over the room's plan, a job per few texel rows,
    // then blurs it four times, a job per pass.
    void AddBakeChains(const LightSampler& sampler, std::vector<BakeChain>& chains) override;
    // Writes the vertex buffer and the block table from the room's tile bytes.
    void BuildGeometry() override;

protected:
    uint32_t CountQuads() const override;
    // The node's tile byte for this surface (255: no tile).
    virtual uint8_t GetTile(const Node& node) const = 0;
    // Height of the quads of room room.
    virtual float GetHeight(uint32_t room) const = 0;
    // Normal of the surface as the lightmap sees it (into the room).
    virtual Vec3 GetNormal() const = 0;
    // Writes the four vertices of the quad of the grid cell whose -x, +z corner
    // is (x, z), cell units wide, with its tile rectangle and lightmap origin (lu, lv).
    virtual void WriteQuad(LevelVertex* v, float x, float y, float z, float cell, const TileUV& tile, float lu,
                           float lv) const = 0;
};
