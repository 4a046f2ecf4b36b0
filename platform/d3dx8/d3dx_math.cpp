// D3DX matrix, vector and quaternion functions (row-vector convention).
#include "d3dx8math.h"

#include <cmath>

// ---- Matrices ---------------------------------------------------------------

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out->m[r][c] = (r == c) ? 1.0f : 0.0f;
    return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
    D3DXMATRIX t;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            t.m[r][c] = m1->m[r][0] * m2->m[0][c] + m1->m[r][1] * m2->m[1][c] +
                        m1->m[r][2] * m2->m[2][c] + m1->m[r][3] * m2->m[3][c];
    *out = t;
    return out;
}

D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
    D3DXMATRIX t;
    D3DXMatrixMultiply(&t, m1, m2);
    return D3DXMatrixTranspose(out, &t);
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
    D3DXMATRIX t;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) t.m[r][c] = m->m[c][r];
    *out = t;
    return out;
}

// Cofactor expansion in doubles, shared by Inverse and Determinant.
namespace {
struct Cofactors {
    double inv[16];
    double det;
};

Cofactors ComputeCofactors(const D3DXMATRIX* mat) {
    double a[16];
    for (int i = 0; i < 16; ++i) a[i] = mat->m[i / 4][i % 4];
    Cofactors c;
    double* inv = c.inv;
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
             a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
             a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
             a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
              a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
             a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
             a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
             a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
              a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
             a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
             a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
              a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
              a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
             a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
             a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
              a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] +
              a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
    c.det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
    return c;
}
}  // namespace

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, FLOAT* determinant, const D3DXMATRIX* m) {
    Cofactors c = ComputeCofactors(m);
    if (determinant) *determinant = (FLOAT)c.det;
    if (c.det == 0.0 || !std::isfinite(c.det)) return nullptr;
    double r = 1.0 / c.det;
    for (int i = 0; i < 16; ++i) out->m[i / 4][i % 4] = (FLOAT)(c.inv[i] * r);
    return out;
}

FLOAT D3DXMatrixDeterminant(const D3DXMATRIX* m) { return (FLOAT)ComputeCofactors(m).det; }

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z) {
    D3DXMatrixIdentity(out);
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, FLOAT sx, FLOAT sy, FLOAT sz) {
    D3DXMatrixIdentity(out);
    out->_11 = sx;
    out->_22 = sy;
    out->_33 = sz;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, FLOAT angle) {
    FLOAT c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_22 = c;
    out->_23 = s;
    out->_32 = -s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, FLOAT angle) {
    FLOAT c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_11 = c;
    out->_13 = -s;
    out->_31 = s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, FLOAT angle) {
    FLOAT c = std::cos(angle), s = std::sin(angle);
    D3DXMatrixIdentity(out);
    out->_11 = c;
    out->_12 = s;
    out->_21 = -s;
    out->_22 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, FLOAT angle) {
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, axis);
    FLOAT c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    D3DXMatrixIdentity(out);
    out->_11 = t * v.x * v.x + c;
    out->_12 = t * v.x * v.y + s * v.z;
    out->_13 = t * v.x * v.z - s * v.y;
    out->_21 = t * v.x * v.y - s * v.z;
    out->_22 = t * v.y * v.y + c;
    out->_23 = t * v.y * v.z + s * v.x;
    out->_31 = t * v.x * v.z + s * v.y;
    out->_32 = t * v.y * v.z - s * v.x;
    out->_33 = t * v.z * v.z + c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
    FLOAT x = q->x, y = q->y, z = q->z, w = q->w;
    D3DXMatrixIdentity(out);
    out->_11 = 1.0f - 2.0f * (y * y + z * z);
    out->_12 = 2.0f * (x * y + z * w);
    out->_13 = 2.0f * (x * z - y * w);
    out->_21 = 2.0f * (x * y - z * w);
    out->_22 = 1.0f - 2.0f * (x * x + z * z);
    out->_23 = 2.0f * (y * z + x * w);
    out->_31 = 2.0f * (x * z + y * w);
    out->_32 = 2.0f * (y * z - x * w);
    out->_33 = 1.0f - 2.0f * (x * x + y * y);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf) {
    FLOAT yScale = 1.0f / std::tan(fovy * 0.5f);
    FLOAT xScale = yScale / aspect;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out->m[r][c] = 0.0f;
    out->_11 = xScale;
    out->_22 = yScale;
    out->_33 = zf / (zf - zn);
    out->_34 = 1.0f;
    out->_43 = -zn * zf / (zf - zn);
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
    D3DXVECTOR3 zaxis = *at - *eye;
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVECTOR3 xaxis;
    D3DXVec3Cross(&xaxis, up, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVECTOR3 yaxis;
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    *out = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f,
                      xaxis.y, yaxis.y, zaxis.y, 0.0f,
                      xaxis.z, yaxis.z, zaxis.z, 0.0f,
                      -D3DXVec3Dot(&xaxis, eye), -D3DXVec3Dot(&yaxis, eye), -D3DXVec3Dot(&zaxis, eye), 1.0f);
    return out;
}

// ---- Vectors ----------------------------------------------------------------

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
    FLOAT len = D3DXVec3Length(v);
    if (len == 0.0f) {
        *out = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    } else {
        *out = *v / len;
    }
    return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 in(v->x, v->y, v->z, 1.0f);
    return D3DXVec4Transform(out, &in, m);
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r;
    D3DXVec3Transform(&r, v, m);
    if (r.w != 0.0f && r.w != 1.0f) {
        FLOAT inv = 1.0f / r.w;
        r.x *= inv;
        r.y *= inv;
        r.z *= inv;
    }
    *out = D3DXVECTOR3(r.x, r.y, r.z);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
    D3DXVECTOR3 r(v->x * m->_11 + v->y * m->_21 + v->z * m->_31,
                  v->x * m->_12 + v->y * m->_22 + v->z * m->_32,
                  v->x * m->_13 + v->y * m->_23 + v->z * m->_33);
    *out = r;
    return out;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m) {
    D3DXVECTOR4 r;
    FLOAT in[4] = {v->x, v->y, v->z, v->w};
    FLOAT res[4];
    for (int c = 0; c < 4; ++c)
        res[c] = in[0] * m->m[0][c] + in[1] * m->m[1][c] + in[2] * m->m[2][c] + in[3] * m->m[3][c];
    r = D3DXVECTOR4(res[0], res[1], res[2], res[3]);
    *out = r;
    return out;
}

D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT8* viewport,
                             const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world) {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    if (world) D3DXMatrixMultiply(&m, &m, world);
    if (view) D3DXMatrixMultiply(&m, &m, view);
    if (projection) D3DXMatrixMultiply(&m, &m, projection);
    D3DXVECTOR3 p;
    D3DXVec3TransformCoord(&p, v, &m);
    if (viewport) {
        p.x = (FLOAT)viewport->X + (1.0f + p.x) * (FLOAT)viewport->Width * 0.5f;
        p.y = (FLOAT)viewport->Y + (1.0f - p.y) * (FLOAT)viewport->Height * 0.5f;
        p.z = viewport->MinZ + p.z * (viewport->MaxZ - viewport->MinZ);
    }
    *out = p;
    return out;
}

// ---- Quaternions ------------------------------------------------------------

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    FLOAT len = D3DXQuaternionLength(q);
    if (len == 0.0f) {
        *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
    } else {
        FLOAT inv = 1.0f / len;
        *out = *q * inv;
    }
    return out;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2) {
    // Hamilton product a b with a = q2, b = q1.
    const D3DXQUATERNION& a = *q2;
    const D3DXQUATERNION& b = *q1;
    D3DXQUATERNION r(a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
                     a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                     a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
                     a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
    *out = r;
    return out;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    FLOAT n = D3DXQuaternionLengthSq(q);
    if (n == 0.0f) {
        *out = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
        return out;
    }
    FLOAT inv = 1.0f / n;
    *out = D3DXQUATERNION(-q->x * inv, -q->y * inv, -q->z * inv, q->w * inv);
    return out;
}

D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    FLOAT vlen = std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z);
    FLOAT w = q->w;
    if (w > 1.0f) w = 1.0f;
    if (w < -1.0f) w = -1.0f;
    FLOAT theta = std::atan2(vlen, w);
    FLOAT k = (vlen > 1e-7f) ? theta / vlen : 1.0f;
    *out = D3DXQUATERNION(q->x * k, q->y * k, q->z * k, 0.0f);
    return out;
}

D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
    FLOAT theta = std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z);
    FLOAT k = (theta > 1e-7f) ? std::sin(theta) / theta : 1.0f;
    *out = D3DXQUATERNION(q->x * k, q->y * k, q->z * k, std::cos(theta));
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, FLOAT angle) {
    D3DXVECTOR3 v;
    D3DXVec3Normalize(&v, axis);
    FLOAT s = std::sin(angle * 0.5f);
    *out = D3DXQUATERNION(v.x * s, v.y * s, v.z * s, std::cos(angle * 0.5f));
    return out;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                                    FLOAT t) {
    FLOAT cosom = D3DXQuaternionDot(q1, q2);
    FLOAT sign = 1.0f;
    if (cosom < 0.0f) {
        cosom = -cosom;
        sign = -1.0f;
    }
    FLOAT k1, k2;
    if (1.0f - cosom > 1e-5f) {
        FLOAT omega = std::acos(cosom);
        FLOAT sinom = std::sin(omega);
        k1 = std::sin((1.0f - t) * omega) / sinom;
        k2 = std::sin(t * omega) / sinom;
    } else {
        // Nearly identical rotations: linear interpolation is exact enough.
        k1 = 1.0f - t;
        k2 = t;
    }
    k2 *= sign;
    *out = D3DXQUATERNION(k1 * q1->x + k2 * q2->x, k1 * q1->y + k2 * q2->y, k1 * q1->z + k2 * q2->z,
                          k1 * q1->w + k2 * q2->w);
    return out;
}

namespace {
// Picks whichever of q and -q lies nearer to ref (the same rotation, shorter arc).
D3DXQUATERNION NearerSign(const D3DXQUATERNION& ref, const D3DXQUATERNION& q) {
    D3DXQUATERNION sum = ref + q, diff = ref - q;
    return (D3DXQuaternionLengthSq(&sum) < D3DXQuaternionLengthSq(&diff)) ? -q : q;
}

// Shoemake's inner control point: q exp(-(ln(q^-1 next) + ln(q^-1 prev)) / 4), Hamilton products.
D3DXQUATERNION InnerPoint(const D3DXQUATERNION& prev, const D3DXQUATERNION& q, const D3DXQUATERNION& next) {
    D3DXQUATERNION inv, a, b, la, lb;
    D3DXQuaternionInverse(&inv, &q);
    // D3DXQuaternionMultiply(x, y) is the Hamilton product y x.
    D3DXQuaternionMultiply(&a, &next, &inv);
    D3DXQuaternionMultiply(&b, &prev, &inv);
    D3DXQuaternionLn(&la, &a);
    D3DXQuaternionLn(&lb, &b);
    D3DXQUATERNION e = (la + lb) * -0.25f;
    D3DXQUATERNION ex, out;
    D3DXQuaternionExp(&ex, &e);
    D3DXQuaternionMultiply(&out, &ex, &q);
    return out;
}
}  // namespace

void D3DXQuaternionSquadSetup(D3DXQUATERNION* aOut, D3DXQUATERNION* bOut, D3DXQUATERNION* cOut,
                              const D3DXQUATERNION* q0, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                              const D3DXQUATERNION* q3) {
    D3DXQUATERNION p0 = NearerSign(*q1, *q0);
    D3DXQUATERNION p1 = *q1;
    D3DXQUATERNION p2 = NearerSign(*q1, *q2);
    D3DXQUATERNION p3 = NearerSign(p2, *q3);
    D3DXQUATERNION a = InnerPoint(p0, p1, p2);
    D3DXQUATERNION b = InnerPoint(p1, p2, p3);
    *aOut = a;
    *bOut = b;
    *cOut = p2;
}

D3DXQUATERNION* D3DXQuaternionSquad(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* a,
                                    const D3DXQUATERNION* b, const D3DXQUATERNION* c, FLOAT t) {
    D3DXQUATERNION s1, s2;
    D3DXQuaternionSlerp(&s1, q1, c, t);
    D3DXQuaternionSlerp(&s2, a, b, t);
    return D3DXQuaternionSlerp(out, &s1, &s2, 2.0f * t * (1.0f - t));
}
