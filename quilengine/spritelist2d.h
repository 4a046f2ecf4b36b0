// Screen sprites: a fixed number of square textured quads laid out in the
// virtual 640x480 screen, drawn in one call over everything else.
#pragma once
#include <cstdint>
#include "d3d8.h"
#include "spritelistbase.h"

// A pre-transformed vertex: back-buffer pixels, colour, one texture pair (format 0x144).
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR colour;
    float u, v;
};
#define SCREENVERTEX_FVF (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1)

// One screen sprite, written by the owner.
struct Sprite2D {
    float x, y;     // centre in the virtual 640x480 screen
    float size;     // edge length in virtual pixels
    uint32_t colour;
    float uLeft, vTop;
    float uRight, vBottom;
};

class SpriteList2D : public SpriteListBase {
public:
    SpriteList2D();

    // Allocates count records (left for the owner to fill) and activates the list.
    Sprite2D* Build(uint32_t count, const char* textureFile) {
        return static_cast<Sprite2D*>(BuildRecords(count, textureFile));
    }
    Sprite2D* GetSprites() { return static_cast<Sprite2D*>(Records()); }

    void Render() override;
    // For an opaque list that will draw later in this frame: marks its quads' pixels
    // nearest in the depth buffer, colours untouched, so that what is drawn before it
    // there (and would be painted over) is not shaded. Its own draw covers the same
    // pixels with the same colours and depths as without this. Leaves stage 0 without
    // a texture.
    void ReserveDepth();

protected:
    void WriteVertices(BYTE* data, uint32_t count) override;
    bool AllMagnified(uint32_t count, float texelsX, float texelsY) override;
};
