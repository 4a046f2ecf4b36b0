// Internal object model of the GDI stand-in: every handle points at a GdiObject
// that is looked up in a registry before use, so stale or foreign handles are refused.
#pragma once
#include <wingdi.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quilgdi {

enum class Kind { DC, Bitmap, Font, Brush };

struct GdiObject {
    explicit GdiObject(Kind k) : kind(k) {}
    virtual ~GdiObject() = default;
    Kind kind;
    bool stock = false;          // stock objects are never freed
    int selections = 0;          // DCs this object is selected into
    bool deletePending = false;  // DeleteObject came while selected: free on deselect
};

struct GdiBitmap : GdiObject {
    GdiBitmap() : GdiObject(Kind::Bitmap) {}
    int width = 0;
    int height = 0;
    bool topDown = true;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, row-major in memory order

    // The pixel at (x, y) in logical coordinates (y = 0 is the top row).
    uint32_t& At(int x, int y) { return pixels[size_t(topDown ? y : height - 1 - y) * size_t(width) + size_t(x)]; }
};

struct GdiBrush : GdiObject {
    GdiBrush() : GdiObject(Kind::Brush) {}
    COLORREF colour = 0;
    bool hollow = false;
};

// A rasterised glyph: coverage 0..255, placed relative to the pen on the baseline.
struct Glyph {
    int advance = 0;
    int left = 0;   // from the pen position to the first column
    int top = 0;    // from the baseline up to the first row
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage;
};

struct FontFace;  // FreeType face data, defined in gdi_font.cpp

struct GdiFont : GdiObject {
    GdiFont();
    ~GdiFont() override;
    std::unique_ptr<FontFace> face;
    std::string file;        // the face file fontconfig chose
    int ascent = 0;          // pixels above the baseline
    int descent = 0;         // pixels below the baseline
    bool mono = false;       // non-antialiased quality
    std::map<unsigned, Glyph> glyphs;  // by Unicode code point

    const Glyph& GetGlyph(unsigned codePoint);
};

struct GdiDC : GdiObject {
    GdiDC() : GdiObject(Kind::DC) {}
    GdiBitmap* bitmap = nullptr;
    GdiFont* font = nullptr;
    GdiBrush* brush = nullptr;
    COLORREF textColour = 0x000000;
    COLORREF bkColour = 0xFFFFFF;
    UINT align = TA_TOP | TA_LEFT;
    int mapMode = MM_TEXT;
};

// Registry of live handles.
void Register(GdiObject* object);
void Unregister(GdiObject* object);
GdiObject* Lookup(const void* handle, Kind kind);
GdiDC* LookupDC(HDC dc);

// Releases a selection of an object; frees it when a deletion waits for it.
void Deselect(GdiObject* object);

// The font a new DC starts with.
GdiFont* StockFont();

// Maps a byte of the ANSI code page (Windows-1252) to Unicode.
unsigned AnsiToUnicode(unsigned char c);

}  // namespace quilgdi
