// The title screen drawn by the real device from the default asset set: the
// letterbox bars, the title, the backdrop and the menu and overlay texts.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <cstdlib>

#include "assets.h"
#include "engine_binding.h"
#include "frontend_test_support.h"
#include "gameengine.h"
#include "offscreen_device.h"
#include "renderdevice.h"
#include "renderer.h"

namespace {

using quil_automation::RgbaImage;

uint32_t R(uint32_t c) { return (c >> 16) & 0xFF; }
uint32_t G(uint32_t c) { return (c >> 8) & 0xFF; }
uint32_t B(uint32_t c) { return c & 0xFF; }

// Pixels in the rectangle for which the test holds.
template <typename Test>
int Count(const RgbaImage& image, int x0, int y0, int x1, int y1, Test test) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (test(image.At(x, y))) ++n;
    return n;
}

class TitleScreenRender : public quiltest::OffscreenDeviceTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.Made());
        mkassets::WriteFrontEnd(scratch.Path());
        mkassets::WriteCharacters(scratch.Path());
        mkassets::WriteAtlases(scratch.Path());
        Open(640, 480);
        engine = std::make_unique<quiltest::EngineBinding>(device);
        ASSERT_TRUE(engine->FontReady());
        saved = g_pCurrentCamera;
        camera.MakeCurrent();
        frontend_test::ReleaseKeys();
        frontend_test::StartScene(host, scene);
    }
    void TearDown() override {
        frontend_test::StopScene(host, scene);
        g_pCurrentCamera = saved;
        engine.reset();
        OffscreenDeviceTest::TearDown();
    }
    RgbaImage Draw() {
        GetRenderer()->Render();
        return Frame();
    }

    quiltest::ScratchFolder scratch{"title", false};
    std::unique_ptr<quiltest::EngineBinding> engine;
    Camera camera;
    Camera* saved = nullptr;
    frontend_test::RecordingHost host;
    FrontEndScene scene;
};

// Relative luminance of an sRGB colour (0 black to 1 white).
double Luminance(uint32_t c) {
    auto lin = [](uint32_t v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(R(c)) + 0.7152 * lin(G(c)) + 0.0722 * lin(B(c));
}
int Distance(uint32_t a, uint32_t b) {
    return std::abs(int(R(a)) - int(R(b))) + std::abs(int(G(a)) - int(G(b))) + std::abs(int(B(a)) - int(B(b)));
}

// A text line of the title screen and how well it stands out from what lies
// behind it: the luminance ratio of its colour to the mean of the pixels in
// its box that are far from that colour, and how many of its own pixels show.
struct LineContrast {
    double ratio;
    int textPixels;
    int colourGap;  // mean distance in RGB between the text colour and the background
};
LineContrast Measure(const RgbaImage& image, int x, int y, int width, int height, uint32_t colour) {
    double background = 0.0;
    long gap = 0;
    int n = 0, text = 0;
    for (int py = y; py < y + height; ++py)
        for (int px = x; px < x + width; ++px) {
            const uint32_t c = image.At(px, py);
            const int d = Distance(c, colour);
            if (d < 60) ++text;
            if (d < 150) continue;
            background += Luminance(c);
            gap += d;
            ++n;
        }
    background = n ? background / n : 1.0;
    return {(Luminance(colour) + 0.05) / (background + 0.05), text, n ? int(gap / n) : 0};
}

TEST_F(TitleScreenRender, TheTitleScreenShowsBarsTitleBackdropAndReadableTexts) {
    host.hiscore = 1250;
    scene.Activate();
    // Two seconds of frames: the overlay lines are opaque by then.
    for (int i = 0; i < 33; ++i) GetGameEngine()->Update(0.0625f);
    g_fTotalTime = 3.14159265f / 8.0f;  // the selected item at its brightest red
    scene.UpdatePulseColour();
    RgbaImage image = Draw();
    ASSERT_EQ(image.width, 640);

    // The top and bottom bars (deep red cloth) across the whole width.
    const auto barRed = [](uint32_t c) { return R(c) > G(c) + 15 && R(c) > B(c) + 10 && R(c) < 140; };
    EXPECT_GT(Count(image, 0, 40, 640, 60, barRed), 640 * 20 * 3 / 4);
    EXPECT_GT(Count(image, 0, 400, 60, 420, barRed), 60 * 20 * 3 / 4);
    // Between the bars the backdrop: sky and snow, nothing like the bars' red.
    EXPECT_GT(Count(image, 300, 100, 640, 380, [](uint32_t c) { return B(c) >= R(c) || G(c) > 150; }), 340 * 280 / 2);
    // The title tiles differ from the bar behind them where they overlap it.
    EXPECT_GT(Count(image, 100, 30, 540, 78, [&](uint32_t c) { return !barRed(c); }), 500);

    // Every line stays readable while the snow falls across it: the menu items
    // (START GAME selected, pulsing red), the hiscore and the two credit lines.
    const struct { int x, y, width, height; uint32_t colour; const char* text; } lines[] = {
        {100, 180, 180, 20, 0xFFFF3F3F, "START GAME"}, {100, 210, 130, 20, 0xFFFFFFFF, "OPTIONS"},
        {100, 240, 215, 20, 0xFFFFFFFF, "INSTRUCTIONS"}, {100, 270, 70, 20, 0xFFFFFFFF, "QUIT"},
        {205, 395, 210, 12, 0xFFC8C8C8, "hiscore"},      {80, 425, 365, 10, 0xFF646464, "first credit"},
        {225, 440, 285, 10, 0xFF646464, "second credit"},
    };
    for (int frame = 0; frame < 6; ++frame) {
        for (const auto& l : lines) {
            const LineContrast c = Measure(image, l.x, l.y, l.width, l.height, l.colour);
            EXPECT_GT(c.textPixels, l.width * l.height / 10) << l.text << " in frame " << frame;
            if (l.colour == 0xFFFF3F3F) EXPECT_GT(c.colourGap, 250) << l.text << " in frame " << frame;
            else EXPECT_GT(c.ratio, 3.0) << l.text << " in frame " << frame;
        }
        for (int i = 0; i < 8; ++i) GetGameEngine()->Update(0.0625f);  // half a second of snow
        g_fTotalTime = 3.14159265f / 8.0f;
        scene.UpdatePulseColour();
        image = Draw();
    }
}

}  // namespace
