// Reading bitmaps back: their header and their pixels as 32-bit rows.
#include <cstring>
#include "gdi_internal.h"

using namespace quilgdi;

int GetObjectA(HGDIOBJ object, int size, LPVOID out) {
    auto* bitmap = static_cast<GdiBitmap*>(Lookup(object, Kind::Bitmap));
    if (!bitmap || !out || size < (int)sizeof(BITMAP)) return 0;
    BITMAP bm;
    std::memset(&bm, 0, sizeof(bm));
    bm.bmWidth = bitmap->width;
    bm.bmHeight = bitmap->height;
    bm.bmWidthBytes = bitmap->width * 4;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = 32;
    std::memcpy(out, &bm, sizeof(bm));
    return (int)sizeof(BITMAP);
}

int GetDIBits(HDC, HBITMAP handle, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage) {
    auto* bitmap = static_cast<GdiBitmap*>(Lookup(handle, Kind::Bitmap));
    if (!bitmap || !bits || !info || usage != DIB_RGB_COLORS) return 0;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount != 32 || h.biCompression != BI_RGB || h.biWidth != bitmap->width) return 0;
    const bool bottomUp = h.biHeight > 0;
    const int height = bitmap->height;
    UINT copied = 0;
    auto* out = static_cast<uint32_t*>(bits);
    for (UINT i = 0; i < lines && start + i < (UINT)height; ++i, ++copied) {
        // Scan line start + i of the DIB, counted from its first stored row.
        const int dibRow = (int)(start + i);
        const int y = bottomUp ? height - 1 - dibRow : dibRow;
        for (int x = 0; x < bitmap->width; ++x) out[(size_t)i * bitmap->width + x] = bitmap->At(x, y);
    }
    return (int)copied;
}
