// Vector and matrix edge cases, the camera's placement, and the object base.
#include <gtest/gtest.h>
#include <cmath>
#include <vector>
#include "camera.h"
#include "pcsystem.h"
#include "process.h"
#include "quil_automation.h"
#include "quilmath.h"
#include "windows.h"

namespace {
const float kPi = 3.14159265358979f;

void ExpectRow(const Matrix& m, int r, float a, float b, float c, float d, float eps = 1e-5f) {
    EXPECT_NEAR(m.m[r][0], a, eps) << "row " << r;
    EXPECT_NEAR(m.m[r][1], b, eps) << "row " << r;
    EXPECT_NEAR(m.m[r][2], c, eps) << "row " << r;
    EXPECT_NEAR(m.m[r][3], d, eps) << "row " << r;
}

Matrix Filled(float v) {
    Matrix m;
    for (auto& row : m.m)
        for (float& e : row) e = v;
    return m;
}

// A rigid transform with uniform scale: rotation about y and z, scale s, translation t.
Matrix RigidScaled(float s, float tx, float ty, float tz) {
    Matrix m;
    mat_Identity(&m);
    mat_RotateY(&m, 0.7f);
    mat_RotateZ(&m, -1.1f);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m.m[r][c] *= s;
    m.m[3][0] = tx; m.m[3][1] = ty; m.m[3][2] = tz;
    return m;
}
}  // namespace

TEST(Vec3, NormaliseReturnsTheOldLengthAndLeavesZeroAlone) {
    Vec3 v(3.0f, 0.0f, 4.0f);
    EXPECT_FLOAT_EQ(Vec3::Normalise(v), 5.0f);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.y, 0.0f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);

    Vec3 zero;
    EXPECT_EQ(Vec3::Normalise(zero), 0.0f);
    EXPECT_FALSE(std::isnan(zero.x) || std::isnan(zero.y) || std::isnan(zero.z));
}

TEST(Vec3, NearlyEqualIsStrictAtATenth) {
    EXPECT_FALSE(Vec3::NearlyEqual(Vec3(0.1f, 0.0f, 0.0f), Vec3()));
    EXPECT_FALSE(Vec3::NearlyEqual(Vec3(), Vec3(0.0f, 0.0f, 0.1f)));
    EXPECT_TRUE(Vec3::NearlyEqual(Vec3(0.09f, -0.09f, 0.0f), Vec3()));
}

TEST(Vec3, CrossMayTakeItselfAsAnArgument) {
    Vec3 a(1.0f, 0.0f, 0.0f);
    a.Cross(a, Vec3(0.0f, 1.0f, 0.0f));
    EXPECT_FLOAT_EQ(a.x, 0.0f);
    EXPECT_FLOAT_EQ(a.y, 0.0f);
    EXPECT_FLOAT_EQ(a.z, 1.0f);
}

TEST(Matrix, RotationsTurnAxesAndLeaveTheTranslationRow) {
    Matrix m;
    mat_Identity(&m);
    m.m[3][0] = 5.0f; m.m[3][1] = 6.0f; m.m[3][2] = 7.0f;
    mat_RotateY(&m, kPi / 2);
    ExpectRow(m, 0, 0.0f, 0.0f, -1.0f, 0.0f);
    ExpectRow(m, 3, 5.0f, 6.0f, 7.0f, 1.0f);

    Matrix z = Filled(2.0f);
    const Matrix before = z;
    mat_RotateZ(&z, 0.0f);  // exactly zero: untouched
    mat_RotateX(&z, 0.0f);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(z.m[i / 4][i % 4], before.m[i / 4][i % 4]);

    mat_Identity(&z);
    mat_RotateX(&z, kPi / 2);
    ExpectRow(z, 1, 0.0f, 0.0f, 1.0f, 0.0f);
}

TEST(Matrix, TransformPointAddsTheTranslation) {
    Matrix m;
    mat_Identity(&m);
    mat_RotateY(&m, kPi / 2);
    m.m[3][0] = 10.0f;
    const Vec3 p(1.0f, 2.0f, 0.0f);
    Vec3 out;
    mat_TransformPoint(&p, &m, &out);
    EXPECT_NEAR(out.x, 10.0f, 1e-5f);
    EXPECT_NEAR(out.y, 2.0f, 1e-5f);
    EXPECT_NEAR(out.z, -1.0f, 1e-5f);
}

TEST(Matrix, InvertOfTranslationAndScaleWritesAFullMatrix) {
    Matrix m;
    mat_Identity(&m);
    m.m[3][0] = 4.0f; m.m[3][1] = -2.0f; m.m[3][2] = 9.0f;
    Matrix inv = Filled(7.0f);
    mat_Invert(&m, &inv);
    ExpectRow(inv, 0, 1.0f, 0.0f, 0.0f, 0.0f);
    ExpectRow(inv, 1, 0.0f, 1.0f, 0.0f, 0.0f);
    ExpectRow(inv, 2, 0.0f, 0.0f, 1.0f, 0.0f);
    ExpectRow(inv, 3, -4.0f, 2.0f, -9.0f, 1.0f);

    mat_Identity(&m);
    for (int r = 0; r < 3; ++r) m.m[r][r] = 2.0f;
    inv = Filled(7.0f);
    mat_Invert(&m, &inv);
    ExpectRow(inv, 0, 0.5f, 0.0f, 0.0f, 0.0f);
    ExpectRow(inv, 2, 0.0f, 0.0f, 0.5f, 0.0f);
    ExpectRow(inv, 3, 0.0f, 0.0f, 0.0f, 1.0f);
}

TEST(Matrix, InvertUndoesARigidScaledTransformEvenInPlace) {
    const Matrix m = RigidScaled(3.0f, 1.0f, -5.0f, 2.5f);
    Matrix inv = Filled(-1.0f);
    mat_Invert(&m, &inv);
    const Vec3 p(0.3f, -2.0f, 8.0f);
    Vec3 q, back;
    mat_TransformPoint(&p, &m, &q);
    mat_TransformPoint(&q, &inv, &back);
    EXPECT_NEAR(back.x, p.x, 1e-4f);
    EXPECT_NEAR(back.y, p.y, 1e-4f);
    EXPECT_NEAR(back.z, p.z, 1e-4f);

    Matrix same = m;
    mat_Invert(&same, &same);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(same.m[i / 4][i % 4], inv.m[i / 4][i % 4], 1e-5f);
}

TEST(Matrix, InvertOfASingularMatrixReportsAndLeavesTheOutput) {
    quil_automation::SetHeadless(true);
    quil_automation::ClearMessageBoxesShown();
    quil_automation::QueueMessageBoxAnswer(IDIGNORE);
    const Matrix zero = Filled(0.0f);
    Matrix out = Filled(3.0f);
    mat_Invert(&zero, &out);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out.m[i / 4][i % 4], 3.0f);
    ASSERT_EQ(quil_automation::MessageBoxesShown().size(), 1u);
    EXPECT_NE(quil_automation::MessageBoxesShown()[0].text.find("mat_Invert: singular matrix"), std::string::npos);
}

TEST(Matrix, LookAtBasisAlongUpStillGivesThreeUnitRows) {
    Matrix m = Filled(9.0f);
    const Vec3 up(0.0f, 1.0f, 0.0f);
    const Vec3 dir(0.0f, 5.0f, 0.0f);
    mat_LookAtBasis(&dir, &m, &up);
    for (int r = 0; r < 3; ++r) {
        const Vec3 row(m.m[r][0], m.m[r][1], m.m[r][2]);
        EXPECT_NEAR(row.Dot(row), 1.0f, 1e-5f) << "row " << r;
        EXPECT_EQ(m.m[r][3], 9.0f);  // fourth column untouched
    }
    ExpectRow(m, 2, 0.0f, 1.0f, 0.0f, 9.0f);
    ExpectRow(m, 3, 9.0f, 9.0f, 9.0f, 9.0f);
}

TEST(Camera, PlacedAndTurnedByTheGame) {
    Camera camera;
    camera.SetPosition(1.0f, 2.0f, 3.0f);
    const Vec3* pos = camera.GetPosition();
    EXPECT_EQ(pos->x, 1.0f);
    EXPECT_EQ(pos->y, 2.0f);
    EXPECT_EQ(pos->z, 3.0f);
    ExpectRow(*camera.GetMatrix(), 3, 1.0f, 2.0f, 3.0f, 1.0f);

    Matrix target;
    mat_Identity(&target);
    target.m[3][0] = 1.0f; target.m[3][1] = 2.0f; target.m[3][2] = 50.0f;
    camera.LookAt(&target);
    const Matrix& m = *camera.GetMatrix();
    ExpectRow(m, 0, 1.0f, 0.0f, 0.0f, 0.0f);
    ExpectRow(m, 1, 0.0f, 1.0f, 0.0f, 0.0f);
    ExpectRow(m, 2, 0.0f, 0.0f, 1.0f, 0.0f);
    ExpectRow(m, 3, 1.0f, 2.0f, 3.0f, 1.0f);

    camera.Update(0.1f);  // no velocity: stays where the game put it
    ExpectRow(*camera.GetMatrix(), 3, 1.0f, 2.0f, 3.0f, 1.0f);
}

namespace {
class RecordingObject : public Object {
public:
    explicit RecordingObject(std::vector<std::string>* log) : m_log(log) {}
    void Activate() override { m_log->push_back("Activate"); }
    void Deactivate() override { m_log->push_back("Deactivate"); }
    void Render() override { m_log->push_back("Render"); }
    void InvalidateDeviceObjects() override { m_log->push_back("Invalidate"); }
    void RestoreDeviceObjects() override { m_log->push_back("Restore"); }

private:
    std::vector<std::string>* m_log;
};
}  // namespace

TEST(Object, StartsUnlistedWithIdentityAndShutsDownInOrder) {
    std::vector<std::string> log;
    RecordingObject o(&log);
    ExpectRow(*o.GetMatrix(), 0, 1.0f, 0.0f, 0.0f, 0.0f);
    ExpectRow(*o.GetMatrix(), 3, 0.0f, 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(o.GetNext(), nullptr);
    EXPECT_EQ(o.GetPrev(), nullptr);
    EXPECT_EQ(o.GetNextObject(), nullptr);
    EXPECT_EQ(o.TestFlags(0xFFFFFFFFu), 0u);
    EXPECT_EQ(o.GetRenderFlags(), 0u);

    o.GetMatrix()->m[3][0] = 4.0f;
    o.GetMatrix()->m[3][2] = -6.0f;
    EXPECT_EQ(o.GetX(), 4.0f);
    EXPECT_EQ(o.GetZ(), -6.0f);

    o.SetFlag(true, 0x6);
    o.SetFrozen(true);
    EXPECT_EQ(o.TestFlags(0xFF), 7u);
    o.SetFrozen(false);
    EXPECT_EQ(o.TestFlags(0xFF), 6u);

    o.Shutdown();
    EXPECT_EQ(log, (std::vector<std::string>{"Deactivate", "Invalidate"}));
}

TEST(Matrix, HeaderConstantsAreIdentityAndUp) {
    Matrix m;
    mat_Identity(&m);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(g_mIdentity.m[i / 4][i % 4], m.m[i / 4][i % 4]);
    EXPECT_EQ(g_vUp.y, 1.0f);
    EXPECT_EQ(g_vUp.x + g_vUp.z, 0.0f);
}

TEST(Camera, FreeFlySpeedBuildsPerFrameAndLingersTenFrames) {
    Camera camera;
    MouseState* mouse = GetPCSystem()->GetMouse();
    const MouseState saved = *mouse;
    *mouse = MouseState{1, 0, 0, 0, 0};
    for (int i = 0; i < 40; ++i) camera.UpdateFreeFly();
    EXPECT_EQ(camera.GetSpeed(), 30.0f);
    EXPECT_NEAR(camera.GetVelocity()->z, 30.0f, 1e-4f);  // along the unturned forward axis

    mouse->buttons = 4;
    camera.UpdateFreeFly();
    EXPECT_NEAR(camera.GetVelocity()->z, -30.0f, 1e-4f);

    mouse->buttons = 0;
    for (int i = 0; i < 10; ++i) camera.UpdateFreeFly();
    EXPECT_EQ(camera.GetSpeed(), 30.0f);
    camera.UpdateFreeFly();
    EXPECT_EQ(camera.GetSpeed(), 0.25f);
    *mouse = saved;
}
