// The present, the star on the tree and the two unused pickup types: placing,
// spinning and bobbing them, collecting and delivering presents, and drawing
// their meshes.
#include "Pickups.h"

#include "Level.h"
#include "comrelease.h"
#include "d3d8.h"
#include "d3dx8mesh.h"
#include "gameengine.h"
#include "renderdevice.h"
#include "renderer.h"
#include "sound.h"
#include "trap.h"

namespace {

constexpr float TWO_PI = 6.2831855f;
constexpr float SPIN_RATE = 1.5f;   // radians per second
constexpr float BOB_RATE = 6.0f;    // radians per second
constexpr float BOB_HEIGHT = 0.5f;  // world units either side

const char* const kMeshFiles[PICKUP_SLOT_COUNT] = {"gfx\\present.x", "gfx\\health.x", "gfx\\time.x", "gfx\\star.x"};
const char* const kTextureFiles[PICKUP_SLOT_COUNT] = {"gfx\\present.tga", "gfx\\health.tga", "gfx\\time.tga",
                                                      "gfx\\star.tga"};

// Adds rate x dt to an angle kept within 0 to 2 pi.
void Advance(float& angle, float rate, float dt) {
    angle += rate * dt;
    if (angle > TWO_PI) angle -= TWO_PI;
}

}  // namespace

Pickups::Pickups()
    : m_pGotPresent(nullptr),
      m_pDoPresent(nullptr),
      m_pMesh{},
      m_pTexture{},
      m_slot{},
      m_fSpin(0.0f),
      m_fBobPhase(0.0f),
      m_fCollectRadiusSq(COLLECT_RADIUS * COLLECT_RADIUS),
      m_pHost(nullptr),
      m_bActive(false) {}

// Loads the two present sounds and empties every slot.
void Pickups::Init() {
    Object::Init();
    FreeSounds();
    SoundManager* sound = GetSoundManager();
    m_pGotPresent = sound->LoadSound("sfx/gotpresent.wav", 1);
    m_pDoPresent = sound->LoadSound("sfx/dopresent.wav", 1);
    Clear();
}

void Pickups::Shutdown() {
    FreeSounds();
    Object::Shutdown();
}

void Pickups::FreeSounds() {
    SoundManager* sound = GetSoundManager();
    if (m_pGotPresent) sound->FreeSound(m_pGotPresent);
    if (m_pDoPresent) sound->FreeSound(m_pDoPresent);
    m_pGotPresent = nullptr;
    m_pDoPresent = nullptr;
}

// Turns and bobs the pickups, then collects every active one the player
// stands within 20 units of (measured across the floor, height ignored).
void Pickups::Update(float dt) {
    Advance(m_fSpin, SPIN_RATE, dt);
    Advance(m_fBobPhase, BOB_RATE, dt);
    if (!m_pHost) return;
    const Vec3* player = m_pHost->GetPlayerPosition();
    if (!player) return;
    const float px = player->x, pz = player->z;
    for (uint32_t i = 0; i < PICKUP_SLOT_COUNT; ++i) {
        if (!(m_slot[i].flags & 1u)) continue;
        const float dx = px - m_slot[i].x, dz = pz - m_slot[i].z;
        if (dx * dx + dz * dz < m_fCollectRadiusSq) Collect(i);
    }
}

// A present is picked up and carried; the star takes a carried present and
// puts the next one out at the next present spot. The health and time types
// do nothing.
void Pickups::Collect(uint32_t slot) {
    SoundManager* sound = GetSoundManager();
    if (slot == PICKUP_PRESENT) {
        sound->PlaySound(m_pGotPresent, 0);
        m_pHost->AddScore(PRESENT_SCORE);
        m_slot[PICKUP_PRESENT].flags = 0;
        return;
    }
    if (slot != PICKUP_STAR || IsSlotActive(PICKUP_PRESENT)) return;
    // Point 0 is the tree; a delivery needs a present spot not yet served.
    Level* level = GetLevel();
    const uint32_t points = level->GetRoomPointCount();
    if (points > m_pHost->GetDelivered() + 1) {
        sound->PlaySound(m_pDoPresent, 0);
        m_pHost->PresentDelivered();
    }
    const uint32_t next = m_pHost->GetDelivered() + 1;
    if (next < points) SetPickup(PICKUP_PRESENT, *level->GetRoomPoint(next));
}

void Pickups::Activate() {
    if (m_bActive) return;
    m_bActive = true;
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddObject(this);
}

void Pickups::Deactivate() {
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveObject(this);
    m_bActive = false;
}

// Draws each active pickup's mesh, all with one spin and one bob.
void Pickups::Render() {
    if (!m_pMesh[PICKUP_PRESENT]) RestoreDeviceObjects();
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    Renderer* renderer = GetRenderer();
    renderer->SetRenderMode(RENDERMODE_TEXTURE);
    renderer->SetTextureWrap(true);
    Matrix* world = GetMatrix();
    mat_Identity(world);
    mat_RotateY(world, m_fSpin);
    const float bob = std::sin(m_fBobPhase) * BOB_HEIGHT;
    for (uint32_t i = 0; i < PICKUP_SLOT_COUNT; ++i) {
        if (!(m_slot[i].flags & 1u) || !m_pMesh[i]) continue;
        world->m[3][0] = m_slot[i].x;
        world->m[3][1] = m_slot[i].y + bob;
        world->m[3][2] = m_slot[i].z;
        device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(world));
        device->SetTexture(0, m_pTexture[i]);
        device->SetVertexShader(m_pMesh[i]->GetFVF());
        m_pMesh[i]->DrawSubset(0);
    }
}

void Pickups::InvalidateDeviceObjects() {
    for (uint32_t i = 0; i < PICKUP_SLOT_COUNT; ++i) {
        ReleaseAndNull(m_pMesh[i]);
        ReleaseAndNull(m_pTexture[i]);
    }
}

// Loads whatever mesh or texture is missing; without a device there is
// nothing to load into.
void Pickups::RestoreDeviceObjects() {
    if (!RenderDevice_GetDevice()) return;
    Renderer* renderer = GetRenderer();
    for (uint32_t i = 0; i < PICKUP_SLOT_COUNT; ++i) {
        if (!m_pMesh[i]) m_pMesh[i] = renderer->LoadMesh(kMeshFiles[i]);
        if (!m_pTexture[i]) m_pTexture[i] = renderer->LoadTexture(kTextureFiles[i]);
    }
}

// Activates one slot at the given position; an unknown type is reported and
// writes nothing.
void Pickups::SetPickup(uint32_t type, const Vec3& position) {
    if (type >= PICKUP_SLOT_COUNT) {
        TrapError("Pickups", __LINE__, "Invalid Pick up type given to SetPickup object");
        return;
    }
    PickupSlot& slot = m_slot[type];
    slot.flags |= 1u;
    slot.x = position.x;
    slot.y = (type == PICKUP_STAR) ? STAR_HEIGHT : position.y;
    slot.z = position.z;
}

void Pickups::Clear() {
    for (PickupSlot& slot : m_slot) slot.flags = 0;
}

bool Pickups::IsSlotActive(uint32_t type) const {
    return type < PICKUP_SLOT_COUNT && (m_slot[type].flags & 1u) != 0;
}

const PickupSlot* Pickups::GetSlot(uint32_t type) const {
    return type < PICKUP_SLOT_COUNT ? &m_slot[type] : nullptr;
}

Pickups* GetPickups() {
    static Pickups pickups;
    return &pickups;
}
