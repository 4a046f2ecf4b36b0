// GDI stand-in: DIB sections, deferred deletion and clipped text output, as the font and cursor use them
// (the glyphs themselves are checked by the font's reference images).
#include <gtest/gtest.h>
#include <wingdi.h>

#include <algorithm>
#include <cstdint>

namespace {

BITMAPINFO Info(int w, int h, WORD bits = 32) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, bits, BI_RGB, 0, 0, 0, 0, 0};
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
        if (font) SelectObject(dc, font);
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, 0);
    }
    ~Canvas() {
        DeleteObject(bitmap);
        DeleteDC(dc);
        if (font) DeleteObject(font);
    }

    struct Box { int left, top, right, bottom, count; };
    // Bounding box of the pixels that are not black.
    Box Ink() const {
        Box b{width, height, -1, -1, 0};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (bits[y * width + x] != 0) {
                    b.left = std::min(b.left, x); b.top = std::min(b.top, y);
                    b.right = std::max(b.right, x + 1); b.bottom = std::max(b.bottom, y + 1);
                    b.count++;
                }
        return b;
    }
};

HFONT MakeFont(int pixels, int weight) {
    return CreateFontA(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, "Arial Black");
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
    HFONT font = MakeFont(16, FW_NORMAL);
    HGDIOBJ old = SelectObject(canvas.dc, font);
    EXPECT_NE(old, nullptr);
    EXPECT_TRUE(DeleteObject(font));
    SIZE size{0, 0};
    EXPECT_TRUE(GetTextExtentPoint32A(canvas.dc, "A", 1, &size));
    EXPECT_GT(size.cx, 0);
    SelectObject(canvas.dc, old);  // frees the font now
    EXPECT_FALSE(DeleteObject(font));
}

TEST(GdiText, ClippingStaysInsideTheRectangleAndTheTarget) {
    Canvas canvas(120, 80, MakeFont(43, FW_BOLD));
    // Text hanging off every edge is cut, not written outside the section.
    EXPECT_TRUE(ExtTextOutA(canvas.dc, -10, -10, 0, nullptr, "WWW", 3, nullptr));
    EXPECT_TRUE(ExtTextOutA(canvas.dc, 100, 60, 0, nullptr, "WWW", 3, nullptr));
    std::fill(canvas.bits, canvas.bits + 120 * 80, 0u);
    // "WAW" overhangs a rectangle narrower than its cell on every side.
    RECT clip = {20, 20, 60, 40};
    ExtTextOutA(canvas.dc, 10, 10, ETO_OPAQUE | ETO_CLIPPED, &clip, "WAW", 3, nullptr);
    Canvas::Box ink = canvas.Ink();
    ASSERT_GT(ink.count, 0);
    EXPECT_TRUE(ink.left >= 20 && ink.top >= 20 && ink.right <= 60 && ink.bottom <= 40);
}

}  // namespace
