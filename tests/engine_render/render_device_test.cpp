// The renderer, font and sprite lists on the real device: whole frames compared
// with reference images, plus pixel checks that do not depend on them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "camera.h"
#include "d3dfont.h"
#include "engine_binding.h"
#include "offscreen_device.h"
#include "renderdevice.h"
#include "renderer.h"
#include "spritelist2d.h"
#include "spritelist3d.h"

namespace {

using quil_automation::RgbaImage;

// Writes a white soft round blob as a 32-bit TGA: alpha (and the colour with it, so
// that additive modes show the same blob) falls off from the middle to the edge.
bool WriteBlobTga(const std::string& path, int size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, (unsigned char)size, 0, (unsigned char)size, 0, 32, 8};
    std::fwrite(header, 1, sizeof(header), f);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = (x + 0.5f) / size - 0.5f, dy = (y + 0.5f) / size - 0.5f;
            const float a = std::fmax(0.0f, 1.0f - 2.0f * std::sqrt(dx * dx + dy * dy));
            const unsigned char c = (unsigned char)(255 * a), bgra[4] = {c, c, c, c};
            std::fwrite(bgra, 1, 4, f);
        }
    return std::fclose(f) == 0;
}

// A drawable that runs the given code, from the object list or the overlay list.
class Drawer : public Object {
public:
    Drawer(bool overlay, std::function<void(Object*)> draw) : m_overlay(overlay), m_draw(std::move(draw)) {
        m_overlay ? GetRenderer()->AddOverlayObject(this) : GetRenderer()->AddObject(this);
    }
    ~Drawer() override { Deactivate(); }
    void Activate() override {}
    void Deactivate() override { m_overlay ? GetRenderer()->RemoveOverlayObject(this) : GetRenderer()->RemoveObject(this); }
    void Render() override { m_draw(this); }
    void InvalidateDeviceObjects() override {}
    void RestoreDeviceObjects() override {}

private:
    bool m_overlay;
    std::function<void(Object*)> m_draw;
};

// A world-space square of flat colour: the geometry the debug lines are drawn over.
void DrawPanel(Object* self) {
    struct V { float x, y, z; D3DCOLOR c; } v[4] = {
        {-30, -20, 10, 0xFF3050A0}, {30, -20, 10, 0xFF3050A0}, {-30, 20, 10, 0xFF60A0E0}, {30, 20, 10, 0xFF60A0E0}};
    IDirect3DDevice8* d = RenderDevice_GetDevice();
    D3DMATRIX world;
    std::memcpy(world.m, self->GetMatrix()->m, sizeof(world.m));
    d->SetTransform(D3DTS_WORLD, &world);
    GetRenderer()->SetRenderMode(RENDERMODE_DIFFUSE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V));
    // Left unlit, as the game's world objects leave it for the sprites after them.
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

class DeviceFrame : public quiltest::OffscreenDeviceTest {
protected:
    void SetUp() override {
        Open(640, 480);
        engine = std::make_unique<quiltest::EngineBinding>(device);
        ASSERT_TRUE(engine->FontReady());
        RenderDevice_SetFrameStats("60.00 FPS (640X480)");
        camera.SetPosition(0, 0, -80);
        saved = g_pCurrentCamera;
        camera.MakeCurrent();
        ASSERT_TRUE(WriteBlobTga(blob, 16));
    }
    void TearDown() override {
        g_pCurrentCamera = saved;
        engine.reset();
        OffscreenDeviceTest::TearDown();
    }
    static uint32_t Rgb(uint32_t argb) { return argb & 0xFFFFFF; }

    std::unique_ptr<quiltest::EngineBinding> engine;
    Camera camera;
    Camera* saved = nullptr;
    const std::string blob = "render_blob.tga";
};

TEST_F(DeviceFrame, BothListsTextSpritesAndDebugLines) {
    Drawer panel(false, DrawPanel);
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
    Drawer caption(true, [](Object*) {
        D3DFont* f = RenderDevice_GetFont();
        f->DrawText(40, 300, 0xFFFFFFFF, "MERRY CHRISTMAS", 1.0f);
        f->DrawText(40, 350, 0xFFFF8000, "SCORE: 12,345 (LEVEL 3)", 0.6f);
        f->DrawText(40, 380, 0xFF80FF80, "TIME - 1:05.\nNEXT LINE", 0.45f);
    });

    Vec3 a(-30, -20, 10), b(30, 20, 10), c(-30, 20, 10), d(30, -20, 10);
    renderer->AddDebugLine(&a, &b, 0xFFFF0000, 0xFFFFFF00);
    renderer->AddDebugLine(&c, &d, 0xFF00FF00, 0xFF00FFFF);
    snow.Update(0.016f);
    icons.Update(0.016f);
    renderer->Render();
    const RgbaImage image = Frame();

    // Checks that hold whatever the reference: the debug line over the panel, the
    // 2D sprite's red centre, black where nothing is drawn.
    EXPECT_NE(Rgb(image.At(320, 240)), Rgb(image.At(320, 250)));
    EXPECT_GT((image.At(560, 400) >> 16) & 0xFF, 0xC0u);
    EXPECT_EQ(Rgb(image.At(5, 470)), 0u);
    quiltest::ExpectMatchesReference(image, "frame_lists_text_sprites");
    icons.Shutdown();
    snow.Shutdown();
    renderer->ClearLists();
}

TEST_F(DeviceFrame, FontAtSeveralScales) {
    Drawer lines(true, [](Object*) {
        D3DFont* f = RenderDevice_GetFont();
        float y = 40;
        for (float s : {0.3f, 0.5f, 0.75f, 1.0f, 1.5f}) {
            f->DrawText(10, y, 0xFFFFFFFF, "THE QUICK BROWN FOX 0123456789", s);
            y += 70 * s + 6;
        }
        f->DrawText(10, 400, 0xFF00FFFF, "ABCDEFGHIJKLMNOPQRSTUVWXYZ .,-:()", 0.6f);
    });
    GetRenderer()->Render();
    quiltest::ExpectMatchesReference(Frame(), "font_scales");
}

// A flat quad in back-buffer pixels at depth z, in vertex colour, over what the depth allows.
void ScreenQuad(float x0, float y0, float x1, float y1, float z, D3DCOLOR c) {
    ScreenVertex v[4] = {{x0, y0, z, 1, c, 0, 0}, {x1, y0, z, 1, c, 1, 0}, {x1, y1, z, 1, c, 1, 1}, {x0, y1, z, 1, c, 0, 1}};
    IDirect3DDevice8* d = RenderDevice_GetDevice();
    GetRenderer()->SetRenderMode(RENDERMODE_DIFFUSE);
    d->SetVertexShader(SCREENVERTEX_FVF);
    d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, v, sizeof(ScreenVertex));
}

// An opaque list's depth marks reject what is drawn under its quads before it and
// nothing else, and its own draw then covers them; a translucent list marks nothing.
// The marks and the sprite lists' draws put back every state they change.
TEST_F(DeviceFrame, DepthMarksRejectOnlyUnderAnOpaqueListAndStatesComeBack) {
    SpriteList2D bar;
    Sprite2D* s = bar.Build(1, blob.c_str());
    s[0] = {160, 120, 64, 0xFFFFFFFF, 0, 0, 1, 1};  // 64 pixels over 16 texels: drawn without mips
    bar.Update(0.016f);
    GetRenderer()->Render();
    DWORD mip = 0;
    device->GetTextureStageState(0, D3DTSS_MIPFILTER, &mip);
    EXPECT_EQ(mip, DWORD(D3DTEXF_LINEAR));

    const D3DRENDERSTATETYPE kept[] = {D3DRS_COLORWRITEENABLE, D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_ZFUNC};
    for (const uint32_t mode : {RENDERMODE_TEXTURE, RENDERMODE_TEXTURE_ALPHA}) {
        bar.SetBlendMode(mode);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        DWORD before[4], after[4];
        for (int i = 0; i < 4; ++i) device->GetRenderState(kept[i], &before[i]);
        bar.ReserveDepth();
        for (int i = 0; i < 4; ++i) device->GetRenderState(kept[i], &after[i]);
        EXPECT_EQ(0, std::memcmp(before, after, sizeof(before))) << "mode " << mode;
        D3DVIEWPORT8 vp = {};
        device->GetViewport(&vp);
        EXPECT_EQ(vp.MaxZ, 1.0f);

        ScreenQuad(0, 0, 640, 480, 0.5f, 0xFF00FF00);
        const RgbaImage marked = Frame();
        EXPECT_EQ(Rgb(marked.At(160, 120)), mode == RENDERMODE_TEXTURE ? 0u : 0x00FF00u) << "mode " << mode;
        EXPECT_EQ(Rgb(marked.At(127, 120)), 0x00FF00u);
        EXPECT_EQ(Rgb(marked.At(160, 152)), 0x00FF00u);
        bar.Render();
        EXPECT_GT(Rgb(Frame().At(160, 120)) & 0xFF, 0xC0u) << "the list covers its marks";
    }
    bar.Shutdown();
    GetRenderer()->ClearLists();
}

}  // namespace
