// Loading skinned models from .x files, their failure reports, and the skinning draw: the
// palette constants, checked against the same vertices blended on the CPU.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "d3dx8.h"
#include "quil_automation.h"
#include "renderdevice.h"
#include "renderer.h"
#include "skinmesh.h"
#include "../platform_d3dx8_mesh/fake_device.h"

namespace {

std::string dataPath(const char* name) { return std::string(QUIL_TEST_DATA_DIR) + "/" + name; }

class SkinLoad : public ::testing::Test {
protected:
    void SetUp() override {
        quil_automation::SetHeadless(true);
        quil_automation::ClearMessageBoxesShown();
        D3DCAPS8 caps{};
        caps.VertexShaderVersion = 0xFFFE0101;
        D3DSURFACE_DESC desc{};
        RenderDevice_Bind(&dev, caps, desc);
        mat_Identity(GetRenderer()->GetViewMatrix());
    }
    void TearDown() override {
        mesh.InvalidateDeviceObjects();
        RenderDevice_Unbind();
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& m : quil_automation::MessageBoxesShown()) {
            for (const char* t : {"Could not load animation data", "Could not load Animation set",
                                  "Could not Load Skinned mesh frames", "Could not Load Skinned mesh",
                                  "Invalid Filename given to Load Skinned mesh"})
                if (m.text.find(t) != std::string::npos) {
                    out.push_back(t);
                    break;
                }
        }
        return out;
    }
    // Loads a .x text written to a file of the build folder.
    HRESULT loadText(const std::string& body) {
        std::ofstream("skinload_tmp.x") << "xof 0303txt 0032\n" << body;
        return mesh.LoadMeshHierarchy("skinload_tmp.x");
    }
    FakeDevice dev;
    SkinMesh mesh;
};

TEST_F(SkinLoad, WalkerLoadsFramesSkinAndAnimations) {
    ASSERT_EQ(mesh.LoadMeshHierarchy(dataPath("walker.x").c_str()), S_OK);
    EXPECT_TRUE(messages().empty());
    SkinDrawElement* e = mesh.GetElements();
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->pName, dataPath("walker.x").c_str());
    SkinFrame* body = e->FindFrame("Body");
    SkinFrame* thigh = e->FindFrame("Thigh");
    SkinFrame* shin = e->FindFrame("Shin");
    ASSERT_TRUE(body && thigh && shin);
    EXPECT_EQ(e->pRoot->pFirstChild, body);
    ASSERT_NE(body->pSibling, nullptr);
    EXPECT_STREQ(body->pSibling->pName, "Walk");
    EXPECT_FLOAT_EQ(thigh->mFileTransform.m[3][0], 1.0f);

    // The skinned quad: converted with one influence, bones bound to their frames.
    SkinMeshContainer* c = body->pMeshContainers;
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->pName, "Skin");
    ASSERT_NE(c->pSkinMesh, nullptr);
    EXPECT_EQ(c->uGenerated, 1u);
    EXPECT_EQ(c->uInfluences, 1u);
    EXPECT_EQ(c->uPaletteSize, 2u);
    EXPECT_EQ(c->uSubsetCount, 1u);
    EXPECT_EQ(c->pMesh->GetFVF(), DWORD(D3DFVF_XYZB1 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_EQ(c->ppBoneMatrices[0], &thigh->mCombined);
    EXPECT_EQ(c->ppBoneMatrices[1], &shin->mCombined);
    EXPECT_FLOAT_EQ(c->pBoneOffsetMatrices[0].m[3][1], -10.0f);

    // Two animation nodes, the last loaded first, driving Shin and Thigh.
    ASSERT_NE(e->pAnimations, nullptr);
    EXPECT_EQ(e->pAnimations->pTarget, shin);
    ASSERT_NE(e->pAnimations->pNextAnimation, nullptr);
    SkinFrame* thighAnim = e->pAnimations->pNextAnimation;
    EXPECT_EQ(thighAnim->pTarget, thigh);
    EXPECT_EQ(thighAnim->uNumRotateKeys, 2u);
    EXPECT_FLOAT_EQ(thighAnim->pRotateKeys[1].w, 0.70710678f);
    EXPECT_FLOAT_EQ(thighAnim->pRotateKeys[1].x, 0.0f);
    EXPECT_EQ(thighAnim->uNumScaleKeys, 1u);
    EXPECT_EQ(e->pAnimations->uNumMatrixKeys, 2u);

    // Half a second: position halfway, the matrix key at exactly half takes the earlier key.
    mesh.Update(0.5f);
    EXPECT_FLOAT_EQ(e->fTime, 2400.0f);
    EXPECT_NEAR(thigh->mLocal.m[3][0], 2.0f, 1e-5f);
    EXPECT_FLOAT_EQ(shin->mLocal.m[3][1], -5.0f);
    mesh.Update(0.01f);
    EXPECT_FLOAT_EQ(shin->mLocal.m[3][1], -6.0f);
    mesh.SetHidden(true);
    mesh.Update(1.0f);
    EXPECT_FLOAT_EQ(e->fTime, 2448.0f);
}

TEST_F(SkinLoad, DrawWritesPalettesThatBlendLikeTheCpu) {
    mesh.Setup(dataPath("walker.x").c_str(), "");
    *mesh.GetMatrix() = g_mIdentity;
    mesh.GetMatrix()->m[3][2] = 50.0f;
    Matrix* view = GetRenderer()->GetViewMatrix();
    mat_Identity(view);
    mat_RotateY(view, 0.3f);
    mesh.Update(0.7f);
    dev.draws.clear();
    mesh.Render();
    ASSERT_FALSE(mesh.IsReleased());
    for (int i = 0; i < 4; ++i) EXPECT_NE(mesh.GetVertexShader(i), 0u);
    ASSERT_EQ(dev.draws.size(), 1u);
    EXPECT_EQ(dev.draws[0].shader, mesh.GetVertexShader(0));
    EXPECT_EQ(dev.draws[0].primCount, 2u);
    EXPECT_FLOAT_EQ(dev.constants[3], 765.01f);

    SkinDrawElement* e = mesh.GetElements();
    SkinMeshContainer* c = e->FindFrame("Body")->pMeshContainers;
    const auto* combo = static_cast<const D3DXBONECOMBINATION*>(c->pBoneCombinations->GetBufferPointer());
    BYTE* p = nullptr;
    ASSERT_EQ(c->pMesh->LockVertexBuffer(D3DLOCK_READONLY, &p), D3D_OK);
    const UINT stride = D3DXGetFVFVertexSize(c->pMesh->GetFVF());
    for (DWORD v = 0; v < c->pMesh->GetNumVertices(); ++v) {
        float pos[3];
        DWORD packed;
        std::memcpy(pos, p + v * stride, 12);
        std::memcpy(&packed, p + v * stride + 12, 4);
        const DWORD slot = packed & 0xFF;
        // The shader's blend: rows of the palette entry at c9 + 3 * slot.
        const float* rows = &dev.constants[(9 + 3 * slot) * 4];
        float gpu[3];
        for (int r = 0; r < 3; ++r)
            gpu[r] = pos[0] * rows[r * 4] + pos[1] * rows[r * 4 + 1] + pos[2] * rows[r * 4 + 2] + rows[r * 4 + 3];
        // The CPU: bone offset, then the bone's frame, then world and view.
        const DWORD bone = combo[0].BoneId[slot];
        Vec3 cpu(pos[0], pos[1], pos[2]);
        mat_TransformPoint(&cpu, &c->pBoneOffsetMatrices[bone], &cpu);
        mat_TransformPoint(&cpu, c->ppBoneMatrices[bone], &cpu);
        mat_TransformPoint(&cpu, mesh.GetMatrix(), &cpu);
        mat_TransformPoint(&cpu, view, &cpu);
        EXPECT_NEAR(gpu[0], cpu.x, 1e-4f) << v;
        EXPECT_NEAR(gpu[1], cpu.y, 1e-4f) << v;
        EXPECT_NEAR(gpu[2], cpu.z, 1e-4f) << v;
    }
    c->pMesh->UnlockVertexBuffer();

    // After the device objects go, the next Render loads the model again from time 0.
    mesh.InvalidateDeviceObjects();
    EXPECT_EQ(mesh.GetElements(), nullptr);
    mesh.Render();
    ASSERT_NE(mesh.GetElements(), nullptr);
    EXPECT_FLOAT_EQ(mesh.GetElements()->fTime, 0.0f);
}

TEST_F(SkinLoad, ShaderTextsAssemble) {
    for (int i = 116; i <= 119; ++i) {
        const std::string path = std::string(QUIL_SOURCE_DIR) + "/resources/rcdata/" + std::to_string(i) + ".vsh";
        std::ifstream f(path);
        const std::string text((std::istreambuf_iterator<char>(f)), {});
        ASSERT_FALSE(text.empty()) << path;
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        EXPECT_EQ(D3DXAssembleShader(text.data(), UINT(text.size()), 0, nullptr, &code, &errors), S_OK)
            << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
        if (code) code->Release();
        if (errors) errors->Release();
    }
}

// Failures inside animations are reported at each level and the rest of the model loads.
TEST_F(SkinLoad, AnimationFailuresAreReportedButTheModelLoads) {
    const char* frame = "Frame Leg { Frame Foot { } }\n";
    const char* bad[] = {
        "AnimationSet S { Animation { { Missing } } }",
        "AnimationSet S { Animation { { Leg } AnimationKey { 0; 1; 0; 4; 1,0,0,0;;; } AnimationKey { 0; 1; 0; 4; 1,0,0,0;;; } } }",
        "AnimationSet S { Animation { { Leg } AnimationKey { 3; 1; 0; 3; 1,0,0;;; } } }",
        "AnimationSet S { Animation { { Leg } { Foot } } }",
        "AnimationSet S { Animation { { Leg } AnimationKey { 2; 1; 0; 2; 1,0;;; } } }",  // short key record
    };
    for (const char* anim : bad) {
        quil_automation::ClearMessageBoxesShown();
        ASSERT_EQ(loadText(std::string(frame) + anim), S_OK) << anim;
        EXPECT_EQ(messages(), (std::vector<std::string>{"Could not load animation data", "Could not load Animation set"}))
            << anim;
        ASSERT_NE(mesh.GetElements(), nullptr);
        EXPECT_NE(mesh.GetElements()->FindFrame("Foot"), nullptr);
        // Whatever node was made keeps no target it did not get; advancing time is safe.
        mesh.Update(0.25f);
    }
    // An animation outside a set reports once.
    quil_automation::ClearMessageBoxesShown();
    ASSERT_EQ(loadText(std::string(frame) + "Animation { { Nowhere } }"), S_OK);
    EXPECT_EQ(messages(), (std::vector<std::string>{"Could not load animation data"}));
    mesh.Update(0.25f);
}

TEST_F(SkinLoad, MeshesOutsideFramesEmptyMeshesAndBonesWithoutFrames) {
    ASSERT_EQ(loadText("Mesh Loose { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;; }\n"
                       "Mesh Empty { 0;; 0;; }\n"
                       "Frame F { Mesh Boned { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;;\n"
                       "  SkinWeights { \"NoSuchFrame\"; 3; 0, 1, 2; 1, 1, 1; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } } }\n"),
              S_OK);
    EXPECT_TRUE(messages().empty());
    SkinDrawElement* e = mesh.GetElements();
    SkinMeshContainer* loose = e->pRoot->pMeshContainers;
    ASSERT_NE(loose, nullptr);
    EXPECT_EQ(loose->pNext, nullptr);  // the empty mesh was skipped
    EXPECT_EQ(loose->pSkinMesh, nullptr);
    EXPECT_EQ(loose->uSubsetCount, 1u);
    EXPECT_NE(loose->pMesh, nullptr);
    SkinMeshContainer* boned = e->FindFrame("F")->pMeshContainers;
    ASSERT_NE(boned, nullptr);
    ASSERT_NE(boned->ppBoneMatrices[0], nullptr);  // drawn with the identity
    EXPECT_FLOAT_EQ(boned->ppBoneMatrices[0]->m[0][0], 1.0f);
}

TEST_F(SkinLoad, BadFilesLeaveNoElementAndSecondLoadReplacesTheFirst) {
    EXPECT_EQ(mesh.LoadMeshHierarchy(nullptr), E_INVALIDARG);
    EXPECT_EQ(mesh.LoadMeshHierarchy("x"), E_FAIL);
    EXPECT_TRUE(FAILED(mesh.LoadMeshHierarchy("no/such/model.x")));
    EXPECT_EQ(messages(), (std::vector<std::string>{"Invalid Filename given to Load Skinned mesh",
                                                    "Invalid Filename given to Load Skinned mesh",
                                                    "Could not Load Skinned mesh"}));
    EXPECT_EQ(mesh.GetElements(), nullptr);

    // Five influences on one vertex: the conversion fails and the model is refused.
    quil_automation::ClearMessageBoxesShown();
    std::string five = "Frame F { Mesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;;\n";
    for (int b = 0; b < 5; ++b)
        five += "SkinWeights { \"F\"; 1; 0; 0.2; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }\n";
    five += "} }\n";
    EXPECT_TRUE(FAILED(loadText(five)));
    EXPECT_EQ(messages(), (std::vector<std::string>{"Could not Load Skinned mesh frames"}));
    EXPECT_EQ(mesh.GetElements(), nullptr);

    ASSERT_EQ(mesh.LoadMeshHierarchy(dataPath("walker.x").c_str()), S_OK);
    SkinDrawElement* first = mesh.GetElements();
    ASSERT_EQ(loadText("Frame Only { }\n"), S_OK);
    ASSERT_NE(mesh.GetElements(), nullptr);
    EXPECT_NE(mesh.GetElements()->FindFrame("Only"), nullptr);
    EXPECT_EQ(mesh.GetElements()->pNext, nullptr);
    (void)first;
}

// The bounding sphere over the transformed vertices, leaving out those exactly at the origin.
TEST_F(SkinLoad, BoundingSphereSkipsOriginVertices) {
    ASSERT_EQ(loadText("Frame F { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }\n"
                       "Mesh { 4; 0;0;0;, 2;0;0;, 0;2;0;, 2;2;0;; 2; 3; 0, 2, 1;, 3; 1, 2, 3;; } }\n"),
              S_OK);
    SkinDrawElement* e = mesh.GetElements();
    mesh.CalculateBoundingSphere(e);
    const float cx = 34.0f / 3.0f, cy = 4.0f / 3.0f;
    EXPECT_NEAR(e->vCentre.x, cx, 1e-5f);
    EXPECT_NEAR(e->vCentre.y, cy, 1e-5f);
    const float r2 = std::fmax((12 - cx) * (12 - cx) + cy * cy, (10 - cx) * (10 - cx) + (2 - cy) * (2 - cy));
    EXPECT_NEAR(e->fRadius, std::sqrt(r2), 1e-5f);
}

}  // namespace
