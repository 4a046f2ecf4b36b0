// The engine camera and the engine-wide current camera.
#pragma once
#include <cstdint>
#include "quilmath.h"

class Object;

class Camera {
public:
    Camera();

    void Init();
    void MakeCurrent();
    Matrix* GetMatrix() { return &m_mMatrix; }
    // Refreshes the position copy from the matrix's row 3 and returns it.
    Vec3* GetPosition();
    void SetPosition(float x, float y, float z);
    // Turns the camera towards the translation of target (position kept).
    void LookAt(const Matrix* target);
    void Update(float dt);
    void UpdateFreeFly();

    float GetSpeed() const { return m_fSpeed; }
    const Vec3* GetVelocity() const { return &m_vVelocity; }

private:
    Matrix m_mMatrix;
    Vec3 m_vVelocity;
    Vec3 m_vUp;
    Vec3 m_vPosition;
    float m_fSpeed;
    float m_fYaw, m_fPitch, m_fRoll;
    Object* m_pTarget;
    uint32_t m_uFlags;  // bit 0: free-fly mode
    uint32_t m_uMode;   // 1: follow the target
};

// The camera every reader goes through; null until the engine starts.
extern Camera* g_pCurrentCamera;
