#include "Player.h"

#include <cmath>
#include <cstdlib>

#include "Bullets.h"
#include "EnemyManager.h"
#include "GoblinManager.h"
#include "Level.h"
#include "LevelRenderer.h"
#include "camera.h"
#include "game.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "renderer.h"
#include "sound.h"
#include "windows.h"

namespace {

const char* const kFootstepFiles[Player::FOOTSTEP_COUNT] = {
    "sfx/footsteps/hard1.wav",   "sfx/footsteps/hard2.wav",   "sfx/footsteps/hard3.wav",
    "sfx/footsteps/hard4.wav",   "sfx/footsteps/normal1.wav", "sfx/footsteps/normal2.wav",
    "sfx/footsteps/normal3.wav", "sfx/footsteps/normal4.wav", "sfx/footsteps/snow1.wav",
    "sfx/footsteps/snow2.wav",   "sfx/footsteps/soft1.wav",   "sfx/footsteps/soft2.wav",
    "sfx/footsteps/soft3.wav",   "sfx/footsteps/soft4.wav"};

// Material class of each floor tile (no tile is snow).
constexpr uint8_t kMaterialClass[16] = {3, 3, 1, 3, 0, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3};
// Footstep sound of each step of each class; snow alternates two files.
constexpr uint8_t kStepSound[4][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {8, 9, 8, 9}, {10, 11, 12, 13}};
constexpr uint32_t kHitDamage[3] = {2, 3, 5};

constexpr float kTwoPi = 6.2831855f;
constexpr float kBobHeight = 0.8f;
constexpr float kBobRate = 0.25f;  // radians of bob per unit walked
constexpr float kMuzzleDistance = 3.0f;
constexpr uint8_t kInvertKey = 'T';
constexpr float kHitRadiusSq = 10.0f * 10.0f;
// Mouse look in radians per count: low, medium (the start value), high.
constexpr float kSensitivity[3] = {0.005f, 0.01f, 0.02f};
// Action slots 0 to 3 (left, right, forward, back) of the two key layouts.
constexpr uint8_t kLetterKeys[4] = {'A', 'D', 'W', 'S'};
constexpr uint8_t kArrowKeys[4] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN};

// The step counter runs on across players and levels.
uint32_t g_uStep = 0;
// The time T last toggled the inverted mouse; 0 while T is up.
float g_fInvertStamp = 0.0f;

// The node of the current room under world point (x, z), or null when the
// level has no such room or the point lies outside the grid.
Node* PlayerNodeAt(float x, float z) {
    Level* level = GetLevel();
    if (!level->GetRoom(level->GetCurrentRoom())) return nullptr;
    const int col = level->CellColFromX(x);
    const int row = level->CellRowFromZ(z + level->GetCellSize());
    const int last = static_cast<int>(LEVEL_GRID_SIZE) - 1;
    if (col < 0 || col > last || row < 0 || row > last) return nullptr;
    return level->GetNode(static_cast<uint32_t>(col), static_cast<uint32_t>(row));
}

}  // namespace

uint32_t GetGameDifficulty() { return GetGame()->GetDifficulty(); }

Player::Player()
    : m_pFootstep{},
      m_pHeartbeat(nullptr),
      m_pHit(nullptr),
      m_vPosition(),
      m_vVelocity(),
      m_fBobPhase(0.0f),
      m_fSpeed(0.0f),
      m_fSeenTime(0.0f),
      m_fFireTimer(FIRE_INTERVAL),
      m_fFootstepTimer(FOOTSTEP_INTERVAL),
      m_fYaw(0.0f),
      m_fPitch(0.0f),
      m_fMouseSensitivity(kSensitivity[1]),
      m_fHitRadiusSq(kHitRadiusSq),
      m_uHealth(100),
      m_uScore(0),
      m_uInvertMouse(1),
      m_bSeen(0),
      m_bHeartbeatOn(0),
      m_bActive(0) {}

uint32_t Player::HitDamage(uint32_t difficulty) { return kHitDamage[difficulty < 2 ? difficulty : 2]; }

uint32_t Player::MaterialOfTile(uint32_t tile) { return kMaterialClass[tile & 15]; }

uint32_t Player::StepSoundIndex(uint32_t material, uint32_t step) { return kStepSound[material & 3][step & 3]; }

// Loads the sounds and faces the camera into the room; the goblins chase this player.
void Player::Init() {
    Object::Init();
    m_fMouseSensitivity = kSensitivity[1];
    m_fYaw = m_fPitch = 0.0f;
    m_fFireTimer = FIRE_INTERVAL;
    m_fHitRadiusSq = kHitRadiusSq;
    m_vPosition = Vec3(0.0f, 0.0f, 0.0f);
    if (g_pCurrentCamera) {
        g_pCurrentCamera->SetPosition(m_vPosition.x, m_vPosition.y, m_vPosition.z);
        FaceRoom();
    }
    FreeSounds();
    SoundManager* sound = GetSoundManager();
    for (uint32_t i = 0; i < FOOTSTEP_COUNT; ++i) m_pFootstep[i] = sound->LoadSound(kFootstepFiles[i], 2);
    m_pHeartbeat = sound->LoadSound("sfx/heartbeat.wav", 1);
    m_pHit = sound->LoadSound("sfx/hit.wav", 1);
    m_fFootstepTimer = FOOTSTEP_INTERVAL;
    m_bHeartbeatOn = 0;
    GetGoblinManager()->SetPlayer(this);
}

void Player::Shutdown() {
    if (GetGoblinManager()->GetPlayer() == this) GetGoblinManager()->SetPlayer(nullptr);
    StopHeartbeat();
    FreeSounds();
    Object::Shutdown();
}

void Player::FreeSounds() {
    SoundManager* sound = GetSoundManager();
    for (Sound*& s : m_pFootstep) {
        if (s) sound->FreeSound(s);
        s = nullptr;
    }
    StopHeartbeat();
    if (m_pHeartbeat) sound->FreeSound(m_pHeartbeat);
    if (m_pHit) sound->FreeSound(m_pHit);
    m_pHeartbeat = m_pHit = nullptr;
}

// Joins the frame loop (once, however often it is called) with full health,
// no score, at the start cell.
void Player::Activate() {
    RestoreDeviceObjects();
    if (!m_bActive) {
        GetGameEngine()->AddProcess(this);
        GetRenderer()->AddObject(this);
        m_bActive = 1;
    }
    GetGoblinManager()->SetPlayer(this);
    PlaceAtStart();
    m_uHealth = 100;
    m_fFireTimer = FIRE_INTERVAL;
    m_uScore = 0;
}

void Player::Deactivate() {
    if (m_bActive) {
        GetGameEngine()->RemoveProcess(this);
        GetRenderer()->RemoveObject(this);
        m_bActive = 0;
    }
    StopHeartbeat();
}

// The start column's centre across x; the start row goes to GetCellZ as the
// room stores it, which puts the player on that row number's -z edge.
void Player::PlaceAtStart() {
    Level* level = GetLevel();
    const uint32_t room = level->GetCurrentRoom();
    const float half = level->GetCellSize() * 0.5f;
    m_vPosition = Vec3(level->GetCellX(static_cast<int>(level->GetRoomStartX(room))) + half, EYE_HEIGHT,
                       level->GetCellZ(static_cast<int>(level->GetRoomStartZ(room))));
    m_vVelocity = Vec3(0.0f, 0.0f, 0.0f);
    m_fSeenTime = 0.0f;
    m_fFireTimer = FIRE_INTERVAL;
    m_fYaw = m_fPitch = 0.0f;
    if (g_pCurrentCamera) {
        g_pCurrentCamera->SetPosition(m_vPosition.x, m_vPosition.y, m_vPosition.z);
        FaceRoom();
    }
    StopHeartbeat();
}

// Looks toward the line z = 0 at eye height. Standing on that line there is no
// direction to look along, so the camera then faces +z as play will.
void Player::FaceRoom() {
    Camera* camera = g_pCurrentCamera;
    Matrix target = g_mIdentity;
    target.m[3][0] = m_vPosition.x;
    target.m[3][1] = m_vPosition.y;
    target.m[3][2] = 0.0f;
    if (m_vPosition.z != 0.0f) camera->LookAt(&target);
    else mat_FromYawPitchRoll(camera->GetMatrix(), 0.0f, 0.0f, 0.0f);
}

void Player::SetMouseSensitivity(uint32_t index) {
    m_fMouseSensitivity = kSensitivity[index < 2 ? index : 2];
}

// Action slots 0 to 3: left, right, forward, back.
void Player::SetKeyLayout(uint32_t layout) {
    const uint8_t* keys = layout ? kArrowKeys : kLetterKeys;
    PCSystem* pc = GetPCSystem();
    for (uint32_t i = 0; i < 4; ++i) pc->SetActionKey(static_cast<ActionSlot>(i), keys[i]);
}

void Player::GetViewDirXZ(Vec3* out) const {
    if (!g_pCurrentCamera) {
        *out = Vec3(std::sin(m_fYaw), 0.0f, std::cos(m_fYaw));
        return;
    }
    const Matrix* m = g_pCurrentCamera->GetMatrix();
    *out = Vec3(m->m[2][0], 0.0f, m->m[2][2]);
}

void Player::StopHeartbeat() {
    if (!m_bHeartbeatOn) return;
    GetSoundManager()->StopSound(m_pHeartbeat);
    m_bHeartbeatOn = 0;
}

void Player::TakeHit() {
    const uint32_t damage = HitDamage(GetGameDifficulty());
    m_uHealth = m_uHealth < damage ? 0 : m_uHealth - damage;
    if ((std::rand() & 3) == 2) GetSoundManager()->PlaySound(m_pHit, 0);
}

// One frame: keys, collision, spotting, bob, mouse look, the move, goblins,
// shooting, footsteps and the heartbeat. Velocity is a displacement per frame.
void Player::Update(float dt) {
    const float a = WALK_ACCEL * dt;
    float damping = DAMPING * dt;
    if (damping > 1.0f) damping = 1.0f;

    // The camera's horizontal axes, not renormalised: looking up or down walks slower.
    Camera* camera = g_pCurrentCamera;
    Vec3 right, forward;
    if (camera) {
        const Matrix* m = camera->GetMatrix();
        right = Vec3(m->m[0][0] * a, 0.0f, m->m[0][2] * a);
        forward = Vec3(m->m[2][0] * a, 0.0f, m->m[2][2] * a);
    }
    m_vVelocity *= 1.0f - damping;

    PCSystem* pc = GetPCSystem();
    if (pc->IsActionDown(ACTION_LEFT)) m_vVelocity -= right;
    else if (pc->IsActionDown(ACTION_RIGHT)) m_vVelocity += right;
    if (pc->IsActionDown(ACTION_FORWARD)) m_vVelocity += forward;
    else if (pc->IsActionDown(ACTION_BACK)) m_vVelocity -= forward;
    UpdateInvertKey();

    m_fSpeed = Vec3::Normalise(m_vVelocity);
    if (m_fSpeed > a) m_fSpeed = a;
    m_vVelocity *= m_fSpeed;

    CollideWalls();
    UpdateSpotted(dt);

    const float bob = std::sin(m_fBobPhase) * kBobHeight;
    m_fBobPhase += kBobRate * m_fSpeed;
    if (m_fBobPhase > kTwoPi) m_fBobPhase -= kTwoPi;

    const MouseState* mouse = pc->GetMouse();
    m_fYaw += static_cast<float>(mouse->dx) * m_fMouseSensitivity;
    if (m_uInvertMouse) m_fPitch -= static_cast<float>(mouse->dy) * m_fMouseSensitivity;
    else m_fPitch += static_cast<float>(mouse->dy) * m_fMouseSensitivity;
    if (m_fPitch < -PITCH_LIMIT) m_fPitch = -PITCH_LIMIT;
    if (m_fPitch > PITCH_LIMIT) m_fPitch = PITCH_LIMIT;
    if (camera) mat_FromYawPitchRoll(camera->GetMatrix(), m_fYaw, m_fPitch, 0.0f);

    m_vPosition += m_vVelocity;
    m_vPosition.y = EYE_HEIGHT + bob;
    if (camera) camera->SetPosition(m_vPosition.x, m_vPosition.y, m_vPosition.z);

    if (IsSpotted()) GetGoblinManager()->Spawn();

    m_fFireTimer += dt;
    if ((mouse->buttons & 1) && m_fFireTimer >= FIRE_INTERVAL && camera) {
        const Matrix* m = camera->GetMatrix();
        Vec3 dir(m->m[2][0], m->m[2][1], m->m[2][2]);
        Vec3 start = dir;
        start *= kMuzzleDistance;
        start += *camera->GetPosition();
        GetBullets()->Fire(BULLET_PLAYER, start, dir, SHOT_SPEED);
        m_fFireTimer = 0.0f;
    }

    UpdateFootsteps(dt);

    if (m_uHealth < HEARTBEAT_HEALTH) {
        if (!m_bHeartbeatOn) GetSoundManager()->PlaySound(m_pHeartbeat, DSBPLAY_LOOPING);
        m_bHeartbeatOn = 1;
    } else {
        StopHeartbeat();
    }
}

void Player::UpdateInvertKey() {
    if (!GetPCSystem()->IsKeyDown(kInvertKey)) {
        g_fInvertStamp = 0.0f;
        return;
    }
    if (g_fTotalTime - g_fInvertStamp > INVERT_REPEAT) {
        ToggleInvertMouse();
        g_fInvertStamp = g_fTotalTime;
    }
}

void Player::UpdateFootsteps(float dt) {
    if (m_fFootstepTimer <= 0.0f && m_fSpeed > 0.1f) {
        g_uStep = (g_uStep + 1) & 3;
        const Node* node = PlayerNodeAt(m_vPosition.x, m_vPosition.z);
        if (node && node->floorTile != NODE_EMPTY)
            GetSoundManager()->PlaySound(m_pFootstep[StepSoundIndex(MaterialOfTile(node->floorTile), g_uStep)], 0);
        m_fFootstepTimer = FOOTSTEP_INTERVAL;
    }
    m_fFootstepTimer -= dt;
}

// Works on the previous frame's position, before this frame's move; only the
// node under the player is examined.
void Player::CollideWalls() {
    Level* level = GetLevel();
    const Node* node = PlayerNodeAt(m_vPosition.x, m_vPosition.z);
    if (node) {
        const float cell = level->GetCellSize();
        const int col = level->CellColFromX(m_vPosition.x);
        const int row = level->CellRowFromZ(m_vPosition.z + cell);
        const float x0 = level->GetCellX(col);
        const float zTop = level->GetCellZ(7 - row);
        Vec3& p = m_vPosition;
        Vec3& v = m_vVelocity;
        if (node->walls[WALL_POS_Z] != NODE_EMPTY && v.z > 0.0f && zTop - p.z < WALL_DISTANCE) {
            v.z = 0.0f;
            p.z = zTop - WALL_DISTANCE;
        }
        if (node->walls[WALL_NEG_Z] != NODE_EMPTY && v.z < 0.0f && p.z - (zTop - cell) < WALL_DISTANCE) {
            v.z = 0.0f;
            p.z = zTop - cell + WALL_DISTANCE;
        }
        if (node->walls[WALL_NEG_X] != NODE_EMPTY && v.x < 0.0f && p.x - x0 < WALL_DISTANCE) {
            v.x = 0.0f;
            p.x = x0 + WALL_DISTANCE;
        }
        if (node->walls[WALL_POS_X] != NODE_EMPTY && v.x > 0.0f && (x0 + cell) - p.x < WALL_DISTANCE) {
            v.x = 0.0f;
            p.x = x0 + cell - WALL_DISTANCE;
        }
    }
    CollideObjects();
}

void Player::CollideObjects() {
    LevelRenderer* props = GetLevel()->GetLevelRenderer();
    if (!props) return;
    // True when point p touches a prop in one of its node's slots.
    auto hits = [props](Vec3 p) {
        const Node* node = PlayerNodeAt(p.x, p.z);
        if (!node) return false;
        for (uint32_t s = 0; s < NODE_PROP_SLOTS; ++s)
            if (node->propIndex[s] != DETAIL_OBJECT_NONE && IsPropType(node->propType[s]) &&
                props->GetObject(node->propIndex[s])->SphereTest(p, PROP_RADIUS))
                return true;
        return false;
    };
    if (hits(Vec3(m_vPosition.x + m_vVelocity.x, m_vPosition.y, m_vPosition.z))) m_vVelocity.x = 0.0f;
    if (hits(Vec3(m_vPosition.x, m_vPosition.y, m_vPosition.z + m_vVelocity.z))) m_vVelocity.z = 0.0f;
}

// Every walker is asked; the frame on which seeing starts adds no time.
void Player::UpdateSpotted(float dt) {
    EnemyManager* enemies = GetEnemyManager();
    bool seenNow = false;
    for (uint32_t i = 0; i < enemies->GetCount(); ++i)
        if (Enemy* e = enemies->GetEnemy(i); e && e->CanSee(m_vPosition)) seenNow = true;
    if (seenNow) {
        if (m_bSeen) m_fSeenTime += dt;
        m_bSeen = 1;
    } else {
        m_bSeen = 0;
        m_fSeenTime = 0.0f;
    }
}
