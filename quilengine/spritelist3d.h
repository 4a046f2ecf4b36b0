// World sprites: a fixed number of camera-facing textured quads drawn in one call.
#pragma once
#include <cstdint>
#include "d3d8.h"
#include "spritelistbase.h"

// A world-space vertex with colour and one texture pair (format 0x142).
struct SpriteVertex3D {
    float x, y, z;
    D3DCOLOR colour;
    float u, v;
};
#define SPRITEVERTEX3D_FVF (D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1)

// One world sprite, written by the owner.
struct Sprite3D {
    float x, y, z;        // centre in world space
    float halfWidth;      // along the camera's right axis
    float halfHeight;     // along the camera's up axis
    uint32_t colour;
    float uLeft, vTop, uRight, vBottom;
};

class SpriteList3D : public SpriteListBase {
public:
    SpriteList3D();

    // Allocates count records (left for the owner to fill) and activates the list.
    Sprite3D* Build(uint32_t count, const char* textureFile) {
        return static_cast<Sprite3D*>(BuildRecords(count, textureFile));
    }
    Sprite3D* GetSprites() { return static_cast<Sprite3D*>(Records()); }

    void Render() override;

protected:
    void WriteVertices(BYTE* data, uint32_t count) override;
    bool AllMagnified(uint32_t count, float texelsX, float texelsY) override;
};
