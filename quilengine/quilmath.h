// The engine's math: a three-float vector, a 4 x 4 row-major matrix used the
// Direct3D way (row vectors, translation in row 3) and the mat_ functions.
#pragma once
#include <cmath>
#include "trap.h"

struct Vec3 {
    float x, y, z;

    constexpr Vec3() : x(0.0f), y(0.0f), z(0.0f) {}
    constexpr Vec3(float fx, float fy, float fz) : x(fx), y(fy), z(fz) {}

    Vec3& operator+=(const Vec3& v) { x += v.x; y += v.y; z += v.z; return *this; }
    Vec3& operator-=(const Vec3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    Vec3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }

    float Dot(const Vec3& v) const { return x * v.x + y * v.y + z * v.z; }

    // this := a x b (a and b may be this vector itself).
    void Cross(const Vec3& a, const Vec3& b) {
        const float cx = a.y * b.z - a.z * b.y;
        const float cy = a.z * b.x - a.x * b.z;
        const float cz = a.x * b.y - a.y * b.x;
        x = cx; y = cy; z = cz;
    }

    // Scales v to unit length; returns its length before. A zero vector stays zero.
    static float Normalise(Vec3& v) {
        const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        if (len != 0.0f) v *= 1.0f / len;
        return len;
    }

    // True when every component differs by strictly less than 0.1.
    static bool NearlyEqual(const Vec3& a, const Vec3& b) {
        const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
        return dx > -0.1f && dx < 0.1f && dy > -0.1f && dy < 0.1f && dz > -0.1f && dz < 0.1f;
    }
};

struct Vec4 {
    float x, y, z, w;
    Vec4() = default;  // left unset on purpose: large arrays of these are filled later
    Vec4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}
};

// 16 floats, element [r][c] at position 4r + c; rows 0..2 are the axes, row 3 the position.
struct Matrix {
    float m[4][4];
    Matrix() = default;  // left unset on purpose; use mat_Identity
    float* operator[](int row) { return m[row]; }
    const float* operator[](int row) const { return m[row]; }
};

// m := identity.
inline void mat_Identity(Matrix* m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m->m[r][c] = (r == c) ? 1.0f : 0.0f;
}

// The identity matrix and the engine's up direction.
inline constexpr Matrix g_mIdentity = {{{1.0f, 0.0f, 0.0f, 0.0f},
                                        {0.0f, 1.0f, 0.0f, 0.0f},
                                        {0.0f, 0.0f, 1.0f, 0.0f},
                                        {0.0f, 0.0f, 0.0f, 1.0f}}};
inline constexpr Vec3 g_vUp(0.0f, 1.0f, 0.0f);

// m := m x RotY(angle) on the 3 x 3 part; row 3 and column 3 stay.
inline void mat_RotateY(Matrix* m, float angle) {
    if (angle == 0.0f) return;
    const float c = std::cos(angle), s = std::sin(angle);
    for (int r = 0; r < 3; ++r) {
        const float x = m->m[r][0], z = m->m[r][2];
        m->m[r][0] = x * c + z * s;
        m->m[r][2] = z * c - x * s;
    }
}

// m := m x RotZ(angle) on the 3 x 3 part.
inline void mat_RotateZ(Matrix* m, float angle) {
    if (angle == 0.0f) return;
    const float c = std::cos(angle), s = std::sin(angle);
    for (int r = 0; r < 3; ++r) {
        const float x = m->m[r][0], y = m->m[r][1];
        m->m[r][0] = x * c - y * s;
        m->m[r][1] = x * s + y * c;
    }
}

// m := m x RotX(angle) on the 3 x 3 part.
inline void mat_RotateX(Matrix* m, float angle) {
    if (angle == 0.0f) return;
    const float c = std::cos(angle), s = std::sin(angle);
    for (int r = 0; r < 3; ++r) {
        const float y = m->m[r][1], z = m->m[r][2];
        m->m[r][1] = y * c - z * s;
        m->m[r][2] = y * s + z * c;
    }
}

// out := the point p transformed by m (row vector (p, 1) times m, w dropped).
inline void mat_TransformPoint(const Vec3* p, const Matrix* m, Vec3* out) {
    const float x = p->x * m->m[0][0] + p->y * m->m[1][0] + p->z * m->m[2][0] + m->m[3][0];
    const float y = p->x * m->m[0][1] + p->y * m->m[1][1] + p->z * m->m[2][1] + m->m[3][1];
    const float z = p->x * m->m[0][2] + p->y * m->m[1][2] + p->z * m->m[2][2] + m->m[3][2];
    out->x = x; out->y = y; out->z = z;
}

// Sets the 3 x 3 part of m from yaw (about y), pitch (about x) and roll (about z).
inline void mat_FromYawPitchRoll(Matrix* m, float yaw, float pitch, float roll) {
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const float cr = std::cos(roll), sr = std::sin(roll);
    m->m[0][0] = cy * cr + sy * sp * sr; m->m[0][1] = cp * sr; m->m[0][2] = cy * sp * sr - sy * cr;
    m->m[1][0] = sy * sp * cr - cy * sr; m->m[1][1] = cp * cr; m->m[1][2] = sy * sr + cy * sp * cr;
    m->m[2][0] = sy * cp;                m->m[2][1] = -sp;     m->m[2][2] = cy * cp;
}

// Rows 0..2 of m := right, up and forward for looking along dir with the given up.
inline void mat_LookAtBasis(const Vec3* dir, Matrix* m, const Vec3* up) {
    Vec3 f = *dir;
    Vec3::Normalise(f);
    const float d = f.Dot(*up);
    // Looking straight along up: take a helper axis with x and y swapped.
    Vec3 t = (std::fabs(d) == 1.0f) ? Vec3(up->y, up->x, up->z) : *up;
    Vec3 df = f;
    df *= d;
    t -= df;
    Vec3::Normalise(t);
    Vec3 r;
    r.Cross(t, f);
    Vec3::Normalise(r);
    m->m[0][0] = r.x; m->m[0][1] = r.y; m->m[0][2] = r.z;
    m->m[1][0] = t.x; m->m[1][1] = t.y; m->m[1][2] = t.z;
    m->m[2][0] = f.x; m->m[2][1] = f.y; m->m[2][2] = f.z;
}

// out := the inverse of m, for a rotation with uniform scale and a translation.
// A matrix whose first row is zero cannot be inverted: reported, out untouched.
inline void mat_Invert(const Matrix* m, Matrix* out) {
    const float k = m->m[0][0] * m->m[0][0] + m->m[0][1] * m->m[0][1] + m->m[0][2] * m->m[0][2];
    if (k == 0.0f) {
        TrapError(__FILE__, __LINE__, "mat_Invert: singular matrix");
        return;
    }
    const float inv = 1.0f / k;
    Matrix src = *m;  // m and out may be the same matrix
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) out->m[r][c] = src.m[c][r] * inv;
    for (int j = 0; j < 3; ++j)
        out->m[3][j] = -(src.m[3][0] * out->m[0][j] + src.m[3][1] * out->m[1][j] + src.m[3][2] * out->m[2][j]);
    out->m[0][3] = 0.0f; out->m[1][3] = 0.0f; out->m[2][3] = 0.0f; out->m[3][3] = 1.0f;
}
