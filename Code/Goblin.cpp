#include "Goblin.h"

#include <cmath>
#include <cstdlib>

#include "Bullets.h"
#include "GoblinManager.h"
#include "Level.h"
#include "LightMan.h"
#include "Player.h"
#include "gameengine.h"
#include "renderer.h"

namespace {

constexpr uint32_t kHitDamage[3] = {40, 25, 15};
constexpr float kNearSlowdown = 0.93f;  // velocity kept per frame inside twice the distance
constexpr float kPushBack = 1.5f;       // push per unit of shortfall inside the distance
constexpr float kOverSpeedBrake = 0.75f;
constexpr float kHitRadiusSq = 10.0f * 10.0f;
constexpr float kKeepAwayUnit = 15.0f;  // the personal distance is 0.75 to 1.15 of this
constexpr Vec3 kStartFacing(0.0f, 0.0f, 1.0f);
// The smallest distance steered by; nearer than this the goblin keeps its facing.
constexpr float kMinDistance = 0.001f;
constexpr uint32_t kSkinLights = 3;  // lights the mesh is lit by

}  // namespace

Goblin::Goblin()
    : m_vFacing(kStartFacing),
      m_vVelocity(),
      m_vPosition(0.0f, FLOAT_HEIGHT, 0.0f),
      m_uFlags(0),
      m_uHealth(0),
      m_fSpeed(BASE_STEER),
      m_fHitRadiusSq(kHitRadiusSq),
      m_fKeepAway(kKeepAwayUnit),
      m_fFireTimer(0.0f),
      m_fSightTimer(0.0f),
      m_fFlashTimer(0.0f),
      m_bActive(0) {}

uint32_t Goblin::HitDamage(uint32_t difficulty) { return kHitDamage[difficulty < 2 ? difficulty : 2]; }

// Draws this goblin's steering gain and personal distance (the same every run:
// the generator is never seeded).
void Goblin::Init() {
    Object::Init();
    m_bActive = 0;
    m_uFlags = 0;
    m_fSpeed = BASE_STEER * (static_cast<float>(std::rand() % 100) / 200.0f + 0.5f);
    m_vPosition = Vec3(0.0f, FLOAT_HEIGHT, 0.0f);
    m_vVelocity = Vec3(0.0f, 0.0f, 0.0f);
    m_vFacing = kStartFacing;
    m_Mesh.Setup("gfx\\goblin.x", "gfx\\goblin.tga");
    m_Mesh.SetRenderMode(MESH_RENDER_MODE);
    m_fHitRadiusSq = kHitRadiusSq;
    m_fFlashTimer = 0.0f;
    m_fKeepAway = (0.75f + (static_cast<float>(std::rand() % 1000) / 1000.0f) * 0.4f) * kKeepAwayUnit;
}

void Goblin::Shutdown() {
    Object::Shutdown();
    m_Mesh.Shutdown();
    m_bActive = 0;
}

void Goblin::Activate() {
    if (m_bActive) return;
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddObject(this);
    m_Mesh.Activate();
    m_bActive = 1;
}

void Goblin::Deactivate() {
    if (!m_bActive) return;
    m_Mesh.InvalidateDeviceObjects();
    m_Mesh.Deactivate();
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveObject(this);
    m_bActive = 0;
}

void Goblin::TakeHit() {
    m_fFlashTimer = FLASH_TIME;
    const uint32_t damage = HitDamage(GetGameDifficulty());
    m_uHealth = m_uHealth < damage ? 0 : m_uHealth - damage;
}

// Steers toward the player, keeps its distance, refreshes the sight flag every
// 2 s and shoots when its mesh faces the player. Without a player it drifts on.
void Goblin::Think(float dt) {
    const Player* player = GetGoblinManager()->GetPlayer();
    if (player) {
        const Vec3 p = *player->GetPosition();
        Vec3 dir = p;
        dir -= m_vPosition;
        float dist = Vec3::Normalise(dir);
        if (dist < kMinDistance) {
            dir = m_vFacing;
            dist = kMinDistance;
        }

        Vec3 steer = dir;
        steer *= m_fSpeed;
        m_vVelocity += steer;
        m_vFacing += steer;
        Vec3::Normalise(m_vFacing);

        const float r = static_cast<float>(std::rand() % 100) / 1000.0f * m_fSpeed;
        m_vVelocity += Vec3(r, r, r);

        const Matrix* mesh = m_Mesh.GetMatrix();
        const float dot = mesh->m[2][0] * dir.x + mesh->m[2][1] * dir.y + mesh->m[2][2] * dir.z;

        if (2.0f * m_fKeepAway > dist) {
            m_vVelocity *= kNearSlowdown;
            if (dist < m_fKeepAway) {
                m_vVelocity = dir;
                m_vVelocity *= -(m_fKeepAway - dist) * kPushBack;
            }
        }
        Vec3 turn = dir;
        turn *= m_fSpeed / dist;
        m_vFacing += turn;
        Vec3::Normalise(m_vFacing);

        Level* level = GetLevel();
        const Vec3 probe(m_vPosition.x, m_vPosition.y, m_vPosition.z + level->GetCellSize());
        if (m_fSightTimer > SIGHT_INTERVAL) {
            if (level->LineOfSight(p, probe, false)) m_uFlags &= ~1u;
            else m_uFlags |= 1u;
            m_fSightTimer = 0.0f;
        }
        // Rounding can push the dot of two unit vectors above 1: no shot step then.
        if (dot <= 1.0f && dot > AIM_DOT && (m_uFlags & 1) && m_fFireTimer >= FIRE_INTERVAL && !level->LineOfSight(p, probe, false)) {
            Vec3 start = m_vPosition;
            Vec3 aim = m_vFacing;
            GetBullets()->Fire(BULLET_GOBLIN, start, aim, SHOT_SPEED);
            m_fFireTimer = 0.0f;
        }
        // Half speed facing away, full speed facing the player.
        m_vVelocity *= (dot + 1.0f) * 0.25f + 0.5f;
    }
    m_fSightTimer += dt;
    m_fFireTimer += dt;
    if (std::sqrt(m_vVelocity.Dot(m_vVelocity)) > MAX_SPEED) m_vVelocity *= kOverSpeedBrake;
}

// Moves across the floor, turns the mesh to its facing, hides it in hidden
// blocks or lights it by the nearest lights, and tints it while hit.
void Goblin::Update(float dt) {
    Think(dt);
    m_vPosition.x += dt * m_vVelocity.x;
    m_vPosition.z += dt * m_vVelocity.z;

    Matrix* own = GetMatrix();
    mat_Identity(own);
    own->m[3][0] = m_vPosition.x;
    own->m[3][1] = m_vPosition.y;
    own->m[3][2] = m_vPosition.z;
    Matrix* mesh = m_Mesh.GetMatrix();
    mat_Identity(mesh);
    mat_LookAtBasis(&m_vFacing, mesh, &g_vUp);
    mesh->m[3][0] = m_vPosition.x;
    mesh->m[3][1] = m_vPosition.y;
    mesh->m[3][2] = m_vPosition.z;

    Level* level = GetLevel();
    const int bx = level->BlockColFromX(m_vPosition.x);
    const int bz = level->BlockRowFromZ(m_vPosition.z + level->GetCellSize());
    if (level->IsBlockHidden(static_cast<uint32_t>(bx), static_cast<uint32_t>(bz))) {
        m_Mesh.SetHidden(true);
    } else {
        m_Mesh.SetHidden(false);
        LightMan* lights = GetLightMan();
        lights->FindNearest(m_vPosition, false);
        uint32_t n = lights->GetNumFound();
        if (n > kSkinLights) n = kSkinLights;
        LightRecord** found = lights->GetFound();
        for (uint32_t i = 0; i < n; ++i) {
            const LightDesc& d = found[i]->desc;
            m_Mesh.SetSkinLight(i, Vec3(d.x, d.y, d.z), d.colour, d.radius);
        }
        for (uint32_t i = n; i < kSkinLights; ++i) m_Mesh.SetSkinLight(i, Vec3(), 0, 0.0f);
    }

    if (m_fFlashTimer > 0.0f) {
        m_Mesh.SetTint(1.0f, 0.75f, 0.75f);
        m_fFlashTimer -= dt;
    } else {
        m_Mesh.SetTint(1.0f, 1.0f, 1.0f);
    }
}
