// The ceiling of one room: a quad under every node whose ceiling tile is set,
// textured from "gfx/ceil.tga" and the room's ceiling lightmap.
#pragma once
#include "TileSurface.h"

class Ceil : public TileSurface {
protected:
    uint8_t GetTile(const Node& node) const override;
    float GetHeight(uint32_t room) const override;
    Vec3 GetNormal() const override { return Vec3(0.0f, -1.0f, 0.0f); }
    void WriteQuad(LevelVertex* v, float x, float y, float z, float cell, const TileUV& tile, float lu,
                   float lv) const override;
    const char* GetTileTextureFile() const override { return "gfx/ceil.tga"; }
    LightmapSurface GetSurface() const override { return LIGHTMAP_CEIL; }
    const char* GetClipTag() const override { return "CEIL CLIP"; }
};
