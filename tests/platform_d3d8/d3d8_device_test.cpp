// Device behaviour the engine relies on: reference counts, lock rules, loss and
// reset, state blocks, bad draws and the cursor.
#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>

#include "d3d8_test_util.h"
#include "platform_bridge.h"
#include "quil_automation.h"
#include "windows.h"

using namespace d3d8_test;

namespace {

D3DPRESENT_PARAMETERS Params(BOOL windowed, UINT w, UINT h, D3DFORMAT format, D3DFORMAT depth) {
    D3DPRESENT_PARAMETERS pp = {};
    pp.Windowed = windowed;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.BackBufferWidth = w;
    pp.BackBufferHeight = h;
    pp.BackBufferFormat = format;
    pp.EnableAutoDepthStencil = depth != D3DFMT_UNKNOWN;
    pp.AutoDepthStencilFormat = depth;
    return pp;
}

}  // namespace

TEST_F(DeviceTest, ReleaseReturnsTheRemainingCountAndResourcesHoldTheDevice) {
    EXPECT_EQ(2u, device->AddRef());
    EXPECT_EQ(1u, device->Release());
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex));
    EXPECT_EQ(3u, device->AddRef());  // the texture holds one
    EXPECT_EQ(2u, device->Release());
    EXPECT_EQ(2u, tex->AddRef());
    EXPECT_EQ(1u, tex->Release());
    // A bound texture stays usable after its last public release.
    device->SetTexture(0, tex);
    EXPECT_EQ(0u, tex->Release());
    EXPECT_EQ(2u, device->AddRef());
    EXPECT_EQ(1u, device->Release());
    IDirect3DBaseTexture8* got = nullptr;
    device->SetTexture(0, nullptr);
    EXPECT_EQ(D3D_OK, device->GetTexture(0, &got));
    EXPECT_EQ(nullptr, got);
    // Surfaces of a texture level count on their texture; the back buffer has a reference of its own.
    ASSERT_EQ(D3D_OK, device->CreateTexture(8, 8, 0, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &tex));
    EXPECT_EQ(4u, tex->GetLevelCount());
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(D3D_OK, tex->GetSurfaceLevel(2, &level));
    EXPECT_EQ(1u, tex->Release());
    EXPECT_EQ(0u, level->Release());
    IDirect3DSurface8* bb = nullptr;
    ASSERT_EQ(D3D_OK, device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb));
    EXPECT_EQ(0u, bb->Release());
}

TEST_F(DeviceTest, BufferLocksCheckRangesAndRefuseDoubleLocks) {
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &vb));
    BYTE* p = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, vb->Lock(60, 8, &p, 0));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(D3DERR_INVALIDCALL, vb->Lock(65, 0, &p, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, vb->Unlock());
    ASSERT_EQ(D3D_OK, vb->Lock(16, 0, &p, D3DLOCK_DISCARD));  // size 0: to the end
    p[47] = 7;
    EXPECT_EQ(D3DERR_INVALIDCALL, vb->Lock(0, 4, &p, 0));
    EXPECT_EQ(D3D_OK, vb->Unlock());
    ASSERT_EQ(D3D_OK, vb->Lock(0, 64, &p, D3DLOCK_NOOVERWRITE | D3DLOCK_READONLY));
    EXPECT_EQ(7, p[63]);
    EXPECT_EQ(D3D_OK, vb->Unlock());
    vb->Release();
    IDirect3DIndexBuffer8* ib = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, device->CreateIndexBuffer(16, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb));
}

TEST_F(DeviceTest, TextureLocksReportAndHonourThePitch) {
    IDirect3DTexture8* t = nullptr;
    // 3 pixels of 16 bits: rows are padded to 8 bytes.
    ASSERT_EQ(D3D_OK, device->CreateTexture(3, 2, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &t));
    D3DLOCKED_RECT lr;
    ASSERT_EQ(D3D_OK, t->LockRect(0, &lr, nullptr, 0));
    EXPECT_EQ(8, lr.Pitch);
    D3DLOCKED_RECT again;
    EXPECT_EQ(D3DERR_INVALIDCALL, t->LockRect(0, &again, nullptr, 0));
    EXPECT_EQ(nullptr, again.pBits);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            reinterpret_cast<uint16_t*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] = y ? 0x001F : 0xF800;
    EXPECT_EQ(D3D_OK, t->UnlockRect(0));
    RECT bad = {0, 0, 4, 1};
    EXPECT_EQ(D3DERR_INVALIDCALL, t->LockRect(0, &lr, &bad, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, t->LockRect(1, &lr, nullptr, 0));
    // Drawn: red top row, blue bottom row.
    device->SetTexture(0, t);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    Quad(0, 0, 6, 4, 0.5f, 0);
    EXPECT_TRUE(Near(0xFF0000, Pixel(4, 0)));
    EXPECT_TRUE(Near(0x0000FF, Pixel(4, 3)));
    device->SetTexture(0, nullptr);
    t->Release();
    EXPECT_EQ(D3DERR_INVALIDCALL, device->CreateTexture(100000, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->CreateTexture(4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &t));
}

TEST_F(DeviceTest, LostDeviceResetsOnlyWithoutDefaultPoolResources) {
    device->SetRenderState(D3DRS_ALPHAREF, 77);
    device->SetTextureStageState(1, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
    quil_automation::MakeDeviceLost(device);
    EXPECT_EQ(D3DERR_DEVICELOST, device->TestCooperativeLevel());
    EXPECT_EQ(D3DERR_DEVICENOTRESET, device->TestCooperativeLevel());
    EXPECT_EQ(D3DERR_DEVICELOST, device->Present(nullptr, nullptr, nullptr, nullptr));
    // Drawing while lost quietly does nothing.
    EXPECT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0));
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb));
    IDirect3DVertexBuffer8* managed = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &managed));
    D3DPRESENT_PARAMETERS pp = Params(TRUE, 32, 16, D3DFMT_UNKNOWN, D3DFMT_D16);
    // A default-pool buffer kept bound (no public reference) no longer blocks the reset.
    device->SetStreamSource(0, vb, 16);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->Reset(&pp));
    EXPECT_EQ(D3DERR_DEVICENOTRESET, device->TestCooperativeLevel());
    EXPECT_EQ(0u, vb->Release());
    EXPECT_EQ(D3D_OK, device->Reset(&pp));
    EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
    DWORD v = 0;
    device->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(77u, v);
    device->GetTextureStageState(1, D3DTSS_ADDRESSU, &v);
    EXPECT_EQ(static_cast<DWORD>(D3DTADDRESS_CLAMP), v);
    D3DVIEWPORT8 vp;
    device->GetViewport(&vp);
    EXPECT_EQ(32u, vp.Width);
    EXPECT_EQ(D3DFMT_X8R8G8B8, pp.BackBufferFormat);
    EXPECT_EQ(32, Frame().width);
    device->SetStreamSource(0, nullptr, 0);
    managed->Release();
}

TEST_F(DeviceTest, StateBlocksRecordCaptureAndApply) {
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    ASSERT_EQ(D3D_OK, device->BeginStateBlock());
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    DWORD token = 0;
    ASSERT_EQ(D3D_OK, device->EndStateBlock(&token));
    DWORD v = 0;
    device->GetRenderState(D3DRS_ZFUNC, &v);
    EXPECT_EQ(static_cast<DWORD>(D3DCMP_LESS), v);  // recording does not apply
    EXPECT_EQ(D3D_OK, device->ApplyStateBlock(token));
    device->GetRenderState(D3DRS_ZFUNC, &v);
    EXPECT_EQ(static_cast<DWORD>(D3DCMP_ALWAYS), v);
    device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(static_cast<DWORD>(D3DTOP_ADD), v);
    // Capture refreshes only what the block holds.
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);
    device->SetRenderState(D3DRS_ALPHAREF, 5);
    EXPECT_EQ(D3D_OK, device->CaptureStateBlock(token));
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_NEVER);
    device->SetRenderState(D3DRS_ALPHAREF, 9);
    device->ApplyStateBlock(token);
    device->GetRenderState(D3DRS_ZFUNC, &v);
    EXPECT_EQ(static_cast<DWORD>(D3DCMP_GREATER), v);
    device->GetRenderState(D3DRS_ALPHAREF, &v);
    EXPECT_EQ(9u, v);
    EXPECT_EQ(D3D_OK, device->DeleteStateBlock(token));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->ApplyStateBlock(token));
}

// A block's later stages, transforms and constants are captured and applied, and only those.
TEST_F(DeviceTest, StateBlocksHoldLaterStagesTransformsAndConstants) {
    D3DMATRIX view = {};
    view._11 = view._22 = view._33 = view._44 = 2.0f;
    const float constant[4] = {1, 2, 3, 4};
    ASSERT_EQ(D3D_OK, device->BeginStateBlock());
    device->SetTextureStageState(3, D3DTSS_RESULTARG, D3DTA_TEMP);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetVertexShaderConstant(95, constant, 1);
    DWORD token = 0;
    ASSERT_EQ(D3D_OK, device->EndStateBlock(&token));
    device->SetTextureStageState(2, D3DTSS_RESULTARG, D3DTA_TEMP);  // not in the block
    EXPECT_EQ(D3D_OK, device->ApplyStateBlock(token));
    DWORD v = 0;
    device->GetTextureStageState(3, D3DTSS_RESULTARG, &v);
    EXPECT_EQ(static_cast<DWORD>(D3DTA_TEMP), v);
    D3DMATRIX got = {};
    device->GetTransform(D3DTS_VIEW, &got);
    EXPECT_EQ(2.0f, got._22);
    float c[4] = {};
    device->GetVertexShaderConstant(95, c, 1);
    EXPECT_EQ(4.0f, c[3]);
    // Captured anew, then changed: the block brings back the captured values.
    view._22 = 5.0f;
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTextureStageState(3, D3DTSS_RESULTARG, D3DTA_CURRENT);
    EXPECT_EQ(D3D_OK, device->CaptureStateBlock(token));
    view._22 = 7.0f;
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTextureStageState(3, D3DTSS_RESULTARG, D3DTA_TEMP);
    device->SetTextureStageState(2, D3DTSS_RESULTARG, D3DTA_CURRENT);
    device->ApplyStateBlock(token);
    device->GetTransform(D3DTS_VIEW, &got);
    EXPECT_EQ(5.0f, got._22);
    device->GetTextureStageState(3, D3DTSS_RESULTARG, &v);
    EXPECT_EQ(static_cast<DWORD>(D3DTA_CURRENT), v);
    device->GetTextureStageState(2, D3DTSS_RESULTARG, &v);
    EXPECT_EQ(static_cast<DWORD>(D3DTA_CURRENT), v);
    device->DeleteStateBlock(token);
}

// A light switched directly, by a block and directly again reads back as last switched.
TEST_F(DeviceTest, LightSwitchedDirectlyAndByAStateBlock) {
    device->LightEnable(3, TRUE);
    ASSERT_EQ(D3D_OK, device->BeginStateBlock());
    device->LightEnable(3, FALSE);
    DWORD token = 0;
    ASSERT_EQ(D3D_OK, device->EndStateBlock(&token));
    BOOL on = FALSE;
    device->GetLightEnable(3, &on);
    EXPECT_TRUE(on);  // recording does not switch it
    device->ApplyStateBlock(token);
    device->GetLightEnable(3, &on);
    EXPECT_FALSE(on);
    device->LightEnable(3, TRUE);
    device->GetLightEnable(3, &on);
    EXPECT_TRUE(on);
    device->DeleteStateBlock(token);
}

TEST_F(DeviceTest, DrawsWithMissingOrShortStreamsFail) {
    device->SetVertexShader(D3DFVF_XYZ);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    IDirect3DVertexBuffer8* vb = nullptr;
    device->CreateVertexBuffer(3 * 12, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb);
    device->SetStreamSource(0, vb, 12);
    EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1));  // no indices
    IDirect3DIndexBuffer8* ib = nullptr;
    device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib);
    const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};  // index 3 is past the buffer
    Fill(ib, idx, sizeof(idx));
    device->SetIndices(ib, 0);
    EXPECT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 3, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 3, 2));  // past the indices
    device->SetIndices(ib, 1);  // base vertex 1 pushes index 2 out
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1));
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetVertexShader(0x7));  // not a created shader
}

TEST_F(DeviceTest, CursorTakesA32BitImageSurface) {
    IDirect3DSurface8* img = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateImageSurface(32, 32, D3DFMT_A8R8G8B8, &img));
    D3DLOCKED_RECT lr;
    ASSERT_EQ(D3D_OK, img->LockRect(&lr, nullptr, 0));
    EXPECT_EQ(128, lr.Pitch);
    for (int i = 0; i < 32 * 32; ++i) static_cast<DWORD*>(lr.pBits)[i] = (i % 33 == 0) ? 0xFFFFFFFF : 0;
    EXPECT_EQ(D3DERR_INVALIDCALL, img->LockRect(&lr, nullptr, 0));
    EXPECT_EQ(D3D_OK, img->UnlockRect());
    EXPECT_EQ(D3D_OK, device->SetCursorProperties(1, 1, img));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetCursorProperties(40, 1, img));  // hot spot outside
    EXPECT_EQ(FALSE, device->ShowCursor(TRUE));
    EXPECT_EQ(TRUE, device->ShowCursor(FALSE));
    device->SetCursorPosition(10, 10, D3DCURSOR_IMMEDIATE_UPDATE);
    EXPECT_EQ(0u, img->Release());
    IDirect3DSurface8* rgb = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateImageSurface(8, 8, D3DFMT_R5G6B5, &rgb));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetCursorProperties(0, 0, rgb));
    rgb->Release();
}

TEST(Direct3D8Test, MinimisedFullScreenDeviceIsLostUntilReset) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    HWND hwnd = quil_automation::CreateTestWindow(64, 48);
    ASSERT_NE(nullptr, hwnd);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = Params(FALSE, 640, 480, D3DFMT_R5G6B5, D3DFMT_UNKNOWN);
    pp.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateDevice(0, D3DDEVTYPE_REF, hwnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device));
    EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
    quil_automation::Minimise(hwnd);
    EXPECT_EQ(D3DERR_DEVICELOST, device->TestCooperativeLevel());
    EXPECT_EQ(D3DERR_DEVICELOST, device->Present(nullptr, nullptr, nullptr, nullptr));
    quil_automation::Restore(hwnd);
    EXPECT_EQ(D3DERR_DEVICENOTRESET, device->TestCooperativeLevel());
    EXPECT_EQ(D3D_OK, device->Reset(&pp));
    EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
    IDirect3DSurface8* bb = nullptr;
    device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb);
    D3DSURFACE_DESC d;
    bb->GetDesc(&d);
    EXPECT_EQ(640u, d.Width);
    EXPECT_EQ(D3DFMT_R5G6B5, d.Format);
    bb->Release();
    EXPECT_EQ(0u, device->Release());
    EXPECT_EQ(0u, d3d->Release());
    DestroyWindow(hwnd);
}

// The menu strip above a windowed device's client area: drawn afresh when it changed, copied as
// it was while it shows the same; the frames after a present keep the device's own viewport.
TEST(Direct3D8Test, MenuStripIsCopiedWhileUnchangedAndTheNextFrameKeepsItsViewport) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const HMENU bar = LoadMenuA(nullptr, MAKEINTRESOURCE(108)), other = LoadMenuA(nullptr, MAKEINTRESOURCE(107));
    ASSERT_TRUE(bar && other);
    HWND hwnd = quil_automation::CreateTestWindow(64, 48, bar);
    ASSERT_NE(nullptr, hwnd);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = Params(TRUE, 64, 48, D3DFMT_X8R8G8B8, D3DFMT_D16);
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateDevice(0, D3DDEVTYPE_REF, hwnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device));
    ASSERT_EQ(D3D_OK, device->Present(nullptr, nullptr, nullptr, nullptr));
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(SDL_GL_GetCurrentWindow(), &dw, &dh);
    ASSERT_GT(dh, 48);
    // The strip's rows of the window's framebuffer, over a magenta clear, after drawing it.
    auto strip = [&](bool* drawnAfresh) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClearColor(1, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        *drawnAfresh = quil_platform::WindowDrawNonClient(hwnd);
        std::vector<uint32_t> rows(size_t(dw) * size_t(dh - 48));
        glReadPixels(0, 48, dw, dh - 48, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
        return rows;
    };
    bool fresh = false;
    const std::vector<uint32_t> first = strip(&fresh);
    EXPECT_FALSE(fresh) << "unchanged since the present: copied";
    EXPECT_EQ(0, std::count(first.begin(), first.end(), 0xFFFF00FFu)) << "the copy covers the whole strip";
    SetMenu(hwnd, other);
    const std::vector<uint32_t> changed = strip(&fresh);
    EXPECT_TRUE(fresh);
    EXPECT_NE(first, changed);
    EXPECT_EQ(changed, strip(&fresh));
    EXPECT_FALSE(fresh);
    // Frames drawn after presents that copied the strip land where the device puts them.
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetVertexShader(kTLFvf);
    TLVertex v[4] = {{7.5f, 3.5f, 0.5f, 1, 0xFF00FF00, 0, 0}, {15.5f, 3.5f, 0.5f, 1, 0xFF00FF00, 0, 0},
                     {7.5f, 11.5f, 0.5f, 1, 0xFF00FF00, 0, 0}, {15.5f, 11.5f, 0.5f, 1, 0xFF00FF00, 0, 0}};
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_EQ(D3D_OK, device->Present(nullptr, nullptr, nullptr, nullptr));
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex)));
    }
    quil_automation::RgbaImage image;
    ASSERT_TRUE(quil_automation::ReadBackBuffer(device, &image));
    EXPECT_TRUE(Near(0x00FF00, image.At(8, 4) & 0xFFFFFF)) << std::hex << image.At(8, 4);
    EXPECT_TRUE(Near(0x00FF00, image.At(15, 11) & 0xFFFFFF)) << std::hex << image.At(15, 11);
    EXPECT_TRUE(Near(0x000000, image.At(16, 12) & 0xFFFFFF)) << std::hex << image.At(16, 12);
    EXPECT_EQ(0u, device->Release());
    EXPECT_EQ(0u, d3d->Release());
    SetMenu(hwnd, nullptr);
    DestroyWindow(hwnd);
    DestroyMenu(bar);
    DestroyMenu(other);
}
