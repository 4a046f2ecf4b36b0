// Screen sprites: quads laid out in the virtual 640x480 screen, rebuilt from the
// owner's records each frame and drawn over everything with one indexed call.
#include "spritelist2d.h"

#include <cmath>

#include "renderdevice.h"
#include "renderer.h"

SpriteList2D::SpriteList2D()
    : SpriteListBase({sizeof(Sprite2D), sizeof(ScreenVertex), SCREENVERTEX_FVF, "Sprites2D",
                      "Could not allocate memory for 2D Sprite list", "Could not lock index buffer for 2D sprites",
                      "Too many active sprites in 2D Sprites list"}) {}

// Writes the quads of the records in back-buffer pixels.
void SpriteList2D::WriteVertices(BYTE* data, uint32_t count) {
    Renderer* renderer = GetRenderer();
    const float sx = renderer->GetScreenScaleX();
    const float sy = renderer->GetScreenScaleY();
    const Sprite2D* sprites = GetSprites();
    auto* v = reinterpret_cast<ScreenVertex*>(data);
    for (uint32_t i = 0; i < count; ++i) {
        const Sprite2D& s = sprites[i];
        const float half = s.size * 0.5f;
        const float left = (s.x - half) * sx;
        const float top = (s.y - half) * sy;
        const float right = left + s.size * sx;
        const float bottom = top + s.size * sy;
        *v++ = {left, top, 0.9f, 1.0f, s.colour, s.uLeft, s.vTop};
        *v++ = {right, top, 0.9f, 1.0f, s.colour, s.uRight, s.vTop};
        *v++ = {right, bottom, 0.9f, 1.0f, s.colour, s.uRight, s.vBottom};
        *v++ = {left, bottom, 0.9f, 1.0f, s.colour, s.uLeft, s.vBottom};
    }
}

// A screen quad maps its texture rectangle evenly onto its pixels: it is magnified
// when the rectangle's texels span no more than its pixels across and down.
bool SpriteList2D::AllMagnified(uint32_t count, float texelsX, float texelsY) {
    Renderer* renderer = GetRenderer();
    const float sx = renderer->GetScreenScaleX();
    const float sy = renderer->GetScreenScaleY();
    const Sprite2D* sprites = GetSprites();
    for (uint32_t i = 0; i < count; ++i) {
        const Sprite2D& s = sprites[i];
        if (!MagnifiedDraw::Magnifies(std::fabs(s.uRight - s.uLeft) * texelsX, std::fabs(s.vBottom - s.vTop) * texelsY,
                                      s.size * sx, s.size * sy))
            return false;
    }
    return true;
}

// One indexed draw of the active records, over whatever the depth buffer holds.
void SpriteList2D::Render() {
    IDirect3DDevice8* device = PrepareToDraw();
    if (!device) return;
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    DrawQuads(device);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
}

// Draws the quads untextured with colour writes off and the depth range squeezed to
// the near plane, then puts back every state it changed but the texture, which the
// caller sets before its next draw. Only an opaque mode paints over all it covers;
// the list's own draw later tests always and writes its depth, so the depth buffer
// ends the same as without this.
void SpriteList2D::ReserveDepth() {
    const uint32_t mode = GetBlendMode();
    const bool opaque = mode == RENDERMODE_TEXTURE || mode == RENDERMODE_MODULATE || mode == RENDERMODE_DIFFUSE ||
                        mode == RENDERMODE_LIGHTMAP_MODULATE || mode == RENDERMODE_LIGHTMAP;
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!opaque || !IsActive() || (GetRenderFlags() & 1u) || !device) return;
    DWORD colourWrite = 0, zEnable = 0, zWrite = 0, zFunc = 0;
    device->GetRenderState(D3DRS_COLORWRITEENABLE, &colourWrite);
    device->GetRenderState(D3DRS_ZENABLE, &zEnable);
    device->GetRenderState(D3DRS_ZWRITEENABLE, &zWrite);
    device->GetRenderState(D3DRS_ZFUNC, &zFunc);
    D3DVIEWPORT8 viewport = {};
    device->GetViewport(&viewport);
    D3DVIEWPORT8 nearest = viewport;
    nearest.MinZ = 0.0f;
    nearest.MaxZ = 0.0f;
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    device->SetViewport(&nearest);
    // No texture: no colour is written, so nothing needs sampling.
    device->SetTexture(0, nullptr);
    if (const uint32_t count = BindBuffers(device))
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4 * count, 0, 2 * count);
    device->SetViewport(&viewport);
    device->SetRenderState(D3DRS_ZFUNC, zFunc);
    device->SetRenderState(D3DRS_ZWRITEENABLE, zWrite);
    device->SetRenderState(D3DRS_ZENABLE, zEnable);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, colourWrite);
}
