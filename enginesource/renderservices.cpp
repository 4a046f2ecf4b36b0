// Renderer services: the per-frame debug lines and projection to the screen.
#include "renderer.h"

#include <cstring>

#include "d3dx8math.h"
#include "renderdevice.h"

// Queues a line for this frame; past 511 lines the rest are dropped.
void Renderer::AddDebugLine(const Vec3* start, const Vec3* end, D3DCOLOR startColour, D3DCOLOR endColour) {
    if (m_uDebugVertCount >= MAX_DEBUG_VERTS - 2) return;
    m_aDebugVerts[m_uDebugVertCount] = {start->x, start->y, start->z, startColour};
    m_aDebugVerts[m_uDebugVertCount + 1] = {end->x, end->y, end->z, endColour};
    m_uDebugVertCount += 2;
}

// Draws the queued lines over everything in one call and empties the queue.
void Renderer::DrawDebugLines() {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (m_uDebugVertCount != 0 && device) {
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
        D3DMATRIX world;
        std::memcpy(world.m, m_mIdentity.m, sizeof(world.m));
        device->SetTransform(D3DTS_WORLD, &world);
        SetRenderMode(RENDERMODE_DIFFUSE);
        device->SetVertexShader(LINEVERTEX_FVF);
        device->DrawPrimitiveUP(D3DPT_LINELIST, m_uDebugVertCount / 2, m_aDebugVerts, sizeof(LineVertex));
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    }
    m_uDebugVertCount = 0;
}

// Projects through the last camera's view and projection onto the whole back buffer.
void Renderer::ProjectToScreen(const Vec3* point, Vec3* out) {
    const D3DSURFACE_DESC* back = RenderDevice_GetBackBufferDesc();
    D3DVIEWPORT8 viewport = {0, 0, back->Width, back->Height, 0.0f, 1.0f};
    D3DXMATRIX projection, view, world;
    std::memcpy(projection.m, m_mProjection.m, sizeof(projection.m));
    std::memcpy(view.m, m_mView.m, sizeof(view.m));
    D3DXMatrixIdentity(&world);
    D3DXVECTOR3 in(point->x, point->y, point->z);
    D3DXVECTOR3 result;
    D3DXVec3Project(&result, &in, &viewport, &projection, &view, &world);
    out->x = result.x;
    out->y = result.y;
    out->z = result.z;
}
