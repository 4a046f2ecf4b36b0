// The walls of one room: an upright quad for every wall side of its nodes,
// textured from "gfx/walls.tga" and from the room's wall lightmap, in which
// every wall side has a block of 16 by 32 texels of its own.
#pragma once
#include "LevelSurface.h"

// Lightmap coordinates of the top-left texel corner of a wall side's block.
struct WallUV {
    float u, v;
};

#define WALL_BLOCK_WIDTH 16u
#define WALL_BLOCK_HEIGHT 32u
// Blocks of the 256 x 256 wall lightmap: 16 across, 8 down.
#define WALL_LIGHTMAP_BLOCKS 128u

class Walls : public LevelSurface {
public:
    Walls();
    ~Walls() override;

    void Shutdown() override;

    // Gives every wall side of the room its lightmap block, in the order the
    // lightmap is sampled, and fills the shared lookup table.
    void AllocLightmapUVs();
    // Writes the vertex buffer and the block table from the room's wall bytes.
    void BuildVertices();
    // Samples every wall side's block, a job per quarter block, then blurs the blocks
    // a job per band.
    void AddBakeChains(const LightSampler& sampler, std::vector<BakeChain>& chains) override;
    // Softens one w x h block of a 256-wide map in place (and the column after it).
    static void BlurBlock(uint32_t* texels, uint32_t x0, uint32_t y0, uint32_t w, uint32_t h);

    const WallUV* GetWallUVs() const { return m_pWallUVs; }
    // Entry (c + 8r) * 4 + side: twice the wall side's block number, -1 for no wall.
    static const int32_t* GetWallUVLookup();

protected:
    uint32_t CountQuads() const override;
    void BuildGeometry() override { BuildVertices(); }
    const char* GetTileTextureFile() const override { return "gfx/walls.tga"; }
    LightmapSurface GetSurface() const override { return LIGHTMAP_WALLS; }
    const char* GetClipTag() const override { return "WALL CLIP"; }

private:
    WallUV* m_pWallUVs;
};
