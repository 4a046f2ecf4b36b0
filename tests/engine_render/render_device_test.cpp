// The renderer, font and sprite lists on the real device: whole frames compared
// with reference images, plus pixel checks that do not depend on them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "camera.h"
#include "d3dfont.h"
#include "gameengine.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "renderdevice.h"
#include "renderer.h"
#include "spritelist2d.h"
#include "spritelist3d.h"

namespace {

using quil_automation::RgbaImage;

bool WriteTga(const std::string& path, int width, int height, uint32_t argb) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, (unsigned char)width, 0,
                                      (unsigned char)height, 0, 32, 8};
    std::fwrite(header, 1, sizeof(header), f);
    // A soft round blob: full colour in the middle, alpha falling off to the edge.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float dx = (x + 0.5f) / width - 0.5f, dy = (y + 0.5f) / height - 0.5f;
            float a = 1.0f - 2.0f * std::sqrt(dx * dx + dy * dy);
            a = a < 0 ? 0 : a;
            // Colour falls off with the alpha, so additive modes show the same round blob.
            const unsigned char bgra[4] = {(unsigned char)((argb & 0xFF) * a), (unsigned char)(((argb >> 8) & 0xFF) * a),
                                           (unsigned char)(((argb >> 16) & 0xFF) * a), (unsigned char)(a * 255)};
            std::fwrite(bgra, 1, 4, f);
        }
    std::fclose(f);
    return true;
}

// A world-space square of flat colour: the geometry the debug lines are drawn over.
class Panel : public Object {
public:
    void Activate() override { GetRenderer()->AddObject(this); }
    void Deactivate() override { GetRenderer()->RemoveObject(this); }
    void Render() override {
        struct V { float x, y, z; D3DCOLOR c; } v[4] = {
            {-30, -20, 10, 0xFF3050A0}, {30, -20, 10, 0xFF3050A0}, {-30, 20, 10, 0xFF60A0E0}, {30, 20, 10, 0xFF60A0E0}};
        IDirect3DDevice8* d = RenderDevice_GetDevice();
        D3DMATRIX world;
        std::memcpy(world.m, GetMatrix()->m, sizeof(world.m));
        d->SetTransform(D3DTS_WORLD, &world);
        GetRenderer()->SetRenderMode(RENDERMODE_DIFFUSE);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V));
        // Left unlit, as the game's world objects leave it for the sprites after them.
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    }
    void InvalidateDeviceObjects() override {}
    void RestoreDeviceObjects() override {}
};

class DeviceFrame : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        quil_automation::SetHeadless(true);
        ASSERT_EQ(D3D_OK, quil_automation::CreateOffscreenDevice(640, 480, true, &d3d, &device));
        RenderDevice_Bind(device);
        font = new D3DFont("Arial Black", 32, D3DFONT_BOLD);
        ASSERT_EQ(font->InitDeviceObjects(device), S_OK);
        ASSERT_EQ(font->RestoreDeviceObjects(), S_OK);
        RenderDevice_SetFont(font);
        RenderDevice_SetFrameStats("60.00 FPS (640X480)");
        GetRenderer()->RestoreDeviceObjects();
        camera.SetPosition(0, 0, -80);
        saved = g_pCurrentCamera;
        camera.MakeCurrent();
        blob = ::testing::TempDir() + "render_blob.tga";
        ASSERT_TRUE(WriteTga(blob, 16, 16, 0xFFFFFFFF));
    }
    void TearDown() override {
        g_pCurrentCamera = saved;
        GetRenderer()->InvalidateDeviceObjects();
        if (font) {
            font->InvalidateDeviceObjects();
            font->DeleteDeviceObjects();
            delete font;
        }
        RenderDevice_SetFont(nullptr);
        RenderDevice_SetFrameStats(nullptr);
        RenderDevice_Unbind();
        if (device) {
            EXPECT_EQ(device->Release(), 0u);
        }
        if (d3d) d3d->Release();
    }
    RgbaImage Frame() {
        RgbaImage image;
        EXPECT_TRUE(quil_automation::ReadBackBuffer(device, &image));
        return image;
    }
    // Compares with the reference image of the same name; a missing reference, or
    // QUIL_UPDATE_REFERENCE set, writes it (and the test then says so).
    void CompareWithReference(const RgbaImage& image, const std::string& name) {
        const std::string actual = ::testing::TempDir() + name + ".png";
        quil_automation::WritePng(actual, image);
        const std::string reference = std::string(QUIL_TEST_DATA_DIR) + "/" + name + ".png";
        RgbaImage expected;
        if (std::getenv("QUIL_UPDATE_REFERENCE") || !quil_automation::ReadPng(reference, &expected)) {
            ASSERT_TRUE(quil_automation::WritePng(reference, image));
            ADD_FAILURE() << "reference image written: " << reference;
            return;
        }
        const int different = quil_automation::CountDifferentPixels(image, expected, 24);
        EXPECT_LE(different, image.width * image.height / 500) << "actual frame: " << actual;
    }
    static uint32_t Rgb(uint32_t argb) { return argb & 0xFFFFFF; }

    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    D3DFont* font = nullptr;
    Camera camera;
    Camera* saved = nullptr;
    std::string blob;
};

TEST_F(DeviceFrame, BothListsTextSpritesAndDebugLines) {
    Panel panel;
    panel.Activate();
    SpriteList3D snow;
    Sprite3D* flakes = snow.Build(12, blob.c_str());
    for (int i = 0; i < 12; ++i)
        flakes[i] = {-33.0f + 6.0f * i, 26.0f, 0.0f, 2.5f, 2.5f, 0xFFFFFFFF, 0, 0, 1, 1};
    snow.SetBlendMode(RENDERMODE_MODULATE_ADD);
    SpriteList2D icons;
    Sprite2D* marks = icons.Build(3, blob.c_str());
    marks[0] = {560, 400, 64, 0xFFFF4040, 0, 0, 1, 1};
    marks[1] = {600, 400, 32, 0xFF40FF40, 0, 0, 1, 1};
    marks[2] = {620, 440, 16, 0xFF4040FF, 0, 0, 1, 1};
    icons.SetBlendMode(RENDERMODE_MODULATE_ALPHA);
    Renderer* renderer = GetRenderer();
    renderer->SetFlags(RENDERER_SHOWSTATS);

    // A text drawer in the overlay list, drawn before the sprite lists added earlier.
    class Caption : public Object {
    public:
        void Activate() override { GetRenderer()->AddOverlayObject(this); }
        void Deactivate() override { GetRenderer()->RemoveOverlayObject(this); }
        void Render() override {
            D3DFont* f = RenderDevice_GetFont();
            f->DrawText(40, 300, 0xFFFFFFFF, "MERRY CHRISTMAS", 1.0f);
            f->DrawText(40, 350, 0xFFFF8000, "SCORE: 12,345 (LEVEL 3)", 0.6f);
            f->DrawText(40, 380, 0xFF80FF80, "TIME - 1:05.\nNEXT LINE", 0.45f);
        }
        void InvalidateDeviceObjects() override {}
        void RestoreDeviceObjects() override {}
    } caption;
    caption.Activate();

    Vec3 a(-30, -20, 10), b(30, 20, 10), c(-30, 20, 10), d(30, -20, 10);
    renderer->AddDebugLine(&a, &b, 0xFFFF0000, 0xFFFFFF00);
    renderer->AddDebugLine(&c, &d, 0xFF00FF00, 0xFF00FFFF);
    snow.Update(0.016f);
    icons.Update(0.016f);
    renderer->Render();
    const RgbaImage image = Frame();

    // The debug line crosses the panel's centre over the geometry, in the lines' mixed colour.
    const uint32_t centre = Rgb(image.At(320, 240));
    EXPECT_NE(centre, Rgb(image.At(320, 250)));
    // The panel, the 2D sprite's red centre and black background where nothing is drawn.
    EXPECT_GT((image.At(320, 300) & 0xFF), 0x80u);  // lower half of the panel is blue
    EXPECT_GT((image.At(560, 400) >> 16) & 0xFF, 0xC0u);
    EXPECT_EQ(Rgb(image.At(5, 470)), 0u);
    // The statistics line: yellow text in the top-left corner.
    int yellow = 0;
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 200; ++x) {
            const uint32_t p = image.At(x, y);
            yellow += ((p >> 16) & 0xFF) > 0xA0 && ((p >> 8) & 0xFF) > 0xA0 && (p & 0xFF) < 0x60;
        }
    EXPECT_GT(yellow, 40);
    // The big caption's letters have solid white inside them.
    int white = 0;
    for (int y = 300; y < 340; ++y)
        for (int x = 40; x < 400; ++x) white += Rgb(image.At(x, y)) == 0xFFFFFF;
    EXPECT_GT(white, 500);
    CompareWithReference(image, "frame_lists_text_sprites");

    caption.Deactivate();
    panel.Deactivate();
    icons.Shutdown();
    snow.Shutdown();
    renderer->ClearLists();
}

TEST_F(DeviceFrame, FontAtSeveralScales) {
    Renderer* renderer = GetRenderer();
    class Lines : public Object {
    public:
        void Activate() override { GetRenderer()->AddOverlayObject(this); }
        void Deactivate() override { GetRenderer()->RemoveOverlayObject(this); }
        void Render() override {
            D3DFont* f = RenderDevice_GetFont();
            const float scales[] = {0.3f, 0.5f, 0.75f, 1.0f, 1.5f};
            float y = 40;
            for (float s : scales) {
                f->DrawText(10, y, 0xFFFFFFFF, "THE QUICK BROWN FOX 0123456789", s);
                y += 70 * s + 6;
            }
            f->DrawText(10, 400, 0xFF00FFFF, "ABCDEFGHIJKLMNOPQRSTUVWXYZ .,-:()", 0.6f);
        }
        void InvalidateDeviceObjects() override {}
        void RestoreDeviceObjects() override {}
    } lines;
    lines.Activate();
    renderer->Render();
    const RgbaImage image = Frame();
    CompareWithReference(image, "font_scales");
    lines.Deactivate();
    renderer->ClearLists();
}

TEST_F(DeviceFrame, DeviceResetReleasesEverythingAndRestoresTheSameFrame) {
    Renderer* renderer = GetRenderer();
    SpriteList3D snow;
    Sprite3D* flakes = snow.Build(5, blob.c_str());
    for (int i = 0; i < 5; ++i) flakes[i] = {-20.0f + 10.0f * i, 0.0f, 0.0f, 3.0f, 3.0f, 0xFFFFFFFF, 0, 0, 1, 1};
    snow.SetBlendMode(RENDERMODE_MODULATE_ADD);
    SpriteList2D marks;
    Sprite2D* mark = marks.Build(1, blob.c_str());
    mark[0] = {320, 400, 80, 0xFFFF4040, 0, 0, 1, 1};
    marks.SetBlendMode(RENDERMODE_MODULATE_ALPHA);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    auto frame = [&] {
        snow.Update(0.016f);
        marks.Update(0.016f);
        renderer->Render();
        return Frame();
    };
    const RgbaImage before = frame();

    // Lost, then reset as the framework does it: the font and every listed object
    // release their device objects (the renderer is asked twice), then the reset.
    quil_automation::MakeDeviceLost(device);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    font->InvalidateDeviceObjects();
    renderer->InvalidateDeviceObjects();
    renderer->InvalidateDeviceObjects();
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = 640;
    pp.BackBufferHeight = 480;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    ASSERT_EQ(device->Reset(&pp), D3D_OK) << "a default-pool resource outlived the release";
    RenderDevice_Bind(device);
    ASSERT_EQ(font->RestoreDeviceObjects(), S_OK);
    renderer->RestoreDeviceObjects();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    const RgbaImage after = frame();
    EXPECT_LE(quil_automation::CountDifferentPixels(before, after, 8), 10);

    // A reset to a larger back buffer rescales the virtual screen.
    font->InvalidateDeviceObjects();
    renderer->InvalidateDeviceObjects();
    pp.BackBufferWidth = 800;
    pp.BackBufferHeight = 600;
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    RenderDevice_Bind(device);
    font->RestoreDeviceObjects();
    renderer->RestoreDeviceObjects();
    EXPECT_FLOAT_EQ(renderer->GetScreenScaleX(), 1.25f);
    const RgbaImage large = frame();
    ASSERT_EQ(large.width, 800);
    EXPECT_GT((large.At(400, 500) >> 16) & 0xFF, 0xC0u);  // the mark's centre, scaled from (320, 400)
    EXPECT_LT((large.At(400, 445) >> 16) & 0xFF, 0x40u);  // outside its scaled 100-pixel square

    marks.Shutdown();
    snow.Shutdown();
    renderer->ClearLists();
}

}  // namespace
