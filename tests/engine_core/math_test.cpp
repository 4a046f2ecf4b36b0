// Vector and matrix edge cases.
#include <gtest/gtest.h>
#include <cmath>
#include "quil_automation.h"
#include "quilmath.h"
#include "windows.h"

namespace {
void ExpectRow(const Matrix& m, int r, float a, float b, float c, float d, float eps = 1e-5f) {
    const float want[4] = {a, b, c, d};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(m.m[r][i], want[i], eps) << "row " << r << " column " << i;
}

Matrix Filled(float v) {
    Matrix m;
    for (auto& row : m.m)
        for (float& e : row) e = v;
    return m;
}
}  // namespace

TEST(Vec3, EdgeCasesOfNormaliseAndCross) {
    Vec3 v(3.0f, 0.0f, 4.0f);
    EXPECT_FLOAT_EQ(Vec3::Normalise(v), 5.0f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);
    Vec3 zero;
    EXPECT_EQ(Vec3::Normalise(zero), 0.0f);  // no division by zero
    EXPECT_FALSE(std::isnan(zero.x) || std::isnan(zero.y) || std::isnan(zero.z));

    Vec3 a(1.0f, 0.0f, 0.0f);
    a.Cross(a, Vec3(0.0f, 1.0f, 0.0f));  // the result may be an argument
    EXPECT_FLOAT_EQ(a.x, 0.0f);
    EXPECT_FLOAT_EQ(a.z, 1.0f);
}

// The inverse is a full matrix: its fourth column is written, not left as it was.
TEST(Matrix, InvertWritesAFullMatrixAndUndoesTheTransformEvenInPlace) {
    Matrix m;
    mat_Identity(&m);
    for (int r = 0; r < 3; ++r) m.m[r][r] = 2.0f;
    m.m[3][0] = 4.0f; m.m[3][1] = -2.0f; m.m[3][2] = 9.0f;
    Matrix inv = Filled(7.0f);
    mat_Invert(&m, &inv);
    ExpectRow(inv, 0, 0.5f, 0.0f, 0.0f, 0.0f);
    ExpectRow(inv, 2, 0.0f, 0.0f, 0.5f, 0.0f);
    ExpectRow(inv, 3, -2.0f, 1.0f, -4.5f, 1.0f);

    mat_Identity(&m);
    mat_RotateY(&m, 0.7f);
    mat_RotateZ(&m, -1.1f);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m.m[r][c] *= 3.0f;
    m.m[3][0] = 1.0f; m.m[3][1] = -5.0f; m.m[3][2] = 2.5f;
    mat_Invert(&m, &inv);
    const Vec3 p(0.3f, -2.0f, 8.0f);
    Vec3 q, back;
    mat_TransformPoint(&p, &m, &q);
    mat_TransformPoint(&q, &inv, &back);
    EXPECT_NEAR(back.x, p.x, 1e-4f);
    EXPECT_NEAR(back.y, p.y, 1e-4f);
    EXPECT_NEAR(back.z, p.z, 1e-4f);
    mat_Invert(&m, &m);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.m[i / 4][i % 4], inv.m[i / 4][i % 4], 1e-5f);
}

TEST(Matrix, InvertOfASingularMatrixReportsAndLeavesTheOutput) {
    quil_automation::SetHeadless(true);
    quil_automation::ClearMessageBoxesShown();
    quil_automation::QueueMessageBoxAnswer(IDIGNORE);
    const Matrix zero = Filled(0.0f);
    Matrix out = Filled(3.0f);
    mat_Invert(&zero, &out);
    ExpectRow(out, 0, 3.0f, 3.0f, 3.0f, 3.0f);
    ExpectRow(out, 3, 3.0f, 3.0f, 3.0f, 3.0f);
    ASSERT_EQ(quil_automation::MessageBoxesShown().size(), 1u);
    EXPECT_NE(quil_automation::MessageBoxesShown()[0].text.find("mat_Invert: singular matrix"), std::string::npos);
}

TEST(Matrix, LookAtBasisAlongUpStillGivesThreeUnitRows) {
    Matrix m = Filled(9.0f);
    const Vec3 up(0.0f, 1.0f, 0.0f), dir(0.0f, 5.0f, 0.0f);
    mat_LookAtBasis(&dir, &m, &up);
    for (int r = 0; r < 3; ++r) {
        const Vec3 row(m.m[r][0], m.m[r][1], m.m[r][2]);
        EXPECT_NEAR(row.Dot(row), 1.0f, 1e-5f) << "row " << r;
    }
    ExpectRow(m, 2, 0.0f, 1.0f, 0.0f, 9.0f);  // fourth column and row untouched
    ExpectRow(m, 3, 9.0f, 9.0f, 9.0f, 9.0f);
}
