// The title screen drawn by the real device from the default asset set: the
// letterbox bars, the title, the backdrop and the menu and overlay texts. The
// frame is written to frontend_title.png in the test's build folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "d3dfont.h"
#include "frontend_test_support.h"
#include "quil_automation_d3d.h"
#include "renderdevice.h"

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

class TitleScreenRender : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        quil_automation::SetHeadless(true);
        m_buildDir = std::filesystem::current_path();
        m_scratch.emplace("title", false);
        ASSERT_TRUE(m_scratch->Made());
        mkassets::WriteFrontEnd(m_scratch->Path());
        mkassets::WriteCharacters(m_scratch->Path());
        mkassets::WriteAtlases(m_scratch->Path());

        ASSERT_EQ(D3D_OK, quil_automation::CreateOffscreenDevice(640, 480, true, &d3d, &device));
        RenderDevice_Bind(device);
        font = new D3DFont("Arial Black", 32, D3DFONT_BOLD);
        ASSERT_EQ(font->InitDeviceObjects(device), S_OK);
        ASSERT_EQ(font->RestoreDeviceObjects(), S_OK);
        RenderDevice_SetFont(font);
        GetRenderer()->RestoreDeviceObjects();
        saved = g_pCurrentCamera;
        camera.MakeCurrent();
        frontend_test::ReleaseKeys();

        frontend_test::StartScene(host, scene);
    }
    void TearDown() override {
        frontend_test::StopScene(host, scene);
        g_pCurrentCamera = saved;
        GetRenderer()->InvalidateDeviceObjects();
        if (font) {
            font->InvalidateDeviceObjects();
            font->DeleteDeviceObjects();
            delete font;
        }
        RenderDevice_SetFont(nullptr);
        RenderDevice_Unbind();
        if (device) device->Release();
        if (d3d) d3d->Release();
        m_scratch.reset();
    }
    RgbaImage Draw() {
        GetRenderer()->Render();
        RgbaImage image;
        EXPECT_TRUE(quil_automation::ReadBackBuffer(device, &image));
        return image;
    }

    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    D3DFont* font = nullptr;
    Camera camera;
    Camera* saved = nullptr;
    frontend_test::RecordingHost host;
    FrontEndScene scene;
    std::filesystem::path m_buildDir;
    std::optional<quiltest::ScratchFolder> m_scratch;
};

TEST_F(TitleScreenRender, TheTitleScreenShowsBarsTitleBackdropAndTexts) {
    host.hiscore = 1250;
    scene.Activate();
    // Two seconds of frames: the overlay lines are opaque by then.
    for (int i = 0; i < 33; ++i) GetGameEngine()->Update(0.0625f);
    g_fTotalTime = 3.14159265f / 8.0f;  // the selected item at its brightest red
    scene.UpdatePulseColour();
    const RgbaImage image = Draw();
    ASSERT_EQ(image.width, 640);
    const std::string png = (m_buildDir / "frontend_title.png").string();
    EXPECT_TRUE(quil_automation::WritePng(png, image)) << png;
    EXPECT_TRUE(scene.HasDeviceObjects());
    EXPECT_NE(scene.GetSkyVertexBuffer(), nullptr);

    // The top and bottom bars (deep red cloth) across the whole width.
    const auto barRed = [](uint32_t c) { return R(c) > G(c) + 15 && R(c) > B(c) + 10 && R(c) < 140; };
    EXPECT_GT(Count(image, 0, 2, 640, 14, barRed), 640 * 12 * 3 / 4);
    EXPECT_GT(Count(image, 0, 470, 60, 480, barRed), 60 * 10 * 3 / 4);
    // Between the bars the backdrop: sky and snow, nothing like the bars' red.
    EXPECT_GT(Count(image, 300, 100, 640, 380, [](uint32_t c) { return B(c) >= R(c) || G(c) > 150; }), 340 * 280 / 2);
    // The title tiles differ from the bar behind them where they overlap it.
    EXPECT_GT(Count(image, 100, 30, 540, 78, [&](uint32_t c) { return !barRed(c); }), 500);
    // "START GAME" selected in bright red (255, 63, 63), "OPTIONS" in white below
    // it, and the hiscore line in light grey on the bottom bar.
    EXPECT_GT(Count(image, 100, 180, 260, 205, [](uint32_t c) { return R(c) > 200 && G(c) < 110 && B(c) < 110; }), 40);
    EXPECT_GT(Count(image, 100, 210, 220, 235, [](uint32_t c) { return R(c) > 220 && G(c) > 220 && B(c) > 220; }), 40);
    EXPECT_GT(Count(image, 205, 395, 420, 412, [](uint32_t c) {
        return R(c) > 150 && G(c) > 150 && B(c) > 150 && R(c) < 230;
    }), 20);
}

}  // namespace
