// Material swatches and the 4 by 4 swatch grid that the prop and character textures share.
#pragma once

#include <cstdint>

#include "image.h"
#include "mesh.h"

namespace mkassets {

// Pixel rectangle of one cell of an n by n grid on a square image.
struct Cell {
    int x0, y0, x1, y1;
};
Cell GridCell(const Image& img, int index, int n = 4);
// Texture rectangle of that cell, inset by a pixel so filtering does not bleed from neighbours.
UvRect GridUv(const Image& img, int index, int n = 4);
// Texture rectangle of any pixel rectangle.
UvRect RectUv(const Image& img, int x0, int y0, int x1, int y1);

void PaintSolid(Image& img, const Cell& c, const Rgba& col, float noise = 0.04f, uint32_t seed = 1);
void PaintWood(Image& img, const Cell& c, const Rgba& base, uint32_t seed, bool vertical = false);
void PaintFabric(Image& img, const Cell& c, const Rgba& base, uint32_t seed);
void PaintMetal(Image& img, const Cell& c, const Rgba& base, uint32_t seed);
void PaintGlow(Image& img, const Cell& c, const Rgba& centre, const Rgba& edge);
// Knitted pattern band (a Christmas jumper): base colour with a zigzag and dots.
void PaintKnit(Image& img, const Cell& c, const Rgba& base, const Rgba& pattern, uint32_t seed);

}  // namespace mkassets
