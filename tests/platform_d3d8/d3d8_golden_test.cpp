// Whole-frame reference images: the twelve render-mode recipes, a lit and fogged
// scene, and a sample scene with textures, blending and text-like quads. A missing
// reference is written (and reported); an existing one is only compared.
#include <cmath>
#include <string>

#include "d3d8_test_util.h"

using namespace d3d8_test;

namespace {

const std::string kGoldenDir = std::string(QUIL_SOURCE_DIR) + "/tests/golden/d3d8/";

D3DMATRIX Translation(float x, float y, float z) {
    D3DMATRIX m = Identity();
    m._41 = x;
    m._42 = y;
    m._43 = z;
    return m;
}

D3DMATRIX RotationY(float a) {
    D3DMATRIX m = Identity();
    m._11 = std::cos(a);
    m._13 = -std::sin(a);
    m._31 = std::sin(a);
    m._33 = std::cos(a);
    return m;
}

// Left-handed look-at view matrix.
D3DMATRIX LookAt(D3DVECTOR eye, D3DVECTOR at) {
    D3DVECTOR z = {at.x - eye.x, at.y - eye.y, at.z - eye.z};
    float l = std::sqrt(z.x * z.x + z.y * z.y + z.z * z.z);
    z = {z.x / l, z.y / l, z.z / l};
    D3DVECTOR x = {z.z, 0, -z.x};  // up (0,1,0) x z
    l = std::sqrt(x.x * x.x + x.z * x.z);
    x = {x.x / l, 0, x.z / l};
    D3DVECTOR y = {z.y * x.z - z.z * x.y, z.z * x.x - z.x * x.z, z.x * x.y - z.y * x.x};
    D3DMATRIX m = Identity();
    m._11 = x.x; m._21 = x.y; m._31 = x.z;
    m._12 = y.x; m._22 = y.y; m._32 = y.z;
    m._13 = z.x; m._23 = z.y; m._33 = z.z;
    m._41 = -(x.x * eye.x + x.y * eye.y + x.z * eye.z);
    m._42 = -(y.x * eye.x + y.y * eye.y + y.z * eye.z);
    m._43 = -(z.x * eye.x + z.y * eye.y + z.z * eye.z);
    return m;
}

// Compares the frame with its reference image, writing the reference when there is none.
void CheckGolden(const quil_automation::RgbaImage& frame, const std::string& name) {
    quil_automation::WritePng(name + ".actual.png", frame);
    quil_automation::RgbaImage ref;
    std::string path = kGoldenDir + name + ".png";
    if (!quil_automation::ReadPng(path, &ref)) {
        ASSERT_TRUE(quil_automation::WritePng(path, frame)) << path;
        std::printf("wrote new reference image %s\n", path.c_str());
        return;
    }
    int allowed = frame.width * frame.height / 200;  // rasteriser differences along edges
    int diff = quil_automation::CountDifferentPixels(frame, ref, 8);
    EXPECT_LE(diff, allowed) << name << ": " << diff << " pixels differ (see " << name << ".actual.png)";
}

// The twelve render-mode recipes of the renderer, as device states.
void ApplyRenderMode(IDirect3DDevice8* dev, int mode) {
    struct Recipe {
        DWORD src, dst, c0op, c0a1, c0a2, a0op, a0a1, a0a2, c1op;
        int alphaTest;  // -1 not sent, 0 FALSE, 1 TRUE
        bool blend, zwrite;
    };
    const DWORD T = D3DTA_TEXTURE, D = D3DTA_DIFFUSE, N = 0;
    static const Recipe kModes[12] = {
        {D3DBLEND_ONE, D3DBLEND_ZERO, D3DTOP_SELECTARG1, T, N, 0, N, N, D3DTOP_DISABLE, -1, false, true},
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DTOP_SELECTARG1, T, N, D3DTOP_SELECTARG1, T, N, D3DTOP_DISABLE, 1, true, true},
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DTOP_MODULATE, T, D, D3DTOP_MODULATE, T, D, D3DTOP_DISABLE, 1, true, true},
        {D3DBLEND_ONE, D3DBLEND_ZERO, D3DTOP_MODULATE, T, D, 0, N, N, D3DTOP_DISABLE, -1, false, true},
        {D3DBLEND_ONE, D3DBLEND_ZERO, D3DTOP_SELECTARG1, D, N, 0, N, N, D3DTOP_DISABLE, -1, false, true},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DTOP_SELECTARG1, D, N, 0, N, N, D3DTOP_DISABLE, -1, true, false},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DTOP_SELECTARG1, T, N, 0, N, N, D3DTOP_DISABLE, -1, true, false},
        {D3DBLEND_ONE, D3DBLEND_ONE, D3DTOP_MODULATE, T, D, D3DTOP_MODULATE, T, D, D3DTOP_DISABLE, 0, true, false},
        {D3DBLEND_ONE, D3DBLEND_ZERO, D3DTOP_MODULATE, T, D, 0, N, N, D3DTOP_MODULATE, -1, false, true},
        {D3DBLEND_ONE, D3DBLEND_ZERO, D3DTOP_SELECTARG1, T, N, 0, N, N, D3DTOP_MODULATE, -1, false, true},
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DTOP_MODULATE, T, D, D3DTOP_MODULATE, T, D, D3DTOP_MODULATE, 1, true, true},
        {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DTOP_SELECTARG1, T, N, D3DTOP_SELECTARG1, T, N, D3DTOP_MODULATE, 1, true, true},
    };
    const Recipe& r = kModes[mode];
    dev->SetRenderState(D3DRS_SRCBLEND, r.src);
    dev->SetRenderState(D3DRS_DESTBLEND, r.dst);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, r.c0a1);
    if (r.c0a2) dev->SetTextureStageState(0, D3DTSS_COLORARG2, r.c0a2);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, r.c0op);
    if (r.a0op) {
        dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, r.a0a1);
        if (r.a0a2) dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, r.a0a2);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, r.a0op);
    }
    dev->SetTextureStageState(1, D3DTSS_COLOROP, r.c1op);
    if (r.c1op == D3DTOP_MODULATE) {
        dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
        dev->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    }
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, r.alphaTest == 1 ? TRUE : FALSE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, r.blend ? TRUE : FALSE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, r.zwrite ? TRUE : FALSE);
}

// A device of the size each scene asks for; textures made through MakeTexture are released at the end.
class GoldenTest : public DeviceTest {
protected:
    void SetUp() override {}
    void TearDown() override {
        for (IDirect3DTexture8* t : textures) t->Release();
        DeviceTest::TearDown();
    }
    template <typename F>
    IDirect3DTexture8* MakeTexture(UINT size, D3DFORMAT fmt, F texel) {
        std::vector<DWORD> texels;
        for (UINT y = 0; y < size; ++y)
            for (UINT x = 0; x < size; ++x) texels.push_back(texel(x, y));
        textures.push_back(Texture(size, size, fmt, texels));
        return textures.back();
    }
    std::vector<IDirect3DTexture8*> textures;
};

struct TL2 {
    float x, y, z, rhw;
    D3DCOLOR c;
    float u0, v0, u1, v1;
};

}  // namespace

TEST_F(GoldenTest, TwelveRenderModes) {
    Open(256, 192);
    IDirect3DTexture8* tex = MakeTexture(16, D3DFMT_A8R8G8B8, [](UINT x, UINT y) {
        DWORD a = x * 17;  // transparent at the left edge, opaque at the right
        DWORD c = ((x / 4 + y / 4) & 1) ? 0xF0C040 : 0x3070E0;
        return (a << 24) | c;
    });
    IDirect3DTexture8* light = MakeTexture(16, D3DFMT_X8R8G8B8, [](UINT x, UINT y) {
        float dx = x - 7.5f, dy = y - 7.5f;
        DWORD l = static_cast<DWORD>(std::max(0.0f, 255.0f - 25.0f * std::sqrt(dx * dx + dy * dy)));
        return (l << 16) | (l << 8) | l;
    });
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    dev->SetRenderState(D3DRS_ALPHAREF, 8);
    dev->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev->BeginScene();
    for (int mode = 0; mode < 12; ++mode) {
        float x0 = (mode % 4) * 64.0f, y0 = (mode / 4) * 64.0f;
        // Background: grey bars so that blending shows.
        ApplyRenderMode(dev, 4);
        dev->SetTexture(0, nullptr);
        dev->SetTexture(1, nullptr);
        for (int b = 0; b < 4; ++b) {
            D3DCOLOR c = b & 1 ? 0xFF606060 : 0xFF202020;
            float bx = x0 + b * 16.0f;
            TL2 v[4] = {{bx, y0, 0.9f, 1, c, 0, 0, 0, 0}, {bx + 16, y0, 0.9f, 1, c, 0, 0, 0, 0},
                        {bx, y0 + 64, 0.9f, 1, c, 0, 0, 0, 0}, {bx + 16, y0 + 64, 0.9f, 1, c, 0, 0, 0, 0}};
            dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TL2));
        }
        ApplyRenderMode(dev, mode);
        dev->SetTexture(0, tex);
        dev->SetTexture(1, light);
        TL2 q[4] = {{x0 + 6, y0 + 6, 0.5f, 1, 0xC0FF4040, 0, 0, 0, 0},
                    {x0 + 58, y0 + 6, 0.5f, 1, 0xC040FF40, 1, 0, 1, 0},
                    {x0 + 6, y0 + 58, 0.5f, 1, 0xC04040FF, 0, 1, 0, 1},
                    {x0 + 58, y0 + 58, 0.5f, 1, 0xC0FFFFFF, 1, 1, 1, 1}};
        ASSERT_EQ(D3D_OK, dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TL2)));
    }
    dev->EndScene();
    dev->SetTexture(0, nullptr);
    dev->SetTexture(1, nullptr);
    quil_automation::RgbaImage frame = Frame();
    CheckGolden(frame, "render_modes");
}

namespace {

// Draws the lit part shared by the two scenes: a tessellated floor and three cubes.
void DrawLitScene(IDirect3DDevice8* dev, IDirect3DTexture8* floorTexture) {
    D3DMATRIX proj = Perspective(1.0471976f, 4.0f / 3.0f, 1.0f, 200.0f);
    D3DMATRIX view = LookAt({0, 18, -40}, {0, 0, 10});
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    dev->SetTransform(D3DTS_VIEW, &view);
    dev->SetRenderState(D3DRS_LIGHTING, TRUE);
    dev->SetRenderState(D3DRS_AMBIENT, 0xFF181818);
    D3DMATERIAL8 mat = {};
    mat.Diffuse = {1, 1, 1, 1};
    mat.Ambient = {1, 1, 1, 1};
    dev->SetMaterial(&mat);
    const D3DCOLORVALUE colours[3] = {{1, 0.3f, 0.2f, 1}, {0.2f, 1, 0.3f, 1}, {0.3f, 0.4f, 1, 1}};
    const D3DVECTOR places[3] = {{-15, 6, 0}, {0, 6, 20}, {15, 6, 0}};
    for (int i = 0; i < 3; ++i) {
        D3DLIGHT8 l = {};
        l.Type = D3DLIGHT_POINT;
        l.Diffuse = colours[i];
        l.Position = places[i];
        l.Range = 30;
        l.Attenuation0 = 0.5f;
        l.Attenuation1 = 0.02f;
        dev->SetLight(i, &l);
        dev->LightEnable(i, TRUE);
    }
    dev->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev->SetRenderState(D3DRS_FOGCOLOR, 0xFF303848);
    dev->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    dev->SetRenderState(D3DRS_FOGSTART, F2DW(30.0f));
    dev->SetRenderState(D3DRS_FOGEND, F2DW(90.0f));
    struct V { float x, y, z, nx, ny, nz, u, v; };
    const int n = 24;
    std::vector<V> floor;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            float x0 = -60 + i * 5.0f, z0 = -20 + j * 5.0f;
            V a = {x0, 0, z0 + 5, 0, 1, 0, i * 0.5f, j * 0.5f + 0.5f}, b = {x0 + 5, 0, z0 + 5, 0, 1, 0, i * 0.5f + 0.5f, j * 0.5f + 0.5f};
            V c = {x0, 0, z0, 0, 1, 0, i * 0.5f, j * 0.5f}, d = {x0 + 5, 0, z0, 0, 1, 0, i * 0.5f + 0.5f, j * 0.5f};
            floor.insert(floor.end(), {a, b, c, c, b, d});
        }
    D3DMATRIX id = Identity();
    dev->SetTransform(D3DTS_WORLD, &id);
    dev->SetTexture(0, floorTexture);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, floorTexture ? D3DTOP_MODULATE : D3DTOP_SELECTARG2);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    dev->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(floor.size() / 3), floor.data(), sizeof(V));
    dev->SetTexture(0, nullptr);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    // Cubes through a vertex and an index buffer.
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    dev->CreateVertexBuffer(24 * sizeof(V), D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1,
                            D3DPOOL_MANAGED, &vb);
    dev->CreateIndexBuffer(36 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib);
    BYTE* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    V* cv = reinterpret_cast<V*>(p);
    const float N[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (int f = 0; f < 6; ++f) {
        float nx = N[f][0], ny = N[f][1], nz = N[f][2];
        // Two axes across the face, chosen so the corners come clockwise seen from outside.
        float ux = ny != 0 ? 1 : nz, uy = 0, uz = ny != 0 ? 0 : -nx;
        float vx = ny * uz - nz * uy, vy = nz * ux - nx * uz, vz = nx * uy - ny * ux;
        for (int k = 0; k < 4; ++k) {
            float su = (k & 1) ? 1 : -1, sv = (k & 2) ? -1 : 1;
            cv[f * 4 + k] = {3 * (nx + su * ux + sv * vx), 3 * (ny + su * uy + sv * vy), 3 * (nz + su * uz + sv * vz),
                             nx, ny, nz, 0, 0};
        }
    }
    vb->Unlock();
    ib->Lock(0, 0, &p, 0);
    uint16_t* ix = reinterpret_cast<uint16_t*>(p);
    for (int f = 0; f < 6; ++f) {
        uint16_t b = static_cast<uint16_t>(f * 4);
        uint16_t q[6] = {b, static_cast<uint16_t>(b + 1), static_cast<uint16_t>(b + 2), static_cast<uint16_t>(b + 2),
                         static_cast<uint16_t>(b + 1), static_cast<uint16_t>(b + 3)};
        std::memcpy(ix + f * 6, q, sizeof(q));
    }
    ib->Unlock();
    dev->SetStreamSource(0, vb, sizeof(V));
    dev->SetIndices(ib, 0);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    for (int i = 0; i < 3; ++i) {
        D3DMATRIX w = Mul(RotationY(0.4f + i * 0.5f), Translation(-14.0f + i * 14.0f, 3, 4.0f + i * 8));
        dev->SetTransform(D3DTS_WORLD, &w);
        dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 24, 0, 12);
    }
    dev->SetStreamSource(0, nullptr, 0);
    dev->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
    dev->SetRenderState(D3DRS_FOGENABLE, FALSE);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
}

// 5 x 7 glyphs for the letters the caption needs, one row per byte (bit 4 leftmost).
const unsigned char* Glyph(char c) {
    static const unsigned char kF[7] = {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10};
    static const unsigned char kR[7] = {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11};
    static const unsigned char kO[7] = {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E};
    static const unsigned char kS[7] = {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E};
    static const unsigned char kT[7] = {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04};
    static const unsigned char kW[7] = {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A};
    static const unsigned char kI[7] = {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E};
    static const unsigned char kC[7] = {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E};
    static const unsigned char kK[7] = {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11};
    static const unsigned char kDash[7] = {0, 0, 0, 0x1F, 0, 0, 0};
    switch (c) {
        case 'F': return kF; case 'R': return kR; case 'O': return kO; case 'S': return kS;
        case 'T': return kT; case 'W': return kW; case 'I': return kI; case 'C': return kC;
        case 'K': return kK; case '-': return kDash; default: return nullptr;
    }
}

}  // namespace

TEST_F(GoldenTest, LitFoggedSceneWithThreePointLights) {
    Open(160, 120);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF303848, 1.0f, 0);
    dev->BeginScene();
    DrawLitScene(dev, nullptr);
    dev->EndScene();
    quil_automation::RgbaImage frame = Frame();
    CheckGolden(frame, "lit_scene");
}

TEST_F(GoldenTest, SampleSceneTexturedBlendedWithText) {
    Open(320, 240);
    IDirect3DTexture8* checker = MakeTexture(32, D3DFMT_X8R8G8B8, [](UINT x, UINT y) {
        return ((x / 8 + y / 8) & 1) ? 0xFFE8E8F0u : 0xFF8090B0u;
    });
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF303848, 1.0f, 0);
    dev->BeginScene();
    DrawLitScene(dev, checker);
    // A translucent banner, then the caption as text-like quads over it.
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    dev->SetVertexShader(kTLFvf);
    TLVertex banner[4] = {{20, 14, 0, 1, 0x90102040, 0, 0}, {300, 14, 0, 1, 0x90102040, 0, 0},
                          {20, 54, 0, 1, 0x90102040, 0, 0}, {300, 54, 0, 1, 0x90102040, 0, 0}};
    dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, banner, sizeof(TLVertex));
    const char* caption = "FROST-WICK";
    std::vector<TLVertex> quads;
    const float cell = 4.0f;
    float x = 40;
    for (const char* c = caption; *c; ++c, x += 6 * cell) {
        const unsigned char* g = Glyph(*c);
        for (int row = 0; g && row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                if (!(g[row] & (0x10 >> col))) continue;
                float px = x + col * cell, py = 20 + row * cell;
                TLVertex a = {px, py, 0, 1, 0xFFFFF0C0, 0, 0}, b = {px + cell - 1, py, 0, 1, 0xFFFFF0C0, 0, 0};
                TLVertex d = {px, py + cell - 1, 0, 1, 0xFFFFC060, 0, 0}, e = {px + cell - 1, py + cell - 1, 0, 1, 0xFFFFC060, 0, 0};
                quads.insert(quads.end(), {a, b, d, d, b, e});
            }
    }
    dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(quads.size() / 3), quads.data(), sizeof(TLVertex));
    dev->EndScene();
    quil_automation::RgbaImage frame = Frame();
    CheckGolden(frame, "sample_scene");
    EXPECT_EQ(D3D_OK, dev->Present(nullptr, nullptr, nullptr, nullptr));
}
