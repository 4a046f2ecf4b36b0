// A two-bone vs.1.1 skinning shader against the same mesh blended on the CPU.
#include <cmath>

#include "d3d8_test_util.h"

using namespace d3d8_test;

namespace {

struct SkinVertex {
    float x, y, z;
    float weight;
    BYTE index[4];
    float nx, ny, nz;
    float u, v;
};

D3DMATRIX Transpose(const D3DMATRIX& a) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = a.m[j][i];
    return r;
}

// The shader: blend position and normal over two palette entries picked through
// a0.x, project with c2..c5, light with the direction c1, ambient c7, diffuse c8.
std::vector<DWORD> SkinningShader() {
    const D3DSHADER_PARAM_REGISTER_TYPE R = D3DSPR_TEMP, V = D3DSPR_INPUT, C = D3DSPR_CONST;
    const DWORD xyz = D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1 | D3DSP_WRITEMASK_2, x = D3DSP_WRITEMASK_0,
                w = D3DSP_WRITEMASK_3;
    const DWORD xxxx = Swz(0, 0, 0, 0), yyyy = Swz(1, 1, 1, 1), wwww = Swz(3, 3, 3, 3), zyxw = Swz(2, 1, 0, 3);
    return {D3DVS_VERSION(1, 1),
            Op(D3DSIO_MUL), Dst(R, 1), Src(V, 2, zyxw), Src(C, 0, wwww),
            Op(D3DSIO_ADD), Dst(R, 4, x), Src(C, 0, xxxx), Src(V, 1, xxxx, true),
            Op(D3DSIO_MOV), Dst(D3DSPR_ADDR, 0, x), Src(R, 1, xxxx),
            Op(D3DSIO_M4x3), Dst(R, 0, xyz), Src(V, 0), Src(C, 9, D3DVS_NOSWIZZLE, false, true),
            Op(D3DSIO_MUL), Dst(R, 0, xyz), Src(R, 0), Src(V, 1, xxxx),
            Op(D3DSIO_M3x3), Dst(R, 5, xyz), Src(V, 3), Src(C, 9, D3DVS_NOSWIZZLE, false, true),
            Op(D3DSIO_MUL), Dst(R, 5, xyz), Src(R, 5), Src(V, 1, xxxx),
            Op(D3DSIO_MOV), Dst(D3DSPR_ADDR, 0, x), Src(R, 1, yyyy),
            Op(D3DSIO_M4x3), Dst(R, 6, xyz), Src(V, 0), Src(C, 9, D3DVS_NOSWIZZLE, false, true),
            Op(D3DSIO_MAD), Dst(R, 0, xyz), Src(R, 6), Src(R, 4, xxxx), Src(R, 0),
            Op(D3DSIO_M3x3), Dst(R, 6, xyz), Src(V, 3), Src(C, 9, D3DVS_NOSWIZZLE, false, true),
            Op(D3DSIO_MAD), Dst(R, 5, xyz), Src(R, 6), Src(R, 4, xxxx), Src(R, 5),
            Op(D3DSIO_MOV), Dst(R, 0, w), Src(C, 0, xxxx),
            Op(D3DSIO_M4x4), Dst(D3DSPR_RASTOUT, D3DSRO_POSITION), Src(R, 0), Src(C, 2),
            Op(D3DSIO_DP3), Dst(R, 5, w), Src(R, 5), Src(R, 5),
            Op(D3DSIO_RSQ), Dst(R, 5, w), Src(R, 5, wwww),
            Op(D3DSIO_MUL), Dst(R, 5, xyz), Src(R, 5), Src(R, 5, wwww),
            Op(D3DSIO_DP3), Dst(R, 7, x), Src(R, 5), Src(C, 1),
            Op(D3DSIO_LIT), Dst(R, 8), Src(R, 7, xxxx),
            Op(D3DSIO_MAD), Dst(R, 9), Src(R, 8, yyyy), Src(C, 8), Src(C, 7),
            Op(D3DSIO_MIN), Dst(D3DSPR_ATTROUT, 0), Src(R, 9), Src(C, 0, xxxx),
            Op(D3DSIO_MOV), Dst(D3DSPR_ATTROUT, 1), Src(C, 0, Swz(2, 2, 2, 2)),
            Op(D3DSIO_MOV), Dst(D3DSPR_TEXCRDOUT, 0), Src(V, 4),
            D3DVS_END()};
}

// Draws a two-bone grid with the shader, then the same grid blended and lit on the CPU.
void DrawShaderAndCpuBlend(IDirect3DDevice8* dev, const DWORD* code, quil_automation::RgbaImage* gpuOut,
                           quil_automation::RgbaImage* cpuOut) {
    // A 12 x 12 grid in x, y; weight of bone 1 grows along x.
    std::vector<SkinVertex> verts;
    std::vector<uint16_t> indices;
    const int n = 12;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            float fx = static_cast<float>(i) / n, fy = static_cast<float>(j) / n;
            SkinVertex v = {fx * 4 - 2, fy * 4 - 2, 0, 1 - fx, {0, 1, 0, 0}, 0, 0, -1, fx, fy};
            verts.push_back(v);
        }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            uint16_t a = static_cast<uint16_t>(j * (n + 1) + i), b = static_cast<uint16_t>(a + 1),
                     c = static_cast<uint16_t>(a + n + 1), d = static_cast<uint16_t>(c + 1);
            indices.insert(indices.end(), {a, c, b, b, c, d});
        }
    // Bones: 0 still, 1 turned 0.6 rad about y and moved; both then 6 units into the view.
    D3DMATRIX bone0 = Identity(), bone1 = Identity();
    float a = 0.6f;
    bone1._11 = std::cos(a); bone1._13 = -std::sin(a); bone1._31 = std::sin(a); bone1._33 = std::cos(a);
    bone1._41 = 0.5f; bone1._42 = 0.3f;
    D3DMATRIX worldView = Identity();
    worldView._43 = 6;
    D3DMATRIX proj;
    std::memset(&proj, 0, sizeof(proj));
    proj._11 = proj._22 = 1.5f;
    proj._33 = 100.0f / 99.0f;
    proj._34 = 1;
    proj._43 = -100.0f / 99.0f;
    D3DMATRIX palette[2] = {Mul(bone0, worldView), Mul(bone1, worldView)};
    const float light[3] = {0.3f, 0.2f, -0.93f}, ambient[4] = {0.1f, 0.1f, 0.15f, 1}, diffuse[4] = {0.9f, 0.7f, 0.5f, 1};

    // GPU: the shader with constants laid out as the engine does.
    DWORD decl[] = {0x20000000, 0x40020000, 0x40000001, 0x40040002, 0x40020003, 0x40010004, 0xFFFFFFFF};
    DWORD shader = 0;
    ASSERT_EQ(D3D_OK, dev->CreateVertexShader(decl, code, &shader, 0));
    float c0[4] = {1, 1, 0, 765.01f}, c1[4] = {light[0], light[1], light[2], 0};
    dev->SetVertexShaderConstant(0, c0, 1);
    dev->SetVertexShaderConstant(1, c1, 1);
    D3DMATRIX pt = Transpose(proj);
    dev->SetVertexShaderConstant(2, &pt, 4);
    dev->SetVertexShaderConstant(7, ambient, 1);
    dev->SetVertexShaderConstant(8, diffuse, 1);
    for (int b = 0; b < 2; ++b) {
        D3DMATRIX t = Transpose(palette[b]);
        dev->SetVertexShaderConstant(9 + 3 * b, &t, 3);
    }
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    dev->CreateVertexBuffer(static_cast<UINT>(verts.size() * sizeof(SkinVertex)), D3DUSAGE_WRITEONLY, 0,
                            D3DPOOL_MANAGED, &vb);
    dev->CreateIndexBuffer(static_cast<UINT>(indices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                           D3DPOOL_MANAGED, &ib);
    BYTE* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, verts.data(), verts.size() * sizeof(SkinVertex));
    vb->Unlock();
    ib->Lock(0, 0, &p, 0);
    std::memcpy(p, indices.data(), indices.size() * 2);
    ib->Unlock();
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev->SetVertexShader(shader);
    dev->SetStreamSource(0, vb, sizeof(SkinVertex));
    dev->SetIndices(ib, 0);
    ASSERT_EQ(D3D_OK, dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(verts.size()), 0,
                                                static_cast<UINT>(indices.size() / 3)));
    ASSERT_TRUE(quil_automation::ReadBackBuffer(dev, gpuOut));

    // CPU: the same blend and lighting, drawn pre-lit through the fixed-function pipeline.
    struct Lit { float x, y, z; D3DCOLOR c; };
    std::vector<Lit> cpu;
    for (const SkinVertex& v : verts) {
        float w[2] = {v.weight, 1 - v.weight};
        float pos[3] = {0, 0, 0}, nrm[3] = {0, 0, 0};
        for (int b = 0; b < 2; ++b) {
            const D3DMATRIX& m = palette[v.index[b]];
            for (int k = 0; k < 3; ++k) {
                pos[k] += w[b] * (v.x * m.m[0][k] + v.y * m.m[1][k] + v.z * m.m[2][k] + m.m[3][k]);
                nrm[k] += w[b] * (v.nx * m.m[0][k] + v.ny * m.m[1][k] + v.nz * m.m[2][k]);
            }
        }
        float len = std::sqrt(nrm[0] * nrm[0] + nrm[1] * nrm[1] + nrm[2] * nrm[2]);
        float nl = std::max(0.0f, (nrm[0] * light[0] + nrm[1] * light[1] + nrm[2] * light[2]) / len);
        auto ch = [&](int k) { return static_cast<DWORD>(std::min(1.0f, nl * diffuse[k] + ambient[k]) * 255 + 0.5f); };
        cpu.push_back({pos[0], pos[1], pos[2], 0xFF000000u | (ch(0) << 16) | (ch(1) << 8) | ch(2)});
    }
    std::vector<Lit> tris;
    for (uint16_t i : indices) tris.push_back(cpu[i]);
    D3DMATRIX id = Identity();
    dev->SetTransform(D3DTS_WORLD, &id);
    dev->SetTransform(D3DTS_VIEW, &id);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(D3D_OK, dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(tris.size() / 3), tris.data(),
                                           sizeof(Lit)));
    ASSERT_TRUE(quil_automation::ReadBackBuffer(dev, cpuOut));
    dev->SetStreamSource(0, nullptr, 0);
    dev->SetIndices(nullptr, 0);
    dev->DeleteVertexShader(shader);
    vb->Release();
    ib->Release();
}

}  // namespace

TEST_F(DeviceTest, VertexShaderSkinningMatchesTheCpuBlend) {
    std::vector<DWORD> code = SkinningShader();
    quil_automation::RgbaImage gpu, reference;
    DrawShaderAndCpuBlend(dev, code.data(), &gpu, &reference);
    int covered = 0;
    for (int y = 0; y < static_cast<int>(kSize); ++y)
        for (int x = 0; x < static_cast<int>(kSize); ++x)
            if (reference.At(x, y) & 0xFFFFFF) ++covered;
    EXPECT_GT(covered, 1000);  // the mesh fills a good part of the frame
    EXPECT_LE(quil_automation::CountDifferentPixels(gpu, reference, 3), 40);
}
