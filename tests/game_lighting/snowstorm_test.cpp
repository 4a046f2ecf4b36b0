// The snow storm's flakes stay around the box in front of the camera.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "SnowStorm.h"
#include "camera.h"
#include "lighting_test_support.h"

namespace {

class SnowStormTest : public ::testing::Test {
protected:
    void SetUp() override {
        quiltest::StartRecordingBoxes();
        m_pOldCamera = g_pCurrentCamera;
        g_pCurrentCamera = &m_Camera;  // at the origin, looking along +z: box centre (0, 0, 27)
        srand(4321);
        m_Storm.Init();
    }
    void TearDown() override {
        m_Storm.Shutdown();
        g_pCurrentCamera = m_pOldCamera;
    }
    Sprite3D* Flakes() { return m_Storm.GetSprites()->GetSprites(); }
    Camera m_Camera;
    Camera* m_pOldCamera = nullptr;
    SnowStorm m_Storm;
};

TEST_F(SnowStormTest, FlakesStayAroundTheBoxOfATurnedCamera) {
    // Turned a quarter about y (looking along +x) at (100, 5, -40).
    Matrix* m = m_Camera.GetMatrix();
    mat_RotateY(m, static_cast<float>(M_PI / 2));
    m_Camera.SetPosition(100.0f, 5.0f, -40.0f);
    const Vec3 c = SnowStorm::BoxCentre(*m);
    EXPECT_NEAR(c.x, 127.0f, 1e-4f);
    EXPECT_NEAR(c.y, 5.0f, 1e-4f);
    EXPECT_NEAR(c.z, -40.0f, 1e-4f);
    // Once in, a flake gets at most one step (|v| dt, dt up to 0.1 s) past a face.
    for (int frame = 0; frame < 2000; ++frame) {
        m_Storm.Update(0.01f * static_cast<float>(1 + frame % 10));
        for (uint32_t i = 0; frame >= 3 && i < 16; ++i) {
            const Sprite3D& s = Flakes()[i];
            const Vec3& v = m_Storm.GetVelocity(i);
            ASSERT_LE(std::fabs(s.x - c.x), 27.001f + 0.1f * std::fabs(v.x)) << frame << " " << i;
            ASSERT_LE(std::fabs(s.y - c.y), 27.001f + 0.1f * std::fabs(v.y)) << frame << " " << i;
            ASSERT_LE(std::fabs(s.z - c.z), 27.001f + 0.1f * std::fabs(v.z)) << frame << " " << i;
        }
    }
}

}  // namespace
