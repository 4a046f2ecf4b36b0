// The shared texture atlases: wall, floor and ceiling tiles (4 by 4 atlases, 64 pixels a tile),
// the HUD pictures, the editor icons, the lens flare, the snowflakes and the bullets.
#include <cmath>
#include <functional>

#include "assets.h"
#include "bytes.h"
#include "paint.h"

namespace mkassets {
namespace {

constexpr float kPi = 3.14159265f;

// Calls f(x, y, u, v) for every pixel of tile i, with u, v in [0, 1).
void ForTile(Image& img, int i, const std::function<Rgba(int, int, float, float)>& f) {
    const Cell c = GridCell(img, i);
    for (int y = c.y0; y < c.y1; ++y)
        for (int x = c.x0; x < c.x1; ++x) img.at(x, y) = f(x, y, (x - c.x0) / 64.0f, (y - c.y0) / 64.0f);
}

float Grain(int x, int y, uint32_t seed) { return 0.92f + 0.16f * fbm(x * 0.2f, y * 0.2f, seed, 3); }

// Wallpaper with a skirting board at the foot of the tile (the bottom of the wall).
void Wallpaper(Image& img, int i, const std::function<Rgba(float, float)>& pattern, uint32_t seed) {
    ForTile(img, i, [&](int x, int y, float u, float v) {
        if (v > 0.9f) return scale(hex(0xF2EEE4), v > 0.97f ? 0.7f : 1.0f);
        if (v > 0.88f) return hex(0x8A7A64);
        return scale(pattern(u, v), Grain(x, y, seed));
    });
}

void Walls(const std::string& root) {
    Image img(256, 256);
    Wallpaper(img, 0, [](float u, float) { return std::fmod(u * 4, 1.0f) < 0.5f ? hex(0xA8262C) : hex(0x8A1C22); }, 201);
    Wallpaper(img, 1, [](float u, float v) {
        const float du = std::fmod(u * 2 + (std::fmod(v * 2, 1.0f) < 0.5f ? 0.25f : 0.75f), 1.0f) - 0.5f;
        const float dv = std::fmod(v * 2, 1.0f) / 1.0f - 0.25f;
        if (std::hypot(du, dv - 0.25f) < 0.06f) return hex(0xD82020);
        if (std::fabs(du) < 0.22f && std::fabs(dv - 0.1f) < 0.08f - std::fabs(du) * 0.3f) return hex(0x2A7A34);
        return hex(0xEDE6D0);
    }, 202);
    Wallpaper(img, 2, [](float u, float v) {
        if (v > 0.55f && v < 0.58f) return hex(0x9A8458);
        if (v > 0.58f) return (std::fmod(u * 2, 1.0f) < 0.06f) ? hex(0xC8B888) : hex(0xE0D0A8);
        return hex(0xF0E6CC);
    }, 203);
    ForTile(img, 3, [](int x, int y, float u, float v) {
        const float plank = std::fmod(u * 4, 1.0f);
        Rgba c = scale(hex(0x8A5A34), 0.85f + 0.2f * fbm(x * 0.08f, y * 0.6f, 204, 3));
        if (plank < 0.05f) c = scale(c, 0.6f);
        if (v > 0.9f) c = scale(c, 0.75f);
        return c;
    });
    ForTile(img, 4, [](int x, int y, float u, float v) {
        const bool grout = std::fmod(u * 4, 1.0f) < 0.05f || std::fmod(v * 4, 1.0f) < 0.05f;
        return grout ? hex(0xB8B8B0) : scale(hex(0xF4F6F2), Grain(x, y, 205));
    });
    Wallpaper(img, 5, [](float u, float v) {
        const float a = std::sin(u * 2 * kPi * 2) * std::sin(v * 2 * kPi * 2);
        return a > 0.45f ? hex(0x5A78B8) : hex(0x2E4A88);
    }, 206);
    ForTile(img, 6, [](int x, int y, float u, float v) {
        const int row = static_cast<int>(v * 8);
        const float bu = std::fmod(u * 4 + (row % 2) * 0.5f, 1.0f);
        const bool mortar = std::fmod(v * 8, 1.0f) < 0.12f || bu < 0.05f;
        return mortar ? hex(0xD0C8BC) : scale(hex(0xA84A32), 0.8f + 0.35f * hash01(static_cast<int>(u * 4 + (row % 2) * 0.5f), row, 207) * Grain(x, y, 208));
    });
    Wallpaper(img, 7, [](float u, float) { const float s = std::fmod(u * 8, 1.0f); return s < 0.2f ? hex(0xD8B050) : hex(0xF2E8C8); }, 209);
    Wallpaper(img, 8, [](float u, float v) {
        const float du = std::fmod(u * 2, 1.0f) - 0.5f, dv = std::fmod(v * 2, 1.0f) - 0.5f;
        const float r = std::hypot(du, dv);
        if (r < 0.12f) return hex(0xD86878);
        if (r < 0.2f && std::cos(std::atan2(dv, du) * 5) > 0) return hex(0xE890A0);
        return hex(0xF6EADC);
    }, 210);
    Wallpaper(img, 9, [](float u, float v) {
        return (std::fabs(std::fmod(u * 2, 1.0f) - 0.5f) + std::fabs(std::fmod(v * 2, 1.0f) - 0.5f) < 0.12f) ? hex(0xA87828) : hex(0xD8A848);
    }, 211);
    Wallpaper(img, 10, [](float u, float v) { return std::fmod(u * 2 + v * 2, 1.0f) < 0.1f ? hex(0x2A6A70) : hex(0x3A8A8E); }, 212);
    ForTile(img, 11, [](int x, int y, float u, float v) {
        const int row = static_cast<int>(v * 4);
        const float bu = std::fmod(u * 2 + (row % 2) * 0.5f, 1.0f);
        const bool joint = std::fmod(v * 4, 1.0f) < 0.05f || bu < 0.03f;
        return joint ? hex(0x6A6660) : scale(hex(0xA8A298), 0.85f + 0.3f * fbm(x * 0.1f, y * 0.1f, 213, 4));
    });
    Wallpaper(img, 12, [](float u, float v) {
        const float du = std::fmod(u * 2 + (std::fmod(v * 2, 1.0f) < 0.5f ? 0 : 0.5f), 1.0f) - 0.5f, dv = std::fmod(v * 2, 1.0f) - 0.25f;
        const float a = std::atan2(dv, du), r = std::hypot(du, dv);
        if (r < 0.16f && std::fabs(std::sin(a * 3)) < 0.25f) return hex(0xF4F8FF);
        return hex(0x3A5A9A);
    }, 214);
    Wallpaper(img, 13, [](float u, float) { const float s = std::fmod(u * 4, 1.0f); return s < 0.3f ? hex(0x2A6A3A) : hex(0xDCE8D0); }, 215);
    Wallpaper(img, 14, [](float u, float v) { return std::fmod(u * 2 + v, 1.0f) < 0.08f ? hex(0xC8A050) : hex(0x6A2A5A); }, 216);
    Wallpaper(img, 15, [](float u, float v) {
        const float a = std::fmod(u * 4, 1.0f) < 0.3f ? 1.0f : 0.0f, b = std::fmod(v * 4, 1.0f) < 0.3f ? 1.0f : 0.0f;
        Rgba c = hex(0x8A1A22);
        if (a > 0 || b > 0) c = hex(0x1E4A2A);
        if (a > 0 && b > 0) c = hex(0x102A18);
        if (std::fmod(u * 8, 1.0f) < 0.06f || std::fmod(v * 8, 1.0f) < 0.06f) c = hex(0xE8C050);
        return c;
    }, 217);
    WriteFile(root, "gfx/walls.tga", img.toTga(false));
}

Rgba Carpet(int x, int y, const Rgba& base, uint32_t seed) {
    return scale(base, 0.85f + 0.3f * fbm(x * 0.3f, y * 0.3f, seed, 3) * (((x + y) & 1) ? 1.0f : 0.95f));
}

void Floor(const std::string& root) {
    Image img(256, 256);
    // Carpets repeat node after node, so their patterns are seamless (periods divide the tile).
    ForTile(img, 0, [](int x, int y, float u, float v) {
        const float du = std::fabs(std::fmod(u * 4, 1.0f) - 0.5f), dv = std::fabs(std::fmod(v * 4, 1.0f) - 0.5f);
        return Carpet(x, y, du + dv < 0.12f ? hex(0xC8A040) : hex(0xA02028), 301);
    });
    ForTile(img, 1, [](int x, int y, float, float) { return Carpet(x, y, hex(0x2A6A38), 302); });
    auto boards = [](int x, int y, float u, float v, const Rgba& base, uint32_t seed) {
        const int row = static_cast<int>(v * 4);
        const float off = hash01(row, 0, seed) * 0.7f;
        const bool joint = std::fmod(v * 4, 1.0f) < 0.04f || std::fabs(std::fmod(u + off, 1.0f) - 0.5f) < 0.01f;
        const float grain = 0.8f + 0.25f * fbm(x * 0.05f, y * 0.8f, seed + row, 3);
        return joint ? scale(base, 0.45f) : scale(base, grain * (0.9f + 0.2f * hash01(row, 1, seed)));
    };
    ForTile(img, 2, [&](int x, int y, float u, float v) { return boards(x, y, u, v, hex(0xA87040), 303); });
    ForTile(img, 3, [](int x, int y, float u, float v) {
        const float a = std::sin(u * 2 * kPi * 2) + std::sin(v * 2 * kPi * 2);
        return Carpet(x, y, a > 1.2f ? hex(0xE8D8B0) : hex(0x2A4A8A), 304);
    });
    ForTile(img, 4, [](int x, int y, float u, float v) {
        const bool dark = (static_cast<int>(u * 4) + static_cast<int>(v * 4)) % 2;
        return scale(dark ? hex(0x2A2A30) : hex(0xF0EEE8), Grain(x, y, 305));
    });
    ForTile(img, 5, [](int x, int y, float, float) { return Carpet(x, y, hex(0xC8B48C), 306); });
    ForTile(img, 6, [](int x, int y, float u, float v) {
        Rgba c = hex(0x9A1E26);
        if (std::fmod(u * 4, 1.0f) < 0.3f || std::fmod(v * 4, 1.0f) < 0.3f) c = hex(0x1E4A2A);
        if (std::fmod(u * 8, 1.0f) < 0.05f || std::fmod(v * 8, 1.0f) < 0.05f) c = hex(0xE8C050);
        return Carpet(x, y, c, 307);
    });
    ForTile(img, 7, [](int x, int y, float, float) { return Carpet(x, y, hex(0x6A1830), 308); });
    ForTile(img, 8, [](int x, int y, float u, float v) {
        const int bx = static_cast<int>(u * 4), by = static_cast<int>(v * 4);
        const bool along = (bx + by) % 2;
        const float g = fbm(along ? x * 0.05f : x * 0.6f, along ? y * 0.6f : y * 0.05f, 309, 3);
        const bool joint = std::fmod(u * 4, 1.0f) < 0.03f || std::fmod(v * 4, 1.0f) < 0.03f;
        return joint ? hex(0x4A2A14) : scale(hex(0x9A6A3A), 0.8f + 0.3f * g);
    });
    ForTile(img, 9, [](int x, int y, float u, float v) {
        const bool joint = std::fmod(u * 2, 1.0f) < 0.03f || std::fmod(v * 2, 1.0f) < 0.03f;
        return joint ? hex(0x202428) : scale(hex(0x4A5058), 0.8f + 0.3f * fbm(x * 0.1f, y * 0.1f, 310, 3));
    });
    ForTile(img, 10, [](int x, int y, float u, float v) {
        const bool dot = std::hypot(std::fmod(u * 8, 1.0f) - 0.5f, std::fmod(v * 8, 1.0f) - 0.5f) < 0.18f;
        return Carpet(x, y, dot ? hex(0xB84A3A) : hex(0xF0E6D0), 311);
    });
    ForTile(img, 11, [&](int x, int y, float u, float v) { return boards(x, y, u, v, hex(0xD8A868), 312); });
    ForTile(img, 12, [](int x, int y, float u, float v) {
        const int cx = static_cast<int>(u * 8), cy = static_cast<int>(v * 8);
        const bool joint = std::fmod(u * 8, 1.0f) < 0.1f || std::fmod(v * 8, 1.0f) < 0.1f;
        const uint32_t cols[4] = {0x2A5A9A, 0xE8E0D0, 0xB83A2A, 0x3A8A5A};
        return joint ? hex(0x807868) : scale(hex(cols[static_cast<int>(hash01(cx, cy, 313) * 4) & 3]), Grain(x, y, 314));
    });
    ForTile(img, 13, [](int x, int y, float, float) {
        return scale(hex(0xC8A878), 0.8f + 0.3f * (((x / 2 + y / 2) % 2) ? 1.0f : 0.6f) * Grain(x, y, 315) * 0.8f);
    });
    ForTile(img, 14, [](int x, int y, float, float) { return Carpet(x, y, hex(0x5A2A6A), 316); });
    ForTile(img, 15, [](int x, int y, float u, float v) {
        const int row = static_cast<int>(v * 2);
        const float bu = std::fmod(u * 2 + (row % 2) * 0.5f, 1.0f);
        const bool joint = std::fmod(v * 2, 1.0f) < 0.04f || bu < 0.03f;
        return joint ? hex(0x5A5650) : scale(hex(0x9A948A), 0.8f + 0.35f * fbm(x * 0.08f, y * 0.08f, 317, 4));
    });
    WriteFile(root, "gfx/floor.tga", img.toTga(false));
}

void Ceil(const std::string& root) {
    Image img(256, 256);
    const uint32_t plaster[6] = {0xF4F2EC, 0xF0E6CC, 0xE8EEF4, 0xF4E8E8, 0xE8F0E4, 0xF0ECF4};
    for (int i = 0; i < 16; ++i) {
        const Rgba base = hex(plaster[i % 6]);
        const int kind = i < 6 ? i : (i % 6);
        ForTile(img, i, [&](int x, int y, float u, float v) {
            const float g = 0.9f + 0.1f * fbm(x * 0.15f, y * 0.15f, 400 + i, 3);
            switch (kind) {
                case 2: {  // oak beams across plaster
                    const float b = std::fmod(v * 2, 1.0f);
                    return b < 0.22f ? scale(hex(0x6A4426), 0.8f + 0.3f * fbm(x * 0.6f, y * 0.05f, 420, 2)) : scale(base, g);
                }
                case 3: {  // ceiling rose
                    const float r = std::hypot(u - 0.5f, v - 0.5f);
                    const float ring = std::cos(r * 60) * (r < 0.3f ? 1.0f : 0.0f);
                    return scale(base, g * (0.94f + 0.06f * ring));
                }
                case 4: {  // tiles
                    const bool joint = std::fmod(u * 2, 1.0f) < 0.03f || std::fmod(v * 2, 1.0f) < 0.03f;
                    return joint ? scale(base, 0.7f) : scale(base, g);
                }
                case 5: {  // painted night sky with stars
                    Rgba c = scale(hex(0x203060), g);
                    if (hash01(x, y, 421) > 0.985f) c = hex(0xFFF4C0);
                    return c;
                }
                default:
                    return scale(base, g * (std::fmod(u * 2, 1.0f) < 0.02f ? 0.85f : 1.0f));
            }
        });
    }
    WriteFile(root, "gfx/ceil.tga", img.toTga(false));
}

// Draws a five-pointed star (filled) into an image.
void FillStar(Image& img, float cx, float cy, float outer, float inner, const Rgba& c) {
    for (int y = static_cast<int>(cy - outer) - 1; y <= static_cast<int>(cy + outer) + 1; ++y)
        for (int x = static_cast<int>(cx - outer) - 1; x <= static_cast<int>(cx + outer) + 1; ++x) {
            const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            const float a = std::atan2(dx, -dy), r = std::hypot(dx, dy);
            const float seg = std::fmod(a + 2 * kPi, 2 * kPi / 5) / (2 * kPi / 5);
            const float lim = inner + (outer - inner) * std::fabs(1 - 2 * seg);
            if (r <= lim) img.blendPixel(x, y, c, std::min(1.0f, lim - r + 0.5f));
        }
}

// Heads-up display pictures, white on black (drawn additively and tinted by the HUD).
void Hud(const std::string& root) {
    Image img(256, 256);
    const Rgba w = hex(0xFFFFFF);
    img.fillCircle(16, 16, 9, w, 3);                         // blip
    img.ring(48, 16, 9, 2.5f, w);                            // crosshair
    for (int k = 0; k < 4; ++k) {
        const float a = k * kPi / 2;
        img.line(48 + 5 * std::cos(a), 16 + 5 * std::sin(a), 48 + 14 * std::cos(a), 16 + 14 * std::sin(a), 2, w);
    }
    FillStar(img, 16, 48, 14, 6, w);                         // star blip
    img.ring(96, 32, 24, 5, w);                              // clock
    img.line(96, 32, 96, 15, 4, w);
    img.line(96, 32, 109, 38, 4, w);
    for (int k = 0; k < 12; ++k) {
        const float a = k * kPi / 6;
        img.fillCircle(96 + 18 * std::cos(a), 32 + 18 * std::sin(a), 1.5f, w);
    }
    img.fillCircle(150, 26, 12, w);                          // heart
    img.fillCircle(170, 26, 12, w);
    for (int y = 26; y < 56; ++y) {
        const float half = 22.0f * (56 - y) / 30.0f;
        img.fillRect(static_cast<int>(160 - half), y, static_cast<int>(160 + half), y + 1, w);
    }
    img.fillRect(200, 24, 248, 60, w);                       // present
    img.fillRect(196, 16, 252, 26, w);
    img.fillRect(221, 16, 227, 60, hex(0x606060));
    img.fillCircle(216, 10, 6, w);
    img.fillCircle(232, 10, 6, w);
    const Rgba dim = hex(0x707070);                          // no present: dashed outline
    for (int k = 0; k < 48; k += 8) {
        img.fillRect(200 + k, 88, 204 + k, 90, dim);
        img.fillRect(200 + k, 122, 204 + k, 124, dim);
    }
    for (int k = 0; k < 36; k += 8) {
        img.fillRect(200, 88 + k, 202, 92 + k, dim);
        img.fillRect(246, 88 + k, 248, 92 + k, dim);
    }
    for (float s : {-1.0f, 1.0f})                             // spotted: an eye
        for (float x = -26; x <= 26; x += 0.5f) {
            const float y = 96 + s * 16 * std::cos(x / 26 * kPi / 2);
            img.fillCircle(32 + x, y, 2, w);
        }
    img.fillCircle(32, 96, 10, w);
    img.fillCircle(32, 96, 4, hex(0x000000));
    WriteFile(root, "gfx/hud.tga", img.toTga(false));
}

// The editor's icon column (white pictograms with a dark rim on a clear ground) and its cursor.
void Icons(const std::string& root) {
    Image img(256, 256, Rgba{0, 0, 0, 0});
    const Rgba w = Rgba{1, 1, 1, 1};
    auto cell = [&](int i, float& cx, float& cy) { cx = (i % 4) * 64 + 32.0f; cy = (i / 4) * 64 + 32.0f; };
    float cx, cy;
    for (int i = 0; i < 12; ++i) {  // a rounded plate behind every icon
        cell(i, cx, cy);
        img.fillCircle(cx, cy, 29, Rgba{0.15f, 0.2f, 0.35f, 0.75f});
        img.ring(cx, cy, 28, 2, Rgba{0.8f, 0.85f, 1, 1});
    }
    cell(0, cx, cy);  // move: four arrows
    for (int k = 0; k < 4; ++k) {
        const float a = k * kPi / 2, ex = cx + 18 * std::cos(a), ey = cy + 18 * std::sin(a);
        img.line(cx, cy, ex, ey, 3, w);
        img.line(ex, ey, ex - 7 * std::cos(a - 0.6f), ey - 7 * std::sin(a - 0.6f), 3, w);
        img.line(ex, ey, ex - 7 * std::cos(a + 0.6f), ey - 7 * std::sin(a + 0.6f), 3, w);
    }
    cell(1, cx, cy);  // size: a box and a diagonal arrow
    img.line(cx - 16, cy + 16, cx + 14, cy - 14, 3, w);
    img.line(cx + 14, cy - 14, cx + 4, cy - 14, 3, w);
    img.line(cx + 14, cy - 14, cx + 14, cy - 4, 3, w);
    img.ring(cx - 10, cy + 10, 6, 2, w);
    cell(2, cx, cy);  // walls: bricks
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 3; ++k) {
            const int x0 = static_cast<int>(cx) - 18 + k * 13 + (r % 2) * 6, y0 = static_cast<int>(cy) - 16 + r * 9;
            img.fillRect(x0, y0, x0 + 11, y0 + 7, Rgba{0.9f, 0.5f, 0.4f, 1});
        }
    cell(3, cx, cy);  // floor: a chequer in perspective
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k)
            if ((r + k) % 2) {
                const float y0 = cy - 8 + r * 6, y1 = y0 + 6;
                const float s0 = 0.6f + r * 0.12f;
                img.fillRect(static_cast<int>(cx + (k - 2) * 10 * s0), static_cast<int>(y0), static_cast<int>(cx + (k - 1) * 10 * s0), static_cast<int>(y1), w);
            }
    cell(4, cx, cy);  // ceiling: a line with a hanging lamp
    img.line(cx - 20, cy - 16, cx + 20, cy - 16, 3, w);
    img.line(cx, cy - 16, cx, cy - 4, 2, w);
    for (int y = 0; y < 10; ++y) img.line(cx - 4 - y, cy - 4 + y, cx + 4 + y, cy - 4 + y, 1.2f, Rgba{1, 0.9f, 0.5f, 1});
    cell(5, cx, cy);  // props: a chair
    img.fillRect(static_cast<int>(cx) - 10, static_cast<int>(cy) - 18, static_cast<int>(cx) - 6, static_cast<int>(cy) + 18, w);
    img.fillRect(static_cast<int>(cx) - 10, static_cast<int>(cy), static_cast<int>(cx) + 12, static_cast<int>(cy) + 4, w);
    img.fillRect(static_cast<int>(cx) + 8, static_cast<int>(cy), static_cast<int>(cx) + 12, static_cast<int>(cy) + 18, w);
    cell(6, cx, cy);  // room points: a star
    FillStar(img, cx, cy, 20, 8, Rgba{1, 0.9f, 0.3f, 1});
    cell(7, cx, cy);  // no mode: a small dot
    img.fillCircle(cx, cy, 5, w);
    cell(8, cx, cy);  // patrol paths: a dotted route between two flags
    for (int k = 0; k < 7; ++k) img.fillCircle(cx - 16 + k * 5.0f, cy + 10 - 3 * std::sin(k * 0.9f), 1.8f, w);
    for (float fx : {-18.0f, 18.0f}) {
        img.line(cx + fx, cy + 12, cx + fx, cy - 14, 2, w);
        img.fillRect(static_cast<int>(cx + fx), static_cast<int>(cy) - 14, static_cast<int>(cx + fx) + 10, static_cast<int>(cy) - 6, Rgba{1, 0.4f, 0.4f, 1});
    }
    cell(9, cx, cy);  // fill: a paint bucket with a drop
    img.fillRect(static_cast<int>(cx) - 12, static_cast<int>(cy) - 6, static_cast<int>(cx) + 8, static_cast<int>(cy) + 16, w);
    img.ring(cx - 2, cy - 8, 10, 2, w);
    img.fillCircle(cx + 14, cy + 10, 4, Rgba{0.4f, 0.7f, 1, 1});
    cell(10, cx, cy);  // new: a page with a plus
    img.fillRect(static_cast<int>(cx) - 14, static_cast<int>(cy) - 18, static_cast<int>(cx) + 14, static_cast<int>(cy) + 18, w);
    img.fillRect(static_cast<int>(cx) - 2, static_cast<int>(cy) - 10, static_cast<int>(cx) + 2, static_cast<int>(cy) + 10, Rgba{0.2f, 0.6f, 0.2f, 1});
    img.fillRect(static_cast<int>(cx) - 10, static_cast<int>(cy) - 2, static_cast<int>(cx) + 10, static_cast<int>(cy) + 2, Rgba{0.2f, 0.6f, 0.2f, 1});
    cell(11, cx, cy);  // save: a disk
    img.fillRect(static_cast<int>(cx) - 18, static_cast<int>(cy) - 18, static_cast<int>(cx) + 18, static_cast<int>(cy) + 18, w);
    img.fillRect(static_cast<int>(cx) - 10, static_cast<int>(cy) - 18, static_cast<int>(cx) + 10, static_cast<int>(cy) - 6, Rgba{0.3f, 0.3f, 0.4f, 1});
    img.fillRect(static_cast<int>(cx) - 12, static_cast<int>(cy) + 2, static_cast<int>(cx) + 12, static_cast<int>(cy) + 16, Rgba{0.85f, 0.85f, 0.9f, 1});
    cell(12, cx, cy);  // cursor: an arrow whose tip is the cell's top-left corner, the
    cx -= 30;          // point that picks icons (the sprite is centred on the mouse)
    cy -= 30;
    for (int y = 0; y < 26; ++y) {
        const float half = y * 0.45f;
        img.line(cx - half * 0.2f, cy + y, cx + half, cy + y, 1.4f, y > 0 && y < 25 ? w : Rgba{0, 0, 0, 1});
    }
    img.line(cx, cy, cx, cy + 26, 1.5f, Rgba{0, 0, 0, 1});
    img.line(cx, cy, cx + 12, cy + 12, 1.5f, Rgba{0, 0, 0, 1});
    // The selection quad is drawn right after the icons with their texture still
    // bound and the alpha test still on; it has no texture coordinates, so its
    // alpha is this corner texel's: opaque, in the plates' colour, so that the
    // quad shows and the corner of icon 0 stays unseen.
    img.at(0, 0) = Rgba{0.15f, 0.2f, 0.35f, 1};
    WriteFile(root, "gfx/icons.tga", img.toTga(true));
}

// A soft radial glow with a bright core, on black, for the lens flares.
void Flare(const std::string& root) {
    Image img(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const float r = std::hypot(x + 0.5f - 64, y + 0.5f - 64) / 64;
            const float a = std::atan2(y - 64.0f, x - 64.0f);
            const float glow = std::exp(-r * r * 6) + 0.25f * std::exp(-r * 3) * (0.6f + 0.4f * std::pow(std::fabs(std::cos(a * 3)), 12.0f));
            const float k = std::min(1.0f, glow) * std::max(0.0f, 1 - r);
            img.at(x, y) = Rgba{k, k, k, 1};
        }
    WriteFile(root, "gfx/flare.tga", img.toTga(false));
}

// Four snowflakes, one per quarter, pale grey on black (drawn additively). Each
// flake fills only the middle of its quarter with thin, half-bright arms and no
// halo: the storm's sprites are large and close to the camera and cross the
// menu texts, which must stay readable through them.
void Snowstorm(const std::string& root) {
    Image img(256, 256);
    const float scale = 0.4f;
    for (int q = 0; q < 4; ++q) {
        const float cx = (q % 2) * 128 + 64.0f, cy = (q / 2) * 128 + 64.0f;
        for (int k = 0; k < 6; ++k) {
            const float a = k * kPi / 3 + q * 0.3f;
            const float len = (40 + q * 4) * scale;
            const float ex = cx + len * std::cos(a), ey = cy + len * std::sin(a);
            img.line(cx, cy, ex, ey, (4.5f - q * 0.5f) * 0.4f, hex(0x707880));
            for (int b = 1; b <= 2 + q % 2; ++b) {
                const float t = b / (3.0f + q % 2), bl = (10 + 4 * (q % 3)) * scale;
                const float bx = cx + len * t * std::cos(a), by = cy + len * t * std::sin(a);
                for (float s : {-1.0f, 1.0f})
                    img.line(bx, by, bx + bl * std::cos(a + s * 0.8f), by + bl * std::sin(a + s * 0.8f), 1.2f, hex(0x606870));
            }
        }
        img.fillCircle(cx, cy, 4 * scale, hex(0x808890));
    }
    WriteFile(root, "gfx/snowstorm2.tga", img.toTga(false));
}

// Shots: the player's golden sparkle (upper left) and the goblin's green fireball (upper right).
void Bullets(const std::string& root) {
    Image img(128, 128);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) {
            const float lx = (x % 64) + 0.5f - 32, ly = y + 0.5f - 32;
            const float r = std::hypot(lx, ly) / 32;
            if (x < 64) {
                const float rays = std::pow(std::fabs(std::cos(std::atan2(ly, lx) * 2)), 30.0f) * std::max(0.0f, 1 - r);
                const float k = std::min(1.0f, std::exp(-r * r * 10) * 1.4f + rays * 0.8f);
                img.at(x, y) = Rgba{k, k * 0.9f, k * 0.55f, 1};
            } else {
                const float swirl = 0.7f + 0.3f * std::sin(std::atan2(ly, lx) * 5 + r * 8);
                const float k = std::min(1.0f, std::exp(-r * r * 5) * 1.3f * swirl) * std::max(0.0f, 1 - r);
                img.at(x, y) = Rgba{k * 0.45f, k, k * 0.35f, 1};
            }
        }
    WriteFile(root, "gfx/bullets.tga", img.toTga(false));
}

}  // namespace

void WriteAtlases(const std::string& root) {
    Walls(root);
    Floor(root);
    Ceil(root);
    Hud(root);
    Icons(root);
    Flare(root);
    Snowstorm(root);
    Bullets(root);
}

}  // namespace mkassets
