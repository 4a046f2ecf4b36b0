// Pixel tests of the fixed-function pipeline and vs.1.1 shaders: draw, read a pixel, compare.
#include "d3d8_test_util.h"

using namespace d3d8_test;

namespace {

// Diffuse-only output on stage 0.
void DiffuseOnly(IDirect3DDevice8* device) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
}

// A white point light 4 units in front of the small wall (range 5, attenuation 1 / (0.5 d)).
D3DLIGHT8 PointLightBeforeWall() {
    D3DLIGHT8 pt = {};
    pt.Type = D3DLIGHT_POINT;
    pt.Diffuse = {1, 1, 1, 1};
    pt.Position = {0, 0, 6};
    pt.Range = 5;
    pt.Attenuation1 = 0.5f;
    return pt;
}

// Fills level level of a square 32-bit texture side texels wide (at level 0) with colour.
void FillLevel(IDirect3DTexture8* t, UINT level, UINT side, DWORD colour) {
    D3DLOCKED_RECT lr;
    ASSERT_EQ(D3D_OK, t->LockRect(level, &lr, nullptr, 0));
    for (UINT y = 0; y < side >> level; ++y)
        for (UINT x = 0; x < side >> level; ++x)
            reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] = colour;
    t->UnlockRect(level);
}

}  // namespace

TEST_F(DeviceTest, ClearRectanglesAndPretransformedQuadsHitExactPixels) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0);
    D3DRECT r = {8, 4, 16, 12};
    device->Clear(1, &r, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    DiffuseOnly(device);
    Quad(30, 20, 50, 25, 0.5f, 0xFF00FF00);
    struct Probe { int x, y; DWORD rgb; } probes[] = {
        {0, 0, 0x102030},  {8, 4, 0xFF0000},   {15, 11, 0xFF0000}, {16, 11, 0x102030}, {15, 12, 0x102030},
        {30, 20, 0x00FF00}, {49, 24, 0x00FF00}, {29, 20, 0x102030}, {50, 20, 0x102030}, {30, 19, 0x102030},
        {30, 25, 0x102030}};
    quil_automation::RgbaImage img = Frame();
    for (const Probe& p : probes)
        EXPECT_TRUE(Near(p.rgb, img.At(p.x, p.y) & 0xFFFFFF)) << p.x << "," << p.y << std::hex << " " << img.At(p.x, p.y);
}

TEST_F(DeviceTest, DefaultStagesModulateTextureWithDiffuseAndMissingTextureIsWhite) {
    // Default stage 0: MODULATE(TEXTURE, CURRENT) with SELECTARG1 alpha; no texture reads white.
    Quad(0, 0, 32, 64, 0.5f, 0xFF4080C0);
    EXPECT_TRUE(Near(0x4080C0, Pixel(5, 5)));
    IDirect3DTexture8* t = Texture(1, 1, D3DFMT_A8R8G8B8, {0xFF808080});
    device->SetTexture(0, t);
    Quad(32, 0, 64, 64, 0.5f, 0xFF4080C0);
    EXPECT_TRUE(Near(0x204060, Pixel(40, 5), 3));
    device->SetTexture(0, nullptr);
    t->Release();
}

// A lightmap on stage 1 multiplies what stage 0 produced.
TEST_F(DeviceTest, LightmapOnStageOneModulatesStageZero) {
    IDirect3DTexture8* tex = Texture(1, 1, D3DFMT_X8R8G8B8, {0x00604020});
    IDirect3DTexture8* light = Texture(1, 1, D3DFMT_X8R8G8B8, {0x00808080});
    device->SetTexture(0, tex);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTexture(1, light);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    struct V2 { float x, y, z, rhw; D3DCOLOR c; float u0, v0, u1, v1; } w[4];
    for (int i = 0; i < 4; ++i) w[i] = {(i & 1) ? 15.5f : 7.5f, (i & 2) ? 15.5f : 7.5f, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0, 0};
    device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, w, sizeof(V2));
    EXPECT_TRUE(Near(0x302010, Pixel(10, 10), 3)) << std::hex << Pixel(10, 10);
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    tex->Release();
    light->Release();
}

TEST_F(DeviceTest, AlphaTestHonoursEveryFunctionAndTheReference) {
    DiffuseOnly(device);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x80);
    struct Case { DWORD func; bool pass[3]; } cases[] = {  // alpha 0x7F, 0x80, 0x81
        {D3DCMP_NEVER, {false, false, false}},       {D3DCMP_LESS, {true, false, false}},
        {D3DCMP_EQUAL, {false, true, false}},        {D3DCMP_LESSEQUAL, {true, true, false}},
        {D3DCMP_GREATER, {false, false, true}},      {D3DCMP_NOTEQUAL, {true, false, true}},
        {D3DCMP_GREATEREQUAL, {false, true, true}},  {D3DCMP_ALWAYS, {true, true, true}},
    };
    for (const Case& c : cases) {
        device->SetRenderState(D3DRS_ALPHAFUNC, c.func);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        for (int i = 0; i < 3; ++i) Quad(i * 8.0f, 0, i * 8.0f + 8, 8, 0.5f, ((0x7Fu + i) << 24) | 0xFFFFFF);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(c.pass[i], Near(0xFFFFFF, Pixel(i * 8 + 4, 4))) << "func " << c.func << " alpha " << i;
    }
}

TEST_F(DeviceTest, BlendingAlphaAndAdditive) {
    DiffuseOnly(device);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    Quad(0, 0, 8, 8, 0.5f, 0x80FFFFFF);
    EXPECT_TRUE(Near(0x8F9FAF, Pixel(4, 4), 3)) << std::hex << Pixel(4, 4);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    Quad(8, 0, 16, 8, 0.5f, 0xFF402010);
    EXPECT_TRUE(Near(0x606070, Pixel(12, 4))) << std::hex << Pixel(12, 4);
    Quad(8, 0, 16, 8, 0.5f, 0xFFF0F0F0);
    EXPECT_TRUE(Near(0xFFFFFF, Pixel(12, 4)));  // saturates
}

TEST_F(DeviceTest, DepthFunctionsAndWriteMask) {
    DiffuseOnly(device);
    struct Case { DWORD func; float z; bool drawn; } cases[] = {
        {D3DCMP_LESSEQUAL, 0.5f, true},  {D3DCMP_LESSEQUAL, 0.6f, false}, {D3DCMP_GREATEREQUAL, 0.6f, true},
        {D3DCMP_GREATEREQUAL, 0.4f, false}, {D3DCMP_ALWAYS, 0.9f, true},
    };
    for (const Case& c : cases) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
        Quad(0, 0, 8, 8, 0.5f, 0xFF0000FF);
        device->SetRenderState(D3DRS_ZFUNC, c.func);
        Quad(0, 0, 8, 8, c.z, 0xFF00FF00);
        EXPECT_EQ(c.drawn, Near(0x00FF00, Pixel(4, 4))) << "func " << c.func << " z " << c.z;
    }
    // With z-write off a nearer quad leaves the depth unchanged.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    Quad(0, 0, 8, 8, 0.2f, 0xFF0000FF);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    Quad(0, 0, 8, 8, 0.5f, 0xFF00FF00);
    EXPECT_TRUE(Near(0x00FF00, Pixel(4, 4)));
}

TEST_F(DeviceTest, CullingFollowsDirect3DWinding) {
    DiffuseOnly(device);
    // Clockwise on screen (y down): top-left, top-right, bottom-left.
    TLVertex cw[3] = {{0, 0, 0.5f, 1, 0xFFFF0000, 0, 0}, {16, 0, 0.5f, 1, 0xFFFF0000, 0, 0},
                      {0, 16, 0.5f, 1, 0xFFFF0000, 0, 0}};
    TLVertex ccw[3] = {cw[0], cw[2], cw[1]};
    device->SetVertexShader(kTLFvf);
    struct Case { DWORD cull; bool cwDrawn, ccwDrawn; } cases[] = {
        {D3DCULL_NONE, true, true}, {D3DCULL_CW, false, true}, {D3DCULL_CCW, true, false}};
    for (const Case& c : cases) {
        device->SetRenderState(D3DRS_CULLMODE, c.cull);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(TLVertex));
        EXPECT_EQ(c.cwDrawn, Near(0xFF0000, Pixel(3, 3))) << "cull " << c.cull;
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, ccw, sizeof(TLVertex));
        EXPECT_EQ(c.ccwDrawn, Near(0xFF0000, Pixel(3, 3))) << "cull " << c.cull;
    }
}

TEST_F(DeviceTest, WrapRepeatsAndClampStretchesTheEdge) {
    IDirect3DTexture8* t = Texture(2, 1, D3DFMT_A8R8G8B8, {0xFFFF0000, 0xFF0000FF});
    device->SetTexture(0, t);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    // u runs 0..2 over 32 pixels: wrap shows red, blue, red, blue; clamp red then blue.
    Quad(0, 0, 32, 8, 0.5f, 0xFFFFFFFF, 2);
    EXPECT_TRUE(Near(0xFF0000, Pixel(20, 4))) << std::hex << Pixel(20, 4);
    EXPECT_TRUE(Near(0x0000FF, Pixel(28, 4)));
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    Quad(0, 0, 32, 8, 0.5f, 0xFFFFFFFF, 2);
    EXPECT_TRUE(Near(0x0000FF, Pixel(20, 4)));
    EXPECT_TRUE(Near(0xFF0000, Pixel(2, 4)));
    device->SetTexture(0, nullptr);
    t->Release();
}

// A lit scene: camera at the origin looking down +z, x and y as they are, depths 0..100 to 0..1.
class LightingTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        D3DMATRIX proj = {};
        proj._11 = proj._22 = proj._44 = 1.0f;
        proj._33 = 0.01f;
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        DiffuseOnly(device);
        D3DMATERIAL8 m = {};
        m.Diffuse = {1, 1, 1, 1};
        m.Ambient = {1, 1, 1, 1};
        device->SetMaterial(&m);
    }
    // A wall facing the camera at depth z, covering the whole view (depth cleared first).
    void Wall(float z, float half = 100) {
        device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        NVertex v[4] = {{-half, half, z, 0, 0, -1}, {half, half, z, 0, 0, -1}, {-half, -half, z, 0, 0, -1},
                        {half, -half, z, 0, 0, -1}};
        device->SetVertexShader(kNFvf);
        ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(NVertex)));
    }
};

TEST_F(LightingTest, AmbientDirectionalAndPointLights) {
    device->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
    Wall(10);
    EXPECT_TRUE(Near(0x202020, Pixel(32, 32))) << std::hex << Pixel(32, 32);
    D3DLIGHT8 dir = {};
    dir.Type = D3DLIGHT_DIRECTIONAL;
    dir.Diffuse = {0.5f, 0.25f, 0.0f, 1};
    dir.Direction = {0, 0, 1};
    device->SetLight(0, &dir);
    device->LightEnable(0, TRUE);
    Wall(10);
    EXPECT_TRUE(Near(0xA06020, Pixel(32, 32))) << std::hex << Pixel(32, 32);
    device->LightEnable(0, FALSE);
    // A point light 4 units in front of a small wall, lit per vertex: at the corners
    // d = sqrt(18), attenuation 1 / (0.5 d) and N.L = 4 / d, so 0.125 + 4 / 9.
    D3DLIGHT8 pt = PointLightBeforeWall();
    device->SetLight(1, &pt);
    device->LightEnable(1, TRUE);
    Wall(10, 1);
    EXPECT_TRUE(Near(0x919191, Pixel(32, 32), 3)) << std::hex << Pixel(32, 32);
    // Out of range: only the ambient remains.
    pt.Range = 4;
    device->SetLight(1, &pt);
    Wall(10, 1);
    EXPECT_TRUE(Near(0x202020, Pixel(32, 32))) << std::hex << Pixel(32, 32);
}

// Objects that switch every light off and then their own on again, a light whose type changes
// while it stays on, and a view that turns: each draw sees the lights as they are then.
TEST_F(LightingTest, LightsSwitchedPerObjectRetypedOrSeenFromANewViewAreDrawnAsTheyAre) {
    device->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
    D3DLIGHT8 red = {}, green = {};
    red.Type = green.Type = D3DLIGHT_DIRECTIONAL;
    red.Direction = green.Direction = {0, 0, 1};
    red.Diffuse = {0.5f, 0, 0, 1};
    green.Diffuse = {0, 0.5f, 0, 1};
    device->SetLight(0, &red);
    device->SetLight(1, &green);
    struct Step { bool on[2]; DWORD rgb; } steps[] = {
        {{true, false}, 0xA02020}, {{true, false}, 0xA02020}, {{false, true}, 0x20A020},
        {{true, true}, 0xA0A020},  {{false, true}, 0x20A020}, {{false, false}, 0x202020}};
    for (const Step& step : steps) {
        for (DWORD i = 0; i < 2; ++i) device->LightEnable(i, FALSE);
        for (DWORD i = 0; i < 2; ++i)
            if (step.on[i]) device->LightEnable(i, TRUE);
        Wall(10);
        EXPECT_TRUE(Near(step.rgb, Pixel(32, 32))) << std::hex << step.rgb << " " << Pixel(32, 32);
    }
    // A new material alone (the lights as they were) is drawn too.
    D3DMATERIAL8 material = {};
    material.Diffuse = {1, 1, 1, 1};
    material.Ambient = {0.5f, 0.5f, 0.5f, 1};
    device->SetMaterial(&material);
    Wall(10);
    EXPECT_TRUE(Near(0x101010, Pixel(32, 32))) << std::hex << Pixel(32, 32);
    material.Ambient = {1, 1, 1, 1};
    device->SetMaterial(&material);
    // Light 0 becomes the point light of AmbientDirectionalAndPointLights while it is on.
    device->LightEnable(0, TRUE);
    Wall(10);
    EXPECT_TRUE(Near(0xA02020, Pixel(32, 32))) << std::hex << Pixel(32, 32);
    D3DLIGHT8 pt = PointLightBeforeWall();
    device->SetLight(0, &pt);
    Wall(10, 1);
    EXPECT_TRUE(Near(0x919191, Pixel(32, 32), 3)) << std::hex << Pixel(32, 32);
    // Turned round (x and z negated), the camera sees the back of the world: a wall at z = -10
    // facing +z, away from the red light that shines along +z, gets the ambient only.
    device->SetLight(0, &red);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF000000);
    Wall(10);
    EXPECT_TRUE(Near(0x800000, Pixel(32, 32))) << std::hex << Pixel(32, 32);
    D3DMATRIX view = {};
    view._11 = -1;
    view._22 = 1;
    view._33 = -1;
    view._44 = 1;
    device->SetTransform(D3DTS_VIEW, &view);
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    NVertex back[4] = {{-100, 100, -10, 0, 0, 1}, {100, 100, -10, 0, 0, 1}, {-100, -100, -10, 0, 0, 1},
                       {100, -100, -10, 0, 0, 1}};
    device->SetVertexShader(kNFvf);
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, back, sizeof(NVertex)));
    EXPECT_TRUE(Near(0x000000, Pixel(32, 32))) << std::hex << Pixel(32, 32);
}

TEST_F(LightingTest, VertexColourSourcesAndLightingOff) {
    D3DLIGHT8 dir = {};
    dir.Type = D3DLIGHT_DIRECTIONAL;
    dir.Diffuse = {1, 1, 1, 1};
    dir.Direction = {0, 0, 1};
    device->SetLight(0, &dir);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFF404040);
    struct CV { float x, y, z, nx, ny, nz; D3DCOLOR c; } v[4];
    struct PV { float x, y, z; D3DCOLOR c; } pv[4];
    for (int i = 0; i < 4; ++i) {
        float x = (i & 1) ? 100.0f : -100.0f, y = (i & 2) ? -100.0f : 100.0f;
        v[i] = {x, y, 10, 0, 0, -1, 0xFF00FF00};
        pv[i] = {x, y, 10, 0xFF00FF00};
    }
    struct Step { bool normals; BOOL colorVertex, lighting; DWORD expect; } steps[] = {
        {true, TRUE, TRUE, 0x40FF40},     // diffuse from the vertex colour (the default source)
        {true, FALSE, TRUE, 0xFFFFFF},    // diffuse from the material once colour vertex is off
        {false, FALSE, TRUE, 0x404040},   // without normals only the ambient remains
        {true, FALSE, FALSE, 0x00FF00},   // lighting off: the vertex colour as it is
    };
    for (const Step& s : steps) {
        device->SetRenderState(D3DRS_COLORVERTEX, s.colorVertex);
        device->SetRenderState(D3DRS_LIGHTING, s.lighting);
        device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        device->SetVertexShader(s.normals ? D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE : D3DFVF_XYZ | D3DFVF_DIFFUSE);
        if (s.normals) device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(CV));
        else device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, pv, sizeof(PV));
        EXPECT_TRUE(Near(s.expect, Pixel(32, 32))) << std::hex << s.expect << " got " << Pixel(32, 32);
    }
}

TEST_F(LightingTest, LinearVertexFog) {
    device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGCOLOR, 0xFF0000FF);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGSTART, 0x41200000);  // 10.0f
    device->SetRenderState(D3DRS_FOGEND, 0x41F00000);  // 30.0f
    Wall(5);
    EXPECT_TRUE(Near(0xFFFFFF, Pixel(32, 32)));
    Wall(20);
    EXPECT_TRUE(Near(0x8080FF, Pixel(32, 32), 3)) << std::hex << Pixel(32, 32);
    Wall(50);
    EXPECT_TRUE(Near(0x0000FF, Pixel(32, 32)));
}

TEST_F(DeviceTest, VertexShaderTransformsColoursAndAddressesRelatively) {
    // v0: position; c0..c3 identity rows; c10 red, c11 green; a0.x from c4.x picks one.
    DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};
    DWORD code[] = {D3DVS_VERSION(1, 1),
                    Op(D3DSIO_M4x4), Dst(D3DSPR_RASTOUT, D3DSRO_POSITION), Src(D3DSPR_INPUT, 0), Src(D3DSPR_CONST, 0),
                    Op(D3DSIO_MOV), Dst(D3DSPR_ADDR, 0, D3DSP_WRITEMASK_0), Src(D3DSPR_CONST, 4, D3DVS_X_X | D3DVS_Y_X | D3DVS_Z_X | D3DVS_W_X),
                    Op(D3DSIO_MOV), Dst(D3DSPR_ATTROUT, 0), Src(D3DSPR_CONST, 10, D3DVS_NOSWIZZLE, false, true),
                    D3DVS_END()};
    DWORD handle = 0;
    ASSERT_EQ(D3D_OK, device->CreateVertexShader(decl, code, &handle, 0));
    float consts[6][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {1.7f, 0, 0, 0}, {0, 0, 0, 0}};
    device->SetVertexShaderConstant(0, consts, 5);
    float red[4] = {1, 0, 0, 1}, green[4] = {0, 1, 0, 1};
    device->SetVertexShaderConstant(10, red, 1);
    device->SetVertexShaderConstant(11, green, 1);
    DiffuseOnly(device);
    device->SetVertexShader(handle);
    float quad[4][3] = {{-1, 1, 0.5f}, {1, 1, 0.5f}, {-1, -1, 0.5f}, {1, -1, 0.5f}};
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, 12));
    EXPECT_TRUE(Near(0x00FF00, Pixel(32, 32))) << std::hex << Pixel(32, 32);  // floor(1.7) = 1: green
    device->SetVertexShader(D3DFVF_XYZ);
    EXPECT_EQ(D3D_OK, device->DeleteVertexShader(handle));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetVertexShader(handle));
}

TEST_F(DeviceTest, UpdatingOtherResourcesMidFrameKeepsTheBoundOnes) {
    IDirect3DTexture8* red = Texture(1, 1, D3DFMT_X8R8G8B8, {0xFF0000});
    IDirect3DTexture8* blue = Texture(1, 1, D3DFMT_X8R8G8B8, {0x0000FF});
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTexture(0, red);
    Quad(0, 0, 8, 8, 0.5f, 0xFFFFFFFF);
    D3DLOCKED_RECT lr;
    blue->LockRect(0, &lr, nullptr, 0);
    *static_cast<DWORD*>(lr.pBits) = 0x00FF00;
    blue->UnlockRect(0);
    Quad(8, 0, 16, 8, 0.5f, 0xFFFFFFFF);
    EXPECT_TRUE(Near(0xFF0000, Pixel(12, 4))) << std::hex << Pixel(12, 4);
    device->SetTexture(0, nullptr);
    // The same for index buffers: refilling one that is not bound leaves the bound one in use.
    DiffuseOnly(device);
    TLVertex v[4] = {{-0.5f, 15.5f, 0.5f, 1, 0xFF00FF00, 0, 0}, {7.5f, 15.5f, 0.5f, 1, 0xFF00FF00, 0, 0},
                     {-0.5f, 23.5f, 0.5f, 1, 0xFF00FF00, 0, 0}, {7.5f, 23.5f, 0.5f, 1, 0xFF00FF00, 0, 0}};
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ibs[2] = {};
    const uint16_t full[6] = {0, 1, 2, 2, 1, 3}, none[6] = {0, 0, 0, 0, 0, 0};
    device->CreateVertexBuffer(sizeof(v), 0, kTLFvf, D3DPOOL_MANAGED, &vb);
    Fill(vb, v, sizeof(v));
    for (int i = 0; i < 2; ++i) {
        device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ibs[i]);
        Fill(ibs[i], full, 12);
    }
    device->SetVertexShader(kTLFvf);
    device->SetStreamSource(0, vb, sizeof(TLVertex));
    device->SetIndices(ibs[0], 0);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2);
    Fill(ibs[1], none, 12);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2);
    EXPECT_TRUE(Near(0x00FF00, Pixel(4, 20))) << std::hex << Pixel(4, 20);
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    vb->Release();
    ibs[0]->Release();
    ibs[1]->Release();
    red->Release();
    blue->Release();
}

TEST_F(DeviceTest, MipFilterChoosesLevels) {
    IDirect3DTexture8* t = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(16, 16, 3, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t));
    const DWORD colours[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    for (UINT level = 0; level < 3; ++level) FillLevel(t, level, 16, colours[level]);
    device->SetTexture(0, t);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    struct Case { DWORD mipFilter, maxLevel; float size; DWORD expect; } cases[] = {
        {D3DTEXF_NONE, 0, 4, 0xFF0000},    // 16 texels over 4 pixels, but no mip filter: level 0
        {D3DTEXF_POINT, 0, 4, 0x0000FF},   // level 2 matches the footprint
        {D3DTEXF_POINT, 0, 32, 0xFF0000},  // magnified
        {D3DTEXF_POINT, 1, 32, 0x00FF00},  // magnified, but the most detailed level allowed is 1
    };
    for (const Case& c : cases) {
        device->SetTextureStageState(0, D3DTSS_MIPFILTER, c.mipFilter);
        device->SetTextureStageState(0, D3DTSS_MAXMIPLEVEL, c.maxLevel);
        Quad(0, 0, c.size, c.size, 0.5f, 0);
        EXPECT_TRUE(Near(c.expect, Pixel(1, 1))) << c.mipFilter << " " << c.size << std::hex << " " << Pixel(1, 1);
    }
    device->SetTexture(0, nullptr);
    t->Release();
}

// Levels never written draw black, whether the texture was never locked or only
// some levels were; a level written after the texture was first drawn with shows.
TEST_F(DeviceTest, LevelsNeverWrittenDrawBlackAndLaterWritesShow) {
    IDirect3DTexture8* t = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(16, 16, 3, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t));
    auto fill = [&](UINT level, DWORD colour) { FillLevel(t, level, 16, colour); };
    device->SetTexture(0, t);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
    auto drawn = [&](float size) {
        Quad(0, 0, size, size, 0.5f, 0);
        return Pixel(1, 1);
    };
    EXPECT_TRUE(Near(0x000000, drawn(32))) << "never locked: " << std::hex << Pixel(1, 1);
    fill(0, 0xFF0000);
    EXPECT_TRUE(Near(0xFF0000, drawn(32))) << "level 0 written after the first draw: " << std::hex << Pixel(1, 1);
    EXPECT_TRUE(Near(0x000000, drawn(4))) << "level 2 never written: " << std::hex << Pixel(1, 1);
    fill(2, 0x0000FF);
    EXPECT_TRUE(Near(0x0000FF, drawn(4))) << "level 2 written last: " << std::hex << Pixel(1, 1);
    device->SetTexture(0, nullptr);
    t->Release();

    // Filled before its first draw, except level 1.
    ASSERT_EQ(D3D_OK, device->CreateTexture(16, 16, 3, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t));
    fill(0, 0x00FF00);
    fill(2, 0x00FF00);
    device->SetTexture(0, t);
    EXPECT_TRUE(Near(0x00FF00, drawn(4))) << std::hex << Pixel(1, 1);
    EXPECT_TRUE(Near(0x000000, drawn(8))) << "level 1 never written: " << std::hex << Pixel(1, 1);
    device->SetTexture(0, nullptr);
    t->Release();
}

TEST_F(DeviceTest, SixteenBitTextureFormatsDrawTheirColours) {
    struct Case { D3DFORMAT format; uint16_t texel; DWORD rgb; bool opaque; } cases[] = {
        {D3DFMT_R5G6B5, 0xF800, 0xFF0000, true},   {D3DFMT_X1R5G5B5, 0x03E0, 0x00FF00, true},
        {D3DFMT_A1R5G5B5, 0x001F, 0x0000FF, false}, {D3DFMT_A4R4G4B4, 0x8F00, 0xFF0000, false},
    };
    // Texture colour, and texture alpha blended over white.
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    for (const Case& c : cases) {
        IDirect3DTexture8* t = nullptr;
        ASSERT_EQ(D3D_OK, device->CreateTexture(2, 2, 1, 0, c.format, D3DPOOL_MANAGED, &t));
        D3DLOCKED_RECT lr;
        t->LockRect(0, &lr, nullptr, 0);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) reinterpret_cast<uint16_t*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] = c.texel;
        t->UnlockRect(0);
        device->SetTexture(0, t);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        Quad(0, 0, 4, 4, 0.5f, 0xFFFFFFFF);
        EXPECT_TRUE(Near(c.rgb, Pixel(2, 2), 2)) << "format " << c.format << std::hex << " got " << Pixel(2, 2);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        Quad(0, 0, 4, 4, 0.5f, 0xFFFFFFFF);
        DWORD expect = c.opaque ? c.rgb : (c.format == D3DFMT_A1R5G5B5 ? 0xFFFFFF : 0xFF7777);
        EXPECT_TRUE(Near(expect, Pixel(2, 2), 3)) << "format " << c.format << std::hex << " blended " << Pixel(2, 2);
        device->SetTexture(0, nullptr);
        t->Release();
    }
}

// 32-bit texels draw with their channels in place, X8R8G8B8 as opaque, and a level read back
// after drawing holds the bytes written, alpha byte included.
TEST_F(DeviceTest, ThirtyTwoBitTexelsDrawTheirChannelsAndReadBackAsWritten) {
    const DWORD texel = 0x80FF4020;
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}) {
        IDirect3DTexture8* t = Texture(2, 2, format, {texel, texel, texel, texel});
        device->SetTexture(0, t);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        Quad(0, 0, 4, 4, 0.5f, 0xFFFFFFFF);
        EXPECT_TRUE(Near(0xFF4020, Pixel(2, 2), 2)) << "format " << format << std::hex << " got " << Pixel(2, 2);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        Quad(0, 0, 4, 4, 0.5f, 0xFFFFFFFF);
        const DWORD blended = format == D3DFMT_A8R8G8B8 ? 0xFF9F8F : 0xFF4020;
        EXPECT_TRUE(Near(blended, Pixel(2, 2), 3)) << "format " << format << std::hex << " blended " << Pixel(2, 2);
        D3DLOCKED_RECT lr;
        ASSERT_EQ(D3D_OK, t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                EXPECT_EQ(texel, reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch)[x]);
        t->UnlockRect(0);
        device->SetTexture(0, nullptr);
        t->Release();
    }
}

// The border colour draws as the Direct3D colour whatever the texture's channel order: red stays
// red on 32-bit and 16-bit textures (one stage, formats in turn; X8R8G8B8 as opaque), and an
// alpha-only texture takes its border's alpha, not its red.
TEST_F(DeviceTest, BorderColourDrawsInItsOwnChannelsOnEveryFormat) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_BORDER);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    struct Case {
        D3DFORMAT format;
        DWORD border, drawn;  // drawn over white, blended by the border's alpha as read
    };
    const Case cases[] = {{D3DFMT_A8R8G8B8, 0x80FF4020, 0xFF9F8F}, {D3DFMT_X8R8G8B8, 0x80FF4020, 0xFF4020},
                          {D3DFMT_R5G6B5, 0xFFFF4020, 0xFF4020},   {D3DFMT_A1R5G5B5, 0xFFFF4020, 0xFF4020},
                          {D3DFMT_A8, 0x40FF00FF, 0xBFBFBF}};
    for (const Case& c : cases) {
        IDirect3DTexture8* t = nullptr;
        ASSERT_EQ(D3D_OK, device->CreateTexture(2, 2, 1, 0, c.format, D3DPOOL_MANAGED, &t));
        D3DLOCKED_RECT lr;
        ASSERT_EQ(D3D_OK, t->LockRect(0, &lr, nullptr, 0));
        std::memset(lr.pBits, 0, static_cast<size_t>(lr.Pitch) * 2);
        t->UnlockRect(0);
        device->SetTexture(0, t);
        device->SetTextureStageState(0, D3DTSS_BORDERCOLOR, c.border);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        Quad(0, 0, 8, 8, 0.5f, 0xFFFFFFFF, 2);  // u past 1 on the right half
        EXPECT_TRUE(Near(c.drawn, Pixel(6, 4), 3))
            << "format " << c.format << std::hex << " border " << c.border << " got " << Pixel(6, 4);
        device->SetTexture(0, nullptr);
        t->Release();
    }
}

// An additive indexed list leaves out only triangles that cannot change a pixel: those
// whose three vertex colours are black, while no depth is written. A triangle with one
// black corner still adds its blend, and with depth writes on black triangles keep
// their depth.
TEST_F(DeviceTest, AdditiveIndexedListsLeaveOutOnlyTrianglesThatChangeNothing) {
    TLVertex v[12];
    const DWORD corners[3][4] = {{0xFF402010, 0xFF402010, 0xFF402010, 0xFF402010},
                                 {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000},
                                 {0xFF000000, 0xFF808080, 0xFF808080, 0xFF808080}};
    for (int q = 0; q < 3; ++q)
        for (int i = 0; i < 4; ++i)
            v[q * 4 + i] = {q * 8.0f + ((i == 1 || i == 2) ? 8.0f : 0.0f) - 0.5f, (i >= 2 ? 8.0f : 0.0f) - 0.5f, 0.2f,
                            1, corners[q][i], 0, 0};
    uint16_t indices[18];
    for (uint16_t q = 0; q < 3; ++q) {
        const uint16_t b = uint16_t(q * 4), quad[6] = {b, uint16_t(b + 1), uint16_t(b + 2), b, uint16_t(b + 2), uint16_t(b + 3)};
        std::memcpy(indices + q * 6, quad, sizeof(quad));
    }
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(sizeof(v), D3DUSAGE_WRITEONLY, kTLFvf, D3DPOOL_MANAGED, &vb));
    ASSERT_EQ(D3D_OK, device->CreateIndexBuffer(sizeof(indices), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib));
    Fill(vb, v, sizeof(v));
    Fill(ib, indices, sizeof(indices));
    DiffuseOnly(device);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetVertexShader(kTLFvf);
    device->SetStreamSource(0, vb, sizeof(TLVertex));
    device->SetIndices(ib, 0);
    for (const bool depthWrite : {false, true}) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF204060, 1.0f, 0);
        device->SetRenderState(D3DRS_ZWRITEENABLE, depthWrite);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetVertexShader(kTLFvf);
        device->SetStreamSource(0, vb, sizeof(TLVertex));
        ASSERT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 12, 0, 6));
        EXPECT_TRUE(Near(0x606070, Pixel(3, 3))) << std::hex << Pixel(3, 3);
        EXPECT_TRUE(Near(0x204060, Pixel(11, 3))) << std::hex << Pixel(11, 3);
        EXPECT_FALSE(Near(0x204060, Pixel(21, 4), 8)) << "one black corner still adds";
        // An opaque quad behind them shows only where nothing wrote a nearer depth.
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        Quad(0, 0, 24, 8, 0.5f, 0xFF00FF00);
        EXPECT_EQ(!depthWrite, Near(0x00FF00, Pixel(11, 3))) << "depth write " << depthWrite;
    }
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
}
