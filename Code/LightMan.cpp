// The level's point lights, the nearest-light search and the lens flares.
#include "LightMan.h"
#include <cstring>
#include "Level.h"
#include "camera.h"
#include "renderdevice.h"
#include "renderer.h"
#include "trap.h"

namespace {
const char* const FLARE_TEXTURE = "gfx/flare.tga";
const uint32_t FLARE_RENDER_MODE = 7;
const float FAR_AWAY = 1.0e9f;
// Flares show within sqrt(2 x FLARE_RANGE) of the camera (about 282.8 units).
const float FLARE_RANGE = 40000.0f;
const float FLARE_MIN_RADIUS_SQ = 225.0f;
const float FLARE_SIZE_SCALE = 3.0e-5f;
const float FLARE_MIN_SIZE = 100.0f;
const float FLARE_MAX_SIZE = 200.0f;

// The Direct3D device, or null while there is none.
IDirect3DDevice8* Device() { return RenderDevice_GetDevice(); }
}  // namespace

LightMan* GetLightMan() {
    static LightMan lightMan;
    return &lightMan;
}

LightMan::LightMan() : m_uAmbient(DEFAULT_AMBIENT), m_uCount(0), m_uNumFound(0) {
    std::memset(m_Records, 0, sizeof(m_Records));
    for (uint32_t i = 0; i < MAX_LIGHTS; ++i) m_Records[i].index = LIGHT_UNUSED;
    for (uint32_t i = 0; i < MAX_FOUND; ++i) {
        m_pFound[i] = nullptr;
        m_fFoundDist[i] = FAR_AWAY;
    }
}

void LightMan::Init() {
    // Slots in use (none when the game starts) keep their Direct3D index.
    for (uint32_t i = m_uCount; i < MAX_LIGHTS; ++i) m_Records[i].index = LIGHT_UNUSED;
    m_uNumFound = 0;
    m_Flares.Build(MAX_LIGHTS, FLARE_TEXTURE);
    m_Flares.SetBlendMode(FLARE_RENDER_MODE);
    UpdateFlares();
}

void LightMan::Shutdown() { m_Flares.Shutdown(); }

uint32_t LightMan::AddLight(const LightDesc& desc) {
    if (m_uCount >= MAX_LIGHTS) {
        // The light is refused: there is no slot for it.
        TrapError(__FILE__, __LINE__, "Too Many lights created!");
        return LIGHT_REFUSED;
    }
    const uint32_t i = m_uCount;
    LightRecord& rec = m_Records[i];
    rec.desc = desc;
    rec.index = i;
    std::memset(&rec.light, 0, sizeof(rec.light));
    rec.light.Type = D3DLIGHT_POINT;
    rec.light.Diffuse.r = static_cast<float>((desc.colour >> 16) & 0xFF) / 255.0f;
    rec.light.Diffuse.g = static_cast<float>((desc.colour >> 8) & 0xFF) / 255.0f;
    rec.light.Diffuse.b = static_cast<float>(desc.colour & 0xFF) / 255.0f;
    rec.light.Diffuse.a = 1.0f;
    rec.light.Position.x = desc.x;
    rec.light.Position.y = desc.y;
    rec.light.Position.z = desc.z;
    rec.light.Direction.x = 0.0f;
    rec.light.Direction.y = 1.0f;
    rec.light.Direction.z = 0.0f;
    rec.light.Range = 2.0f * desc.radius;
    rec.light.Falloff = 1.0f;
    rec.light.Attenuation0 = 0.0f;
    rec.light.Attenuation1 = 10.0f / desc.radius;
    rec.light.Attenuation2 = 0.0f;
    rec.light.Theta = 1.0f;
    rec.light.Phi = 1.0f;
    ++m_uCount;
    Apply();
    return i;
}

void LightMan::RemoveLight(uint32_t index) {
    if (m_uCount == 0 || index >= m_uCount) return;
    --m_uCount;
    if (index != m_uCount) {
        m_Records[index] = m_Records[m_uCount];
        // The moved light now answers to the Direct3D index of its new slot.
        m_Records[index].index = index;
    }
    m_Records[m_uCount].index = LIGHT_UNUSED;
    if (IDirect3DDevice8* device = Device()) device->LightEnable(m_uCount, FALSE);
    Apply();
}

void LightMan::Clear() {
    // Lights left on would go on lighting the props of the next level.
    if (IDirect3DDevice8* device = Device())
        for (uint32_t i = 0; i < m_uCount; ++i) device->LightEnable(m_Records[i].index, FALSE);
    m_uCount = 0;
    m_Flares.SetCount(0);
}

void LightMan::FindNearest(const Vec3& position, bool bEnable) {
    m_uNumFound = 0;
    for (uint32_t k = 0; k < MAX_FOUND; ++k) {
        m_fFoundDist[k] = FAR_AWAY;
        m_pFound[k] = nullptr;
    }
    for (uint32_t i = 0; i < m_uCount; ++i) {
        LightRecord* rec = &m_Records[i];
        const float dx = rec->desc.x - position.x;
        const float dy = rec->desc.y - position.y;
        const float dz = rec->desc.z - position.z;
        const float d2 = dx * dx + dy * dy + dz * dz;
        // Walk up the list past every entry at least as far; ties go in front.
        int k = MAX_FOUND - 1;
        while (k >= 0 && d2 <= m_fFoundDist[k]) --k;
        const int place = k + 1;
        if (place >= MAX_FOUND) continue;
        for (int j = MAX_FOUND - 1; j > place; --j) {
            m_fFoundDist[j] = m_fFoundDist[j - 1];
            m_pFound[j] = m_pFound[j - 1];
        }
        m_fFoundDist[place] = d2;
        m_pFound[place] = rec;
    }
    while (m_uNumFound < MAX_FOUND && m_pFound[m_uNumFound]) ++m_uNumFound;
    if (bEnable) EnableList(m_pFound, m_uNumFound);
}

void LightMan::EnableList(LightRecord** list, uint32_t n) {
    IDirect3DDevice8* device = Device();
    if (!device) return;
    for (uint32_t i = 0; i < m_uCount; ++i) device->LightEnable(m_Records[i].index, FALSE);
    for (uint32_t j = 0; j < n; ++j)
        if (list && list[j] && list[j]->index != LIGHT_UNUSED) device->LightEnable(list[j]->index, TRUE);
}

void LightMan::Apply() {
    IDirect3DDevice8* device = Device();
    if (!device) return;
    for (uint32_t i = 0; i < m_uCount; ++i) {
        const uint32_t index = m_Records[i].index;
        if (index < MAX_LIGHTS) device->SetLight(index, &m_Records[index].light);
    }
    device->SetRenderState(D3DRS_AMBIENT, m_uAmbient);
}

void LightMan::UpdateFlares() {
    m_Flares.SetCount(0);
    Sprite2D* sprites = m_Flares.GetSprites();
    const D3DSURFACE_DESC* back = RenderDevice_GetBackBufferDesc();
    if (m_uCount == 0 || !sprites || !g_pCurrentCamera || !back || back->Width == 0 || back->Height == 0) return;
    const float sx = 640.0f / static_cast<float>(back->Width);
    const float sy = 480.0f / static_cast<float>(back->Height);
    const Vec3 camera = *g_pCurrentCamera->GetPosition();
    Level* level = GetLevel();
    const Vec3 eye(camera.x, camera.y, camera.z + level->GetCellSize());
    Renderer* renderer = GetRenderer();

    uint32_t n = 0;
    for (uint32_t i = 0; i < m_uCount && n < m_Flares.GetCapacity(); ++i) {
        const LightDesc& d = m_Records[i].desc;
        if (!d.flare) continue;
        float r2 = d.radius * d.radius;
        if (r2 < FLARE_MIN_RADIUS_SQ) r2 = FLARE_MIN_RADIUS_SQ;
        const Vec3 pos(d.x, d.y, d.z);
        const Vec3 diff(pos.x - camera.x, pos.y - camera.y, pos.z - camera.z);
        const float h = diff.Dot(diff) * 0.5f;
        if (!(h < FLARE_RANGE)) continue;
        float size = FLARE_SIZE_SCALE * r2;
        if (size < FLARE_MIN_SIZE) size = FLARE_MIN_SIZE;
        if (size > FLARE_MAX_SIZE) size = FLARE_MAX_SIZE;
        const float fade = 1.0f - h / FLARE_RANGE;
        Vec3 screen;
        renderer->ProjectToScreen(&pos, &screen);
        if (!(screen.z < 1.0f)) continue;
        if (level->LineOfSight(pos, eye, false)) continue;  // behind a wall

        Sprite2D& s = sprites[n++];
        s.x = screen.x * sx;
        s.y = screen.y * sy;
        s.size = size;
        const uint32_t r = static_cast<uint32_t>(static_cast<float>((d.colour >> 16) & 0xFF) * fade);
        const uint32_t g = static_cast<uint32_t>(static_cast<float>((d.colour >> 8) & 0xFF) * fade);
        const uint32_t b = static_cast<uint32_t>(static_cast<float>(d.colour & 0xFF) * fade);
        s.colour = 0xFF000000u | (r << 16) | (g << 8) | b;
        s.uLeft = 0.0f;
        s.vTop = 0.0f;
        s.uRight = 1.0f;
        s.vBottom = 1.0f;
    }
    m_Flares.SetCount(n);
}
