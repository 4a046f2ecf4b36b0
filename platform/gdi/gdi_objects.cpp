// Device contexts, DIB sections, brushes, stock objects and the handle registry.
#include "gdi_internal.h"

#include <climits>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace quilgdi {

namespace {

std::mutex& RegistryLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_set<const void*>& Live() {
    static std::unordered_set<const void*> live;
    return live;
}

// Frees an object that is not stock and no longer selected anywhere.
void Destroy(GdiObject* object) {
    Unregister(object);
    delete object;
}

GdiBrush* MakeStockBrush(COLORREF colour, bool hollow) {
    auto* brush = new GdiBrush();
    brush->colour = colour;
    brush->hollow = hollow;
    brush->stock = true;
    Register(brush);
    return brush;
}

// The 1x1 bitmap a fresh memory DC holds.
GdiBitmap* StockBitmap() {
    static GdiBitmap* bitmap = [] {
        auto* b = new GdiBitmap();
        b->width = 1;
        b->height = 1;
        b->pixels.assign(1, 0);
        b->stock = true;
        Register(b);
        return b;
    }();
    return bitmap;
}

GdiBrush* StockBrush(int index) {
    static GdiBrush* brushes[6] = {
        MakeStockBrush(0xFFFFFF, false), MakeStockBrush(0xC0C0C0, false),
        MakeStockBrush(0x808080, false), MakeStockBrush(0x404040, false),
        MakeStockBrush(0x000000, false), MakeStockBrush(0x000000, true),
    };
    if (index < 0 || index > 5) return nullptr;
    return brushes[index];
}

}  // namespace

void Register(GdiObject* object) {
    std::lock_guard<std::mutex> guard(RegistryLock());
    Live().insert(object);
}

void Unregister(GdiObject* object) {
    std::lock_guard<std::mutex> guard(RegistryLock());
    Live().erase(object);
}

GdiObject* Lookup(const void* handle, Kind kind) {
    if (!handle) return nullptr;
    {
        std::lock_guard<std::mutex> guard(RegistryLock());
        if (!Live().count(handle)) return nullptr;
    }
    auto* object = static_cast<GdiObject*>(const_cast<void*>(handle));
    return object->kind == kind ? object : nullptr;
}

GdiDC* LookupDC(HDC dc) {
    return static_cast<GdiDC*>(Lookup(dc, Kind::DC));
}

void Deselect(GdiObject* object) {
    if (!object) return;
    if (object->selections > 0) object->selections--;
    if (object->selections == 0 && object->deletePending && !object->stock) Destroy(object);
}

unsigned AnsiToUnicode(unsigned char c) {
    // 0x80..0x9F differ from Latin-1; undefined positions map to themselves.
    static const unsigned short high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    if (c >= 0x80 && c < 0xA0) return high[c - 0x80];
    return c;
}

}  // namespace quilgdi

using namespace quilgdi;

HDC CreateCompatibleDC(HDC dc) {
    if (dc && !LookupDC(dc)) return nullptr;
    auto* created = new GdiDC();
    created->bitmap = StockBitmap();
    created->font = StockFont();
    created->brush = StockBrush(WHITE_BRUSH);
    if (!created->font) {
        delete created;
        return nullptr;
    }
    Register(created);
    return reinterpret_cast<HDC>(created);
}

BOOL DeleteDC(HDC dc) {
    GdiDC* d = LookupDC(dc);
    if (!d) return FALSE;
    Deselect(d->bitmap);
    Deselect(d->font);
    Deselect(d->brush);
    Destroy(d);
    return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
    if (!LookupDC(dc)) return 0;
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    default: return 0;
    }
}

int SetMapMode(HDC dc, int mode) {
    GdiDC* d = LookupDC(dc);
    if (!d || mode != MM_TEXT) return 0;  // only the pixel mapping is offered
    int previous = d->mapMode;
    d->mapMode = mode;
    return previous;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD offset) {
    (void)offset;
    if (bits) *bits = nullptr;
    if (dc && !LookupDC(dc)) return nullptr;
    if (!info || usage != DIB_RGB_COLORS || section) return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biBitCount != 32 ||
        h.biCompression != BI_RGB)
        return nullptr;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return nullptr;
    const int64_t width = h.biWidth;
    const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    if (width > 32768 || height > 32768) return nullptr;

    auto* bitmap = new GdiBitmap();
    bitmap->width = int(width);
    bitmap->height = int(height);
    bitmap->topDown = h.biHeight < 0;
    bitmap->pixels.assign(size_t(width * height), 0);
    Register(bitmap);
    if (bits) *bits = bitmap->pixels.data();
    return reinterpret_cast<HBITMAP>(static_cast<GdiObject*>(bitmap));
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    GdiDC* d = LookupDC(dc);
    if (!d || !object) return nullptr;
    GdiObject* previous = nullptr;
    if (auto* bitmap = static_cast<GdiBitmap*>(Lookup(object, Kind::Bitmap))) {
        // A bitmap lives in one DC at a time.
        if (bitmap->selections > 0 && d->bitmap != bitmap) return nullptr;
        if (bitmap->deletePending) return nullptr;
        previous = d->bitmap;
        bitmap->selections++;
        d->bitmap = bitmap;
    } else if (auto* font = static_cast<GdiFont*>(Lookup(object, Kind::Font))) {
        if (font->deletePending) return nullptr;
        previous = d->font;
        font->selections++;
        d->font = font;
    } else if (auto* brush = static_cast<GdiBrush*>(Lookup(object, Kind::Brush))) {
        if (brush->deletePending) return nullptr;
        previous = d->brush;
        brush->selections++;
        d->brush = brush;
    } else {
        return nullptr;
    }
    // A deletion that waited on the old object happens now; its handle is
    // still returned (as a value only), as GDI does.
    HGDIOBJ previousHandle = previous;
    Deselect(previous);
    return previousHandle;
}

BOOL DeleteObject(HGDIOBJ object) {
    GdiObject* o = Lookup(object, Kind::Bitmap);
    if (!o) o = Lookup(object, Kind::Font);
    if (!o) o = Lookup(object, Kind::Brush);
    if (!o) return FALSE;
    if (o->stock) return TRUE;
    if (o->selections > 0) {
        // Still selected into a DC: freed when it is deselected or the DC goes.
        o->deletePending = true;
        return TRUE;
    }
    Destroy(o);
    return TRUE;
}

HGDIOBJ GetStockObject(int index) {
    if (index >= WHITE_BRUSH && index <= NULL_BRUSH) return StockBrush(index);
    if (index == SYSTEM_FONT || index == DEFAULT_GUI_FONT) return StockFont();
    return nullptr;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    GdiDC* d = LookupDC(dc);
    if (!d) return CLR_INVALID;
    COLORREF previous = d->textColour;
    d->textColour = colour & 0xFFFFFF;
    return previous;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    GdiDC* d = LookupDC(dc);
    if (!d) return CLR_INVALID;
    COLORREF previous = d->bkColour;
    d->bkColour = colour & 0xFFFFFF;
    return previous;
}

UINT SetTextAlign(HDC dc, UINT align) {
    GdiDC* d = LookupDC(dc);
    if (!d) return GDI_ERROR;
    UINT previous = d->align;
    d->align = align;
    return previous;
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    int64_t product = int64_t(number) * int64_t(numerator);
    int64_t half = (denominator < 0 ? -int64_t(denominator) : int64_t(denominator)) / 2;
    bool negative = (product < 0) != (denominator < 0);
    int64_t magnitude = (product < 0 ? -product : product);
    int64_t divisor = denominator < 0 ? -int64_t(denominator) : int64_t(denominator);
    int64_t result = (magnitude + half) / divisor;
    if (negative) result = -result;
    if (result > INT_MAX || result < INT_MIN) return -1;
    return int(result);
}
