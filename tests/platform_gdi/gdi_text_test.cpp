// GDI stand-in: DIB sections, font matching, text extents and text output, as the font and cursor use them.
#include <gtest/gtest.h>
#include <wingdi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

BITMAPINFO Info(int w, int h, WORD bits = 32) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A memory DC holding a top-down 32-bit DIB section, white text on black.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    uint32_t* bits = nullptr;
    int width, height;
    HFONT font = nullptr;

    Canvas(int w, int h, HFONT f = nullptr) : width(w), height(h), font(f) {
        dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info = Info(w, -h);
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint32_t*>(p);
        SelectObject(dc, bitmap);
        SetMapMode(dc, MM_TEXT);
        if (font) SelectObject(dc, font);
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, 0);
        SetTextAlign(dc, TA_TOP | TA_LEFT);
    }
    ~Canvas() {
        DeleteObject(bitmap);
        DeleteDC(dc);
        if (font) DeleteObject(font);
    }
    uint32_t At(int x, int y) const { return bits[y * width + x]; }
    void Text(int x, int y, const char* s, UINT flags = ETO_OPAQUE, const RECT* r = nullptr) {
        ExtTextOutA(dc, x, y, flags, r, s, UINT(std::strlen(s)), nullptr);
    }

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

HFONT MakeFont(int points, int weight) {
    HDC dc = CreateCompatibleDC(nullptr);
    int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    DeleteDC(dc);
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, "Arial Black");
}

TEST(GdiMulDiv, RoundsHalfAwayFromZeroAndReportsErrors) {
    EXPECT_EQ(MulDiv(32, 96, 72), 43);
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
}

TEST(GdiDib, RefusesBadSectionsAndReadsRowsBackInEitherOrder) {
    for (BITMAPINFO bad : {Info(4, -4, 24), Info(0, -4)}) {
        void* bits = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
        EXPECT_EQ(bits, nullptr);
    }
    Canvas canvas(3, 2);
    EXPECT_EQ(canvas.bits[4], 0u);  // created zeroed
    canvas.bits[0] = 0x00112233;  // top-left
    canvas.bits[5] = 0x00AABBCC;  // bottom-right
    BITMAPINFO info = Info(3, 2);  // bottom-up rows: the bottom row comes first
    uint32_t rows[6] = {};
    EXPECT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 2, rows, &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(rows[2], 0x00AABBCCu);
    EXPECT_EQ(rows[3], 0x00112233u);
}

// Deleting a selected object defers until the DC lets it go; drawing still works.
TEST(GdiObjects, DeletionWaitsForTheDC) {
    Canvas canvas(8, 8);
    HFONT font = MakeFont(12, FW_NORMAL);
    HGDIOBJ old = SelectObject(canvas.dc, font);
    EXPECT_NE(old, nullptr);
    EXPECT_TRUE(DeleteObject(font));
    SIZE size{0, 0};
    EXPECT_TRUE(GetTextExtentPoint32A(canvas.dc, "A", 1, &size));
    EXPECT_GT(size.cx, 0);
    SelectObject(canvas.dc, old);  // frees the font now
    EXPECT_FALSE(DeleteObject(font));
}

TEST(GdiText, ExtentsAddUpPerCharacterAndCoverTheCell) {
    Canvas canvas(64, 64, MakeFont(32, FW_BOLD));
    SIZE a{}, aa{}, space{}, none{};
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "A", 1, &a));
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "AA", 2, &aa));
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, " ", 1, &space));
    ASSERT_TRUE(GetTextExtentPoint32A(canvas.dc, "", 0, &none));
    EXPECT_EQ(aa.cx, 2 * a.cx);
    EXPECT_TRUE(space.cx > 0 && space.cx < a.cx && none.cx == 0);
    EXPECT_TRUE(a.cy >= 43 && a.cy < 86);  // ascent plus descent: at least the 43-pixel em
    EXPECT_FALSE(GetTextExtentPoint32A(canvas.dc, nullptr, 1, &a));
}

TEST(GdiText, GlyphLandsInsideItsCellAsGreyCoverage) {
    Canvas canvas(160, 96, MakeFont(24, FW_BOLD));
    SIZE cell{};
    GetTextExtentPoint32A(canvas.dc, "H", 1, &cell);
    canvas.Text(20, 10, "H");
    Canvas::Box first = canvas.Ink();
    ASSERT_GT(first.count, 20);
    EXPECT_TRUE(first.left >= 20 && first.right <= 20 + cell.cx && first.top >= 10 && first.bottom <= 10 + cell.cy);
    // Grey levels only, full white in the stems, partial at the edges, top byte 0.
    bool full = false, partial = false;
    for (int i = 0; i < 160 * 96; ++i) {
        uint32_t p = canvas.bits[i], b = p & 0xFF;
        ASSERT_EQ(p, b | (b << 8) | (b << 16));
        full |= b == 0xFF;
        partial |= b > 0 && b < 0xFF;
    }
    EXPECT_TRUE(full && partial);
    // The same glyph drawn elsewhere is the same picture moved by exactly the offset.
    std::fill(canvas.bits, canvas.bits + 160 * 96, 0u);
    canvas.Text(90, 40, "H");
    Canvas::Box second = canvas.Ink();
    EXPECT_EQ(second.left - first.left, 70);
    EXPECT_EQ(second.top - first.top, 30);
    EXPECT_EQ(second.count, first.count);
}

TEST(GdiText, ClippingStaysInsideTheRectangleAndTheTarget) {
    Canvas canvas(120, 80, MakeFont(32, FW_BOLD));
    // Text hanging off every edge is cut, not written outside the section.
    EXPECT_TRUE(ExtTextOutA(canvas.dc, -10, -10, 0, nullptr, "WWW", 3, nullptr));
    EXPECT_TRUE(ExtTextOutA(canvas.dc, 100, 60, 0, nullptr, "WWW", 3, nullptr));
    std::fill(canvas.bits, canvas.bits + 120 * 80, 0u);
    // "WAW" overhangs a rectangle narrower than its cell on every side.
    RECT clip = {20, 20, 60, 40};
    canvas.Text(10, 10, "WAW", ETO_OPAQUE | ETO_CLIPPED, &clip);
    Canvas::Box ink = canvas.Ink();
    ASSERT_GT(ink.count, 0);
    EXPECT_TRUE(ink.left >= 20 && ink.top >= 20 && ink.right <= 60 && ink.bottom <= 40);
}

TEST(GdiText, BoldRequestsMatchABoldSansFace) {
    // "Arial Black" is not installed: the bold request must still come out heavier.
    auto inkOf = [](int weight, SIZE* extent) {
        Canvas canvas(200, 60, MakeFont(24, weight));
        GetTextExtentPoint32A(canvas.dc, "IIII", 4, extent);
        canvas.Text(2, 2, "IIII");
        long sum = 0;
        for (int i = 0; i < 200 * 60; ++i) sum += canvas.bits[i] & 0xFF;
        return sum;
    };
    SIZE boldSize{}, regularSize{};
    long boldInk = inkOf(FW_BOLD, &boldSize), regularInk = inkOf(FW_NORMAL, &regularSize);
    EXPECT_GT(boldInk, regularInk * 13 / 10);
    EXPECT_GE(boldSize.cx, regularSize.cx);
}

}  // namespace
