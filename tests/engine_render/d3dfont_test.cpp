// The bitmap font against the recording device: glyph texture, state blocks and text quads.
#include <algorithm>
#include <cstring>

#include "d3dfont.h"
#include "render_test_support.h"

namespace quiltest {
namespace {

using Lines = std::vector<std::string>;

class FontTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        // Screen scale 1 on a 640x480 back buffer.
        GetRenderer()->RestoreDeviceObjects();
    }
    // The quads of every draw since mark: each quad as its left, top, right, bottom.
    struct Quad { float left, top, right, bottom, u1, v1, u2, v2; D3DCOLOR colour; };
    std::vector<Quad> Quads(size_t firstDraw = 0) const {
        std::vector<Quad> quads;
        for (size_t d = firstDraw; d < device.draws.size(); ++d) {
            const auto& draw = device.draws[d];
            const auto* v = reinterpret_cast<const ScreenVertex*>(draw.vertices.data());
            for (size_t i = 0; i + 6 <= draw.vertices.size() / sizeof(ScreenVertex); i += 6)
                quads.push_back({v[i + 1].x, v[i + 1].y, v[i + 2].x, v[i + 2].y, v[i + 1].u, v[i + 1].v, v[i + 2].u,
                                 v[i + 2].v, v[i].colour});
        }
        return quads;
    }
    void Ready(D3DFont& font) {
        ASSERT_EQ(font.InitDeviceObjects(&device), S_OK);
        ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
        device.Clear();
    }
};

TEST_F(FontTest, GlyphTextureSizeFollowsTheHeightAndTheDeviceLimit) {
    D3DFont small("Arial Black", 12, D3DFONT_BOLD), mid("Arial Black", 32, D3DFONT_BOLD),
        large("Arial Black", 81, D3DFONT_BOLD);
    ASSERT_EQ(small.InitDeviceObjects(&device), S_OK);
    ASSERT_EQ(mid.InitDeviceObjects(&device), S_OK);
    ASSERT_EQ(large.InitDeviceObjects(&device), S_OK);
    EXPECT_EQ(device.Matching("CreateTexture"),
              (Lines{"CreateTexture 256 128 1 0 26 1", "CreateTexture 512 256 1 0 26 1", "CreateTexture 1024 512 1 0 26 1"}));
    EXPECT_EQ(mid.GetTextScale(), 1.0f);

    // A device limited to 256 texels: square texture, glyphs drawn at half the height.
    device.caps.MaxTextureWidth = 256;
    D3DFont limited("Arial Black", 32, D3DFONT_BOLD);
    ASSERT_EQ(limited.InitDeviceObjects(&device), S_OK);
    EXPECT_EQ(limited.GetTextureWidth(), 256u);
    EXPECT_EQ(limited.GetTextureHeight(), 256u);
    EXPECT_EQ(limited.GetTextScale(), 0.5f);
    auto glyphHeight = [](const D3DFont& f) {
        const float* t = f.GetGlyphCoords(f.GetGlyph('A'));
        return (t[3] - t[1]) * float(f.GetTextureHeight());
    };
    EXPECT_NEAR(glyphHeight(limited), glyphHeight(mid) / 2, 2.0f);

    device.createTextureResult = E_OUTOFMEMORY;
    D3DFont failing("Arial Black", 32, 0);
    EXPECT_EQ(failing.InitDeviceObjects(&device), E_OUTOFMEMORY);
}

TEST_F(FontTest, CharacterMapKnowsOnly44Glyphs) {
    D3DFont font("Arial Black", 32, D3DFONT_BOLD);
    ASSERT_EQ(font.InitDeviceObjects(&device), S_OK);
    EXPECT_EQ(font.GetGlyph(' '), 1);
    EXPECT_EQ(font.GetGlyph('.'), 2);
    EXPECT_EQ(font.GetGlyph(')'), 7);
    EXPECT_EQ(font.GetGlyph('0'), 8);
    EXPECT_EQ(font.GetGlyph('9'), 17);
    EXPECT_EQ(font.GetGlyph('A'), 18);
    EXPECT_EQ(font.GetGlyph('Z'), 43);
    for (int c : {int('a'), int('z'), int('!'), int('?'), 0x80, 0xFF, 0}) EXPECT_EQ(font.GetGlyph((unsigned char)c), 0) << c;
}

TEST_F(FontTest, GlyphsAreLaidOutInRowsOneTexelApartWithWhiteAlphaTexels) {
    D3DFont font("Arial Black", 32, D3DFONT_BOLD);
    ASSERT_EQ(font.InitDeviceObjects(&device), S_OK);
    const float W = float(font.GetTextureWidth()), H = float(font.GetTextureHeight());
    int rows = 1;
    for (int g = 1; g < D3DFont::NUM_GLYPHS; ++g) {
        const float* prev = font.GetGlyphCoords(g - 1);
        const float* cur = font.GetGlyphCoords(g);
        EXPECT_LE(cur[2], 1.0f);
        EXPECT_LE(cur[3], 1.0f);
        if (cur[1] == prev[1]) {
            EXPECT_FLOAT_EQ((cur[0] - prev[2]) * W, 1.0f) << g;  // one texel gap
        } else {
            ++rows;
            EXPECT_EQ(cur[0], 0.0f);
            EXPECT_FLOAT_EQ((cur[1] - prev[3]) * H, 1.0f) << g;  // next row, one texel below
            EXPECT_GT((prev[2] * W) + (cur[2] - cur[0]) * W + 1, W);  // it did not fit
        }
    }
    EXPECT_GE(rows, 2);

    // Texels are transparent or white with 4-bit alpha; a letter has solid texels.
    auto* texture = static_cast<FakeTexture*>(font.GetTexture());
    const float* a = font.GetGlyphCoords(font.GetGlyph('A'));
    int solid = 0;
    for (int y = int(a[1] * H); y < int(a[3] * H); ++y)
        for (int x = int(a[0] * W); x < int(a[2] * W); ++x) {
            uint32_t t = texture->Texel(x, y);
            ASSERT_TRUE(t == 0 || (t & 0x0FFF) == 0x0FFF) << std::hex << t;
            solid += (t >> 12) == 0xF;
        }
    EXPECT_GT(solid, 50);
    // The gap column right of the glyph stays empty.
    const int gap = int(a[2] * W);
    for (int y = int(a[1] * H); y < int(a[3] * H); ++y) EXPECT_EQ(texture->Texel(gap, y), 0u);
}

TEST_F(FontTest, RestoreRecordsTwoIdenticalStateBlocksAndInvalidateIsIdempotent) {
    D3DFont font("Arial Black", 32, D3DFONT_BOLD);
    ASSERT_EQ(font.InitDeviceObjects(&device), S_OK);
    device.Clear();
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
    EXPECT_EQ(device.log.front(), "CreateVB 8400 520 0 0");
    const Lines block = {"BeginStateBlock",
                         "SetTexture 0 tex",
                         RS(D3DRS_ZENABLE, FALSE),
                         RS(D3DRS_ALPHABLENDENABLE, TRUE),
                         RS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
                         RS(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
                         RS(D3DRS_ALPHATESTENABLE, TRUE),
                         RS(D3DRS_ALPHAREF, 8),
                         RS(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL),
                         TSS(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
                         TSS(0, D3DTSS_COLORARG1, D3DTA_TEXTURE),
                         TSS(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE),
                         TSS(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
                         TSS(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE),
                         TSS(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE),
                         TSS(0, D3DTSS_TEXCOORDINDEX, 0),
                         TSS(1, D3DTSS_COLOROP, D3DTOP_DISABLE)};
    Lines expected = {"CreateVB 8400 520 0 0"};
    for (const char* end : {"EndStateBlock 1", "EndStateBlock 2"}) {
        expected.insert(expected.end(), block.begin(), block.end());
        expected.push_back(end);
    }
    EXPECT_EQ(device.log, expected);

    const int live = device.liveResources;
    font.InvalidateDeviceObjects();
    font.InvalidateDeviceObjects();  // as after a device loss: the second call is a no-op
    EXPECT_EQ(device.Matching("DeleteStateBlock"), (Lines{"DeleteStateBlock 1", "DeleteStateBlock 2"}));
    EXPECT_EQ(device.liveResources, live - 1);
    EXPECT_EQ(device.liveStateBlocks, 0);
    EXPECT_EQ(font.DrawText(0, 0, 0xFFFFFFFF, "A"), E_FAIL);  // no vertex buffer until restored

    // With the depth flag the blocks switch depth testing on.
    D3DFont deep("Arial Black", 12, D3DFONT_ZENABLE);
    deep.InitDeviceObjects(&device);
    device.Clear();
    deep.RestoreDeviceObjects();
    EXPECT_EQ(device.Matching(RS(D3DRS_ZENABLE, TRUE)).size(), 2u);
}

TEST_F(FontTest, DrawTextWrapsTheQuadsInTheSavedStates) {
    D3DFont font("Arial Black", 32, D3DFONT_BOLD);
    Ready(font);
    ASSERT_EQ(font.DrawText(10, 20, 0xFF112233, "AB", 1.0f, 0), S_OK);
    EXPECT_EQ(device.log, (Lines{"CaptureStateBlock 1", "ApplyStateBlock 2", "VertexShader 324", "Stream 0 vb 28",
                                 "VB.Lock 0 0 8192", "VB.Unlock", "Draw 4 0 4", "ApplyStateBlock 1"}));
    const auto quads = Quads();
    ASSERT_EQ(quads.size(), 2u);
    const float* a = font.GetGlyphCoords(font.GetGlyph('A'));
    const float aw = (a[2] - a[0]) * 512, ah = (a[3] - a[1]) * 256;
    EXPECT_FLOAT_EQ(quads[0].left, 9.5f);
    EXPECT_FLOAT_EQ(quads[0].top, 19.5f);
    EXPECT_FLOAT_EQ(quads[0].right, 9.5f + aw);
    EXPECT_FLOAT_EQ(quads[0].bottom, 19.5f + ah);
    EXPECT_FLOAT_EQ(quads[1].left, 9.5f + aw);  // the next letter starts where A ends
    EXPECT_EQ(quads[0].u1, a[0]);
    EXPECT_EQ(quads[0].v2, a[3]);
    EXPECT_EQ(quads[1].colour, 0xFF112233u);
    const auto* v = reinterpret_cast<const ScreenVertex*>(device.draws[0].vertices.data());
    EXPECT_FLOAT_EQ(v[0].z, 0.9f);
    EXPECT_FLOAT_EQ(v[0].rhw, 1.0f);

    EXPECT_EQ(D3DFont("Arial Black", 32).DrawText(0, 0, 0, "A"), E_FAIL);  // no device
}

TEST_F(FontTest, LowerCaseDrawsBlankQuadsAndSpacesOnlyAdvance) {
    D3DFont font("Arial Black", 32, D3DFONT_BOLD);
    Ready(font);
    font.DrawText(0, 0, 0xFFFFFFFF, "ab c", 1.0f);
    const auto quads = Quads();
    ASSERT_EQ(quads.size(), 3u);  // a, b and c; the space costs no vertices
    const float* blank = font.GetGlyphCoords(0);
    const float spaceWidth = (blank[2] - blank[0]) * 512;
    for (const auto& q : quads) {
        EXPECT_EQ(q.u1, blank[0]);
        EXPECT_EQ(q.v1, blank[1]);
        EXPECT_FLOAT_EQ(q.right - q.left, spaceWidth);
    }
    EXPECT_FLOAT_EQ(quads[2].left, -0.5f + 3 * spaceWidth);
}

TEST_F(FontTest, ControlCharactersAndHighBytesNeitherDrawNorAdvance) {
    D3DFont font("Arial Black", 32, D3DFONT_BOLD);
    Ready(font);
    font.DrawText(0, 0, 0xFFFFFFFF, "A\t\x01\x80\xE9" "B");
    const auto quads = Quads();
    ASSERT_EQ(quads.size(), 2u);
    EXPECT_FLOAT_EQ(quads[1].left, quads[0].right);
}

TEST_F(FontTest, NewLineReturnsToTheStartAndMovesDownByTheUnscaledSpaceHeight) {
    D3DFont font("Arial Black", 32, D3DFONT_BOLD);
    Ready(font);
    font.DrawText(100, 50, 0xFFFFFFFF, "AB\nC", 0.3f);
    const auto quads = Quads();
    ASSERT_EQ(quads.size(), 3u);
    const float* blank = font.GetGlyphCoords(0);
    EXPECT_FLOAT_EQ(quads[2].left, 99.5f);
    EXPECT_FLOAT_EQ(quads[2].top, 49.5f + (blank[3] - blank[1]) * 256);
}

TEST_F(FontTest, ScreenScaleAndScaleArgumentSizeTheQuads) {
    device.backBuffer.Width = 1280;
    device.backBuffer.Height = 960;
    Rebind();
    GetRenderer()->RestoreDeviceObjects();
    D3DFont font("Arial Black", 32, D3DFONT_BOLD);
    Ready(font);
    font.DrawText(10, 10, 0xFFFFFFFF, "W", 0.5f);
    const auto quads = Quads();
    ASSERT_EQ(quads.size(), 1u);
    const float* w = font.GetGlyphCoords(font.GetGlyph('W'));
    EXPECT_FLOAT_EQ(quads[0].left, 19.5f);
    EXPECT_FLOAT_EQ(quads[0].right - quads[0].left, (w[2] - w[0]) * 512 * 0.5f * 2.0f);
    EXPECT_FLOAT_EQ(quads[0].bottom - quads[0].top, (w[3] - w[1]) * 256 * 0.5f * 2.0f);
    device.backBuffer.Width = 640;
    device.backBuffer.Height = 480;
    Rebind();
    GetRenderer()->RestoreDeviceObjects();
}

TEST_F(FontTest, LongTextIsDrawnInBatchesOfFiftyQuadsThatMatchOneLine) {
    D3DFont font("Arial Black", 32, D3DFONT_BOLD);
    Ready(font);
    std::string text(120, 'X');
    font.DrawText(0, 0, 0xFFFFFFFF, text.c_str(), 0.1f);
    EXPECT_EQ(device.Matching("Draw "), (Lines{"Draw 4 0 100", "Draw 4 0 100", "Draw 4 0 40"}));
    EXPECT_EQ(device.Matching("VB.Lock").size(), 3u);
    EXPECT_EQ(device.Matching("VB.Lock").back(), "VB.Lock 0 0 8192");
    const auto quads = Quads();
    ASSERT_EQ(quads.size(), 120u);
    for (size_t i = 1; i < quads.size(); ++i) {
        EXPECT_FLOAT_EQ(quads[i].left, quads[i - 1].right);
        EXPECT_EQ(quads[i].top, quads[0].top);
    }
}

TEST_F(FontTest, TextExtentIsInTexelsWhateverTheScale) {
    D3DFont font("Arial Black", 32, D3DFONT_BOLD);
    ASSERT_EQ(font.InitDeviceObjects(&device), S_OK);
    SIZE one{}, two{}, lines{};
    ASSERT_EQ(font.GetTextExtent("AB", &one), S_OK);
    ASSERT_EQ(font.GetTextExtent("AB\nABAB", &two), S_OK);
    ASSERT_EQ(font.GetTextExtent("ABAB\nA\n", &lines), S_OK);
    const float* a = font.GetGlyphCoords(font.GetGlyph('A'));
    const float* b = font.GetGlyphCoords(font.GetGlyph('B'));
    EXPECT_EQ(one.cx, LONG((a[2] - a[0]) * 512 + (b[2] - b[0]) * 512));
    EXPECT_EQ(two.cy, 2 * one.cy);
    EXPECT_GE(two.cx, 2 * one.cx - 1);
    EXPECT_EQ(lines.cy, 3 * one.cy);
    EXPECT_EQ(font.GetTextExtent(nullptr, &one), E_FAIL);
}

TEST_F(FontTest, StatisticsLineDrawsWithTheBoundFont) {
    D3DFont font("Arial Black", 32, D3DFONT_BOLD);
    Ready(font);
    RenderDevice_SetFont(&font);
    RenderDevice_SetFrameStats("60.00 FPS");
    Renderer renderer;
    renderer.SetFlags(RENDERER_SHOWSTATS);
    renderer.Render();
    // Two lines: the counters, then the framework's statistics.
    EXPECT_EQ(device.Matching("CaptureStateBlock").size(), 2u);
    const auto quads = Quads();
    ASSERT_FALSE(quads.empty());
    EXPECT_FLOAT_EQ(quads.front().left, 1.5f);  // x 2 minus the half-pixel offset
    EXPECT_EQ(quads.front().colour, 0xFFFFFF00u);
    EXPECT_TRUE(std::any_of(quads.begin(), quads.end(), [](const Quad& q) { return q.top == 15.5f; }));
    RenderDevice_SetFrameStats(nullptr);
}

}  // namespace
}  // namespace quiltest
