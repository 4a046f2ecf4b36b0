#include "title.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace mkassets {
namespace {

// Path of a bold font: a serif face first (it suits the title), any bold face otherwise.
std::string FindFont() {
    std::string path;
    // A private configuration, released when done, so nothing of fontconfig outlives the lookup.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return path;
    for (const char* name : {"DejaVu Serif:bold", "serif:bold", "sans:bold"}) {
        FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(name));
        if (!pat) continue;
        FcConfigSubstitute(config, pat, FcMatchPattern);
        FcDefaultSubstitute(pat);
        FcResult res;
        FcPattern* match = FcFontMatch(config, pat, &res);
        FcChar8* file = nullptr;
        if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) path = reinterpret_cast<char*>(file);
        if (match) FcPatternDestroy(match);
        FcPatternDestroy(pat);
        if (!path.empty()) break;
    }
    FcConfigDestroy(config);
    return path;
}

// Glyph coverage of the text, centred in a w by h buffer, its width fitted to `maxWidth`.
std::vector<float> Rasterise(const std::string& text, int w, int h, int maxWidth) {
    std::vector<float> cov(static_cast<size_t>(w) * h, 0.0f);
    const std::string font = FindFont();
    FT_Library lib;
    if (font.empty() || FT_Init_FreeType(&lib)) {
        std::fprintf(stderr, "mkassets: no font found, the title is left without lettering\n");
        return cov;
    }
    FT_Face face;
    if (FT_New_Face(lib, font.c_str(), 0, &face)) {
        FT_Done_FreeType(lib);
        std::fprintf(stderr, "mkassets: cannot open font %s\n", font.c_str());
        return cov;
    }
    auto measure = [&](int px) {
        FT_Set_Pixel_Sizes(face, 0, px);
        long width = 0;
        for (char ch : text) {
            if (FT_Load_Char(face, static_cast<unsigned char>(ch), FT_LOAD_DEFAULT)) continue;
            width += face->glyph->advance.x >> 6;
        }
        return width;
    };
    int px = 200;
    while (px > 20 && measure(px) > maxWidth) px -= 4;
    const long width = measure(px);
    const int ascent = static_cast<int>(face->size->metrics.ascender >> 6);
    const int descent = static_cast<int>(-face->size->metrics.descender >> 6);
    long penX = (w - width) / 2;
    const int baseline = (h + ascent - descent) / 2 + 6;
    for (char ch : text) {
        if (FT_Load_Char(face, static_cast<unsigned char>(ch), FT_LOAD_RENDER)) continue;
        const FT_GlyphSlot g = face->glyph;
        for (unsigned row = 0; row < g->bitmap.rows; ++row)
            for (unsigned col = 0; col < g->bitmap.width; ++col) {
                const long x = penX + g->bitmap_left + col, y = baseline - g->bitmap_top + row;
                if (x < 0 || y < 0 || x >= w || y >= h) continue;
                const float a = g->bitmap.buffer[row * g->bitmap.pitch + col] / 255.0f;
                float& c = cov[y * w + x];
                c = std::max(c, a);
            }
        penX += g->advance.x >> 6;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return cov;
}

}  // namespace

Image RenderTitle(const std::string& text) {
    const int w = 1024, h = 256;
    const std::vector<float> cov = Rasterise(text, w, h, 940);
    auto at = [&](int x, int y) { return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : cov[y * w + x]; };
    // Outline: coverage dilated by a disc; glow: a wider, softer ring.
    std::vector<float> outline(cov.size(), 0.0f), glow(cov.size(), 0.0f);
    const int r = 7, rg = 16;
    std::vector<float> rowMax(cov.size(), 0.0f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float m = 0;
            for (int dx = -rg; dx <= rg; ++dx) m = std::max(m, at(x + dx, y));
            rowMax[y * w + x] = m;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float o = 0, gl = 0;
            for (int dy = -rg; dy <= rg; ++dy) {
                const int yy = y + dy;
                if (yy < 0 || yy >= h) continue;
                const float rm = rowMax[yy * w + x];
                if (rm <= 0) continue;
                const float fall = 1.0f - std::fabs(static_cast<float>(dy)) / (rg + 1);
                gl = std::max(gl, rm * fall);
                if (std::abs(dy) <= r) {
                    const int span = static_cast<int>(std::sqrt(static_cast<float>(r * r - dy * dy)));
                    for (int dx = -span; dx <= span && o < 1; dx += 1) o = std::max(o, at(x + dx, yy));
                }
            }
            outline[y * w + x] = o;
            glow[y * w + x] = gl;
        }
    Image img(w, h, Rgba{0.6f, 0.8f, 1.0f, 0.0f});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            const float v = y / static_cast<float>(h);
            // Fill: white at the top of the letters to icy blue at the bottom, a frost sparkle.
            Rgba fill = mix(hex(0xFFFFFF), hex(0x7AB8F0), std::clamp((v - 0.25f) * 1.8f, 0.0f, 1.0f));
            if (hash01(x, y, 150) > 0.985f) fill = hex(0xFFFFFF);
            // Snow on the upper edges of the strokes.
            bool cap = cov[i] > 0.5f && at(x, y - 9) < 0.1f;
            if (cap) fill = mix(fill, hex(0xFFFFFF), 0.9f);
            const Rgba edge = hex(0x10204A);
            const Rgba halo = hex(0x9AD0FF);
            Rgba c = halo;
            c.a = glow[i] * 0.45f;
            c = Rgba{mix(c, edge, outline[i]).r, mix(c, edge, outline[i]).g, mix(c, edge, outline[i]).b, std::max(c.a, outline[i])};
            const Rgba f = mix(c, fill, cov[i]);
            img.at(x, y) = Rgba{f.r, f.g, f.b, std::max(c.a, cov[i])};
        }
    return img;
}

}  // namespace mkassets
