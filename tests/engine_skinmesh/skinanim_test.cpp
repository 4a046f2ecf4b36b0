// The frame tree and its animation: child order, name search, matrix combination, the key
// search and SetTime for every key type; the SkinMesh's lights, tint and draw lists.
#include <gtest/gtest.h>

#include <cmath>

#include "gameengine.h"
#include "quil_automation.h"
#include "renderdevice.h"
#include "renderer.h"
#include "skinmesh.h"
#include "../platform_d3dx8_mesh/fake_device.h"

namespace {

char* dup(const char* s) {
    char* p = new char[std::strlen(s) + 1];
    std::strcpy(p, s);
    return p;
}

SkinFrame* named(const char* name) {
    SkinFrame* f = new SkinFrame();
    f->pName = dup(name);
    return f;
}

Matrix translation(float x, float y, float z) {
    Matrix m;
    mat_Identity(&m);
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

TEST(SkinFrameTree, ChildOrderNameSearchAndCombination) {
    SkinFrame root;
    SkinFrame* a = named("A");
    SkinFrame* b = named("B");
    SkinFrame* c = named("C");
    root.AddChild(a);
    root.AddChild(b);
    root.AddChild(c);
    // Loaded A, B, C: the chain is A, C, B.
    EXPECT_EQ(root.pFirstChild, a);
    EXPECT_EQ(a->pSibling, c);
    EXPECT_EQ(c->pSibling, b);
    SkinFrame* deep = named("B");
    a->AddChild(deep);
    // Depth first: A's subtree comes before the sibling named alike.
    EXPECT_EQ(root.FindFrame("B"), deep);
    EXPECT_EQ(root.FindFrame("C"), c);
    EXPECT_EQ(root.FindFrame("nothing"), nullptr);
    EXPECT_EQ(root.FindFrame(nullptr), nullptr);

    a->mLocal = translation(1, 0, 0);
    deep->mLocal = translation(0, 2, 0);
    SkinMesh sm;
    sm.UpdateFrames(&root, translation(0, 0, 3));
    EXPECT_FLOAT_EQ(deep->mCombined.m[3][0], 1.0f);
    EXPECT_FLOAT_EQ(deep->mCombined.m[3][1], 2.0f);
    EXPECT_FLOAT_EQ(deep->mCombined.m[3][2], 3.0f);

    // A long sibling chain is destroyed without deep recursion.
    for (int i = 0; i < 100000; ++i) root.AddChild(new SkinFrame());
}

class KeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        target.mFileTransform = translation(4, 5, 6);
        node.pTarget = &target;
    }
    SkinFrame target;
    SkinFrame node;
};

TEST_F(KeyTest, PositionKeysInterpolateAndWrap) {
    node.pPositionKeys = new PositionKey[3]{{0, Vec3(0, 0, 0)}, {100, Vec3(10, 0, 0)}, {200, Vec3(10, 20, 0)}};
    node.uNumPositionKeys = 3;
    node.SetTime(50.0f);
    EXPECT_FLOAT_EQ(target.mLocal.m[3][0], 5.0f);
    // At a key's time the next key is the later one: fraction 0 at that key.
    node.SetTime(100.0f);
    EXPECT_FLOAT_EQ(target.mLocal.m[3][0], 10.0f);
    EXPECT_FLOAT_EQ(target.mLocal.m[3][1], 0.0f);
    // Wraps on the last key's time.
    node.SetTime(350.0f);
    EXPECT_FLOAT_EQ(target.mLocal.m[3][1], 10.0f);
}

TEST_F(KeyTest, MatrixKeysTakeTheNearerKeyWithHalfwayToTheEarlier) {
    node.pMatrixKeys = new MatrixKey[2];
    node.pMatrixKeys[0] = {0, translation(1, 0, 0)};
    node.pMatrixKeys[1] = {100, translation(2, 0, 0)};
    node.uNumMatrixKeys = 2;
    node.pPositionKeys = new PositionKey[1]{{0, Vec3(9, 9, 9)}};  // ignored beside matrix keys
    node.uNumPositionKeys = 1;
    node.SetTime(50.0f);
    EXPECT_FLOAT_EQ(target.mLocal.m[3][0], 1.0f);
    node.SetTime(50.5f);
    EXPECT_FLOAT_EQ(target.mLocal.m[3][0], 2.0f);
}

TEST_F(KeyTest, RotationWithOneKeyScaleAndFilePosition) {
    // One rotation key of 90 degrees about z: used four times, so the result is that key.
    const float h = std::sqrt(0.5f);
    node.pRotateKeys = new RotateKey[1]{{0, 0.0f, 0.0f, h, h}};
    node.uNumRotateKeys = 1;
    node.pScaleKeys = new ScaleKey[2]{{0, Vec3(1, 1, 1)}, {10, Vec3(3, 3, 3)}};
    node.uNumScaleKeys = 2;
    node.SetTime(5.0f);
    const Matrix& m = target.mLocal;
    // Scale 2 then the key's rotation with w negated: x maps to -y.
    EXPECT_NEAR(m.m[0][0], 0.0f, 1e-5f);
    EXPECT_NEAR(m.m[0][1], -2.0f, 1e-5f);
    EXPECT_NEAR(m.m[1][0], 2.0f, 1e-5f);
    // No position keys: the file transform's translation.
    EXPECT_FLOAT_EQ(m.m[3][0], 4.0f);
    EXPECT_FLOAT_EQ(m.m[3][2], 6.0f);
}

TEST_F(KeyTest, ZeroLengthTrackUsesTheFirstKeyAndMissingTargetIsLeftAlone) {
    node.pPositionKeys = new PositionKey[2]{{0, Vec3(7, 0, 0)}, {0, Vec3(8, 0, 0)}};
    node.uNumPositionKeys = 2;
    node.SetTime(123.0f);
    EXPECT_FLOAT_EQ(target.mLocal.m[3][0], 7.0f);
    EXPECT_FALSE(std::isnan(target.mLocal.m[0][0]));

    target.mLocal = translation(1, 1, 1);
    node.pTarget = nullptr;
    node.SetTime(0.0f);  // must not write anywhere
    EXPECT_FLOAT_EQ(target.mLocal.m[3][0], 1.0f);

    // Without keys the target keeps its transform.
    SkinFrame empty;
    empty.pTarget = &target;
    empty.SetTime(10.0f);
    EXPECT_FLOAT_EQ(target.mLocal.m[3][0], 1.0f);
}

class SkinMeshObject : public ::testing::Test {
protected:
    void SetUp() override {
        quil_automation::SetHeadless(true);
        quil_automation::ClearMessageBoxesShown();
        D3DCAPS8 caps{};
        caps.VertexShaderVersion = 0xFFFE0101;
        D3DSURFACE_DESC desc{};
        RenderDevice_Bind(&dev, caps, desc);
        mat_Identity(GetRenderer()->GetViewMatrix());
        mesh.Setup("gfx/none.x", "");
    }
    void TearDown() override { RenderDevice_Unbind(); }
    const float* c(int reg) const { return &dev.constants[size_t(reg) * 4]; }
    FakeDevice dev;
    SkinMesh mesh;
};

TEST_F(SkinMeshObject, LightsFoldIntoOneDirectionAndColour) {
    *mesh.GetMatrix() = translation(10, 0, 0);
    mesh.SetSkinLight(0, Vec3(0, 0, 0), 0x00FF8000, 20.0f);   // 10 away: factor 0.5
    mesh.SetSkinLight(1, Vec3(10, 0, 30), 0x00FFFFFF, 30.0f); // exactly at range: nothing
    mesh.SetSkinLight(2, Vec3(10, 5, 0), 0x00FFFFFF, 10.0f);  // 5 away: factor 0.5
    mesh.SetTint(0.5f, 1.0f, 1.0f);
    mesh.UpdateLighting();
    // Direction toward the lights: -(d0 * 0.5 + d2 * 0.5), normalised.
    const float n = std::sqrt(25.0f + 6.25f);
    EXPECT_NEAR(c(1)[0], -5.0f / n, 1e-5f);
    EXPECT_NEAR(c(1)[1], 2.5f / n, 1e-5f);
    EXPECT_FLOAT_EQ(c(1)[3], 0.0f);
    EXPECT_FLOAT_EQ(c(7)[0], 0.25f);
    // Red 0.5 + 0.5 = 1 (cut at 1) times tint 0.5; green 0.5*0.50196 + 0.5.
    EXPECT_NEAR(c(8)[0], 0.5f, 1e-5f);
    EXPECT_NEAR(c(8)[1], 0.5f * 128 / 255.0f + 0.5f, 1e-5f);
    EXPECT_FLOAT_EQ(c(8)[3], 1.0f);

    // Out of range everywhere: ambient only.
    *mesh.GetMatrix() = translation(1000, 0, 0);
    mesh.UpdateLighting();
    EXPECT_FLOAT_EQ(c(8)[0], 0.0f);
    EXPECT_FLOAT_EQ(c(1)[0], 0.0f);

    // Flat mode 2: the tint alone.
    mesh.SetRenderMode(2);
    mesh.UpdateLighting();
    EXPECT_FLOAT_EQ(c(7)[0], 0.5f);
    EXPECT_FLOAT_EQ(c(8)[3], 1.0f);
}

TEST_F(SkinMeshObject, BadLightIndexIsReportedAndChangesNothing) {
    mesh.SetSkinLight(3, Vec3(1, 2, 3), 0x00FFFFFF, 5.0f);
    ASSERT_EQ(quil_automation::MessageBoxesShown().size(), 1u);
    EXPECT_NE(quil_automation::MessageBoxesShown()[0].text.find("Index invalid for setting a Skin light"),
              std::string::npos);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(mesh.GetSkinLight(i).range, 200.0f);
}

bool listed(Object* head, Object* o) {
    for (; head; head = head->GetNextObject())
        if (head == o) return true;
    return false;
}

TEST_F(SkinMeshObject, DeactivateLeavesTheListItJoinedAfterAModeChange) {
    mesh.Activate();
    EXPECT_TRUE(listed(GetRenderer()->GetObjectList(), &mesh));
    mesh.SetRenderMode(2);
    mesh.Deactivate();
    EXPECT_FALSE(listed(GetRenderer()->GetObjectList(), &mesh));
    EXPECT_FALSE(listed(GetRenderer()->GetOverlayList(), &mesh));
    mesh.Activate();
    EXPECT_TRUE(listed(GetRenderer()->GetOverlayList(), &mesh));
    mesh.SetRenderMode(3);
    mesh.Deactivate();
    EXPECT_FALSE(listed(GetRenderer()->GetOverlayList(), &mesh));
}

}  // namespace
