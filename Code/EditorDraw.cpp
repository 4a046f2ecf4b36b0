// What the editor draws over the room: the selection quad and its outline, the
// light, room-point and path markers, the block grid, the prop preview, the
// icon column and the tile preview.
#include <cstring>

#include "Editor.h"
#include "EnemyManager.h"
#include "Level.h"
#include "LightMan.h"
#include "camera.h"
#include "comrelease.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "renderdevice.h"
#include "renderer.h"

namespace {

constexpr D3DCOLOR kOutline = 0xFFFF0000u;
constexpr D3DCOLOR kCornerCross = 0xFFFFFF00u;
constexpr D3DCOLOR kRoomPoint = 0xFF80FF80u;
constexpr D3DCOLOR kGrid = 0xFF808080u;
constexpr D3DCOLOR kIcon = 0xFFFFFFFFu;
constexpr D3DCOLOR kCurrentIcon = 0xFFFF8080u;
constexpr UINT kQuadBytes = 4 * sizeof(LineVertex);
constexpr UINT kIndexBytes = 6 * sizeof(uint16_t);

// The selection quad's colour in each mode.
D3DCOLOR QuadColour(uint32_t mode) {
    if (mode == EDITOR_MODE_MOVE) return 0xFF808080u;
    if (mode == EDITOR_MODE_SIZE) return 0xFF808000u;
    return 0xFF800000u;
}

// One debug line.
void Line(const Vec3& a, const Vec3& b, D3DCOLOR ca, D3DCOLOR cb) { GetRenderer()->AddDebugLine(&a, &b, ca, cb); }

// Six lines of length s from p along +x, -x, +z, -z, -y and +y.
void Marker(const Vec3& p, float s, D3DCOLOR at, D3DCOLOR end) {
    const Vec3 ends[6] = {Vec3(p.x + s, p.y, p.z), Vec3(p.x - s, p.y, p.z), Vec3(p.x, p.y, p.z + s),
                          Vec3(p.x, p.y, p.z - s), Vec3(p.x, p.y - s, p.z), Vec3(p.x, p.y + s, p.z)};
    for (const Vec3& e : ends) Line(p, e, at, end);
}

}  // namespace

// Texture coordinates of atlas cell 0..15; cell 16 (no tile) is all zeros.
void Editor::SetCell(Sprite2D* sprite, uint32_t cell) {
    if (cell >= 16) {
        sprite->uLeft = sprite->vTop = sprite->uRight = sprite->vBottom = 0.0f;
        return;
    }
    sprite->uLeft = static_cast<float>(cell % 4) * 0.25f;
    sprite->vTop = static_cast<float>(cell / 4) * 0.25f;
    sprite->uRight = sprite->uLeft + 0.25f;
    sprite->vBottom = sprite->vTop + 0.25f;
}

// Builds the icon column and the tile preview, both hidden until the editor opens.
void Editor::SetupSprites() {
    m_Icons.Init();
    if (Sprite2D* icons = m_Icons.Build(ICON_COUNT, "gfx/icons.tga")) {
        m_Icons.SetBlendMode(RENDERMODE_MODULATE_ALPHA);
        for (uint32_t i = 0; i < ICON_COUNT; ++i) {
            icons[i] = Sprite2D{600.0f, 40.0f + 35.0f * static_cast<float>(i), 30.0f, kIcon, 0, 0, 0, 0};
            SetCell(&icons[i], i);
        }
    }
    m_Icons.Deactivate();
    m_Preview.Init();
    if (Sprite2D* preview = m_Preview.Build(1, "gfx/walls.tga")) {
        preview[0] = Sprite2D{70.0f, 70.0f, 100.0f, kIcon, 0, 0, 0, 0};
        SetCell(&preview[0], 0);
    }
    m_Preview.Deactivate();
}

// The mouse position in the virtual 640 by 480 screen the icons are laid out in.
void Editor::VirtualMouse(float* x, float* y) const {
    const MouseState* mouse = GetPCSystem()->GetMouse();
    const Renderer* renderer = GetRenderer();
    const float sx = renderer->GetScreenScaleX();
    const float sy = renderer->GetScreenScaleY();
    *x = static_cast<float>(mouse->x) / (sx > 0.0f ? sx : 1.0f);
    *y = static_cast<float>(mouse->y) / (sy > 0.0f ? sy : 1.0f);
}

// The cursor follows the mouse; the current mode's icon is tinted.
void Editor::UpdateIcons() {
    Sprite2D* icons = m_Icons.GetSprites();
    if (!icons || m_Icons.GetCapacity() < ICON_COUNT) return;
    VirtualMouse(&icons[CURSOR_SPRITE].x, &icons[CURSOR_SPRITE].y);
    for (uint32_t i = 0; i < ICON_COUNT; ++i) icons[i].colour = i == m_uMode ? kCurrentIcon : kIcon;
}

// Makes the selection quad's vertex and index buffers that are missing.
void Editor::CreateSelectionBuffers() {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (!m_pVB) {
        m_uQuadVerts = 4;
        if (FAILED(device->CreateVertexBuffer(kQuadBytes, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, LINEVERTEX_FVF,
                                              D3DPOOL_DEFAULT, &m_pVB)))
            m_pVB = nullptr;
        BuildSelectionQuad();
    }
    if (!m_pIB) {
        m_uQuadTris = 2;
        if (FAILED(device->CreateIndexBuffer(kIndexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                             &m_pIB))) {
            m_pIB = nullptr;
            return;
        }
        BYTE* data = nullptr;
        if (SUCCEEDED(m_pIB->Lock(0, kIndexBytes, &data, 0)) && data) {
            const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
            std::memcpy(data, indices, sizeof(indices));
            m_pIB->Unlock();
        }
    }
}

// The selection's corners, just above the floor (just under the ceiling in
// ceiling mode), written into the vertex buffer when there is one.
void Editor::BuildSelectionQuad() {
    Level* level = GetLevel();
    const uint32_t room = level->GetCurrentRoom();
    float y = level->GetRoomBaseY(room) + 1.0f;
    if (m_uMode == EDITOR_MODE_CEILING) y += level->GetWallHeight() - 2.0f;
    const float x0 = level->GetCellX(static_cast<int>(m_uSelX));
    const float z0 = level->GetCellZ(static_cast<int>(m_uSelY));
    const float x1 = x0 + static_cast<float>(m_uSelWidth) * level->GetCellSize();
    const float z1 = z0 - static_cast<float>(m_uSelHeight) * level->GetCellSize();
    m_vQuad[0] = Vec3(x0, y, z0);
    m_vQuad[1] = Vec3(x1, y, z0);
    m_vQuad[2] = Vec3(x1, y, z1);
    m_vQuad[3] = Vec3(x0, y, z1);
    if (!m_pVB) return;
    BYTE* data = nullptr;
    if (FAILED(m_pVB->Lock(0, kQuadBytes, &data, D3DLOCK_DISCARD)) || !data) return;
    const D3DCOLOR colour = QuadColour(m_uMode);
    LineVertex verts[4];
    for (int i = 0; i < 4; ++i) verts[i] = LineVertex{m_vQuad[i].x, m_vQuad[i].y, m_vQuad[i].z, colour};
    std::memcpy(data, verts, sizeof(verts));
    m_pVB->Unlock();
}

// Releases the quad's buffers (before a device reset and on closing).
void Editor::InvalidateDeviceObjects() {
    ReleaseAndNull(m_pVB);
    ReleaseAndNull(m_pIB);
}

// Makes the quad's buffers again after a reset.
void Editor::RestoreDeviceObjects() { CreateSelectionBuffers(); }

// The translucent selection quad, then the debug-line markers.
void Editor::Render() {
    if (!m_pVB) RestoreDeviceObjects();
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    Renderer* renderer = GetRenderer();
    if (device && m_pVB && m_pIB) {
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
        device->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(GetMatrix()));
        renderer->SetTextureWrap(false);
        renderer->SetRenderMode(RENDERMODE_DIFFUSE_ADD);
        device->SetVertexShader(LINEVERTEX_FVF);
        device->SetStreamSource(0, m_pVB, sizeof(LineVertex));
        device->SetIndices(m_pIB, 0);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m_uQuadVerts, 0, m_uQuadTris);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    }
    RenderMarkers();
}

// The debug lines: outline, corner cross, lights, room points or path, the
// prop preview and the block grid.
void Editor::RenderMarkers() {
    for (int i = 0; i < 4; ++i) Line(m_vQuad[i], m_vQuad[(i + 1) % 4], kOutline, kOutline);
    const Vec3& c = m_vQuad[0];
    Line(Vec3(c.x - 5.0f, c.y, c.z), Vec3(c.x + 5.0f, c.y, c.z), kCornerCross, kCornerCross);
    Line(Vec3(c.x, c.y, c.z - 5.0f), Vec3(c.x, c.y, c.z + 5.0f), kCornerCross, kCornerCross);

    LightMan* lights = GetLightMan();
    const uint32_t maxLights = LightMan::MAX_LIGHTS;
    const uint32_t lightCount = lights->GetCount() < maxLights ? lights->GetCount() : maxLights;
    for (uint32_t i = 0; i < lightCount; ++i) {
        const LightDesc& desc = lights->GetLight(i)->desc;
        Marker(Vec3(desc.x, desc.y, desc.z), 5.0f, desc.colour, 0);
    }

    Level* level = GetLevel();
    if (m_uMode == EDITOR_MODE_ROOM_POINTS && HasRoom()) {
        const uint32_t count = level->GetRoomPointCount();
        for (uint32_t i = 0; i < count && i < LEVEL_MAX_ROOM_POINTS; ++i)
            Marker(*level->GetRoomPoint(i), i == 0 ? 10.0f : 5.0f, kRoomPoint, kRoomPoint);
    }
    if (m_uMode == EDITOR_MODE_PATHS) GetEnemyManager()->DrawPath(m_uPath);
    if (m_uMode == EDITOR_MODE_PROPS) RenderPropPreview();

    for (int i = 0; i < 5; ++i) {
        const float z = -160.0f + 64.0f * static_cast<float>(i);
        const float x = -128.0f + 64.0f * static_cast<float>(i);
        Line(Vec3(-128.0f, 0.0f, z), Vec3(128.0f, 0.0f, z), kGrid, kGrid);
        Line(Vec3(x, 0.0f, -160.0f), Vec3(x, 0.0f, 96.0f), kGrid, kGrid);
    }
}

// The chosen prop type floating in front of the camera, left of and above the
// centre of the view.
void Editor::RenderPropPreview() {
    Level* level = GetLevel();
    DetailObjectType* type = level->GetLevelRenderer()->GetDetailObjectType(m_uPropType);
    if (!type) return;
    const Matrix* view = GetRenderer()->GetViewMatrix();
    Camera* camera = g_pCurrentCamera ? g_pCurrentCamera : GetGameEngine()->GetCamera();
    const Vec3 eye = *camera->GetPosition();
    Vec3 position = eye;
    for (int r = 0; r < 3; ++r) {
        const float offset = view->m[r][0] * -25.0f + view->m[r][1] * 15.0f + view->m[r][2] * 90.0f;
        if (r == 0) position.x += offset;
        else if (r == 1) position.y += offset;
        else position.z += offset;
    }
    // Placed while it has no type, so that a lit type does not leave a light of
    // its own in the level (it would be baked into the next lightmaps).
    m_PreviewProp.SetType(nullptr);
    m_PreviewProp.SetPosition(position);
    m_PreviewProp.SetType(type);
    m_PreviewProp.Render();
}
