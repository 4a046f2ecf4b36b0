// The frame tree and its animation: child order, name search, matrix combination, the key
// search and SetTime for every key type; the SkinMesh's lights and draw lists.
#include <gtest/gtest.h>

#include <cmath>

#include "engine_lists.h"
#include "skin_test_support.h"

namespace {

SkinFrame* named(const char* name) {
    SkinFrame* f = new SkinFrame();
    f->pName = new char[std::strlen(name) + 1];
    std::strcpy(f->pName, name);
    return f;
}

Matrix translation(float x, float y, float z) {
    Matrix m;
    mat_Identity(&m);
    m.m[3][0] = x, m.m[3][1] = y, m.m[3][2] = z;
    return m;
}

TEST(SkinFrameTree, ChildOrderNameSearchAndCombination) {
    SkinFrame root;
    SkinFrame *a = named("A"), *b = named("B"), *c = named("C");
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
    float x() const { return target.mLocal.m[3][0]; }
    SkinFrame target;
    SkinFrame node;
};

TEST_F(KeyTest, PositionKeysInterpolateAtKeyTimesAndWrap) {
    node.pPositionKeys = new PositionKey[3]{{0, Vec3(0, 0, 0)}, {100, Vec3(10, 0, 0)}, {200, Vec3(10, 20, 0)}};
    node.uNumPositionKeys = 3;
    struct Case { float time, x, y; };
    // At a key's time the next key is the later one; time wraps on the last key's time.
    for (const Case& c : {Case{50, 5, 0}, Case{100, 10, 0}, Case{350, 10, 10}}) {
        node.SetTime(c.time);
        EXPECT_FLOAT_EQ(x(), c.x) << c.time;
        EXPECT_FLOAT_EQ(target.mLocal.m[3][1], c.y) << c.time;
    }
}

TEST_F(KeyTest, RotationWithOneKeyScaleAndFilePosition) {
    // One rotation key of 90 degrees about z: the result is that key.
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
    EXPECT_FLOAT_EQ(m.m[3][2], 6.0f);  // no position keys: the file transform's translation
}

TEST_F(KeyTest, ZeroLengthTrackUsesTheFirstKeyAndMissingTargetIsLeftAlone) {
    node.pPositionKeys = new PositionKey[2]{{0, Vec3(7, 0, 0)}, {0, Vec3(8, 0, 0)}};
    node.uNumPositionKeys = 2;
    node.SetTime(123.0f);
    EXPECT_FLOAT_EQ(x(), 7.0f);
    EXPECT_FALSE(std::isnan(target.mLocal.m[0][0]));

    target.mLocal = translation(1, 1, 1);
    node.pTarget = nullptr;
    node.SetTime(0.0f);  // must not write anywhere
    SkinFrame empty;     // no keys: the target keeps its transform
    empty.pTarget = &target;
    empty.SetTime(10.0f);
    EXPECT_FLOAT_EQ(x(), 1.0f);
}

class SkinMeshObject : public SkinDeviceTest {
protected:
    void SetUp() override {
        SkinDeviceTest::SetUp();
        mesh.Setup("gfx/none.x", "");
    }
    const float* c(int reg) const { return dev.vsConstants[reg]; }
};

TEST_F(SkinMeshObject, LightsFoldByDistanceAndABadIndexChangesNothing) {
    *mesh.GetMatrix() = translation(10, 0, 0);
    mesh.SetSkinLight(0, Vec3(0, 0, 0), 0x00FF8000, 20.0f);   // 10 away: factor 0.5
    mesh.SetSkinLight(1, Vec3(10, 0, 30), 0x00FFFFFF, 30.0f); // exactly at range: nothing
    mesh.SetSkinLight(2, Vec3(10, 5, 0), 0x00FFFFFF, 10.0f);  // 5 away: factor 0.5
    mesh.UpdateLighting();
    const float n = std::sqrt(25.0f + 6.25f);  // toward the lights, normalised
    EXPECT_NEAR(c(1)[0], -5.0f / n, 1e-5f);
    EXPECT_NEAR(c(1)[1], 2.5f / n, 1e-5f);
    EXPECT_NEAR(c(8)[0], 1.0f, 1e-5f);  // 0.5 + 0.5, cut at 1

    mesh.SetSkinLight(3, Vec3(1, 2, 3), 0x00FFFFFF, 5.0f);
    ASSERT_EQ(quil_automation::MessageBoxesShown().size(), 1u);
    EXPECT_NE(quil_automation::MessageBoxesShown()[0].text.find("Index invalid for setting a Skin light"),
              std::string::npos);
    EXPECT_FLOAT_EQ(mesh.GetSkinLight(2).range, 10.0f);
}

TEST_F(SkinMeshObject, DeactivateLeavesTheListItJoinedAfterAModeChange) {
    using quiltest::TimesInObjectList;
    Renderer* r = GetRenderer();
    mesh.Activate();
    EXPECT_EQ(TimesInObjectList(r->GetObjectList(), &mesh), 1);
    mesh.SetRenderMode(2);  // flat: drawn from the overlay list once activated again
    mesh.Deactivate();
    EXPECT_EQ(TimesInObjectList(r->GetObjectList(), &mesh) + TimesInObjectList(r->GetOverlayList(), &mesh), 0);
    mesh.Activate();
    EXPECT_EQ(TimesInObjectList(r->GetOverlayList(), &mesh), 1);
    mesh.SetRenderMode(3);
    mesh.Deactivate();
    EXPECT_EQ(TimesInObjectList(r->GetOverlayList(), &mesh), 0);
}

}  // namespace
