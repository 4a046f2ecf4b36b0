// The engine camera: placed by the game each frame, with optional free-fly and
// follow modes.
#include "camera.h"
#include "pcsystem.h"
#include "process.h"

Camera* g_pCurrentCamera = nullptr;

namespace {
// Frames that the free-fly speed survives after the buttons are released.
int g_iHoldCounter = 0;
}

Camera::Camera()
    : m_vVelocity(0.0f, 0.0f, 0.0f), m_vUp(0.0f, 1.0f, 0.0f), m_fSpeed(0.0f), m_fYaw(0.0f), m_fPitch(0.0f),
      m_fRoll(0.0f), m_pTarget(nullptr), m_uFlags(0), m_uMode(0) {
    mat_Identity(&m_mMatrix);
}

void Camera::Init() {}

void Camera::MakeCurrent() { g_pCurrentCamera = this; }

Vec3* Camera::GetPosition() {
    m_vPosition = Vec3(m_mMatrix.m[3][0], m_mMatrix.m[3][1], m_mMatrix.m[3][2]);
    return &m_vPosition;
}

void Camera::SetPosition(float x, float y, float z) {
    m_mMatrix.m[3][0] = x;
    m_mMatrix.m[3][1] = y;
    m_mMatrix.m[3][2] = z;
}

void Camera::LookAt(const Matrix* target) {
    const Vec3 d(target->m[3][0] - m_mMatrix.m[3][0], target->m[3][1] - m_mMatrix.m[3][1],
                 target->m[3][2] - m_mMatrix.m[3][2]);
    mat_LookAtBasis(&d, &m_mMatrix, &m_vUp);
}

void Camera::Update(float dt) {
    if (m_uFlags & 1) {
        UpdateFreeFly();
    } else if (m_uMode == 1 && m_pTarget) {
        LookAt(m_pTarget->GetMatrix());
    }
    m_mMatrix.m[3][0] += dt * m_vVelocity.x;
    m_mMatrix.m[3][1] += dt * m_vVelocity.y;
    m_mMatrix.m[3][2] += dt * m_vVelocity.z;
}

// Mouse look; the left button flies forward, the right one backward, gaining
// speed every frame up to 30.
void Camera::UpdateFreeFly() {
    const MouseState* mouse = GetPCSystem()->GetMouse();
    m_vVelocity = Vec3(0.0f, 0.0f, 0.0f);
    m_fYaw += static_cast<float>(mouse->dx) * 0.005f;
    m_fPitch -= static_cast<float>(mouse->dy) * 0.005f;
    mat_FromYawPitchRoll(&m_mMatrix, m_fYaw, m_fPitch, m_fRoll);
    const Vec3 forward(m_mMatrix.m[2][0], m_mMatrix.m[2][1], m_mMatrix.m[2][2]);
    if (mouse->buttons & 1) {
        g_iHoldCounter = 10;
        m_fSpeed += 1.0f;
        if (m_fSpeed > 30.0f) m_fSpeed = 30.0f;
        m_vVelocity = forward;
        m_vVelocity *= m_fSpeed;
    } else if (mouse->buttons & 4) {
        g_iHoldCounter = 10;
        m_fSpeed += 1.0f;
        if (m_fSpeed > 30.0f) m_fSpeed = 30.0f;
        m_vVelocity = forward;
        m_vVelocity *= -m_fSpeed;
    } else {
        if (--g_iHoldCounter < 0) {
            g_iHoldCounter = 0;
            m_fSpeed = 0.25f;
        }
    }
}
