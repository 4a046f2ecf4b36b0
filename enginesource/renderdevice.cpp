// Where the rendering services find the device: a binding made by a tool or
// test, or else the application object's device, font and statistics.
#include "renderdevice.h"
#include <cstring>
#include "pcsystem.h"
#include "renderer.h"

namespace {
struct Binding {
    bool hasDevice = false;
    IDirect3DDevice8* device = nullptr;
    D3DCAPS8 caps;
    D3DSURFACE_DESC backBuffer;
    D3DFont* font = nullptr;
    const char* frameStats = nullptr;
    Binding() {
        std::memset(&caps, 0, sizeof(caps));
        std::memset(&backBuffer, 0, sizeof(backBuffer));
    }
};

Binding& Bound() {
    static Binding binding;
    return binding;
}
}  // namespace

void RenderDevice_Bind(IDirect3DDevice8* device) {
    D3DCAPS8 caps;
    D3DSURFACE_DESC desc;
    std::memset(&caps, 0, sizeof(caps));
    std::memset(&desc, 0, sizeof(desc));
    if (device) {
        device->GetDeviceCaps(&caps);
        IDirect3DSurface8* back = nullptr;
        if (SUCCEEDED(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)) && back) {
            back->GetDesc(&desc);
            back->Release();
        }
    }
    RenderDevice_Bind(device, caps, desc);
}

void RenderDevice_Bind(IDirect3DDevice8* device, const D3DCAPS8& caps, const D3DSURFACE_DESC& backBuffer) {
    Binding& b = Bound();
    // Objects made for another device are no use with this one.
    if (b.hasDevice && b.device && b.device != device) GetRenderer()->ReleaseCaches();
    b.hasDevice = true;
    b.device = device;
    b.caps = caps;
    b.backBuffer = backBuffer;
}

void RenderDevice_Unbind() {
    Binding& b = Bound();
    GetRenderer()->ReleaseCaches();
    b.hasDevice = false;
    b.device = nullptr;
    std::memset(&b.caps, 0, sizeof(b.caps));
    std::memset(&b.backBuffer, 0, sizeof(b.backBuffer));
}

void RenderDevice_SetFont(D3DFont* font) { Bound().font = font; }
void RenderDevice_SetFrameStats(const char* text) { Bound().frameStats = text; }

IDirect3DDevice8* RenderDevice_GetDevice() {
    return Bound().hasDevice ? Bound().device : GetPCSystem()->GetDevice();
}

const D3DCAPS8* RenderDevice_GetCaps() {
    return Bound().hasDevice ? &Bound().caps : GetPCSystem()->GetDeviceCaps();
}

const D3DSURFACE_DESC* RenderDevice_GetBackBufferDesc() {
    return Bound().hasDevice ? &Bound().backBuffer : GetPCSystem()->GetBackBufferDesc();
}

D3DFont* RenderDevice_GetFont() { return Bound().font ? Bound().font : GetPCSystem()->GetFont(); }

const char* RenderDevice_GetFrameStats() {
    const char* text = Bound().frameStats ? Bound().frameStats : GetPCSystem()->GetFrameStats();
    return text ? text : "";
}
