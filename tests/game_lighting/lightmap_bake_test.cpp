// Lighting of sample points and a baked floor, against values worked out by hand.
#include <gtest/gtest.h>

#include <vector>

#include "Level.h"
#include "LightMan.h"
#include "LightMap.h"
#include "lighting_test_support.h"

namespace {

const uint32_t AMBIENT = 0xFF202020u;

LightDesc Light(float radius, uint32_t colour) { return LightDesc{-64.0f, 20.0f, -64.0f, radius, colour, 0}; }

// The samples are worked out for a light of radius 96 over world (-64, -64),
// which is (-64, -32) in the sampling frame raised by one cell in z.
const LightDesc kLamp = Light(96.0f, 0x00FF8141u);
const Vec3 kUp(0.0f, 1.0f, 0.0f);
const Vec3 kBelow(-64.0f, 0.0f, -32.0f);   // distance 20
const Vec3 kBeside(-16.0f, 0.0f, -32.0f);  // distance 52
const Vec3 kAcross(16.0f, 0.0f, -32.0f);   // distance 82.46, beyond x = 0

class CalcLightTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetLevel()->Free();
        GetLightMan()->Clear();
    }
    void TearDown() override { GetLightMan()->Clear(); }
};

// The lighting of a point as a bake of room 0 with the lights as they stand.
uint32_t Lit(const Vec3& p, const Vec3& n) { return LightBake(0).CalcLight(p, n); }

TEST_F(CalcLightTest, LinearFalloffFacingAndRange) {
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
    lights->AddLight(Light(20.0f, 0x00FFFFFFu));  // the point lies exactly on the radius
    lights->AddLight(Light(96.0f, 0xFF000000u));  // the top byte is no colour
    EXPECT_EQ(Lit(kBelow, kUp), AMBIENT);
    lights->AddLight(Light(96.0f, 0x00FF0000u));
    lights->AddLight(Light(96.0f, 0x00FF0000u));
    EXPECT_EQ(Lit(kBelow, kUp), 0xFFFF2020u);  // red saturates alone
}

class LoadedRoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        quiltest::StartRecordingBoxes();
        lighting_test::WriteRoomFile("gfx/room.dat");
        GetLevel()->Load("gfx/room.dat");
        ASSERT_TRUE(GetLevel()->IsLoaded());
    }
    void TearDown() override {
        GetLevel()->Free();
        GetLightMan()->Clear();
    }
    lighting_test::ScratchDir m_dir;
};

TEST_F(LoadedRoomTest, ForcedFloorBake) {
    // A bright light over the west half whose reach covers the whole room.
    GetLightMan()->AddLight(Light(400.0f, 0x00FFFFFFu));
    quiltest::StartRecordingBoxes();
    GetLevel()->BuildRoomLighting(0, 1);
    EXPECT_EQ(quiltest::MessageBoxCount(), 0u);

    std::vector<uint32_t> floor(256 * 256, 0);
    ASSERT_TRUE(GetLightMap()->Read(0, 0, 1, floor.data(), 256, 256));
    // Texel (s, t) samples (-128 + s, 0, -128 + t) in the raised frame.
    auto texel = [&](int x, int z) { return floor[(z + 128) * 256 + (x + 128)]; };
    // Saturated near the light; each in-place blur pass settles it 6 lower.
    EXPECT_EQ(texel(-64, -32), 0xFFE8E8E8u);
    // Behind the partition only the ambient light is left, blurred to 30.
    EXPECT_EQ(texel(64, -32), 0xFF1E1E1Eu);
}

}  // namespace
