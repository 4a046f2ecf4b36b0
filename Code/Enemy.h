// A person in the house: walks its patrol path with a skinned mesh, lit by the
// nearest lights, hidden in hidden blocks, and watches for the player.
#pragma once
#include <cstdint>
#include "PatrolPath.h"
#include "process.h"
#include "quilmath.h"
#include "skinmesh.h"

class Enemy : public Object {
public:
    static constexpr float WALK_SPEED = 30.0f;     // world units per second
    static constexpr float WALK_HEIGHT = 2.0f;     // y of the walker and its mesh
    static constexpr float NEAR_SIGHT = 20.0f;     // seen through walls and from behind
    static constexpr float FAR_SIGHT = 64.0f;      // beyond this never seen
    static constexpr float VIEW_HALF_ANGLE = 0.5235988f;  // 30 degrees either side
    static constexpr float EYE_HEIGHT = 10.0f;

    Enemy();

    void Init() override;
    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;
    // The mesh draws itself.
    void Render() override {}
    void InvalidateDeviceObjects() override {}
    void RestoreDeviceObjects() override {}

    // Whether the walker sees a player standing at playerPosition (the eye).
    bool CanSee(const Vec3& playerPosition);
    // Appends an entered point to the walker's path (editor).
    void AddPathPoint(const PathPoint& point);
    float GetHeading() const { return m_Path.GetHeading(); }
    PatrolPath* GetPath() { return &m_Path; }
    // Stops or restarts the mesh's animation.
    void Freeze(bool frozen);

    bool IsActive() const { return m_bActive != 0; }
    SkinMesh* GetMesh() { return &m_Mesh; }

private:
    PatrolPath m_Path;
    SkinMesh m_Mesh;
    uint8_t m_bActive;
};
