// Render modes: fixed recipes of blend factors, texture-stage operations, alpha
// test, fog and z-write, sent through caches so that unchanged states cost nothing.
#include "renderer.h"

#include "renderdevice.h"
#include "trap.h"

namespace {

const DWORD kNone = 0xFFFFFFFFu;  // the state is not sent by the recipe

// Sends an on/off render state when it differs from its bit in cache, and keeps the
// bit; true when it was sent.
bool SwitchState(IDirect3DDevice8* device, D3DRENDERSTATETYPE state, bool on, uint32_t& cache, uint32_t bit) {
    if (on == ((cache & bit) != 0)) return false;
    device->SetRenderState(state, on ? TRUE : FALSE);
    if (on) cache |= bit;
    else cache &= ~bit;
    return true;
}

enum Switch : int { OFF = 0, ON = 1, NOT_SENT = -1 };

struct Recipe {
    DWORD srcBlend, destBlend;
    DWORD colourOp, colourArg1, colourArg2;  // stage 0
    DWORD alphaOp, alphaArg1, alphaArg2;     // stage 0
    bool lightmap;                            // stage 1 multiplies by its texture
    int alphaTest;
    bool fog, blend, zWrite;
};

// Indexed by render mode.
const Recipe kRecipes[RENDERMODE_COUNT] = {
    // 0: plain texture, opaque
    {D3DBLEND_ONE, D3DBLEND_ZERO, D3DTOP_SELECTARG1, D3DTA_TEXTURE, kNone, kNone, kNone, kNone,
     false, NOT_SENT, true, false, true},
    // 1: texture with its alpha, blended and alpha-tested
    {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DTOP_SELECTARG1, D3DTA_TEXTURE, kNone,
     D3DTOP_SELECTARG1, D3DTA_TEXTURE, kNone, false, ON, false, true, true},
    // 2: texture x vertex colour, colour and alpha, blended and alpha-tested
    {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
     D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, false, ON, false, true, true},
    // 3: texture x vertex colour, opaque
    {D3DBLEND_ONE, D3DBLEND_ZERO, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, kNone, kNone, kNone,
     false, NOT_SENT, true, false, true},
    // 4: vertex colour only, opaque
    {D3DBLEND_ONE, D3DBLEND_ZERO, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, kNone, kNone, kNone, kNone,
     false, NOT_SENT, true, false, true},
    // 5: vertex colour, additive, no z-write
    {D3DBLEND_ONE, D3DBLEND_ONE, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, kNone, kNone, kNone, kNone,
     false, NOT_SENT, false, true, false},
    // 6: plain texture, additive, no z-write
    {D3DBLEND_ONE, D3DBLEND_ONE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, kNone, kNone, kNone, kNone,
     false, NOT_SENT, false, true, false},
    // 7: texture x vertex colour, additive, no z-write, alpha test off
    {D3DBLEND_ONE, D3DBLEND_ONE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
     D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, false, OFF, false, true, false},
    // 8: texture x vertex colour x lightmap, opaque
    {D3DBLEND_ONE, D3DBLEND_ZERO, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, kNone, kNone, kNone,
     true, NOT_SENT, true, false, true},
    // 9: texture x lightmap, opaque
    {D3DBLEND_ONE, D3DBLEND_ZERO, D3DTOP_SELECTARG1, D3DTA_TEXTURE, kNone, kNone, kNone, kNone,
     true, NOT_SENT, true, false, true},
    // 10: as 8, with alpha, blended and alpha-tested
    {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
     D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, true, ON, true, true, true},
    // 11: as 9, with texture alpha, blended and alpha-tested
    {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DTOP_SELECTARG1, D3DTA_TEXTURE, kNone,
     D3DTOP_SELECTARG1, D3DTA_TEXTURE, kNone, true, ON, true, true, true},
};

}  // namespace

// Sends the recipe of a mode unless it is the cached one; invalid modes are
// logged and cached without sending anything.
void Renderer::SetRenderMode(uint32_t mode) {
    if (mode == m_uRenderMode) return;
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (mode >= RENDERMODE_COUNT) {
        DebugLog("Invalid Render state Set\n");
        m_uRenderMode = mode;
        return;
    }
    const Recipe& r = kRecipes[mode];
    device->SetRenderState(D3DRS_SRCBLEND, r.srcBlend);
    device->SetRenderState(D3DRS_DESTBLEND, r.destBlend);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, r.colourArg1);
    if (r.colourArg2 != kNone) device->SetTextureStageState(0, D3DTSS_COLORARG2, r.colourArg2);
    device->SetTextureStageState(0, D3DTSS_COLOROP, r.colourOp);
    if (r.alphaArg1 != kNone) device->SetTextureStageState(0, D3DTSS_ALPHAARG1, r.alphaArg1);
    if (r.alphaArg2 != kNone) device->SetTextureStageState(0, D3DTSS_ALPHAARG2, r.alphaArg2);
    if (r.alphaOp != kNone) device->SetTextureStageState(0, D3DTSS_ALPHAOP, r.alphaOp);
    if (r.lightmap) {
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
        device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TEXTURE);
    } else {
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    }
    if (r.alphaTest != NOT_SENT) device->SetRenderState(D3DRS_ALPHATESTENABLE, r.alphaTest == ON ? TRUE : FALSE);
    SetFogEnable(r.fog);
    SetAlphaBlend(r.blend);
    SetZWrite(r.zWrite);
    m_uRenderMode = mode;
}

// Wrap or clamp addressing on stages 0 and 1.
void Renderer::SetTextureWrap(bool wrap) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (wrap == ((m_uStateCache & RENDERER_WRAPON) != 0)) return;
    const DWORD address = wrap ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP;
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, address);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, address);
    device->SetTextureStageState(1, D3DTSS_ADDRESSU, address);
    device->SetTextureStageState(1, D3DTSS_ADDRESSV, address);
    if (wrap) m_uStateCache |= RENDERER_WRAPON;
    else m_uStateCache &= ~RENDERER_WRAPON;
}

// Blending on or off; switching it off also switches the alpha test off.
void Renderer::SetAlphaBlend(bool on) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (SwitchState(device, D3DRS_ALPHABLENDENABLE, on, m_uStateCache, RENDERER_BLENDON) && !on)
        device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
}

// Fog on or off; only while fog is configured.
void Renderer::SetFogEnable(bool on) {
    if ((m_uFlags & RENDERER_FOGCONFIG) == 0) return;
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    SwitchState(device, D3DRS_FOGENABLE, on, m_uFlags, RENDERER_FOGON);
}

void Renderer::SetZWrite(bool on) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    SwitchState(device, D3DRS_ZWRITEENABLE, on, m_uFlags, RENDERER_ZWRITEON);
}

// Configures linear vertex fog, or removes the configuration.
void Renderer::SetFog(bool enable, float start, float end, D3DCOLOR colour) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device) return;
    if (enable) {
        device->SetRenderState(D3DRS_FOGCOLOR, colour);
        device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
        device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
        device->SetRenderState(D3DRS_RANGEFOGENABLE, FALSE);
        device->SetRenderState(D3DRS_FOGSTART, FloatBits(start));
        device->SetRenderState(D3DRS_FOGEND, FloatBits(end));
        m_FogColour = colour;
        m_fFogStart = start;
        m_fFogEnd = end;
        m_uFlags |= RENDERER_FOGCONFIG;
        SetFogEnable(true);
    } else {
        SetFogEnable(false);
        m_uFlags &= ~RENDERER_FOGCONFIG;
    }
}
