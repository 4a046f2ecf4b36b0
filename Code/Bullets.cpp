// The shots in flight: firing with a range limited by the walls, flight,
// hits on the player and the goblins, and their sprites.
#include "Bullets.h"

#include <cstdlib>

#include "Level.h"
#include "gameengine.h"
#include "sound.h"
#include "trap.h"

namespace {

const char* const kFireSoundFiles[4] = {"sfx/evilfire1.wav", "sfx/evilfire2.wav", "sfx/fire1.wav", "sfx/fire2.wav"};
constexpr uint32_t FIRE_SOUND_COPIES = 2;
// First of the two fire sounds of each type.
constexpr uint32_t kFireSoundBase[BULLET_TYPE_COUNT] = {0, 2};

// Each type's quarter of the bullet texture: u left, v top, u right, v bottom.
constexpr float kSpriteUV[BULLET_TYPE_COUNT][4] = {
    {0.5f, 0.0f, 1.0f, 0.5f},  // goblin shot: upper right
    {0.0f, 0.0f, 0.5f, 0.5f},  // player shot: upper left
};

float Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// How far a shot from start along the unit direction flies: to the first wall
// on its line, at most 300 units. The wall test reports its hit point in its
// own frame, one cell further along z, so the point is brought back first; and
// because the test names the wall of its second walk when both of its walks
// meet one, the stretch up to each hit is tested again until it is clear, so
// a nearer wall is not passed through.
float WallRange(const Vec3& start, const Vec3& direction) {
    constexpr float kShorten = 0.01f;  // keeps the wall just found off the next stretch
    constexpr int kMaxPasses = 16;     // a line crosses at most 16 node borders
    Level* level = GetLevel();
    const float cell = level->GetCellSize();
    // The hit point lies at the start's height: distances to it are across the floor.
    const float across = std::sqrt(direction.x * direction.x + direction.z * direction.z);
    float range = Bullets::MAX_RANGE;
    float reach = Bullets::MAX_RANGE;
    for (int pass = 0; pass < kMaxPasses && reach > 0.0f; ++pass) {
        Vec3 end = direction;
        end *= reach;
        end += start;
        end.z += cell;
        if (!level->LineOfSight(start, end, false)) break;
        Vec3 hit = *level->GetHitPoint();
        hit.z -= cell;
        hit -= start;
        const float d = Length(hit);
        if (d >= range) break;
        range = d;
        if (across <= 0.0f) break;
        reach = (d - kShorten) / across;
    }
    return range;
}

}  // namespace

Bullets::Bullets() : m_pFireSound{}, m_Bullets{}, m_uCount(0), m_pHost(nullptr) {}

// Builds the sprite list (kept out of the frame loop until Activate) and loads
// the fire sounds.
void Bullets::Init() {
    m_Sprites.Init();
    m_Sprites.Build(MAX_BULLETS, "gfx/bullets.tga");
    m_Sprites.SetBlendMode(SPRITE_BLEND_MODE);
    // The records start unwritten: show only the live shots (none yet).
    m_Sprites.SetCount(0);
    m_Sprites.Deactivate();
    SoundManager* sound = GetSoundManager();
    for (uint32_t i = 0; i < 4; ++i) {
        if (m_pFireSound[i]) sound->FreeSound(m_pFireSound[i]);
        m_pFireSound[i] = sound->LoadSound(kFireSoundFiles[i], FIRE_SOUND_COPIES);
    }
}

void Bullets::Shutdown() {
    m_Sprites.Shutdown();
    SoundManager* sound = GetSoundManager();
    for (Sound*& s : m_pFireSound) {
        if (s) sound->FreeSound(s);
        s = nullptr;
    }
}

// Joins the frame loop, then the sprite list joins ahead of it. Shots in
// flight are kept across Deactivate and Activate.
void Bullets::Activate() {
    GetGameEngine()->AddProcess(this);
    m_Sprites.Activate();
}

void Bullets::Deactivate() {
    GetGameEngine()->RemoveProcess(this);
    m_Sprites.Deactivate();
}

// Takes the next free record: the shot's range is fixed now, and its fire
// sound (one of two for its side) plays.
void Bullets::Fire(uint32_t type, Vec3& start, Vec3& direction, float speed) {
    if (type >= BULLET_TYPE_COUNT) {
        TrapError("Bullets", __LINE__, "Invalid bullet type given to Fire");
        return;
    }
    if (m_uCount >= MAX_BULLETS) return;
    BulletRecord& r = m_Bullets[m_uCount];
    r.type = type;
    r.position = start;
    Vec3::Normalise(direction);
    r.direction = direction;

    r.range = WallRange(start, direction);
    r.speed = speed;
    r.travelled = 0.0f;
    r.velocity = direction;
    r.velocity *= speed;
    GetSoundManager()->PlaySound(m_pFireSound[kFireSoundBase[type] + (std::rand() & 1)], 0);
    ++m_uCount;
}

// Drops the shots that have flown their range, moves the others, tests them
// against their targets and hands the live ones to the sprite list.
void Bullets::Update(float dt) {
    if (m_uCount == 0) return;
    for (uint32_t i = 0; i < m_uCount; ++i) {
        if (m_Bullets[i].travelled >= m_Bullets[i].range) {
            Remove(i);
            // The shot moved into slot i flies on now and is range-tested next frame.
            if (i >= m_uCount) break;
        }
        BulletRecord& r = m_Bullets[i];
        Vec3 step = r.velocity;
        step *= dt;
        r.position += step;
        r.travelled += dt * r.speed;
    }
    Collide(dt);
    WriteSprites();
    const uint32_t capacity = m_Sprites.GetCapacity();
    m_Sprites.SetCount(m_uCount < capacity ? m_uCount : capacity);
}

// Each shot is tested over the stretch it will fly in the next frame of the
// same length; a player's shot hits one goblin at most. A hit shot's place is
// taken by the last one, which is first tested there in the next frame.
void Bullets::Collide(float dt) {
    if (!m_pHost) return;
    for (uint32_t i = 0; i < m_uCount; ++i) {
        const BulletRecord& r = m_Bullets[i];
        const float half = dt * r.speed * 0.5f;
        Vec3 centre = r.direction;
        centre *= half;
        centre += r.position;
        const float halfSq = half * half;
        const Vec3 direction = r.direction;
        bool hit = false;
        if (r.type == BULLET_PLAYER) {
            for (uint32_t j = 0; j < m_pHost->GetGoblinCount(); ++j) {
                const Vec3* goblin = m_pHost->GetGoblinPosition(j);
                if (!goblin || !HitTest(centre, direction, halfSq, *goblin, m_pHost->GetGoblinHitRadiusSq(j))) continue;
                m_pHost->GoblinTakeHit(j);
                hit = true;
                break;
            }
        } else {
            const Vec3* player = m_pHost->GetPlayerPosition();
            if (player && HitTest(centre, direction, halfSq, *player, m_pHost->GetPlayerHitRadiusSq())) {
                m_pHost->PlayerTakeHit();
                hit = true;
            }
        }
        if (hit) Remove(i);
    }
}

bool Bullets::HitTest(const Vec3& centre, const Vec3& direction, float halfSq, const Vec3& target, float radiusSq) {
    Vec3 d = centre;
    d -= target;
    const float dd = d.Dot(d);
    if (halfSq + radiusSq < dd) return false;
    // Only a target the centre has reached or passed counts.
    const float t = d.Dot(direction);
    if (t < 0.0f) return false;
    return dd - t * t <= radiusSq;
}

void Bullets::Remove(uint32_t i) {
    if (m_uCount == 0 || i >= m_uCount) return;
    --m_uCount;
    m_Bullets[i] = m_Bullets[m_uCount];
}

void Bullets::WriteSprites() {
    Sprite3D* sprites = m_Sprites.GetSprites();
    if (!sprites) return;
    const uint32_t capacity = m_Sprites.GetCapacity();
    for (uint32_t i = 0; i < m_uCount && i < capacity; ++i) {
        const BulletRecord& r = m_Bullets[i];
        Sprite3D& s = sprites[i];
        s.x = r.position.x;
        s.y = r.position.y;
        s.z = r.position.z;
        s.halfWidth = SPRITE_HALF_SIZE;
        s.halfHeight = SPRITE_HALF_SIZE;
        s.colour = 0xFFFFFFFFu;
        const float* uv = kSpriteUV[r.type < BULLET_TYPE_COUNT ? r.type : 0];
        s.uLeft = uv[0];
        s.vTop = uv[1];
        s.uRight = uv[2];
        s.vBottom = uv[3];
    }
}

Bullets* GetBullets() {
    static Bullets* bullets = new Bullets();  // lives for the whole run
    return bullets;
}
