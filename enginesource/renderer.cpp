// The engine's drawing service: draw lists, the frame, camera transforms, device
// defaults and the statistics text.
#include "renderer.h"

#include <cstdio>
#include <cstring>

#include "camera.h"
#include "d3dfont.h"
#include "d3dx8math.h"
#include "gameengine.h"
#include "renderdevice.h"
#include "skinmesh.h"
#include "trap.h"

namespace {

// Vertical field of view of the projection: pi / 3.
const float kFieldOfView = 1.0471976f;
const float kNearPlane = 1.0f;
const D3DCOLOR kClearColour = 0xFF000000;
const D3DCOLOR kStatsColour = 0xFFFFFF00;
const float kStatsScale = 0.3f;

// Unlinks o from the list that starts at head; nothing when it is not there.
void Unlink(Object*& head, Object* o) {
    if (!o || !head) return;
    if (head == o) {
        head = o->GetNextObject();
        o->SetNextObject(nullptr);
        return;
    }
    for (Object* prev = head; prev->GetNextObject(); prev = prev->GetNextObject()) {
        if (prev->GetNextObject() == o) {
            prev->SetNextObject(o->GetNextObject());
            o->SetNextObject(nullptr);
            return;
        }
    }
}

// Draws every object of a list that is not switched off; the next link is read
// after the object's Render, so an object that leaves the list ends the walk.
void DrawList(Object* head) {
    for (Object* o = head; o;) {
        if ((o->GetRenderFlags() & 1) == 0) o->Render();
        o = o->GetNextObject();
    }
}

D3DMATRIX ToD3D(const Matrix& m) {
    D3DMATRIX out;
    std::memcpy(out.m, m.m, sizeof(out.m));
    return out;
}

}  // namespace

Renderer::Renderer()
    : m_pObjectList(nullptr),
      m_pOverlayList(nullptr),
      m_uFlags(0),
      m_uRenderMode(RENDERMODE_COUNT),
      m_uStateCache(0),
      m_uDebugVertCount(0),
      m_FogColour(0xFF000000),
      m_bUpdating(false),
      m_bRendering(false),
      m_fFarPlane(1000.0f),
      m_fScreenScaleX(1.0f),
      m_fScreenScaleY(1.0f),
      m_fFogStart(1.0f),
      m_fFogEnd(100.0f) {
    std::memset(&m_Material, 0, sizeof(m_Material));
    std::memset(m_aDebugVerts, 0, sizeof(m_aDebugVerts));
    mat_Identity(&m_mIdentity);
    mat_Identity(&m_mView);
    mat_Identity(&m_mProjection);
}

Renderer* GetRenderer() {
    static Renderer renderer;
    return &renderer;
}

// Empties both lists and the debug lines and applies the default camera.
uint32_t Renderer::Init() {
    DebugLog("Initialising Renderer\n");
    m_pObjectList = nullptr;
    m_pOverlayList = nullptr;
    m_uDebugVertCount = 0;
    SetDefaultCamera();
    return 0;
}

// Nothing to release: the lists do not own their objects.
uint32_t Renderer::Destroy() {
    DebugLog("Destroying Renderer\n");
    return 0;
}

// One frame of drawing inside the device's scene.
void Renderer::Render() {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    m_bRendering = true;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, 1.0f, 0);
    SetRenderMode(RENDERMODE_TEXTURE);
    SetCamera(g_pCurrentCamera);
    const D3DMATRIX view = ToD3D(m_mView);
    const D3DMATRIX projection = ToD3D(m_mProjection);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    // The skinning shaders read the projection from c2..c5.
    D3DXMATRIX transposed;
    D3DXMATRIX source;
    std::memcpy(source.m, m_mProjection.m, sizeof(source.m));
    D3DXMatrixTranspose(&transposed, &source);
    device->SetVertexShaderConstant(2, &transposed, 4);
    SetTextureWrap(true);

    if (FAILED(device->BeginScene())) {
        m_bRendering = false;
        return;
    }
    DrawList(m_pObjectList);
    DrawList(m_pOverlayList);
    DrawDebugLines();
    if (m_uFlags & RENDERER_SHOWSTATS) DrawStats();
    device->EndScene();
    m_bRendering = false;
}

// Asks every listed object, object list first, to release its device resources.
void Renderer::InvalidateDeviceObjects() {
    for (Object* o = m_pObjectList; o; o = o->GetNextObject()) o->InvalidateDeviceObjects();
    for (Object* o = m_pOverlayList; o; o = o->GetNextObject()) o->InvalidateDeviceObjects();
}

// Re-applies the device defaults, then asks every listed object to rebuild.
void Renderer::RestoreDeviceObjects() {
    SetDefaultStates();
    for (Object* o = m_pObjectList; o; o = o->GetNextObject()) o->RestoreDeviceObjects();
    for (Object* o = m_pOverlayList; o; o = o->GetNextObject()) o->RestoreDeviceObjects();
}

void Renderer::DeleteDeviceObjects() {
    InvalidateDeviceObjects();
    for (Object* o = Object::FirstLive(); o; o = o->NextLive()) o->InvalidateDeviceObjects();
    ReleaseCaches();
}

void Renderer::ReleaseCaches() {
    SkinModelCache::Get()->ReleaseAll();
    m_Meshes.ReleaseObjects();
    m_Textures.ReleaseObjects();
}

// Lists push at the front: the object added last is drawn first.
void Renderer::AddObject(Object* o) {
    o->SetNextObject(m_pObjectList);
    m_pObjectList = o;
}

void Renderer::RemoveObject(Object* o) { Unlink(m_pObjectList, o); }

void Renderer::AddOverlayObject(Object* o) {
    o->SetNextObject(m_pOverlayList);
    m_pOverlayList = o;
}

void Renderer::RemoveOverlayObject(Object* o) { Unlink(m_pOverlayList, o); }

void Renderer::ClearLists() {
    m_pObjectList = nullptr;
    m_pOverlayList = nullptr;
}

// Adds flags (the statistics text); the cache bits are left to their owners.
void Renderer::SetFlags(uint32_t mask) { m_uFlags |= mask; }
void Renderer::BeginUpdate() { m_bUpdating = true; }
void Renderer::EndUpdate() { m_bUpdating = false; }

// Projection from the back buffer's shape; view as the rigid inverse of the camera.
void Renderer::SetCamera(Camera* camera) {
    const D3DSURFACE_DESC* back = RenderDevice_GetBackBufferDesc();
    // Without a back buffer yet, the virtual screen's 4:3 stands in.
    const float aspect = (back->Width && back->Height) ? float(back->Width) / float(back->Height) : 640.0f / 480.0f;
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, kFieldOfView, aspect, kNearPlane, m_fFarPlane);
    std::memcpy(m_mProjection.m, projection.m, sizeof(m_mProjection.m));

    // No current camera: the view of the last camera stays.
    if (!camera) return;
    const Matrix& c = *camera->GetMatrix();
    const Vec3 r(c.m[0][0], c.m[0][1], c.m[0][2]);
    const Vec3 u(c.m[1][0], c.m[1][1], c.m[1][2]);
    const Vec3 f(c.m[2][0], c.m[2][1], c.m[2][2]);
    const Vec3 p(c.m[3][0], c.m[3][1], c.m[3][2]);
    Matrix& v = m_mView;
    v.m[0][0] = r.x; v.m[0][1] = u.x; v.m[0][2] = f.x; v.m[0][3] = 0.0f;
    v.m[1][0] = r.y; v.m[1][1] = u.y; v.m[1][2] = f.y; v.m[1][3] = 0.0f;
    v.m[2][0] = r.z; v.m[2][1] = u.z; v.m[2][2] = f.z; v.m[2][3] = 0.0f;
    v.m[3][0] = -p.Dot(r); v.m[3][1] = -p.Dot(u); v.m[3][2] = -p.Dot(f); v.m[3][3] = 1.0f;
}

// A camera at z = -80 looking down +z.
void Renderer::SetDefaultCamera() {
    Camera camera;
    camera.GetMatrix()->m[3][2] = -80.0f;
    SetCamera(&camera);
}

// The device's default states, applied at every device restore.
void Renderer::SetDefaultStates() {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_CLIPPING, TRUE);
    device->SetRenderState(D3DRS_EDGEANTIALIAS, FALSE);
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    device->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    m_uFlags &= ~RENDERER_FOGON;  // the cache follows the device, so a configured fog is switched on again below

    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);

    const DWORD linear = D3DPTFILTERCAPS_MAGFLINEAR | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFLINEAR;
    const DWORD mip = (RenderDevice_GetCaps()->TextureFilterCaps & linear) == linear ? D3DTEXF_LINEAR : D3DTEXF_POINT;
    for (DWORD stage = 0; stage < 2; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MIPFILTER, mip);
    }

    const D3DSURFACE_DESC* back = RenderDevice_GetBackBufferDesc();
    m_fScreenScaleX = float(back->Width) / 640.0f;
    m_fScreenScaleY = float(back->Height) / 480.0f;

    device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_ALPHAREF, 8);

    SetTextureWrap(true);
    SetRenderMode(RENDERMODE_TEXTURE);
    SetAlphaBlend(false);
    SetZWrite(true);

    m_Material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    m_Material.Ambient = {1.0f, 1.0f, 1.0f, 0.0f};
    m_Material.Specular = {0.0f, 0.0f, 0.0f, 0.0f};
    m_Material.Emissive = {0.0f, 0.0f, 0.0f, 0.0f};
    m_Material.Power = 0.0f;
    device->SetMaterial(&m_Material);

    // A configured fog is sent again to the new device.
    if (m_uFlags & RENDERER_FOGCONFIG) SetFog(true, m_fFogStart, m_fFogEnd, m_FogColour);
}

// The frame counter and running time, then the framework's frame statistics.
void Renderer::DrawStats() {
    D3DFont* font = RenderDevice_GetFont();
    if (!font) return;
    static char text[64];
    std::snprintf(text, sizeof(text), "CYCLES %u TIME %.2f", g_uFrameCount, double(g_fTotalTime));
    font->DrawText(2.0f, 0.0f, kStatsColour, text, kStatsScale, 0);
    font->DrawText(2.0f, 16.0f, kStatsColour, RenderDevice_GetFrameStats(), kStatsScale, 0);
}
