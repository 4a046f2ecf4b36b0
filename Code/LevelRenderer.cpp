// The prop types, the placed props and their drawing, lights and collision tests.
#include "LevelRenderer.h"

#include "Level.h"
#include "LightMan.h"
#include "comrelease.h"
#include "d3dx8mesh.h"
#include "gameengine.h"
#include "renderdevice.h"
#include "renderer.h"
#include "trap.h"

namespace {

const DetailObjectTypeDesc kTypes[NUM_DETAIL_OBJECT_TYPES] = {
    {1, 0, 2, {3, 1}, "gfx/lamp.x", "gfx/lamp.tga"},
    {1, -1, 1, {0, 0}, "gfx/table.x", "gfx/table.tga"},
    {1, 1, 2, {3, 0}, "gfx/tv.x", "gfx/tv.tga"},
    {0, 2, 1, {3, 0}, "gfx/shade.x", "gfx/shade.tga"},
    {0, -1, 1, {1, 0}, "gfx/picture.x", "gfx/picture2.tga"},
    {0, -1, 1, {1, 0}, "gfx/door.x", "gfx/door1.tga"},
    {0, -1, 1, {1, 0}, "gfx/picture2.x", "gfx/picture1.tga"},
    {1, -1, 1, {0, 0}, "gfx/chairs.x", "gfx/table.tga"},
    {1, -1, 1, {0, 0}, "gfx/sofa.x", "gfx/sofa.tga"},
    {1, -1, 1, {0, 0}, "gfx/sofachair.x", "gfx/sofa.tga"},
    {1, -1, 1, {0, 0}, "gfx/draws.x", "gfx/draws.tga"},
    {0, -1, 1, {1, 0}, "gfx/arc1.x", "gfx/arc.tga"},
    {1, 3, 2, {2, 4}, "gfx/tree.x", "gfx/tree.tga"},
};

// Lamp, television, shade, tree.
const PropLightDesc kLights[4] = {
    {70.0f, -9.0f, 13.0f, 9.0f, 0xFFFFFF80u, 1},
    {50.0f, -2.0f, 4.0f, 7.0f, 0xFF4080FFu, 0},
    {90.0f, 0.0f, 27.0f, 0.0f, 0xFFA48040u, 1},
    {30.0f, 0.0f, 4.0f, 0.0f, 0xFF40B440u, 0},
};

// The render mode a subset's flags ask for.
uint32_t SubsetRenderMode(uint32_t flags) {
    if (flags & SUBSET_UNLIT) return RENDERMODE_TEXTURE;
    if (flags & SUBSET_ADDITIVE) return RENDERMODE_TEXTURE_ADD;
    return RENDERMODE_MODULATE;
}

}  // namespace

const DetailObjectTypeDesc* GetDetailObjectTypeDesc(uint32_t type) {
    return type < NUM_DETAIL_OBJECT_TYPES ? &kTypes[type] : nullptr;
}

const PropLightDesc* GetPropLightDesc(uint32_t light) { return light < 4 ? &kLights[light] : nullptr; }

// ---------------------------------------------------------------------------
// DetailObjectType

DetailObjectType::DetailObjectType() : m_pMesh(nullptr), m_pTexture(nullptr), m_iType(-1), m_uSolid(0) {}

void DetailObjectType::SetType(uint32_t i) {
    const DetailObjectTypeDesc* desc = GetDetailObjectTypeDesc(i);
    if (!desc) return;
    m_iType = static_cast<int32_t>(i);
    m_uSolid = desc->solid;
    Load();
}

void DetailObjectType::Load() {
    const DetailObjectTypeDesc* desc = m_iType < 0 ? nullptr : GetDetailObjectTypeDesc(static_cast<uint32_t>(m_iType));
    // Meshes and textures need a device; without one there is nothing to load yet.
    if (!desc || !RenderDevice_GetDevice()) return;
    if (!m_pMesh) {
        m_pMesh = GetRenderer()->LoadMesh(desc->meshFile);
        if (m_pMesh) m_CollisionMesh.Create(this);
    }
    if (!m_pTexture) m_pTexture = GetRenderer()->LoadTexture(desc->textureFile);
}

void DetailObjectType::Release() {
    ReleaseAndNull(m_pMesh);
    ReleaseAndNull(m_pTexture);
}

void DetailObjectType::Render() {
    if (m_iType < 0) return;
    if (!m_pMesh) Load();
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!m_pMesh || !device) return;
    Renderer* renderer = GetRenderer();
    device->SetTexture(0, m_pTexture);
    device->SetVertexShader(m_pMesh->GetFVF());
    const uint32_t subsets = GetSubsetCount();
    for (uint32_t s = 0; s < subsets; ++s) {
        renderer->SetRenderMode(SubsetRenderMode(GetSubsetFlags(s)));
        renderer->SetTextureWrap(true);
        m_pMesh->DrawSubset(s);
    }
}

const PropLightDesc* DetailObjectType::GetLight() const {
    const DetailObjectTypeDesc* desc = m_iType < 0 ? nullptr : GetDetailObjectTypeDesc(static_cast<uint32_t>(m_iType));
    if (!desc || desc->light < 0) return nullptr;
    return GetPropLightDesc(static_cast<uint32_t>(desc->light));
}

uint32_t DetailObjectType::GetSubsetFlags(uint32_t i) const {
    const DetailObjectTypeDesc* desc = m_iType < 0 ? nullptr : GetDetailObjectTypeDesc(static_cast<uint32_t>(m_iType));
    return (desc && i < 2) ? desc->subsetFlags[i] : 0;
}

uint32_t DetailObjectType::GetSubsetCount() const {
    const DetailObjectTypeDesc* desc = m_iType < 0 ? nullptr : GetDetailObjectTypeDesc(static_cast<uint32_t>(m_iType));
    return desc ? desc->subsetCount : 0;
}

// ---------------------------------------------------------------------------
// DetailObject

DetailObject::DetailObject() { Init(); }

void DetailObject::Init() {
    mat_Identity(&m_mWorld);
    mat_Identity(&m_mInverse);
    m_pType = nullptr;
    for (LightRecord*& light : m_apLights) light = nullptr;
    m_uLightCount = 0;
    m_uFlags = 0;
}

void DetailObject::Place(uint32_t col, uint32_t row, uint32_t) {
    Level* level = GetLevel();
    const float half = level->GetCellSize() * 0.5f;
    m_mWorld.m[3][0] = level->GetCellX(static_cast<int>(col)) + half;
    m_mWorld.m[3][1] = 10.0f;
    m_mWorld.m[3][2] = level->GetCellZ(7 - static_cast<int>(row)) - half;
    Refresh();
}

void DetailObject::Rotate(float angle) {
    mat_RotateY(&m_mWorld, angle);
    Refresh();
}

void DetailObject::Refresh() {
    LightMan* lights = GetLightMan();
    Vec3 position;
    GetPosition(&position);
    const PropLightDesc* row = m_pType ? m_pType->GetLight() : nullptr;
    if (!(m_uFlags & DETAILOBJECT_LIGHTADDED) && row) {
        LightDesc desc;
        desc.x = position.x + row->x;
        desc.y = position.y + row->y;
        desc.z = position.z + row->z;
        desc.radius = row->radius;
        desc.colour = row->colour;
        desc.flare = row->flare;
        lights->AddLight(desc);
        m_uFlags |= DETAILOBJECT_LIGHTADDED;
    }
    mat_Invert(&m_mWorld, &m_mInverse);
    lights->FindNearest(position, true);
    m_uLightCount = lights->GetNumFound();
    if (m_uLightCount > LightMan::MAX_FOUND) m_uLightCount = LightMan::MAX_FOUND;
    LightRecord** found = lights->GetFound();
    for (uint32_t i = 0; i < 4; ++i) m_apLights[i] = i < m_uLightCount ? found[i] : nullptr;
}

void DetailObject::SetPosition(const Vec3& p) {
    m_mWorld.m[3][0] = p.x;
    m_mWorld.m[3][1] = p.y;
    m_mWorld.m[3][2] = p.z;
    Refresh();
}

void DetailObject::GetPosition(Vec3* out) const {
    out->x = m_mWorld.m[3][0];
    out->y = m_mWorld.m[3][1];
    out->z = m_mWorld.m[3][2];
}

void DetailObject::Render() {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!m_pType || !device) return;
    device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(&m_mWorld));
    device->SetRenderState(D3DRS_COLORVERTEX, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    GetLightMan()->EnableList(m_apLights, m_uLightCount);
    m_pType->Render();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
}

bool DetailObject::SphereTest(const Vec3& point, float radius) {
    if (!m_pType || !m_pType->IsSolid()) return false;
    Vec3 local;
    mat_TransformPoint(&point, &m_mInverse, &local);
    return m_pType->GetCollisionMesh()->OverlapsXZ(local, radius);
}

bool DetailObject::LineTest(const Vec3& start, const Vec3& end) const {
    Vec3 s;
    mat_TransformPoint(&start, &m_mInverse, &s);
    return LineTestFrom(s, end);
}

bool DetailObject::LineTestFrom(const Vec3& localStart, const Vec3& end, const COLL_PLANE* const* planes,
                                uint32_t planeCount) const {
    if (!m_pType) return false;
    const CollisionMesh* mesh = m_pType->GetCollisionMesh();
    if (mesh->GetRadiusSq() <= 0.001f) return false;
    Vec3 e;
    mat_TransformPoint(&end, &m_mInverse, &e);
    Vec3 dir = e;
    dir -= localStart;
    const float len = Vec3::Normalise(dir);
    // A segment of no length has no direction and meets nothing.
    if (len <= 0.0f) return false;
    if (!SphereLineReject(localStart, dir)) return false;
    if (planes) return mesh->CollideFront(planes, planeCount, localStart, dir, len);
    Vec3 hit;
    return mesh->Collide(localStart, dir, len, hit, false);
}

bool DetailObject::SphereLineReject(const Vec3& start, const Vec3& dir) const {
    if (!m_pType) return false;
    const CollisionMesh* mesh = m_pType->GetCollisionMesh();
    const float r2 = mesh->GetRadiusSq();
    Vec3 L = *mesh->GetCentre();
    L -= start;
    const float tca = L.Dot(dir);
    const float d2 = L.Dot(L);
    if (tca < 0.0f && d2 > r2) return false;
    const float m2 = d2 - tca * tca;
    return m2 <= r2;
}

// ---------------------------------------------------------------------------
// LevelRenderer

LevelRenderer::LevelRenderer() : m_uCount(0) {}

void LevelRenderer::Init() {
    Object::Init();
    for (uint32_t i = 0; i < NUM_DETAIL_OBJECT_TYPES; ++i) m_aTypes[i].SetType(i);
}

void LevelRenderer::Shutdown() {
    Object::Shutdown();
    for (DetailObjectType& type : m_aTypes) type.Shutdown();
}

void LevelRenderer::Update(float) { GetLightMan()->UpdateFlares(); }

void LevelRenderer::Activate() {
    GetGameEngine()->AddProcess(this);
    GetRenderer()->AddObject(this);
}

void LevelRenderer::Deactivate() {
    GetGameEngine()->RemoveProcess(this);
    GetRenderer()->RemoveObject(this);
}

// Draws the placed props that stand in visible blocks, in index order: where two props meet on
// one plane, the later one shows (the depth test passes on equal depths), so the order is the
// picture's.
void LevelRenderer::Render() {
    Level* level = GetLevel();
    const uint32_t* visible = level->GetVisibleBlocks();
    const float cell = level->GetCellSize();
    for (uint32_t i = 0; i < m_uCount; ++i) {
        Vec3 p;
        m_aObjects[i].GetPosition(&p);
        const int bx = level->BlockColFromX(p.x);
        const int bz = level->BlockRowFromZ(p.z + cell);
        if (bx < 0 || bx > 3 || bz < 0 || bz > 3) continue;  // outside the grid: in no block
        if (visible[bx + 4 * bz] == 1) m_aObjects[i].Render();
    }
}

void LevelRenderer::InvalidateDeviceObjects() {
    for (DetailObjectType& type : m_aTypes) type.Release();
}

void LevelRenderer::RestoreDeviceObjects() {
    GetLightMan()->Apply();
    for (DetailObjectType& type : m_aTypes) type.Load();
}

uint32_t LevelRenderer::AddObject(uint32_t type, uint32_t col, uint32_t row, uint32_t slot) {
    // Both limits are reported; a refused prop is not stored.
    bool refused = false;
    if (m_uCount >= MAX_DETAIL_OBJECTS) {
        TrapError(__FILE__, __LINE__, "Cant add object - too many detail objects");
        refused = true;
    }
    if (type >= NUM_DETAIL_OBJECT_TYPES) {
        TrapError(__FILE__, __LINE__, "Cant add object - Invalid Mesh ID");
        refused = true;
    }
    if (refused) return DETAIL_OBJECT_NONE;
    DetailObject& object = m_aObjects[m_uCount];
    object.Init();
    object.SetType(&m_aTypes[type]);
    object.Place(col, row, slot);
    return m_uCount++;
}

void LevelRenderer::Clear() {
    for (uint32_t i = 0; i < m_uCount; ++i) m_aObjects[i].Update();
    m_uCount = 0;
}

DetailObject* LevelRenderer::GetObject(uint32_t i) {
    i &= 0xFFu;
    if (i < MAX_DETAIL_OBJECTS) return &m_aObjects[i];
    m_Spare.Init();
    return &m_Spare;
}

DetailObjectType* LevelRenderer::GetDetailObjectType(uint32_t i) {
    i &= 0xFFu;
    return i < NUM_DETAIL_OBJECT_TYPES ? &m_aTypes[i] : nullptr;
}
