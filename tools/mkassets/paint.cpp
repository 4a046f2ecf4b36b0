#include "paint.h"

#include <algorithm>
#include <cmath>

namespace mkassets {

Cell GridCell(const Image& img, int index, int n) {
    const int w = img.width() / n, h = img.height() / n;
    const int cx = index % n, cy = index / n;
    return Cell{cx * w, cy * h, (cx + 1) * w, (cy + 1) * h};
}

UvRect RectUv(const Image& img, int x0, int y0, int x1, int y1) {
    const float w = static_cast<float>(img.width()), h = static_cast<float>(img.height());
    return UvRect{(x0 + 1.5f) / w, (y0 + 1.5f) / h, (x1 - 1.5f) / w, (y1 - 1.5f) / h};
}

UvRect GridUv(const Image& img, int index, int n) {
    const Cell c = GridCell(img, index, n);
    return RectUv(img, c.x0, c.y0, c.x1, c.y1);
}

void PaintSolid(Image& img, const Cell& c, const Rgba& col, float noise, uint32_t seed) {
    for (int y = c.y0; y < c.y1; ++y)
        for (int x = c.x0; x < c.x1; ++x) {
            const float k = 1.0f + (fbm(x * 0.15f, y * 0.15f, seed, 3) - 0.5f) * 2 * noise;
            Rgba p = scale(col, k);
            p.a = col.a;
            img.at(x, y) = p;
        }
}

void PaintWood(Image& img, const Cell& c, const Rgba& base, uint32_t seed, bool vertical) {
    for (int y = c.y0; y < c.y1; ++y)
        for (int x = c.x0; x < c.x1; ++x) {
            const float a = vertical ? static_cast<float>(x) : static_cast<float>(y);
            const float b = vertical ? static_cast<float>(y) : static_cast<float>(x);
            const float warp = fbm(b * 0.02f, a * 0.08f, seed, 3) * 6.0f;
            const float ring = 0.5f + 0.5f * std::sin((a + warp) * 0.9f);
            const float fine = fbm(b * 0.3f, a * 1.5f, seed + 7, 2);
            const float k = 0.78f + 0.18f * ring + 0.12f * (fine - 0.5f);
            Rgba p = scale(base, k);
            p.a = base.a;
            img.at(x, y) = p;
        }
}

void PaintFabric(Image& img, const Cell& c, const Rgba& base, uint32_t seed) {
    for (int y = c.y0; y < c.y1; ++y)
        for (int x = c.x0; x < c.x1; ++x) {
            const float weave = ((x + y) % 2 == 0) ? 1.04f : 0.96f;
            const float n = fbm(x * 0.2f, y * 0.2f, seed, 3);
            Rgba p = scale(base, weave * (0.88f + 0.24f * n));
            p.a = base.a;
            img.at(x, y) = p;
        }
}

void PaintMetal(Image& img, const Cell& c, const Rgba& base, uint32_t seed) {
    const float h = static_cast<float>(c.y1 - c.y0);
    for (int y = c.y0; y < c.y1; ++y)
        for (int x = c.x0; x < c.x1; ++x) {
            const float t = (y - c.y0) / h;
            const float sheen = 0.75f + 0.45f * std::exp(-std::pow((t - 0.3f) * 5.0f, 2.0f));
            const float brush = 0.95f + 0.1f * hash01(x / 3, y, seed);
            Rgba p = scale(base, sheen * brush);
            p.a = base.a;
            img.at(x, y) = p;
        }
}

void PaintGlow(Image& img, const Cell& c, const Rgba& centre, const Rgba& edge) {
    const float cx = (c.x0 + c.x1) * 0.5f, cy = (c.y0 + c.y1) * 0.5f;
    const float r = (c.x1 - c.x0) * 0.5f;
    for (int y = c.y0; y < c.y1; ++y)
        for (int x = c.x0; x < c.x1; ++x) {
            const float d = std::min(1.0f, std::hypot(x + 0.5f - cx, y + 0.5f - cy) / r);
            img.at(x, y) = mix(centre, edge, d * d);
        }
}

void PaintKnit(Image& img, const Cell& c, const Rgba& base, const Rgba& pattern, uint32_t seed) {
    PaintFabric(img, c, base, seed);
    const int h = c.y1 - c.y0;
    for (int y = c.y0; y < c.y1; ++y)
        for (int x = c.x0; x < c.x1; ++x) {
            const int ly = y - c.y0, lx = x - c.x0;
            const int band = h / 2;
            const int zig = std::abs((lx % 8) - 4);
            if (std::abs(ly - band) < 2 || (ly - band + 6 == zig) || (ly - band - 6 == -zig))
                img.at(x, y) = mix(img.at(x, y), pattern, 0.9f);
            if ((lx % 8 == 4) && (ly % 12 == 3)) img.at(x, y) = pattern;
        }
}

}  // namespace mkassets
