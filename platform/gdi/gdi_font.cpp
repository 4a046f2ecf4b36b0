// Fonts and text output: faces chosen by fontconfig, glyphs rasterised by FreeType,
// written into 32-bit DIB sections with anti-aliased coverage as GDI writes it.
#include "gdi_internal.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

namespace quilgdi {

struct FontFace {
    FT_Face face = nullptr;
    bool emboldenSynth = false;  // the matched face is lighter than asked
    bool obliqueSynth = false;   // the matched face is upright but italic was asked
    int emboldenStrength = 0;    // 26.6 units added to stroke width
};

namespace {

std::mutex& FontLock() {
    static std::mutex lock;
    return lock;
}

// The one FreeType library of the process.
FT_Library Library() {
    static FT_Library library = [] {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
        return lib;
    }();
    return library;
}

int FcWeightFor(int weight) {
    if (weight <= 0) weight = FW_NORMAL;
    if (weight < 200) return FC_WEIGHT_THIN;
    if (weight < 300) return FC_WEIGHT_EXTRALIGHT;
    if (weight < 400) return FC_WEIGHT_LIGHT;
    if (weight < 500) return FC_WEIGHT_REGULAR;
    if (weight < 600) return FC_WEIGHT_MEDIUM;
    if (weight < 700) return FC_WEIGHT_DEMIBOLD;
    if (weight < 800) return FC_WEIGHT_BOLD;
    if (weight < 900) return FC_WEIGHT_EXTRABOLD;
    return FC_WEIGHT_BLACK;
}

struct Match {
    std::string file;
    int index = 0;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
};

// Asks fontconfig for the installed face closest to name, weight and slant.
bool MatchFace(const std::string& name, int weight, bool italic, Match* out) {
    // fontconfig's tables live until the process ends, then are handed back.
    static const bool ready = [] {
        if (!FcInit()) return false;
        std::atexit(FcFini);
        return true;
    }();
    if (!ready) return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFor(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* file = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    if (ok) {
        out->file = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &out->index) != FcResultMatch) out->index = 0;
        if (FcPatternGetInteger(match, FC_WEIGHT, 0, &out->weight) != FcResultMatch)
            out->weight = FC_WEIGHT_REGULAR;
        if (FcPatternGetInteger(match, FC_SLANT, 0, &out->slant) != FcResultMatch)
            out->slant = FC_SLANT_ROMAN;
    }
    FcPatternDestroy(match);
    return ok;
}

// Builds a font for the arguments of CreateFontA; null when no face can be opened.
GdiFont* MakeFont(int height, int weight, bool italic, DWORD quality, const char* faceName) {
    FT_Library library = Library();
    if (!library) return nullptr;
    // GDI keeps at most 31 characters of the face name.
    std::string name = faceName && *faceName ? std::string(faceName).substr(0, 31) : "sans-serif";
    if (weight <= 0) weight = FW_NORMAL;

    Match match;
    if (!MatchFace(name, weight, italic, &match)) return nullptr;

    auto font = std::make_unique<GdiFont>();
    font->file = match.file;
    font->mono = quality == NONANTIALIASED_QUALITY;
    FT_Face face = nullptr;
    if (FT_New_Face(library, match.file.c_str(), match.index, &face) != 0) return nullptr;
    font->face->face = face;

    // Vertical metrics as GDI takes them: the Windows ascent and descent of the face.
    double upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    double ascentUnits = face->ascender;
    double descentUnits = -face->descender;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            ascentUnits = os2->usWinAscent;
            descentUnits = os2->usWinDescent;
        }
    }
    if (ascentUnits + descentUnits <= 0) {
        ascentUnits = upem * 0.8;
        descentUnits = upem * 0.2;
    }
    // Negative heights give the em height, positive ones the cell height; 0 a default.
    double em;
    if (height < 0) em = -double(height);
    else if (height > 0) em = height * upem / (ascentUnits + descentUnits);
    else em = 12.0;
    if (em < 1.0) em = 1.0;
    if (em > 2048.0) em = 2048.0;
    if (FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(em * 64.0)), 72, 72) != 0) return nullptr;
    double scale = em / upem;
    font->ascent = int(std::lround(ascentUnits * scale));
    font->descent = int(std::lround(descentUnits * scale));

    font->face->emboldenSynth = weight >= FW_SEMIBOLD && match.weight < FC_WEIGHT_DEMIBOLD;
    font->face->obliqueSynth = italic && match.slant == FC_SLANT_ROMAN;
    font->face->emboldenStrength = std::max<int>(64, int(std::lround(em * 64.0 / 24.0)));
    return font.release();
}

}  // namespace

GdiFont::GdiFont() : GdiObject(Kind::Font), face(std::make_unique<FontFace>()) {}

GdiFont::~GdiFont() {
    if (face && face->face) {
        std::lock_guard<std::mutex> guard(FontLock());
        FT_Done_Face(face->face);
    }
}

const Glyph& GdiFont::GetGlyph(unsigned codePoint) {
    auto found = glyphs.find(codePoint);
    if (found != glyphs.end()) return found->second;
    Glyph& glyph = glyphs[codePoint];
    std::lock_guard<std::mutex> guard(FontLock());
    FT_Face f = face->face;
    FT_UInt index = FT_Get_Char_Index(f, codePoint);
    FT_Int32 flags = FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(f, index, flags) != 0) return glyph;
    FT_GlyphSlot slot = f->glyph;
    FT_Pos advance = slot->advance.x;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (face->obliqueSynth) {
            FT_Matrix shear = {0x10000, 0x0366A, 0, 0x10000};  // about 12 degrees
            FT_Outline_Transform(&slot->outline, &shear);
        }
        if (face->emboldenSynth) {
            FT_Outline_EmboldenXY(&slot->outline, face->emboldenStrength, 0);
            advance += face->emboldenStrength;
        }
    }
    glyph.advance = int((advance + 32) >> 6);
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return glyph;
    const FT_Bitmap& bm = slot->bitmap;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = int(bm.width);
    glyph.rows = int(bm.rows);
    glyph.coverage.assign(size_t(glyph.width) * size_t(glyph.rows), 0);
    for (int r = 0; r < glyph.rows; ++r) {
        const unsigned char* src = bm.buffer + ptrdiff_t(r) * bm.pitch;
        for (int c = 0; c < glyph.width; ++c) {
            uint8_t v;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                v = (src[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
            else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY && bm.num_grays > 1)
                v = uint8_t(unsigned(src[c]) * 255u / unsigned(bm.num_grays - 1));
            else
                v = src[c];
            glyph.coverage[size_t(r) * size_t(glyph.width) + size_t(c)] = v;
        }
    }
    return glyph;
}

GdiFont* StockFont() {
    static GdiFont* font = [] {
        GdiFont* f = MakeFont(16, FW_BOLD, false, DEFAULT_QUALITY, "sans-serif");
        if (f) {
            f->stock = true;
            Register(f);
        }
        return f;
    }();
    return font;
}

}  // namespace quilgdi

using namespace quilgdi;

namespace {

// 0x00BBGGRR (COLORREF) to the 0x00RRGGBB of a 32-bit DIB pixel.
uint32_t DibColour(COLORREF c) {
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | uint32_t(GetBValue(c));
}

// Mixes colour into a pixel by coverage, per channel; the unused top byte is 0.
uint32_t Blend(uint32_t dst, uint32_t src, unsigned coverage) {
    if (coverage >= 255) return src;
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int d = int((dst >> shift) & 0xFF);
        int s = int((src >> shift) & 0xFF);
        int v = d + ((s - d) * int(coverage) + (s >= d ? 127 : -127)) / 255;
        out |= uint32_t(std::clamp(v, 0, 255)) << shift;
    }
    return out;
}

struct Clip {
    int left, top, right, bottom;
};

Clip Intersect(Clip a, Clip b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

void Fill(GdiBitmap* bitmap, Clip area, uint32_t colour) {
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) bitmap->At(x, y) = colour;
}

// Advances of the string's characters, from dx when given.
std::vector<int> Advances(GdiFont* font, LPCSTR text, UINT count, const INT* dx) {
    std::vector<int> advances(count);
    for (UINT i = 0; i < count; ++i)
        advances[i] = dx ? dx[i] : font->GetGlyph(AnsiToUnicode(static_cast<unsigned char>(text[i]))).advance;
    return advances;
}

}  // namespace

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR faceName) {
    // Width, rotation, underline, strike-out, character set, precision and pitch are
    // accepted but not applied: text is drawn upright at the face's natural width.
    (void)width; (void)escapement; (void)orientation; (void)underline; (void)strikeOut;
    (void)charSet; (void)outPrecision; (void)clipPrecision; (void)pitchAndFamily;
    GdiFont* font = MakeFont(height, weight, italic != 0, quality, faceName);
    if (!font) return nullptr;
    Register(font);
    return reinterpret_cast<HFONT>(static_cast<GdiObject*>(font));
}

// Table 0 is the whole font file; named tables are not served. Without a buffer
// the size is returned.
DWORD GetFontData(HDC dc, DWORD table, DWORD offset, LPVOID buffer, DWORD size) {
    GdiDC* d = LookupDC(dc);
    if (!d || !d->font || table != 0) return GDI_ERROR;
    std::ifstream in(d->font->file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return GDI_ERROR;
    if (offset > bytes.size()) return GDI_ERROR;
    const DWORD left = static_cast<DWORD>(bytes.size()) - offset;
    if (!buffer) return left;
    const DWORD n = size < left ? size : left;
    std::memcpy(buffer, bytes.data() + offset, n);
    return n;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size) {
    GdiDC* d = LookupDC(dc);
    if (!d || !d->font || !size || count < 0 || (count > 0 && !text)) return FALSE;
    LONG width = 0;
    for (int i = 0; i < count; ++i)
        width += d->font->GetGlyph(AnsiToUnicode(static_cast<unsigned char>(text[i]))).advance;
    size->cx = width;
    size->cy = d->font->ascent + d->font->descent;
    return TRUE;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text,
                 UINT count, const INT* dx) {
    GdiDC* d = LookupDC(dc);
    if (!d || !d->font || (count > 0 && !text)) return FALSE;
    GdiBitmap* bitmap = d->bitmap;
    GdiFont* font = d->font;
    if (!bitmap) return TRUE;

    const Clip surface = {0, 0, bitmap->width, bitmap->height};
    Clip clip = surface;
    if (rect && (options & ETO_CLIPPED)) clip = Intersect(clip, {rect->left, rect->top, rect->right, rect->bottom});
    const uint32_t bk = DibColour(d->bkColour);
    const uint32_t fg = DibColour(d->textColour);

    if (rect && (options & ETO_OPAQUE))
        Fill(bitmap, Intersect(surface, {rect->left, rect->top, rect->right, rect->bottom}), bk);

    std::vector<int> advances = Advances(font, text, count, dx);
    int total = 0;
    for (int a : advances) total += a;

    // Place the cell by the alignment: x is the left, right or centre; y the top,
    // bottom or baseline.
    int left = x;
    if ((d->align & TA_CENTER) == TA_CENTER) left = x - total / 2;
    else if (d->align & TA_RIGHT) left = x - total;
    int baseline = y + font->ascent;
    if ((d->align & TA_BASELINE) == TA_BASELINE) baseline = y;
    else if (d->align & TA_BOTTOM) baseline = y - font->descent;

    // The DC's background mode is opaque: the text cell takes the background colour.
    Fill(bitmap, Intersect(clip, {left, baseline - font->ascent, left + total, baseline + font->descent}), bk);

    int pen = left;
    for (UINT i = 0; i < count; ++i) {
        const Glyph& g = font->GetGlyph(AnsiToUnicode(static_cast<unsigned char>(text[i])));
        const int gx = pen + g.left;
        const int gy = baseline - g.top;
        for (int r = 0; r < g.rows; ++r) {
            int py = gy + r;
            if (py < clip.top || py >= clip.bottom) continue;
            for (int c = 0; c < g.width; ++c) {
                int px = gx + c;
                if (px < clip.left || px >= clip.right) continue;
                unsigned coverage = g.coverage[size_t(r) * size_t(g.width) + size_t(c)];
                if (coverage == 0) continue;
                uint32_t& pixel = bitmap->At(px, py);
                pixel = Blend(pixel, fg, coverage);
            }
        }
        pen += advances[i];
    }
    return TRUE;
}
