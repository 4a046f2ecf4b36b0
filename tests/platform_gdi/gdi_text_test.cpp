// GDI stand-in: DIB sections, font matching, text extents and text output.
#include <gtest/gtest.h>
#include <wingdi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// A memory DC holding a top-down (or bottom-up) 32-bit DIB section.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    uint32_t* bits = nullptr;
    int width = 0, height = 0;
    bool topDown = true;

    Canvas(int w, int h, bool down = true) : width(w), height(h), topDown(down) {
        dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info;
        std::memset(&info, 0, sizeof(info));
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = down ? -h : h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint32_t*>(p);
        SelectObject(dc, bitmap);
        SetMapMode(dc, MM_TEXT);
    }
    ~Canvas() {
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // Pixel at (x, y) with y = 0 the visual top row.
    uint32_t At(int x, int y) const { return bits[(topDown ? y : height - 1 - y) * width + x]; }

    struct Box { int left, top, right, bottom, count; };
    // Bounding box of pixels that differ from the background value.
    Box Ink(uint32_t background = 0) const {
        Box b{width, height, -1, -1, 0};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (At(x, y) != background) {
                    b.left = std::min(b.left, x); b.top = std::min(b.top, y);
                    b.right = std::max(b.right, x + 1); b.bottom = std::max(b.bottom, y + 1);
                    b.count++;
                }
        return b;
    }
};

HFONT MakeFont(int points, int weight, DWORD quality = ANTIALIASED_QUALITY, const char* face = "Arial Black") {
    HDC dc = CreateCompatibleDC(nullptr);
    int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    DeleteDC(dc);
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, quality, VARIABLE_PITCH, face);
}

void WhiteOnBlack(HDC dc) {
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, 0);
    SetTextAlign(dc, TA_TOP | TA_LEFT);
}

TEST(GdiMulDiv, RoundsHalfAwayFromZeroAndReportsErrors) {
    EXPECT_EQ(MulDiv(32, 96, 72), 43);      // 42.67
    EXPECT_EQ(MulDiv(16, 48, 72), 11);      // 10.67: a halved LOGPIXELSY
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(3, 1, -2), -2);
    EXPECT_EQ(MulDiv(0x40000000, 8, 2), -1);  // overflow
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
    EXPECT_EQ(MulDiv(0x40000000, 0x40000000, 0x40000000), 0x40000000);  // 64-bit intermediate
}

TEST(GdiDib, CreatesZeroedTopDownAndBottomUpSectionsAndRefusesOtherFormats) {
    Canvas top(16, 8, true);
    ASSERT_NE(top.bitmap, nullptr);
    ASSERT_NE(top.bits, nullptr);
    for (int i = 0; i < 16 * 8; ++i) EXPECT_EQ(top.bits[i], 0u);

    BITMAPINFO info;
    std::memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = -4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biWidth = 0;
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(GdiDib, BitmapsReadBackWithTheirSizeAndRowsInEitherOrder) {
    Canvas canvas(3, 2, true);
    canvas.bits[0] = 0x00112233;  // top-left
    canvas.bits[5] = 0x00AABBCC;  // bottom-right
    BITMAP bm;
    ASSERT_EQ(GetObjectA(canvas.bitmap, sizeof(bm), &bm), int(sizeof(BITMAP)));
    EXPECT_EQ(bm.bmWidth, 3);
    EXPECT_EQ(bm.bmHeight, 2);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(GetObjectA(canvas.bitmap, 4, &bm), 0);

    BITMAPINFO info;
    std::memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = 2;  // bottom-up rows: the bottom row comes first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    uint32_t rows[6] = {};
    EXPECT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 2, rows, &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(rows[2], 0x00AABBCCu);
    EXPECT_EQ(rows[3], 0x00112233u);
    EXPECT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 1, 5, rows, &info, DIB_RGB_COLORS), 1);  // only what exists
    int garbage = 0;
    EXPECT_EQ(GetDIBits(canvas.dc, reinterpret_cast<HBITMAP>(&garbage), 0, 2, rows, &info, DIB_RGB_COLORS), 0);
}

TEST(GdiObjects, HandlesAreCheckedAndDeletionWaitsForTheDC) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
    int garbage = 0;
    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(&garbage)));
    EXPECT_FALSE(DeleteObject(&garbage));
    EXPECT_EQ(SelectObject(dc, &garbage), nullptr);
    EXPECT_EQ(SetTextColor(reinterpret_cast<HDC>(&garbage), 0), CLR_INVALID);

    // A bitmap lives in one DC at a time.
    Canvas canvas(8, 8);
    EXPECT_EQ(SelectObject(dc, canvas.bitmap), nullptr);

    // Deleting the selected font defers until the DC lets it go; drawing still works.
    HFONT font = MakeFont(12, FW_NORMAL);
    ASSERT_NE(font, nullptr);
    HGDIOBJ old = SelectObject(canvas.dc, font);
    EXPECT_NE(old, nullptr);
    EXPECT_TRUE(DeleteObject(font));
    SIZE size{0, 0};
    EXPECT_TRUE(GetTextExtentPoint32A(canvas.dc, "A", 1, &size));
    EXPECT_GT(size.cx, 0);
    SelectObject(canvas.dc, old);  // frees the font now
    EXPECT_FALSE(DeleteObject(font));

    // Stock objects survive deletion attempts.
    HGDIOBJ white = GetStockObject(WHITE_BRUSH);
    ASSERT_NE(white, nullptr);
    EXPECT_TRUE(DeleteObject(white));
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), white);
    EXPECT_NE(SelectObject(dc, white), nullptr);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
}

TEST(GdiText, ExtentsAddUpPerCharacterAndCoverTheCell) {
    Canvas canvas(64, 64);
    HFONT font = MakeFont(32, FW_BOLD);
    ASSERT_NE(font, nullptr);
    SelectObject(canvas.dc, font);
    SIZE a{}, aa{}, space{}, none{};
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "A", 1, &a));
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "AA", 2, &aa));
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, " ", 1, &space));
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "", 0, &none));
    EXPECT_GT(a.cx, 10);
    EXPECT_EQ(aa.cx, 2 * a.cx);
    EXPECT_GT(space.cx, 0);
    EXPECT_LT(space.cx, a.cx);
    EXPECT_EQ(none.cx, 0);
    // The cell is the face's ascent plus descent: at least the 43-pixel em, far less than two.
    EXPECT_GE(a.cy, 43);
    EXPECT_LT(a.cy, 86);
    EXPECT_EQ(a.cy, aa.cy);
    EXPECT_FALSE(GetTextExtentPoint32A(canvas.dc, nullptr, 1, &a));
    DeleteObject(font);
}

TEST(GdiText, GlyphLandsInsideItsCellWhereAsked) {
    Canvas canvas(160, 96);
    HFONT font = MakeFont(24, FW_BOLD);
    ASSERT_NE(font, nullptr);
    SelectObject(canvas.dc, font);
    WhiteOnBlack(canvas.dc);
    SIZE cell{};
    GetTextExtentPoint32A(canvas.dc, "H", 1, &cell);

    ASSERT_TRUE(ExtTextOutA(canvas.dc, 20, 10, ETO_OPAQUE, nullptr, "H", 1, nullptr));
    Canvas::Box first = canvas.Ink();
    ASSERT_GT(first.count, 20);
    EXPECT_GE(first.left, 20);
    EXPECT_LE(first.right, 20 + cell.cx);
    EXPECT_GE(first.top, 10);
    EXPECT_LE(first.bottom, 10 + cell.cy);

    // White on black: grey levels only, full white in the stems, partial at the edges,
    // and the unused top byte stays 0.
    bool full = false, partial = false;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            uint32_t p = canvas.At(x, y);
            ASSERT_EQ(p >> 24, 0u);
            uint32_t b = p & 0xFF;
            ASSERT_EQ(p, b | (b << 8) | (b << 16));
            full |= b == 0xFF;
            partial |= b > 0 && b < 0xFF;
        }
    EXPECT_TRUE(full);
    EXPECT_TRUE(partial);

    // The same glyph drawn elsewhere is the same picture moved by exactly the offset.
    std::fill(canvas.bits, canvas.bits + 160 * 96, 0u);
    ExtTextOutA(canvas.dc, 90, 40, ETO_OPAQUE, nullptr, "H", 1, nullptr);
    Canvas::Box second = canvas.Ink();
    EXPECT_EQ(second.left - first.left, 70);
    EXPECT_EQ(second.top - first.top, 30);
    EXPECT_EQ(second.count, first.count);
    DeleteObject(font);
}

TEST(GdiText, BottomUpSectionsAndClippingAtTheEdges) {
    Canvas canvas(40, 40, false);
    HFONT font = MakeFont(16, FW_BOLD);
    SelectObject(canvas.dc, font);
    WhiteOnBlack(canvas.dc);
    ExtTextOutA(canvas.dc, 0, 0, ETO_OPAQUE, nullptr, "T", 1, nullptr);
    // The visual top rows are the last rows in memory.
    Canvas::Box ink = canvas.Ink();
    ASSERT_GT(ink.count, 0);
    EXPECT_LT(ink.top, 8);
    bool rowInk = false;
    for (int x = 0; x < 40; ++x) rowInk |= canvas.bits[(39 - ink.top) * 40 + x] != 0;
    EXPECT_TRUE(rowInk);
    // Text hanging off every edge is cut, not written outside the section.
    EXPECT_TRUE(ExtTextOutA(canvas.dc, -10, -10, 0, nullptr, "WWW", 3, nullptr));
    EXPECT_TRUE(ExtTextOutA(canvas.dc, 30, 30, 0, nullptr, "WWW", 3, nullptr));
    DeleteObject(font);
}

TEST(GdiText, ClippedOutputStaysInsideItsRectangle) {
    Canvas canvas(120, 80);
    HFONT font = MakeFont(32, FW_BOLD);
    SelectObject(canvas.dc, font);
    WhiteOnBlack(canvas.dc);
    // "WAW" overhangs a rectangle narrower than its cell on every side.
    RECT clip = {20, 20, 60, 40};
    ExtTextOutA(canvas.dc, 10, 10, ETO_OPAQUE | ETO_CLIPPED, &clip, "WAW", 3, nullptr);
    Canvas::Box ink = canvas.Ink();
    ASSERT_GT(ink.count, 0);
    EXPECT_GE(ink.left, 20);
    EXPECT_GE(ink.top, 20);
    EXPECT_LE(ink.right, 60);
    EXPECT_LE(ink.bottom, 40);
    DeleteObject(font);
}

TEST(GdiText, OpaqueBackgroundFillsTheCellAndTheGivenRectangle) {
    Canvas canvas(64, 64);
    std::fill(canvas.bits, canvas.bits + 64 * 64, 0x123456u);
    HFONT font = MakeFont(12, FW_NORMAL);
    SelectObject(canvas.dc, font);
    SetTextColor(canvas.dc, RGB(255, 255, 255));
    SetBkColor(canvas.dc, RGB(255, 0, 0));  // DIB pixel 0x00FF0000
    SIZE cell{};
    GetTextExtentPoint32A(canvas.dc, ".", 1, &cell);
    ExtTextOutA(canvas.dc, 5, 7, ETO_OPAQUE, nullptr, ".", 1, nullptr);
    int background = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            bool inCell = x >= 5 && x < 5 + cell.cx && y >= 7 && y < 7 + cell.cy;
            uint32_t p = canvas.At(x, y);
            if (!inCell) ASSERT_EQ(p, 0x123456u) << x << "," << y;
            else if (p == 0xFF0000u) background++;
            else ASSERT_EQ(p & 0xFF0000u, 0xFF0000u);  // white over red keeps full red
        }
    EXPECT_GT(background, cell.cx * cell.cy / 2);

    RECT all = {0, 0, 64, 64};
    ExtTextOutA(canvas.dc, 5, 7, ETO_OPAQUE, &all, "", 0, nullptr);
    EXPECT_EQ(canvas.Ink(0xFF0000u).count, 0);
    DeleteObject(font);
}

TEST(GdiText, BoldRequestsMatchABoldSansFace) {
    // "Arial Black" is not installed: the bold request must still come out heavier.
    HFONT bold = MakeFont(24, FW_BOLD);
    HFONT regular = MakeFont(24, FW_NORMAL);
    ASSERT_NE(bold, nullptr);
    ASSERT_NE(regular, nullptr);
    auto inkOf = [](HFONT font, const char* text, SIZE* extent) {
        Canvas canvas(200, 60);
        SelectObject(canvas.dc, font);
        WhiteOnBlack(canvas.dc);
        GetTextExtentPoint32A(canvas.dc, text, int(std::strlen(text)), extent);
        ExtTextOutA(canvas.dc, 2, 2, ETO_OPAQUE, nullptr, text, UINT(std::strlen(text)), nullptr);
        long sum = 0;
        for (int i = 0; i < 200 * 60; ++i) sum += canvas.bits[i] & 0xFF;
        return sum;
    };
    SIZE boldSize{}, regularSize{};
    long boldInk = inkOf(bold, "IIII", &boldSize);
    long regularInk = inkOf(regular, "IIII", &regularSize);
    EXPECT_GT(boldInk, regularInk * 13 / 10);
    EXPECT_GE(boldSize.cx, regularSize.cx);
    DeleteObject(bold);
    DeleteObject(regular);
}

TEST(GdiText, NonAntialiasedQualityWritesOnlyTextOrBackground) {
    Canvas canvas(64, 64);
    HFONT font = MakeFont(20, FW_BOLD, NONANTIALIASED_QUALITY);
    SelectObject(canvas.dc, font);
    WhiteOnBlack(canvas.dc);
    ExtTextOutA(canvas.dc, 4, 4, ETO_OPAQUE, nullptr, "AO", 2, nullptr);
    Canvas::Box ink = canvas.Ink();
    EXPECT_GT(ink.count, 0);
    for (int i = 0; i < 64 * 64; ++i) ASSERT_TRUE(canvas.bits[i] == 0 || canvas.bits[i] == 0xFFFFFFu);
    DeleteObject(font);
}

}  // namespace
