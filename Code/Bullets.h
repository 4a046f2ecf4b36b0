// Every shot in flight, the player's and the goblins', in one fixed pool. A
// shot flies straight at a constant speed until it has covered its range (the
// distance to the first wall along its line when fired, at most 300 units) or
// hits a target of the other side; shots are drawn as camera-facing sprites.
#pragma once
#include <cstdint>
#include "process.h"
#include "quilmath.h"
#include "spritelist3d.h"

struct Sound;

// Who fired a shot.
constexpr uint32_t BULLET_GOBLIN = 0;
constexpr uint32_t BULLET_PLAYER = 1;
constexpr uint32_t BULLET_TYPE_COUNT = 2;

// One shot in flight.
struct BulletRecord {
    uint32_t type;     // BULLET_GOBLIN or BULLET_PLAYER
    Vec3 position;
    Vec3 velocity;     // direction x speed, units per second
    Vec3 direction;    // unit length
    float range;       // distance it flies before it vanishes
    float speed;       // units per second
    float travelled;
};

// What the shots can hit, as the game that owns them sees it: the player
// (target of the goblins' shots) and the live goblins (targets of the
// player's shots).
class BulletsHost {
public:
    virtual ~BulletsHost() = default;
    virtual const Vec3* GetPlayerPosition() = 0;
    virtual float GetPlayerHitRadiusSq() = 0;
    // One goblin shot reached the player.
    virtual void PlayerTakeHit() = 0;
    virtual uint32_t GetGoblinCount() = 0;
    virtual const Vec3* GetGoblinPosition(uint32_t goblin) = 0;
    virtual float GetGoblinHitRadiusSq(uint32_t goblin) = 0;
    // One player shot reached goblin.
    virtual void GoblinTakeHit(uint32_t goblin) = 0;
};

class Bullets : public Process {
public:
    static constexpr uint32_t MAX_BULLETS = 128;
    static constexpr float MAX_RANGE = 300.0f;
    static constexpr float SPRITE_HALF_SIZE = 0.5f;
    static constexpr uint32_t SPRITE_BLEND_MODE = 7;

    Bullets();

    // Process operations.
    void Init() override;
    void Shutdown() override;
    void Update(float dt) override;
    void Activate() override;
    void Deactivate() override;

    // The game whose player and goblins the shots hit; without one they hit nothing.
    void SetHost(BulletsHost* host) { m_pHost = host; }

    // Adds one shot of type from start along direction (normalised in place) at
    // speed units per second. A full pool drops the shot without a sound.
    void Fire(uint32_t type, Vec3& start, Vec3& direction, float speed);

    uint32_t GetCount() const { return m_uCount; }
    // Live shot i, or null past the live ones.
    const BulletRecord* GetBullet(uint32_t i) const { return i < m_uCount ? &m_Bullets[i] : nullptr; }
    SpriteList3D* GetSpriteList() { return &m_Sprites; }

private:
    // Tests every shot against the targets of the other side.
    void Collide(float dt);
    // Drops shot i; the last live shot takes its place.
    void Remove(uint32_t i);
    // Whether the stretch of 2 x sqrt(halfSq) centred on centre along direction
    // comes within the radius of target.
    static bool HitTest(const Vec3& centre, const Vec3& direction, float halfSq, const Vec3& target, float radiusSq);
    // Rewrites the sprites of the live shots.
    void WriteSprites();

    Sound* m_pFireSound[4];
    BulletRecord m_Bullets[MAX_BULLETS];
    SpriteList3D m_Sprites;
    uint32_t m_uCount;
    BulletsHost* m_pHost;
};

// The game's bullets.
Bullets* GetBullets();
