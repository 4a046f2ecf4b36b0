// D3DX math against hand-computed values.
#include <gtest/gtest.h>

#include <cmath>

#include "d3dx8math.h"

namespace {

constexpr float kEps = 1e-5f;

// Address of a temporary, valid for the full expression that uses it.
template <typename T>
const T* Addr(const T& v) { return &v; }
#define V3(...) Addr(D3DXVECTOR3(__VA_ARGS__))

void ExpectVecNear(const D3DXVECTOR3& v, float x, float y, float z, float eps = kEps) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

// Two quaternions describe the same rotation when they are equal up to sign.
void ExpectSameRotation(const D3DXQUATERNION& a, const D3DXQUATERNION& b, float eps = 1e-4f) {
    float d = std::fabs(D3DXQuaternionDot(&a, &b));
    EXPECT_NEAR(d, 1.0f, eps) << a.x << "," << a.y << "," << a.z << "," << a.w;
}

TEST(D3dxMatrix, PerspectiveFovLHMapsNearAndFarToZeroAndOne) {
    D3DXMATRIX p;
    const float fov = 1.0471976f, aspect = 4.0f / 3.0f;
    D3DXMatrixPerspectiveFovLH(&p, fov, aspect, 1.0f, 1000.0f);
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, V3(0, 0, 1), &p);
    EXPECT_NEAR(out.z, 0.0f, kEps);
    D3DXVec3TransformCoord(&out, V3(0, 0, 1000), &p);
    EXPECT_NEAR(out.z, 1.0f, kEps);
    // Points on the top and right edges of the view cone land at y = 1 and x = 1.
    D3DXVec3TransformCoord(&out, V3(std::tan(fov / 2) * 10 * aspect, std::tan(fov / 2) * 10, 10), &p);
    EXPECT_NEAR(out.x, 1.0f, 1e-4f);
    EXPECT_NEAR(out.y, 1.0f, 1e-4f);
}

TEST(D3dxVector, ProjectToViewport) {
    // Offset viewport with a depth range, and y pointing down in pixels; missing matrices are identity.
    D3DVIEWPORT8 vp2 = {100, 50, 200, 100, 0.5f, 1.0f};
    D3DXMATRIX id, proj;
    D3DXMatrixIdentity(&id);
    D3DXVECTOR3 out;
    D3DXVec3Project(&out, V3(1, 1, 0), &vp2, &id, &id, nullptr);
    ExpectVecNear(out, 300, 50, 0.5f);
    D3DXVec3Project(&out, V3(-1, -1, 1), &vp2, nullptr, nullptr, nullptr);
    ExpectVecNear(out, 100, 150, 1.0f);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 2, 2.0f, 1.0f, 10.0f);
    D3DXVec3Project(&out, V3(2, 1, 1), &vp2, &proj, nullptr, nullptr);  // top right corner of the near plane
    ExpectVecNear(out, 300, 50, 0.5f);
}

TEST(D3dxQuaternion, SquadInterpolatesThroughKeys) {
    const D3DXVECTOR3 yAxis(0, 1, 0);
    D3DXQUATERNION k[4];
    for (int i = 0; i < 4; ++i) D3DXQuaternionRotationAxis(&k[i], &yAxis, 0.5f * i);
    D3DXQUATERNION a, b, c, out;
    D3DXQuaternionSquadSetup(&a, &b, &c, &k[0], &k[1], &k[2], &k[3]);
    ExpectSameRotation(c, k[2]);
    D3DXQuaternionSquad(&out, &k[1], &a, &b, &c, 0.0f);
    ExpectSameRotation(out, k[1]);
    D3DXQuaternionSquad(&out, &k[1], &a, &b, &c, 1.0f);
    ExpectSameRotation(out, k[2]);
    // Evenly spaced keys about one axis: squad is uniform, halfway is 0.75 rad.
    D3DXQuaternionSquad(&out, &k[1], &a, &b, &c, 0.5f);
    D3DXQUATERNION mid;
    D3DXQuaternionRotationAxis(&mid, &yAxis, 0.75f);
    ExpectSameRotation(out, mid);
    EXPECT_NEAR(D3DXQuaternionLength(&out), 1.0f, 1e-4f);

    // Keys given with flipped signs interpolate the same rotations as their positive forms.
    D3DXQUATERNION f2 = -k[2], f3 = -k[3];
    D3DXQuaternionSquadSetup(&a, &b, &c, &k[0], &k[1], &f2, &f3);
    D3DXQuaternionSquad(&out, &k[1], &a, &b, &c, 0.5f);
    ExpectSameRotation(out, mid);
}

TEST(D3dxQuaternion, SquadIsSmoothAcrossKeysOnBentPath) {
    // Keys about changing axes: the curve's two segments meet with matching direction.
    D3DXQUATERNION k[5];
    D3DXQuaternionRotationAxis(&k[0], V3(0, 1, 0), 0.0f);
    D3DXQuaternionRotationAxis(&k[1], V3(0, 1, 0), 0.6f);
    D3DXQuaternionRotationAxis(&k[2], V3(1, 1, 0), 1.0f);
    D3DXQuaternionRotationAxis(&k[3], V3(1, 0, 0), 1.2f);
    D3DXQuaternionRotationAxis(&k[4], V3(1, 0, 1), 1.5f);
    auto eval = [&](int seg, float t) {
        D3DXQUATERNION a, b, c, out;
        D3DXQuaternionSquadSetup(&a, &b, &c, &k[seg - 1], &k[seg], &k[seg + 1], &k[seg + 2]);
        D3DXQuaternionSquad(&out, &k[seg], &a, &b, &c, t);
        return out;
    };
    const float h = 1e-3f;
    D3DXQUATERNION before = eval(1, 1.0f - h), at1 = eval(1, 1.0f), at2 = eval(2, 0.0f), after = eval(2, h);
    ExpectSameRotation(at1, at2);
    // Align signs, then compare the one-sided derivatives.
    if (D3DXQuaternionDot(&before, &at1) < 0) before = -before;
    if (D3DXQuaternionDot(&after, &at1) < 0) after = -after;
    D3DXQUATERNION d1 = (at1 - before) * (1.0f / h), d2 = (after - at1) * (1.0f / h);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR((&d1.x)[i], (&d2.x)[i], 0.02f) << i;
}

}  // namespace
