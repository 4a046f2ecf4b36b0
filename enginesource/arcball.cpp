// Cursor-driven rotations: the trackball, the arcball and the view camera.
#include <cmath>
#include "d3dutil.h"

namespace {
// Shared by every arcball: where the last button went down and the drag start.
int s_iLastMouseX = 0;
int s_iLastMouseY = 0;
D3DXVECTOR3 s_vDown(0.0f, 0.0f, 0.0f);
}  // namespace

// The rotation that carries the ball's front point to the cursor's point on it.
D3DXQUATERNION GetRotationFromCursor(HWND window, float radius) {
    POINT pt;
    RECT rc;
    GetCursorPos(&pt);
    ScreenToClient(window, &pt);
    GetClientRect(window, &rc);
    const float sx = ((2.0f * pt.x) / (float)(rc.right - rc.left)) - 1.0f;
    const float sy = ((2.0f * pt.y) / (float)(rc.bottom - rc.top)) - 1.0f;
    if (sx == 0.0f && sy == 0.0f) return D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);

    const float d = std::sqrt(sx * sx + sy * sy);
    float sz;
    if (d < radius * 0.7071067811865476f) sz = std::sqrt(radius * radius - d * d);
    else sz = (radius * radius) / (2.0f * d);

    D3DXVECTOR3 p1(sx, sy, sz);
    D3DXVECTOR3 p2(0.0f, 0.0f, radius);
    D3DXVECTOR3 axis;
    D3DXVec3Cross(&axis, &p1, &p2);
    D3DXVECTOR3 diff = p2 - p1;
    float t = D3DXVec3Length(&diff) / (2.0f * radius);
    if (t > 1.0f) t = 1.0f;
    if (t < -1.0f) t = -1.0f;
    const float angle = 2.0f * std::asin(t);
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axis, angle);
    return q;
}

namespace {
D3DXQUATERNION* UnitAxisToAxisQuaternion(D3DXQUATERNION* out, const D3DXVECTOR3* from, const D3DXVECTOR3* to) {
    D3DXVECTOR3 axis;
    D3DXVec3Cross(&axis, from, to);
    out->x = axis.x;
    out->y = axis.y;
    out->z = axis.z;
    out->w = D3DXVec3Dot(from, to);
    return out;
}
}  // namespace

D3DXQUATERNION* AxisToAxisQuaternion(D3DXQUATERNION* out, const D3DXVECTOR3* from, const D3DXVECTOR3* to) {
    D3DXVECTOR3 a, b, half;
    D3DXVec3Normalize(&a, from);
    D3DXVec3Normalize(&b, to);
    D3DXVECTOR3 sum = a + b;
    D3DXVec3Normalize(&half, &sum);
    return UnitAxisToAxisQuaternion(out, &a, &half);
}

ArcBall::ArcBall()
    : m_iWidth(0), m_iHeight(0), m_fRadius(0.0f), m_fRadiusTranslation(1.0f), m_bDrag(FALSE) {
    D3DXQuaternionIdentity(&m_qDown);
    D3DXQuaternionIdentity(&m_qNow);
    D3DXMatrixIdentity(&m_matRotation);
    D3DXMatrixIdentity(&m_matRotationDelta);
    D3DXMatrixIdentity(&m_matTranslation);
    D3DXMatrixIdentity(&m_matTranslationDelta);
}

void ArcBall::SetWindow(int width, int height, float radius) {
    m_iWidth = width;
    m_iHeight = height;
    m_fRadius = radius;
}

// A window position as a point on the unit ball (on its rim when outside).
D3DXVECTOR3 ArcBall::ScreenToVector(int x, int y) const {
    float vx = -(x - m_iWidth / 2) / (m_fRadius * m_iWidth / 2);
    float vy = (y - m_iHeight / 2) / (m_fRadius * m_iHeight / 2);
    float vz = 0.0f;
    const float mag = vx * vx + vy * vy;
    if (mag > 1.0f) {
        const float scale = 1.0f / std::sqrt(mag);
        vx *= scale;
        vy *= scale;
    } else {
        vz = std::sqrt(1.0f - mag);
    }
    return D3DXVECTOR3(vx, vy, vz);
}

BOOL ArcBall::HandleMouseMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = LOWORD(lParam);
    const int y = HIWORD(lParam);
    switch (message) {
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            s_iLastMouseX = x;
            s_iLastMouseY = y;
            return TRUE;

        case WM_LBUTTONDOWN:
            m_bDrag = TRUE;
            s_vDown = ScreenToVector(x, y);
            m_qDown = m_qNow;
            return TRUE;

        case WM_LBUTTONUP:
            m_bDrag = FALSE;
            return TRUE;

        case WM_MOUSEMOVE:
            if (wParam & MK_LBUTTON) {
                if (m_bDrag) {
                    D3DXVECTOR3 vCur = ScreenToVector(x, y);
                    D3DXQUATERNION qAxisToAxis;
                    AxisToAxisQuaternion(&qAxisToAxis, &s_vDown, &vCur);
                    m_qNow = m_qDown;
                    D3DXQuaternionMultiply(&m_qNow, &m_qDown, &qAxisToAxis);
                    D3DXMatrixRotationQuaternion(&m_matRotationDelta, &qAxisToAxis);
                } else {
                    D3DXMatrixIdentity(&m_matRotationDelta);
                }
                D3DXMatrixRotationQuaternion(&m_matRotation, &m_qNow);
                m_bDrag = TRUE;
            } else if ((wParam & MK_RBUTTON) || (wParam & MK_MBUTTON)) {
                const float dx = (float)(s_iLastMouseX - x) * m_fRadiusTranslation / (float)m_iWidth;
                const float dy = (float)(s_iLastMouseY - y) * m_fRadiusTranslation / (float)m_iHeight;
                if (wParam & MK_RBUTTON) D3DXMatrixTranslation(&m_matTranslationDelta, -2 * dx, 2 * dy, 0.0f);
                else D3DXMatrixTranslation(&m_matTranslationDelta, 0.0f, 0.0f, 5 * dy);
                D3DXMatrixMultiply(&m_matTranslation, &m_matTranslation, &m_matTranslationDelta);
                s_iLastMouseX = x;
                s_iLastMouseY = y;
            }
            return TRUE;

        default:
            return FALSE;
    }
}

ViewCamera::ViewCamera() {
    SetViewParams(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 1.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    SetProjParams(0.7853982f, 1.0f, 1.0f, 1000.0f);
}

void ViewCamera::SetViewParams(const D3DXVECTOR3& eye, const D3DXVECTOR3& lookAt, const D3DXVECTOR3& up) {
    m_vEyePt = eye;
    m_vLookatPt = lookAt;
    m_vUpVec = up;
    D3DXVECTOR3 dir = m_vLookatPt - m_vEyePt;
    D3DXVec3Normalize(&m_vView, &dir);
    D3DXVec3Cross(&m_vCross, &m_vView, &m_vUpVec);
    D3DXMatrixLookAtLH(&m_matView, &m_vEyePt, &m_vLookatPt, &m_vUpVec);
    D3DXMatrixInverse(&m_matBillboard, nullptr, &m_matView);
    m_matBillboard._41 = 0.0f;
    m_matBillboard._42 = 0.0f;
    m_matBillboard._43 = 0.0f;
}

void ViewCamera::SetProjParams(float fov, float aspect, float nearPlane, float farPlane) {
    m_fFOV = fov;
    m_fAspect = aspect;
    m_fNearPlane = nearPlane;
    m_fFarPlane = farPlane;
    D3DXMatrixPerspectiveFovLH(&m_matProj, fov, aspect, nearPlane, farPlane);
}
