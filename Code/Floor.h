// The floor of one room: a quad on every node whose floor tile is set,
// textured from "gfx/floor.tga" and the room's floor lightmap.
#pragma once
#include "TileSurface.h"

class Floor : public TileSurface {
protected:
    uint8_t GetTile(const Node& node) const override;
    float GetHeight(uint32_t room) const override;
    Vec3 GetNormal() const override { return Vec3(0.0f, 1.0f, 0.0f); }
    void WriteQuad(LevelVertex* v, float x, float y, float z, float cell, const TileUV& tile, float lu,
                   float lv) const override;
    const char* GetTileTextureFile() const override { return "gfx/floor.tga"; }
    LightmapSurface GetSurface() const override { return LIGHTMAP_FLOOR; }
    const char* GetClipTag() const override { return "FLOOR CLIP"; }
};
