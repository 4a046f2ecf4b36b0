// The player: the part the front end and the walkers use so far (the menu's
// mouse and key options; the eye position and whether the walkers have seen
// it long enough to call up the goblins).
#pragma once
#include <cstdint>
#include "quilmath.h"

class Player {
public:
    static constexpr float SPOTTED_TIME = 0.2f;  // seconds seen before spotted

    Player();

    // Menu options.
    void ToggleInvertMouse() { m_uInvertMouse = m_uInvertMouse ? 0 : 1; }
    bool IsMouseInverted() const { return m_uInvertMouse != 0; }
    // 0 -> 0.005, 1 -> 0.01, any other -> 0.02 radians per mouse unit.
    void SetMouseSensitivity(uint32_t index);
    float GetMouseSensitivity() const { return m_fMouseSensitivity; }
    // Non-zero: the arrow keys move; zero: A, D, W, S.
    void SetKeyLayout(uint32_t layout);

    // The spotted state for this frame, and the goblins called while spotted.
    void Update(float dt);
    // Whether any walker in use sees the player; counts the time seen unbroken.
    void UpdateSpotted(float dt);
    bool IsSpotted() const { return m_bSeen && m_fSeenTime >= SPOTTED_TIME; }

    const Vec3* GetPosition() const { return &m_vPosition; }
    float GetX() const { return m_vPosition.x; }
    float GetZ() const { return m_vPosition.z; }
    // Stands in for the movement the player does with keys and mouse.
    void SetPosition(const Vec3& position) { m_vPosition = position; }

private:
    Vec3 m_vPosition;
    float m_fSeenTime;
    float m_fMouseSensitivity;
    uint8_t m_uInvertMouse;
    uint8_t m_bSeen;
};
