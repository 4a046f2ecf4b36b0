// A small RGBA float canvas with the drawing helpers the texture painters need, and the TGA writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mkassets {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

inline Rgba rgb(float r, float g, float b, float a = 1.0f) { return Rgba{r, g, b, a}; }
Rgba hex(uint32_t rrggbb, float a = 1.0f);
Rgba mix(const Rgba& x, const Rgba& y, float t);
Rgba scale(const Rgba& c, float k);

// Deterministic hash noise in [0, 1) for integer lattice points and a seed.
float hash01(int x, int y, uint32_t seed);
// Smooth value noise (bilinear over the hash lattice), period-free, in [0, 1).
float valueNoise(float x, float y, uint32_t seed);
// Sum of octaves of value noise, normalised to [0, 1).
float fbm(float x, float y, uint32_t seed, int octaves = 4);

class Image {
public:
    Image(int w, int h, Rgba fill = Rgba{0, 0, 0, 1});
    int width() const { return w_; }
    int height() const { return h_; }
    Rgba& at(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }
    const Rgba& at(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
    // Pixel with wrapped coordinates (for tileable patterns).
    Rgba& wrap(int x, int y);

    void fillRect(int x0, int y0, int x1, int y1, const Rgba& c);           // [x0,x1) x [y0,y1)
    void blendRect(int x0, int y0, int x1, int y1, const Rgba& c, float k);  // mixes c in by k
    void fillCircle(float cx, float cy, float r, const Rgba& c, float soft = 1.0f);
    void blendPixel(int x, int y, const Rgba& c, float k);
    void line(float x0, float y0, float x1, float y1, float width, const Rgba& c);
    void ring(float cx, float cy, float r, float width, const Rgba& c);
    // Copies another image into this one at (dx, dy).
    void blit(const Image& src, int dx, int dy);

    // Writes an uncompressed true-colour TGA with the top-left origin: 24-bit, or 32-bit with alpha.
    std::vector<uint8_t> toTga(bool withAlpha) const;

private:
    int w_, h_;
    std::vector<Rgba> px_;
};

}  // namespace mkassets
