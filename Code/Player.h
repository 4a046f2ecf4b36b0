// The first-person player: walking with the action keys, looking with the
// mouse, sliding along the walls and props of the current room, footsteps by
// floor material, a head bob, shooting, health with a heartbeat warning, the
// score, and the spotted state that calls up the goblins. The player has no
// mesh: it drives the current camera.
#pragma once
#include <cstdint>
#include "process.h"
#include "quilmath.h"

struct Sound;

// Footstep material classes of the floor tiles.
enum FootstepMaterial : uint32_t {
    FOOTSTEP_HARD = 0,
    FOOTSTEP_NORMAL = 1,
    FOOTSTEP_SNOW = 2,
    FOOTSTEP_SOFT = 3,
};

class Player : public Object {
public:
    static constexpr uint32_t FOOTSTEP_COUNT = 14;
    static constexpr float SPOTTED_TIME = 0.2f;      // seconds seen before spotted
    static constexpr float EYE_HEIGHT = 22.0f;
    static constexpr float WALK_ACCEL = 43.0f;       // top speed, units per second
    static constexpr float DAMPING = 5.0f;           // velocity lost per second with no key
    static constexpr float WALL_DISTANCE = 8.0f;     // closest approach to a wall
    static constexpr float PROP_RADIUS = 8.0f;
    static constexpr float PITCH_LIMIT = 1.2566371f;  // 72 degrees up or down
    static constexpr float FIRE_INTERVAL = 0.5f;
    static constexpr float SHOT_SPEED = 100.0f;
    static constexpr float FOOTSTEP_INTERVAL = 0.5f;
    static constexpr uint32_t HEARTBEAT_HEALTH = 31;  // below this the heartbeat plays
    static constexpr float INVERT_REPEAT = 0.2f;      // seconds between toggles while T is held

    Player();

    // Process and object operations.
    void Init() override;
    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
    void Render() override {}
    void InvalidateDeviceObjects() override {}
    void RestoreDeviceObjects() override {}

    // Stands the player at the current room's start cell, facing the room,
    // with every movement and timer reset.
    void PlaceAtStart();
    // One goblin shot hit the player.
    void TakeHit();
    void AddScore(uint32_t n) { m_uScore += n; }
    uint32_t GetScore() const { return m_uScore; }
    uint32_t GetHealth() const { return m_uHealth; }
    const Vec3* GetPosition() const { return &m_vPosition; }
    float GetX() const { return m_vPosition.x; }
    float GetZ() const { return m_vPosition.z; }
    float GetHitRadiusSq() const { return m_fHitRadiusSq; }
    // Moves the eye without moving the camera (tools and tests).
    void SetPosition(const Vec3& position) { m_vPosition = position; }

    // Whether any walker in use sees the player; counts the time seen unbroken.
    void UpdateSpotted(float dt);
    bool IsSpotted() const { return m_bSeen && m_fSeenTime >= SPOTTED_TIME; }

    // Menu options.
    void ToggleInvertMouse() { m_uInvertMouse = m_uInvertMouse ? 0 : 1; }
    bool IsMouseInverted() const { return m_uInvertMouse != 0; }
    // 0 -> 0.005, 1 -> 0.01, any other -> 0.02 radians per mouse unit.
    void SetMouseSensitivity(uint32_t index);
    float GetMouseSensitivity() const { return m_fMouseSensitivity; }
    // Non-zero: the arrow keys move; zero: A, D, W, S.
    void SetKeyLayout(uint32_t layout);

    // The camera's forward row flattened to x-z (not normalised).
    void GetViewDirXZ(Vec3* out) const;
    // Stops the heartbeat loop if it plays.
    void StopHeartbeat();

    // Read-only views for the HUD, tools and tests.
    const Vec3& GetVelocity() const { return m_vVelocity; }
    float GetSpeed() const { return m_fSpeed; }
    float GetYaw() const { return m_fYaw; }
    float GetPitch() const { return m_fPitch; }
    bool IsHeartbeatOn() const { return m_bHeartbeatOn != 0; }
    bool IsActive() const { return m_bActive != 0; }
    const Sound* GetFootstepSound(uint32_t i) const { return i < FOOTSTEP_COUNT ? m_pFootstep[i] : nullptr; }
    const Sound* GetHeartbeatSound() const { return m_pHeartbeat; }

    // Health lost to one shot at a difficulty (0 easy, 1 medium, 2 hard).
    static uint32_t HitDamage(uint32_t difficulty);
    // Material class of a floor tile (0..15).
    static uint32_t MaterialOfTile(uint32_t tile);
    // Footstep sound index of step (0..3) on a material class.
    static uint32_t StepSoundIndex(uint32_t material, uint32_t step);

private:
    // Stops at the walls of the node the player stands in, then at the props.
    void CollideWalls();
    // Stops the x and z movement separately where they would enter a prop.
    void CollideObjects();
    // Key T toggles the inverted mouse, repeating every 0.2 s while held.
    void UpdateInvertKey();
    // Plays the next footstep of the floor under the player every 0.5 s of walking.
    void UpdateFootsteps(float dt);
    // Turns the current camera toward (x, y, 0) from where it stands.
    void FaceRoom();
    void FreeSounds();

    Sound* m_pFootstep[FOOTSTEP_COUNT];
    Sound* m_pHeartbeat;
    Sound* m_pHit;
    Vec3 m_vPosition;
    Vec3 m_vVelocity;  // displacement per frame; y stays 0
    float m_fBobPhase;
    float m_fSpeed;
    float m_fSeenTime;
    float m_fFireTimer;
    float m_fFootstepTimer;
    float m_fYaw, m_fPitch;
    float m_fMouseSensitivity;
    float m_fHitRadiusSq;
    uint32_t m_uHealth;
    uint32_t m_uScore;
    uint8_t m_uInvertMouse;
    uint8_t m_bSeen;
    uint8_t m_bHeartbeatOn;
    uint8_t m_bActive;  // in the frame loop and the draw list
};

// The difficulty the game is played at: 0 easy, 1 medium, 2 hard.
uint32_t GetGameDifficulty();
