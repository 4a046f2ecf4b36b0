// A ghost goblin: floats at a fixed height, steers toward the player while
// keeping a personal distance, checks its line of sight every 2 s, shoots when
// it faces the player, and flashes red when hit. It passes through walls and
// props; its skinned mesh draws itself.
#pragma once
#include <cstdint>
#include "process.h"
#include "quilmath.h"
#include "skinmesh.h"

class Goblin : public Object {
public:
    static constexpr float FLOAT_HEIGHT = 25.0f;
    static constexpr float BASE_STEER = 1.5f;       // steering gain before the random factor
    static constexpr float SIGHT_INTERVAL = 2.0f;   // seconds between line-of-sight tests
    static constexpr float FIRE_INTERVAL = 1.0f;
    static constexpr float AIM_DOT = 0.95f;         // about 18 degrees either side
    static constexpr float SHOT_SPEED = 100.0f;
    static constexpr float MAX_SPEED = 30.0f;
    static constexpr float FLASH_TIME = 0.2f;
    static constexpr uint32_t MESH_RENDER_MODE = 2;

    Goblin();

    // Process and object operations.
    void Init() override;
    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
    void Render() override {}
    void InvalidateDeviceObjects() override {}
    void RestoreDeviceObjects() override {}

    // Steering, sight and shooting of one frame, before the move.
    void Think(float dt);
    // One player shot hit the goblin: it flashes and loses health by difficulty.
    void TakeHit();
    uint32_t GetHealth() const { return m_uHealth; }
    void SetHealth(uint32_t health) { m_uHealth = health; }
    void SetX(float x) { m_vPosition.x = x; }
    void SetZ(float z) { m_vPosition.z = z; }
    float GetX() const { return m_vPosition.x; }
    float GetZ() const { return m_vPosition.z; }
    const Vec3* GetPosition() const { return &m_vPosition; }
    float GetHitRadiusSq() const { return m_fHitRadiusSq; }
    bool IsActive() const { return m_bActive != 0; }
    // Stops or restarts the mesh's animation.
    void Freeze(bool frozen) { m_Mesh.SetFrozen(frozen); }

    // Read-only views for tools and tests.
    SkinMesh* GetMesh() { return &m_Mesh; }
    const Vec3& GetFacing() const { return m_vFacing; }
    const Vec3& GetVelocity() const { return m_vVelocity; }
    float GetSpeed() const { return m_fSpeed; }
    float GetKeepAway() const { return m_fKeepAway; }
    bool SawPlayer() const { return (m_uFlags & 1) != 0; }

    // Health lost to one shot at a difficulty (0 easy, 1 medium, 2 hard).
    static uint32_t HitDamage(uint32_t difficulty);

private:
    SkinMesh m_Mesh;
    Vec3 m_vFacing;
    Vec3 m_vVelocity;   // units per second; only x and z move the goblin
    Vec3 m_vPosition;
    uint32_t m_uFlags;  // bit 0: the player was in sight at the last sight test
    uint32_t m_uHealth;
    float m_fSpeed;     // steering gain per frame
    float m_fHitRadiusSq;
    float m_fKeepAway;  // personal distance
    float m_fFireTimer;
    float m_fSightTimer;
    float m_fFlashTimer;
    uint8_t m_bActive;
};
