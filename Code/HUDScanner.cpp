// The display's pictures: the panel table, the scanner's frame (world to map),
// the quads of the panels and blips, the map of the room's walls and the
// walkers' view wedges.
#include "HUD.h"

#include <cmath>

#include "HUDSource.h"
#include "Level.h"
#include "d3dx8.h"
#include "renderdevice.h"
#include "renderer.h"
#include "trap.h"

namespace {

const HudPanel kPanels[HUD_PANEL_COUNT] = {
    {480.0f, 320.0f, 150.0f, 150.0f, 0xFFFFFFFF, 0.0f, 0.0f, 1.0f, 1.0f},            // scanner (map texture)
    {310.0f, 230.0f, 20.0f, 20.0f, 0xFF808080, 0.125f, 0.0f, 0.25f, 0.125f},         // crosshair
    {30.0f, 425.0f, 40.0f, 40.0f, 0xFFC84040, 0.5f, 0.0f, 0.75f, 0.25f},             // health icon
    {480.0f, 5.0f, 40.0f, 40.0f, 0xFFC8C864, 0.25f, 0.0f, 0.5f, 0.25f},              // time icon
    {0.0f, 0.0f, 10.0f, 10.0f, 0xFFFFFF00, 0.0f, 0.0f, 0.125f, 0.125f},              // player blip
    {270.0f, 0.0f, 80.0f, 80.0f, 0xFF00FFFF, 0.0f, 0.25f, 0.25f, 0.5f},              // spotted panel
    {0.0f, 0.0f, 10.0f, 10.0f, 0xFF00FFFF, 0.0f, 0.0f, 0.125f, 0.125f},              // walker blip
    {0.0f, 0.0f, 15.0f, 15.0f, 0xFF64C864, 0.75f, 0.0f, 1.0f, 0.25f},                // present blip
    {0.0f, 0.0f, 15.0f, 15.0f, 0xFFFFFFFF, 0.0f, 0.125f, 0.125f, 0.25f},             // star blip
    {280.0f, 425.0f, 40.0f, 40.0f, 0xFF64C864, 0.75f, 0.0f, 1.0f, 0.25f},            // present icon
    {0.0f, 0.0f, 10.0f, 10.0f, 0xFFFF0000, 0.0f, 0.0f, 0.125f, 0.125f},              // goblin blip
};

// One atlas row down: the present icon while no present lies in the room.
constexpr float kNextAtlasRow = 0.25f;
constexpr float kPi = 3.14159265f;

// The view wedge: its reach along the heading and half its width at that distance.
constexpr float kWedgeReach = 100.0f;
constexpr float kWedgeHalfWidth = 62.0f;

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;

void PutQuad(ScreenVertex* v, float left, float top, float right, float bottom, const HudPanel& p, float vShift) {
    const float d = HUD::QUAD_DEPTH;
    const float vt = p.vTop + vShift, vb = p.vBottom + vShift;
    v[0] = {left, top, d, d, p.colour, p.uLeft, vt};
    v[1] = {right, top, d, d, p.colour, p.uRight, vt};
    v[2] = {right, bottom, d, d, p.colour, p.uRight, vb};
    v[3] = {left, bottom, d, d, p.colour, p.uLeft, vb};
}

}  // namespace

const HudPanel& HUD::GetPanel(uint32_t id) { return kPanels[id < HUD_PANEL_COUNT ? id : 0]; }

// A room of 8 by 8 cells spans the scanner, larger z upwards.
void HUD::WorldToMap(float x, float z, float* mapX, float* mapY) const {
    const float cell = GetLevel()->GetCellSize();
    *mapX = (x - m_fMapOriginX) * m_fMapScaleX * m_fScannerW + m_fScannerX;
    *mapY = (1.0f - (z + cell - m_fMapOriginZ) * m_fMapScaleZ) * m_fScannerH + m_fScannerY;
}

// Quad slot *count of the buffer (count counts every quad written, the scanner
// included); nothing is written once the buffer is full.
void HUD::AddPanel(ScreenVertex* v, uint32_t* count, const HudPanel& p, float vShift) const {
    if (*count >= MAX_QUADS) return;
    const Renderer* r = GetRenderer();
    const float sx = r->GetScreenScaleX(), sy = r->GetScreenScaleY();
    const float left = p.x * sx, top = p.y * sy;
    PutQuad(v + 4 * *count, left, top, left + p.w * sx, top + p.h * sy, p, vShift);
    ++*count;
}

void HUD::AddBlip(ScreenVertex* v, uint32_t* count, const HudPanel& p, float mapX, float mapY) const {
    if (*count >= MAX_QUADS) return;
    const Renderer* r = GetRenderer();
    const float sx = r->GetScreenScaleX(), sy = r->GetScreenScaleY();
    const float left = sx * mapX - sx * p.w / 2.0f;
    const float top = sy * mapY - sy * p.h / 2.0f;
    PutQuad(v + 4 * *count, left, top, left + sx * p.w, top + sy * p.h, p, 0.0f);
    ++*count;
}

// Quad 0 is the scanner; the quad count kept leaves it out, as Render draws it apart.
void HUD::BuildVertices() {
    if (!m_pQuadVB) return;
    BYTE* data = nullptr;
    if (FAILED(m_pQuadVB->Lock(0, 0, &data, D3DLOCK_DISCARD)) || !data) {
        m_uQuadCount = 0;
        return;
    }
    auto* v = reinterpret_cast<ScreenVertex*>(data);
    uint32_t count = 0;
    for (uint32_t id = HUD_PANEL_SCANNER; id <= HUD_PANEL_TIME_ICON; ++id) AddPanel(v, &count, kPanels[id]);

    float mx, my;
    WorldToMap(m_pSource->GetPlayerX(), m_pSource->GetPlayerZ(), &mx, &my);
    AddBlip(v, &count, kPanels[HUD_PANEL_PLAYER], mx, my);

    if (m_pSource->IsPlayerSpotted()) AddPanel(v, &count, kPanels[HUD_PANEL_SPOTTED]);

    const uint32_t walkers = m_pSource->GetWalkerCount();
    for (uint32_t i = 0; i < walkers && count < MAX_QUADS; ++i) {
        float x, z, heading;
        if (!m_pSource->GetWalker(i, &x, &z, &heading)) continue;
        WorldToMap(x, z, &mx, &my);
        AddBlip(v, &count, kPanels[HUD_PANEL_WALKER], mx, my);
    }

    float px, pz;
    const bool presentInRoom = m_pSource->GetPickup(0, &px, &pz);
    if (presentInRoom) {
        WorldToMap(px, pz, &mx, &my);
        AddBlip(v, &count, kPanels[HUD_PANEL_PRESENT], mx, my);
    }
    float starX, starZ;
    if (m_pSource->GetPickup(3, &starX, &starZ)) {
        WorldToMap(starX, starZ, &mx, &my);
        AddBlip(v, &count, kPanels[HUD_PANEL_STAR], mx, my);
    }

    AddPanel(v, &count, kPanels[HUD_PANEL_PRESENT_ICON], presentInRoom ? 0.0f : kNextAtlasRow);

    const uint32_t goblins = m_pSource->GetGoblinCount();
    for (uint32_t i = 0; i < goblins && count < MAX_QUADS; ++i) {
        float x, z;
        if (!m_pSource->GetGoblin(i, &x, &z)) continue;
        WorldToMap(x, z, &mx, &my);
        AddBlip(v, &count, kPanels[HUD_PANEL_GOBLIN], mx, my);
    }

    m_uQuadCount = count - 1;
    m_pQuadVB->Unlock();
}

void HUD::CreateLevelMapTexture() {
    if (!m_pMapTexture) {
        IDirect3DDevice8* device = RenderDevice_GetDevice();
        if (!device || FAILED(D3DXCreateTexture(device, MAP_SIZE, MAP_SIZE, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
                                                &m_pMapTexture)) ||
            !m_pMapTexture) {
            m_pMapTexture = nullptr;
            TrapError(__FILE__, __LINE__, "Could not create level HUD texture");
            return;
        }
    }
    DrawLevelMap();
}

// Black, with a white line of 8 texels along every side of a node that has a
// wall; a wall between two rows shows two texels thick, between two columns one
// in each node.
void HUD::DrawLevelMap() {
    if (!m_pMapTexture) RestoreDeviceObjects();
    // Without a texture (its creation was reported) there is nothing to draw into.
    if (!m_pMapTexture) return;
    D3DLOCKED_RECT locked = {};
    if (FAILED(m_pMapTexture->LockRect(0, &locked, nullptr, 0)) || !locked.pBits || locked.Pitch < 4 * INT(MAP_SIZE)) {
        TrapError(__FILE__, __LINE__, "Could not lock level HUD texture");
        return;
    }
    auto* pixels = static_cast<uint32_t*>(locked.pBits);
    const uint32_t stride = static_cast<uint32_t>(locked.Pitch) / 4;
    for (uint32_t y = 0; y < MAP_SIZE; ++y)
        for (uint32_t x = 0; x < MAP_SIZE; ++x) pixels[y * stride + x] = kBlack;

    // Without rooms (no level yet) the map stays black.
    Level* level = GetLevel();
    const Node* nodes = level->GetRoom(level->GetCurrentRoom()) ? level->GetNodeMap(level->GetCurrentRoom()) : nullptr;
    for (uint32_t r = 0; nodes && r < LEVEL_GRID_SIZE; ++r) {
        for (uint32_t c = 0; c < LEVEL_GRID_SIZE; ++c) {
            const Node& node = nodes[c + r * LEVEL_GRID_SIZE];
            const uint32_t top = 8 * r, left = 8 * c;
            if (node.walls[WALL_POS_Z] < NODE_EMPTY) {
                const uint32_t y = r == 0 ? 0 : top - 1;
                for (uint32_t i = 0; i < 8; ++i) pixels[y * stride + left + i] = kWhite;
            }
            if (node.walls[WALL_NEG_Z] < NODE_EMPTY) {
                const uint32_t y = r == LEVEL_GRID_SIZE - 1 ? MAP_SIZE - 1 : top + 8;
                for (uint32_t i = 0; i < 8; ++i) pixels[y * stride + left + i] = kWhite;
            }
            if (node.walls[WALL_NEG_X] < NODE_EMPTY)
                for (uint32_t i = 0; i < 8; ++i) pixels[(top + i) * stride + left] = kWhite;
            if (node.walls[WALL_POS_X] < NODE_EMPTY)
                for (uint32_t i = 0; i < 8; ++i) pixels[(top + i) * stride + left + 7] = kWhite;
        }
    }
    if (FAILED(m_pMapTexture->UnlockRect(0))) TrapError(__FILE__, __LINE__, "Could not unlock level HUD texture");
}

// Walkers beyond the buffer's six get no wedge.
void HUD::FillWedges() {
    if (!m_pWedgeVB) return;
    BYTE* data = nullptr;
    if (FAILED(m_pWedgeVB->Lock(0, 0, &data, 0)) || !data) {
        m_uWedgeCount = 0;
        return;
    }
    auto* v = reinterpret_cast<ScreenVertex*>(data);
    const uint32_t walkers = m_pSource->GetWalkerCount();
    uint32_t count = 0;
    for (uint32_t i = 0; i < walkers && count < MAX_WEDGES; ++i) {
        float x, z, heading;
        if (!m_pSource->GetWalker(i, &x, &z, &heading)) continue;
        BuildWedge(x, z, heading, v + 3 * count);
        ++count;
    }
    m_uWedgeCount = count;
    m_pWedgeVB->Unlock();
}

// A triangle from the walker 100 units along its heading, 62 units to either side there.
void HUD::BuildWedge(float x, float z, float heading, ScreenVertex* v) const {
    const float a = kWedgeReach * std::sin(heading), b = kWedgeReach * std::cos(heading);
    const float c = kWedgeHalfWidth * std::sin(heading + kPi / 2.0f);
    const float d = kWedgeHalfWidth * std::cos(heading + kPi / 2.0f);
    const Renderer* r = GetRenderer();
    const float sx = r->GetScreenScaleX(), sy = r->GetScreenScaleY();
    const float depth = WEDGE_DEPTH;
    float mx, my;
    WorldToMap(x, z, &mx, &my);
    v[0] = {mx * sx, my * sy, depth, depth, WEDGE_COLOUR, 0.0625f, 0.0625f};
    WorldToMap(x + a - c, z + b - d, &mx, &my);
    v[1] = {mx * sx, my * sy, depth, depth, WEDGE_COLOUR, 0.0f, 0.125f};
    WorldToMap(x + a + c, z + b + d, &mx, &my);
    v[2] = {mx * sx, my * sy, depth, depth, WEDGE_COLOUR, 0.125f, 0.125f};
}
