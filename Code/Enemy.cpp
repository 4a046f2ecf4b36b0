#include "Enemy.h"

#include <algorithm>
#include <cmath>

#include "Level.h"
#include "LightMan.h"
#include "gameengine.h"
#include "renderer.h"

Enemy::Enemy() : m_bActive(0) {}

void Enemy::Init() {
    Object::Init();
    m_bActive = 0;
    m_Mesh.Setup("gfx\\tiny.x", "gfx\\tiny.tga");
}

void Enemy::Shutdown() {
    m_Mesh.Shutdown();
    Object::Shutdown();
    m_bActive = 0;
}

// Joins the frame loop and starts walking; a walker without points stays out.
void Enemy::Activate() {
    if (m_bActive || m_Path.GetCount() < 1) return;
    m_Path.Start(WALK_SPEED);
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddObject(this);
    m_Mesh.Activate();
    m_bActive = 1;
    m_Mesh.SetHidden(false);
    Enemy::Update(0.01f);  // places the mesh at once
}

// Leaves the frame loop and forgets the path.
void Enemy::Deactivate() {
    if (!m_bActive) return;
    m_Mesh.InvalidateDeviceObjects();
    m_Mesh.Deactivate();
    m_Path.Clear();
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveObject(this);
    m_bActive = 0;
}

void Enemy::Update(float dt) {
    m_Path.Follow(dt);
    const PathState s = *m_Path.GetState();

    Matrix* own = GetMatrix();
    mat_Identity(own);
    mat_RotateY(own, s.heading);
    own->m[3][0] = s.x;
    own->m[3][1] = WALK_HEIGHT;
    own->m[3][2] = s.z;

    // The model is small and lies along z: scaled, stood up, then turned.
    Matrix* mesh = m_Mesh.GetMatrix();
    mat_Identity(mesh);
    mesh->m[0][0] = mesh->m[1][1] = mesh->m[2][2] = 0.05f;
    mesh->m[3][0] = s.x;
    mesh->m[3][1] = WALK_HEIGHT;
    mesh->m[3][2] = s.z;
    mat_RotateX(mesh, -1.5707964f);
    mat_RotateY(mesh, s.heading);

    Level* level = GetLevel();
    const int bx = level->BlockColFromX(s.x);
    const int bz = level->BlockRowFromZ(s.z + level->GetCellSize());
    if (level->IsBlockHidden(static_cast<uint32_t>(bx), static_cast<uint32_t>(bz))) {
        m_Mesh.SetHidden(true);
        return;
    }
    m_Mesh.SetHidden(false);

    LightMan* lights = GetLightMan();
    lights->FindNearest(Vec3(s.x, WALK_HEIGHT, s.z), false);
    const uint32_t n = std::min<uint32_t>(lights->GetNumFound(), 3);
    LightRecord** found = lights->GetFound();
    for (uint32_t i = 0; i < n; ++i) {
        const LightDesc& d = found[i]->desc;
        m_Mesh.SetSkinLight(i, Vec3(d.x, d.y, d.z), d.colour, d.radius);
    }
    for (uint32_t i = n; i < 3; ++i) m_Mesh.SetSkinLight(i, Vec3(), 0, 0.0f);
}

// Close by the player is always seen; further out only inside the view cone,
// with no wall between the player and the walker's eye. Props do not block.
bool Enemy::CanSee(const Vec3& playerPosition) {
    if (!m_bActive) return false;
    const PathState s = *m_Path.GetState();
    const float dx = playerPosition.x - s.x;
    const float dz = playerPosition.z - s.z;
    const float d = std::sqrt(dx * dx + dz * dz);
    if (!(d <= FAR_SIGHT)) return false;
    if (d <= NEAR_SIGHT) return true;
    const float c = (dx / d) * std::sin(s.heading) + (dz / d) * std::cos(s.heading);
    const float a = std::acos(std::fmax(-1.0f, std::fmin(1.0f, c)));
    if (!(a > -VIEW_HALF_ANGLE && a < VIEW_HALF_ANGLE)) return false;
    Level* level = GetLevel();
    const Vec3 eye(s.x, EYE_HEIGHT, s.z + level->GetCellSize());
    return !level->LineOfSight(playerPosition, eye, false);
}

void Enemy::AddPathPoint(const PathPoint& point) { m_Path.AddPoint(point, false); }

void Enemy::Freeze(bool frozen) { m_Mesh.SetFrozen(frozen); }
