#include "image.h"

#include <algorithm>
#include <cmath>

#include "bytes.h"

namespace mkassets {

Rgba hex(uint32_t v, float a) {
    return Rgba{((v >> 16) & 0xFF) / 255.0f, ((v >> 8) & 0xFF) / 255.0f, (v & 0xFF) / 255.0f, a};
}

Rgba mix(const Rgba& x, const Rgba& y, float t) {
    return Rgba{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

Rgba scale(const Rgba& c, float k) { return Rgba{c.r * k, c.g * k, c.b * k, c.a}; }

float hash01(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777216.0f;
}

float valueNoise(float x, float y, uint32_t seed) {
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    const float fx = x - xi, fy = y - yi;
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const float a = hash01(xi, yi, seed), b = hash01(xi + 1, yi, seed);
    const float c = hash01(xi, yi + 1, seed), d = hash01(xi + 1, yi + 1, seed);
    return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

float fbm(float x, float y, uint32_t seed, int octaves) {
    float sum = 0, amp = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += valueNoise(x, y, seed + i * 17u) * amp;
        norm += amp;
        amp *= 0.5f;
        x *= 2;
        y *= 2;
    }
    return sum / norm;
}

Image::Image(int w, int h, Rgba fill) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, fill) {}

Rgba& Image::wrap(int x, int y) {
    x %= w_;
    y %= h_;
    if (x < 0) x += w_;
    if (y < 0) y += h_;
    return at(x, y);
}

void Image::fillRect(int x0, int y0, int x1, int y1, const Rgba& c) {
    for (int y = std::max(0, y0); y < std::min(h_, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(w_, x1); ++x) at(x, y) = c;
}

void Image::blendRect(int x0, int y0, int x1, int y1, const Rgba& c, float k) {
    for (int y = std::max(0, y0); y < std::min(h_, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(w_, x1); ++x) at(x, y) = mix(at(x, y), c, k);
}

void Image::blendPixel(int x, int y, const Rgba& c, float k) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || k <= 0) return;
    at(x, y) = mix(at(x, y), c, std::min(k, 1.0f));
}

void Image::fillCircle(float cx, float cy, float r, const Rgba& c, float soft) {
    const int x0 = static_cast<int>(std::floor(cx - r - soft)), x1 = static_cast<int>(std::ceil(cx + r + soft));
    const int y0 = static_cast<int>(std::floor(cy - r - soft)), y1 = static_cast<int>(std::ceil(cy + r + soft));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            blendPixel(x, y, c, std::clamp((r - d) / soft + 0.5f, 0.0f, 1.0f));
        }
}

void Image::line(float x0, float y0, float x1, float y1, float width, const Rgba& c) {
    const float dx = x1 - x0, dy = y1 - y0, len2 = std::max(dx * dx + dy * dy, 1e-6f);
    const float hw = width * 0.5f;
    const int bx0 = static_cast<int>(std::floor(std::min(x0, x1) - hw - 1)), bx1 = static_cast<int>(std::ceil(std::max(x0, x1) + hw + 1));
    const int by0 = static_cast<int>(std::floor(std::min(y0, y1) - hw - 1)), by1 = static_cast<int>(std::ceil(std::max(y0, y1) + hw + 1));
    for (int y = by0; y <= by1; ++y)
        for (int x = bx0; x <= bx1; ++x) {
            const float px = x + 0.5f - x0, py = y + 0.5f - y0;
            const float t = std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f);
            const float d = std::hypot(px - t * dx, py - t * dy);
            blendPixel(x, y, c, std::clamp(hw - d + 0.5f, 0.0f, 1.0f));
        }
}

void Image::ring(float cx, float cy, float r, float width, const Rgba& c) {
    const int x0 = static_cast<int>(cx - r - width - 1), x1 = static_cast<int>(cx + r + width + 1);
    const int y0 = static_cast<int>(cy - r - width - 1), y1 = static_cast<int>(cy + r + width + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float d = std::fabs(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - r);
            blendPixel(x, y, c, std::clamp(width * 0.5f - d + 0.5f, 0.0f, 1.0f));
        }
}

void Image::blit(const Image& src, int dx, int dy) {
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            if (x + dx >= 0 && y + dy >= 0 && x + dx < w_ && y + dy < h_) at(x + dx, y + dy) = src.at(x, y);
}

static uint32_t toByte(float v) {
    return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

std::vector<uint8_t> Image::toTga(bool withAlpha) const {
    Bytes b;
    b.u8(0);           // no image id
    b.u8(0);           // no colour map
    b.u8(2);           // uncompressed true colour
    b.zeros(5);        // colour map fields
    b.u16(0);          // x origin
    b.u16(0);          // y origin
    b.u16(w_);
    b.u16(h_);
    b.u8(withAlpha ? 32 : 24);
    b.u8(0x20 | (withAlpha ? 8 : 0));  // top-left origin, alpha bits
    for (const Rgba& p : px_) {
        b.u8(toByte(p.b));
        b.u8(toByte(p.g));
        b.u8(toByte(p.r));
        if (withAlpha) b.u8(toByte(p.a));
    }
    return b.data();
}


}  // namespace mkassets
