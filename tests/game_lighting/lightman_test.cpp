// Light records and their limit, the lighting of sample points (against values
// worked out by hand) and the lens flares.
#include <gtest/gtest.h>

#include "Level.h"
#include "LightMan.h"
#include "LightMap.h"
#include "camera.h"
#include "renderdevice.h"
#include "renderer.h"
#include "lighting_test_support.h"

namespace {

LightDesc Light(float x, float y, float z, float radius = 9.0f, uint32_t colour = 0x00FFFFFF, uint32_t flare = 0) {
    return LightDesc{x, y, z, radius, colour, flare};
}

class LightManTest : public ::testing::Test {
protected:
    void SetUp() override {
        quiltest::StartRecordingBoxes();
        GetLevel()->Free();
        GetLightMan()->Clear();
    }
    void TearDown() override { GetLightMan()->Clear(); }
};

TEST_F(LightManTest, SeventeenthLightIsReportedAndRefused) {
    LightMan* lm = GetLightMan();
    for (uint32_t i = 0; i < 16; ++i) EXPECT_EQ(lm->AddLight(Light(float(i), 0, 0)), i);
    EXPECT_EQ(quiltest::MessageBoxCount(), 0u);
    EXPECT_EQ(lm->AddLight(Light(99, 0, 0)), LightMan::LIGHT_REFUSED);
    EXPECT_EQ(quiltest::MessageBoxCount(), 1u);
    EXPECT_TRUE(quiltest::AnyMessageBoxSays("Too Many lights created!"));
    EXPECT_EQ(lm->GetCount(), 16u);
    // The program goes on with the sixteen lights it has.
    lm->FindNearest(Vec3(99, 0, 0), false);
    EXPECT_EQ(lm->GetFound()[0], lm->GetLight(15));
}

const uint32_t AMBIENT = 0xFF202020u;
LightDesc Lamp(float radius, uint32_t colour) { return Light(-64.0f, 20.0f, -64.0f, radius, colour); }
// The samples are worked out for a light of radius 96 over world (-64, -64),
// which is (-64, -32) in the sampling frame raised by one cell in z.
const LightDesc kLamp = Lamp(96.0f, 0x00FF8141u);
const Vec3 kUp(0.0f, 1.0f, 0.0f);
const Vec3 kBelow(-64.0f, 0.0f, -32.0f);   // distance 20
const Vec3 kBeside(-16.0f, 0.0f, -32.0f);  // distance 52
const Vec3 kAcross(16.0f, 0.0f, -32.0f);   // distance 82.46, beyond x = 0

// The lighting of a point as a bake of room 0 with the lights as they stand,
// the same through the lightmap service (room 0 is the current room).
uint32_t Lit(const Vec3& p, const Vec3& n) {
    const uint32_t baked = LightBake(0).CalcLight(p, n);
    EXPECT_EQ(GetLightMap()->CalcLight(p, n), baked);
    return baked;
}

TEST_F(LightManTest, SampleLightingHasLinearFalloffFacingAndRange) {
    LightMan* lights = GetLightMan();
    EXPECT_EQ(Lit(kBelow, kUp), AMBIENT);
    lights->AddLight(kLamp);
    // 32 + channel x (1 - d / 96), truncated.
    EXPECT_EQ(Lit(kBelow, kUp), 0xFFE98653u);   // 233.9, 134.1, 83.5
    EXPECT_EQ(Lit(kBeside, kUp), 0xFF945B3Du);  // 148.9, 91.1, 61.8
    EXPECT_EQ(Lit(kAcross, kUp), 0xFF433229u);  // 68.0, 50.2, 41.2: no house, no shadow
    EXPECT_EQ(Lit(kBelow, Vec3(0, -1, 0)), AMBIENT);  // facing away
    // The facing is a threshold: the cosine does not scale the light.
    EXPECT_EQ(Lit(kBeside, Vec3(-0.6f, 0.8f, 0)), Lit(kBeside, Vec3(-1, 0, 0)));

    lights->Clear();
    lights->AddLight(Lamp(20.0f, 0x00FFFFFFu));  // the point lies exactly on the radius
    lights->AddLight(Lamp(96.0f, 0xFF000000u));  // the top byte is no colour
    EXPECT_EQ(Lit(kBelow, kUp), AMBIENT);
    lights->AddLight(Lamp(96.0f, 0x00FF0000u));
    lights->AddLight(Lamp(96.0f, 0x00FF0000u));
    EXPECT_EQ(Lit(kBelow, kUp), 0xFFFF2020u);  // red saturates alone
}

// Flares: a camera at the origin looking along +z, an 800 x 600 back buffer, no device.
class FlareTest : public LightManTest {
protected:
    void SetUp() override {
        LightManTest::SetUp();
        D3DCAPS8 caps{};
        D3DSURFACE_DESC back{};
        back.Width = 800;
        back.Height = 600;
        RenderDevice_Bind(nullptr, caps, back);
        m_pOldCamera = g_pCurrentCamera;
        g_pCurrentCamera = &m_Camera;
        GetRenderer()->SetCamera(&m_Camera);
        GetLightMan()->Init();
    }
    void TearDown() override {
        g_pCurrentCamera = m_pOldCamera;
        RenderDevice_Unbind();
        LightManTest::TearDown();
    }
    SpriteList2D* Flares() { return GetLightMan()->GetFlares(); }
    Camera m_Camera;
    Camera* m_pOldCamera = nullptr;
};

TEST_F(FlareTest, NearVisibleFlaggedLightsFlareAndFadeAndWallsHideThem) {
    LightMan* lm = GetLightMan();
    lm->AddLight(Light(0, 0, 200, 9, 0x00FF8040, 1));    // halved at 200 units
    lm->AddLight(Light(0, 0, 283, 9, 0x00FFFFFF, 1));    // too far
    lm->AddLight(Light(0, 0, -100, 9, 0x00FFFFFF, 1));   // behind the camera
    lm->AddLight(Light(0, 0, 50, 9, 0x00FFFFFF, 0));     // draws no flare
    lm->AddLight(Light(10, 0, 100, 3000, 0x00FFFFFF, 1));  // size capped at 200
    lm->UpdateFlares();
    ASSERT_EQ(Flares()->GetCount(), 2u);
    const Sprite2D* s = Flares()->GetSprites();
    EXPECT_NEAR(s[0].x, 320.0f, 0.01f);  // the middle of 800 x 600, in 640 x 480 units
    EXPECT_EQ(s[0].size, 100.0f);
    EXPECT_EQ(s[0].colour, 0xFF7F4020u);
    EXPECT_EQ(s[1].size, 200.0f);

    lm->Clear();
    quiltest::ScratchFolder dir("lighting");
    lighting_test::WriteRoomFile("gfx/room.dat");
    GetLevel()->Load("gfx/room.dat");
    ASSERT_TRUE(GetLevel()->IsLoaded());
    // The camera stands east of the partition at x = 0.
    m_Camera.SetPosition(64.0f, 10.0f, -100.0f);
    GetRenderer()->SetCamera(&m_Camera);
    GetLightMan()->AddLight(Light(64, 10, 0, 9, 0x00FFFFFF, 1));   // same side
    GetLightMan()->AddLight(Light(-20, 10, 50, 9, 0x00FFFFFF, 1));  // behind the partition
    GetLightMan()->UpdateFlares();
    ASSERT_EQ(Flares()->GetCount(), 1u);
    EXPECT_NEAR(Flares()->GetSprites()[0].x, 320.0f, 0.01f);
    GetLevel()->Free();
}

}  // namespace
