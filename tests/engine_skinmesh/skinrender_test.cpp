// An animated skinned model drawn with the vs.1.1 skinning shaders on the real device, at
// three animation times, against the same model blended on the CPU and drawn untransformed.
#include <gtest/gtest.h>

#include <cmath>

#include "blended_vertex.h"
#include "d3dx8.h"
#include "offscreen_device.h"
#include "renderdevice.h"
#include "renderer.h"
#include "skinmesh.h"

namespace {

constexpr UINT kSize = 128;

struct ColourVertex { float x, y, z; D3DCOLOR colour; };

D3DXMATRIX toD3DX(const Matrix& m) { return D3DXMATRIX(&m.m[0][0]); }

class SkinRender : public quiltest::OffscreenDeviceTest {
protected:
    void SetUp() override {
        Open(kSize, kSize);
        RenderDevice_Bind(device);
        GetRenderer()->SetDefaultStates();
        D3DXMatrixPerspectiveFovLH(&proj, 1.0f, 1.0f, 1.0f, 100.0f);
        Matrix* view = GetRenderer()->GetViewMatrix();
        mat_Identity(view);
        view->m[3][1] = 4.0f, view->m[3][2] = 14.0f;
    }
    void TearDown() override {
        mesh.InvalidateDeviceObjects();
        RenderDevice_Unbind();
        OffscreenDeviceTest::TearDown();
    }
    void begin() {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 1.0f, 0);
        device->BeginScene();
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        D3DXMATRIX t;
        D3DXMatrixTranspose(&t, &proj);
        device->SetVertexShaderConstant(2, &t, 4);
        GetRenderer()->SetRenderMode(0);
        GetRenderer()->SetRenderMode(4);
    }
    quil_automation::RgbaImage end() {
        device->EndScene();
        return Frame();
    }

    // The converted mesh blended on the CPU with the same matrices and lighting.
    void drawCpuBlend() {
        SkinMeshContainer* c = mesh.GetElements()->FindFrame("Upper")->pMeshContainers;
        ASSERT_NE(c, nullptr);
        const auto* combos = static_cast<const D3DXBONECOMBINATION*>(c->pBoneCombinations->GetBufferPointer());
        const UINT stride = D3DXGetFVFVertexSize(c->pMesh->GetFVF());
        const DWORD influences = c->uInfluences;
        BYTE *vb = nullptr, *ib = nullptr;
        ASSERT_EQ(c->pMesh->LockVertexBuffer(D3DLOCK_READONLY, &vb), D3D_OK);
        ASSERT_EQ(c->pMesh->LockIndexBuffer(D3DLOCK_READONLY, &ib), D3D_OK);
        const D3DXMATRIX worldView = toD3DX(mesh.GetWorldView());
        const float* l = &dev_constants_c1_c8[0];
        std::vector<ColourVertex> tris;
        for (DWORD s = 0; s < c->uSubsetCount; ++s) {
            for (DWORD f = combos[s].FaceStart; f < combos[s].FaceStart + combos[s].FaceCount; ++f) {
                for (int k = 0; k < 3; ++k) {
                    WORD index;
                    std::memcpy(&index, ib + (f * 3 + k) * 2, 2);
                    const BYTE* v = vb + index * stride;
                    D3DXVECTOR3 pos, normal, outPos(0, 0, 0), outNormal(0, 0, 0);
                    std::memcpy(&pos, v, 12);
                    std::memcpy(&normal, quiltest::NormalOf(v, influences), 12);
                    for (const auto& [bone, w] : quiltest::BlendOf(v, influences, combos[s])) {
                        D3DXMATRIX m = toD3DX(c->pBoneOffsetMatrices[bone]) * toD3DX(*c->ppBoneMatrices[bone]) * worldView;
                        D3DXVECTOR3 p, n;
                        D3DXVec3TransformCoord(&p, &pos, &m);
                        D3DXVec3TransformNormal(&n, &normal, &m);
                        outPos += D3DXVECTOR3(p.x * w, p.y * w, p.z * w);
                        outNormal += D3DXVECTOR3(n.x * w, n.y * w, n.z * w);
                    }
                    D3DXVec3Normalize(&outNormal, &outNormal);
                    const float ndotl = std::fmax(0.0f, outNormal.x * l[0] + outNormal.y * l[1] + outNormal.z * l[2]);
                    auto channel = [&](int i) {
                        const float value = std::fmin(ndotl * l[8 + i] + l[4 + i], 1.0f);
                        return DWORD(value * 255.0f + 0.5f);
                    };
                    tris.push_back({outPos.x, outPos.y, outPos.z,
                                    0xFF000000u | channel(0) << 16 | channel(1) << 8 | channel(2)});
                }
            }
        }
        c->pMesh->UnlockIndexBuffer();
        c->pMesh->UnlockVertexBuffer();
        D3DXMATRIX identity(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(tris.size() / 3), tris.data(), sizeof(ColourVertex));
    }

    D3DXMATRIX proj;
    SkinMesh mesh;
    float dev_constants_c1_c8[12] = {};
};

TEST_F(SkinRender, ShaderSkinningMatchesCpuBlendAtThreeTimes) {
    mesh.Setup(QUIL_TEST_DATA_DIR "/render_arm.x", "");
    mesh.SetRenderMode(4);
    mesh.SetSkinLight(0, Vec3(0, 0, -30), 0x00FFFFFF, 100.0f);
    mesh.SetSkinLight(1, Vec3(-20, 0, -10), 0x004080FF, 40.0f);
    const float steps[3] = {0.0f, 0.3f, 0.35f};
    for (int i = 0; i < 3; ++i) {
        mesh.Update(steps[i]);
        begin();
        mesh.Render();
        ASSERT_NE(mesh.GetElements(), nullptr);
        device->GetVertexShaderConstant(1, dev_constants_c1_c8, 1);
        device->GetVertexShaderConstant(7, dev_constants_c1_c8 + 4, 2);
        quil_automation::RgbaImage shader = end();

        begin();
        drawCpuBlend();
        quil_automation::RgbaImage cpu = end();

        int covered = 0;
        for (int y = 0; y < int(kSize); ++y)
            for (int x = 0; x < int(kSize); ++x) covered += cpu.At(x, y) != 0xFF203040u;
        EXPECT_GT(covered, 300) << "time " << i;
        const int different = quil_automation::CountDifferentPixels(shader, cpu, 8);
        EXPECT_LE(different, 40) << "time " << i << ": " << different << " of " << covered << " pixels differ";
        if (different > 40) quil_automation::WritePng("skin_shader_" + std::to_string(i) + ".png", shader);
        if (i > 0) continue;
        // The device is lost and reset while a second user shares the model and its shaders.
        SkinMesh other;
        other.Setup(QUIL_TEST_DATA_DIR "/render_arm.x", "");
        other.RestoreDeviceObjects();
        quil_automation::MakeDeviceLost(device);
        mesh.InvalidateDeviceObjects();
        D3DPRESENT_PARAMETERS pp = {kSize, kSize, D3DFMT_UNKNOWN, 1, D3DMULTISAMPLE_NONE, D3DSWAPEFFECT_DISCARD,
                                    nullptr, TRUE, TRUE, D3DFMT_D16, 0, 0, 0};
        ASSERT_EQ(device->Reset(&pp), D3D_OK);
    }
}

}  // namespace
