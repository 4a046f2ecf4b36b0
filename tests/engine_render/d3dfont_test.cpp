// The bitmap font against the recording device: device objects and text quads.
#include <cstring>

#include "d3dfont.h"
#include "render_test_support.h"

namespace quiltest {
namespace {

class FontTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        GetRenderer()->RestoreDeviceObjects();  // screen scale 1 on 640x480
        ASSERT_EQ(font.InitDeviceObjects(&device), S_OK);
    }
    // The quads of every draw: each as its corners, texture coordinates and colour.
    struct Quad { float left, top, right, bottom, u1, v1; D3DCOLOR colour; };
    std::vector<Quad> Quads() const {
        std::vector<Quad> quads;
        for (const auto& draw : device.draws) {
            const auto* v = reinterpret_cast<const ScreenVertex*>(draw.vertices.data());
            for (size_t i = 0; i + 6 <= draw.vertices.size() / sizeof(ScreenVertex); i += 6)
                quads.push_back({v[i + 1].x, v[i + 1].y, v[i + 2].x, v[i + 2].y, v[i + 1].u, v[i + 1].v, v[i].colour});
        }
        return quads;
    }
    void Ready() {
        ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
        device.Clear();
    }
    D3DFont font{"Arial Black", 32, D3DFONT_BOLD};
};

TEST_F(FontTest, RestoreRecordsTwoStateBlocksASecondInvalidateIsANoOpAndFailuresReport) {
    device.Clear();
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
    EXPECT_EQ(device.Matching(RS(D3DRS_ZENABLE, FALSE)).size(), 2u);

    const int live = device.liveResources;
    font.InvalidateDeviceObjects();
    font.InvalidateDeviceObjects();  // as after a device loss
    EXPECT_EQ(device.liveResources, live - 1);
    EXPECT_EQ(device.liveStateBlocks, 0);
    EXPECT_EQ(font.DrawText(0, 0, 0xFFFFFFFF, "A"), E_FAIL);  // no vertex buffer until restored
    EXPECT_EQ(D3DFont("Arial Black", 32).DrawText(0, 0, 0, "A"), E_FAIL);  // no device

    device.createTextureResult = E_OUTOFMEMORY;
    D3DFont failing("Arial Black", 32, 0);
    EXPECT_EQ(failing.InitDeviceObjects(&device), E_OUTOFMEMORY);
}

// Characters outside the glyph set: lower case draws blank quads, spaces and
// new lines only move the pen, control characters and high bytes do nothing.
TEST_F(FontTest, CharactersOutsideTheGlyphSet) {
    Ready();
    const float* blank = font.GetGlyphCoords(0);
    const float spaceW = (blank[2] - blank[0]) * 512, spaceH = (blank[3] - blank[1]) * 256;
    struct Case { const char* text; size_t quads; float lastLeft, lastTop; };
    const Case cases[] = {
        {"ab c", 3, -0.5f + 3 * spaceW, -0.5f},
        {"\t\x01\x80\xE9" "a", 1, -0.5f, -0.5f},
        {"a\na", 2, -0.5f, -0.5f + spaceH},  // unscaled space height, even at scale 0.3
    };
    for (const Case& c : cases) {
        device.draws.clear();
        font.DrawText(0, 0, 0xFFFFFFFF, c.text, std::strchr(c.text, '\n') ? 0.3f : 1.0f);
        const auto quads = Quads();
        ASSERT_EQ(quads.size(), c.quads) << c.text;
        EXPECT_FLOAT_EQ(quads.back().left, c.lastLeft) << c.text;
        EXPECT_FLOAT_EQ(quads.back().top, c.lastTop) << c.text;
        EXPECT_EQ(quads.back().u1, blank[0]) << c.text;
    }
}

TEST_F(FontTest, LongTextIsDrawnInBatchesOfFiftyQuadsThatMatchOneLine) {
    Ready();
    font.DrawText(0, 0, 0xFFFFFFFF, std::string(120, 'X').c_str(), 0.1f);
    EXPECT_EQ(device.Matching("Draw "), (Lines{"Draw 4 0 100", "Draw 4 0 100", "Draw 4 0 40"}));
    EXPECT_EQ(device.Matching("VB.Lock").size(), 3u);
    const auto quads = Quads();
    ASSERT_EQ(quads.size(), 120u);
    for (size_t i = 1; i < quads.size(); ++i) {
        EXPECT_FLOAT_EQ(quads[i].left, quads[i - 1].right);
        EXPECT_EQ(quads[i].top, quads[0].top);
    }
}

}  // namespace
}  // namespace quiltest
