// Icon 101 (a wrapped present) and bitmap 110 (the settings dialog's banner: a
// snowy night with a tree and the game's name), drawn in code.
#include <cmath>
#include <cstring>
#include <vector>
#include "quil_resource_table.h"

namespace {
namespace rt = quil_resources_table;

// 5 x 7 capitals for the banner text.
struct Glyph { char c; const char* rows[7]; };
const Glyph kGlyphs[] = {
    {'F', {"11111", "10000", "10000", "11110", "10000", "10000", "10000"}},
    {'R', {"11110", "10001", "10001", "11110", "10100", "10010", "10001"}},
    {'O', {"01110", "10001", "10001", "10001", "10001", "10001", "01110"}},
    {'S', {"01111", "10000", "10000", "01110", "00001", "00001", "11110"}},
    {'T', {"11111", "00100", "00100", "00100", "00100", "00100", "00100"}},
    {'-', {"00000", "00000", "00000", "11111", "00000", "00000", "00000"}},
    {'W', {"10001", "10001", "10001", "10101", "10101", "10101", "01010"}},
    {'I', {"01110", "00100", "00100", "00100", "00100", "00100", "01110"}},
    {'C', {"01111", "10000", "10000", "10000", "10000", "10000", "01111"}},
    {'K', {"10001", "10010", "10100", "11000", "10100", "10010", "10001"}},
};

struct Canvas {
    int w, h, bpp;
    std::vector<uint8_t> px;
    void Put(int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        uint8_t* p = &px[static_cast<size_t>((y * w + x) * bpp)];
        if (bpp == 3) { p[0] = b; p[1] = g; p[2] = r; }
        else { p[0] = r; p[1] = g; p[2] = b; p[3] = a; }
    }
};

void Text(Canvas& c, const char* s, int x, int y, int scale) {
    for (; *s; ++s, x += 6 * scale) {
        for (const Glyph& g : kGlyphs) {
            if (g.c != *s) continue;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g.rows[row][col] == '1')
                        for (int dy = 0; dy < scale; ++dy)
                            for (int dx = 0; dx < scale; ++dx) {
                                c.Put(x + col * scale + dx + 1, y + row * scale + dy + 1, 20, 30, 80);
                                c.Put(x + col * scale + dx, y + row * scale + dy, 255, 255, 255);
                            }
        }
    }
}

rt::ImageDef Banner() {
    Canvas c{253, 58, 3, std::vector<uint8_t>(253 * 58 * 3)};
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            // Night sky fading to the horizon, snow below a gentle hill line.
            double hill = 44 + 5 * std::sin(x * 0.045) + 2 * std::sin(x * 0.13);
            if (y > hill) c.Put(x, y, 235, 240, 250);
            else c.Put(x, y, static_cast<uint8_t>(10 + y), static_cast<uint8_t>(20 + y * 1.5),
                       static_cast<uint8_t>(70 + y * 2));
        }
    unsigned seed = 12345u;
    for (int i = 0; i < 60; ++i) {  // stars and flakes from a fixed sequence
        seed = seed * 1103515245u + 12345u;
        int x = static_cast<int>((seed >> 8) % 253u);
        seed = seed * 1103515245u + 12345u;
        int y = static_cast<int>((seed >> 8) % 40u);
        c.Put(x, y, 255, 255, 255);
    }
    for (int y = 0; y < 34; ++y) {  // the tree, with its star
        int half = 2 + (y % 12) + y / 4;
        for (int x = -half / 2; x <= half / 2; ++x) c.Put(220 + x, 12 + y, 20, static_cast<uint8_t>(110 + (y % 12) * 4), 40);
    }
    for (int y = 46; y < 52; ++y)
        for (int x = 217; x < 224; ++x) c.Put(x, y, 100, 60, 20);
    for (int d = -3; d <= 3; ++d) { c.Put(220 + d, 9, 255, 220, 40); c.Put(220, 9 + d, 255, 220, 40); }
    Text(c, "FROST-WICK", 14, 14, 3);
    return {110, c.w, c.h, 3, c.px};
}

rt::ImageDef Icon() {
    Canvas c{32, 32, 4, std::vector<uint8_t>(32 * 32 * 4, 0)};
    for (int y = 8; y < 30; ++y)
        for (int x = 4; x < 28; ++x) {
            bool ribbon = (x >= 14 && x < 18) || (y >= 16 && y < 20);
            if (ribbon) c.Put(x, y, 240, 200, 40);
            else c.Put(x, y, 200, 20, 30);
        }
    for (int i = 0; i < 6; ++i) {  // the bow
        c.Put(15 - i, 7 - i / 2, 240, 200, 40);
        c.Put(16 + i, 7 - i / 2, 240, 200, 40);
        c.Put(15 - i, 6 - i / 2, 240, 200, 40);
        c.Put(16 + i, 6 - i / 2, 240, 200, 40);
    }
    return {101, c.w, c.h, 4, c.px};
}

void Register() {
    rt::AddBitmap(Banner());
    rt::AddIcon(Icon());
}
}  // namespace

void QuilRegisterImages() { Register(); }
