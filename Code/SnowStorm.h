// The snow storm of the front end: a handful of flakes drifting through a box
// that follows a point in front of the camera, re-entering on the opposite face
// when they leave it and fading out with horizontal distance from its centre.
#pragma once
#include <cstdint>
#include "process.h"
#include "quilmath.h"
#include "spritelist3d.h"

// A texture rectangle of the flake picture: left u, top v, right u, bottom v.
struct SnowFrameUV {
    float uL, vT, uR, vB;
};

class SnowStorm : public Process {
public:
    enum { NUM_FLAKES = 16, NUM_FRAMES = 5 };
    // Half the edge of the box, its distance ahead of the camera and the fade radius.
    static constexpr float BOX_HALF_SIZE = 27.0f;
    static constexpr float FLAKE_HALF_SIZE = 15.0f;

    SnowStorm();
    ~SnowStorm() override;

    // Builds the flakes and their velocities; the storm stays inactive.
    void Init() override;
    void Shutdown() override;
    // Wraps, moves and fades every flake.
    void Update(float dt) override;
    // Starts drawing and updating the flakes.
    void Activate() override;
    // Stops drawing and updating them.
    void Deactivate() override;

    bool IsActive() const { return m_bActive; }
    SpriteList3D* GetSprites() { return &m_Sprites; }
    const Vec3& GetVelocity(uint32_t i) const { return m_vVelocity[i]; }
    // The centre of the box for the given camera matrix.
    static Vec3 BoxCentre(const Matrix& camera);

private:
    SpriteList3D m_Sprites;
    Vec3 m_vVelocity[NUM_FLAKES];
    Vec3 m_vBaseVelocity;
    bool m_bActive;
};

// The five texture rectangles the flakes cycle through.
const SnowFrameUV& GetSnowFrameUV(uint32_t frame);
