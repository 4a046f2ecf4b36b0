#include "direct3d8.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include <epoxy/gl.h>

#include "device8.h"
#include "format_util.h"
#include "platform_bridge.h"
#include "quil_com.h"

namespace quil_d3d8 {

// The window platform starts SDL video, so that both agree on the display.
bool EnsureSdlVideo() { return quil_platform::StartVideo(); }

bool HeadlessVideo() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return true;
    return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

Direct3D8::Direct3D8() { EnsureSdlVideo(); }

HRESULT Direct3D8::QueryInterface(REFIID riid, void** ppv) {
    return quil_com::Answer(this, riid, ppv, IID_IDirect3D8);
}

ULONG Direct3D8::AddRef() { return ++refs_; }

ULONG Direct3D8::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

UINT Direct3D8::GetAdapterCount() {
    int n = SDL_GetNumVideoDisplays();
    return n > 0 ? static_cast<UINT>(n) : 1u;
}

bool Direct3D8::ValidAdapter(UINT adapter) { return adapter < GetAdapterCount(); }

// The OpenGL renderer's name, asked once of a short-lived hidden context.
static const std::string& RendererName() {
    static std::string name;
    static bool asked = false;
    if (asked) return name;
    asked = true;
    name = "OpenGL";
    if (SDL_GL_GetCurrentContext()) {
        const char* r = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        if (r) name = r;
        return name;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* w = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!w) return name;
    SDL_GLContext c = SDL_GL_CreateContext(w);
    if (c) {
        const char* r = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        if (r) name = r;
        SDL_GL_MakeCurrent(w, nullptr);
        SDL_GL_DeleteContext(c);
    }
    SDL_DestroyWindow(w);
    return name;
}

HRESULT Direct3D8::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER8* id) {
    if (!id || !ValidAdapter(adapter)) return D3DERR_INVALIDCALL;
    std::memset(id, 0, sizeof(*id));
    std::snprintf(id->Driver, sizeof(id->Driver), "%s", "quil_d3d8 (OpenGL 3.3)");
    std::snprintf(id->Description, sizeof(id->Description), "%s", RendererName().c_str());
    id->DriverVersion.QuadPart = 0x0008000100000000LL;
    return D3D_OK;
}

const std::vector<D3DDISPLAYMODE>& Direct3D8::Modes(UINT adapter) {
    if (modes_.size() <= adapter) modes_.resize(adapter + 1);
    std::vector<D3DDISPLAYMODE>& list = modes_[adapter];
    if (!list.empty()) return list;
    static const D3DFORMAT kFormats[2] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    int n = HeadlessVideo() ? 0 : SDL_GetNumDisplayModes(static_cast<int>(adapter));
    for (int i = 0; i < n; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(static_cast<int>(adapter), i, &m) != 0) continue;
        for (D3DFORMAT f : kFormats) {
            D3DDISPLAYMODE d = {static_cast<UINT>(m.w), static_cast<UINT>(m.h), static_cast<UINT>(m.refresh_rate), f};
            bool dup = std::any_of(list.begin(), list.end(), [&](const D3DDISPLAYMODE& e) {
                return e.Width == d.Width && e.Height == d.Height && e.RefreshRate == d.RefreshRate && e.Format == f;
            });
            if (!dup) list.push_back(d);
        }
    }
    if (list.empty()) {
        // No real display: a fixed list of common modes.
        static const UINT kSizes[6][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1280, 1024}, {1920, 1080}};
        for (D3DFORMAT f : kFormats)
            for (const auto& s : kSizes) list.push_back({s[0], s[1], 60, f});
    }
    return list;
}

UINT Direct3D8::GetAdapterModeCount(UINT adapter) {
    if (!ValidAdapter(adapter)) return 0;
    return static_cast<UINT>(Modes(adapter).size());
}

HRESULT Direct3D8::EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* out) {
    if (!out || !ValidAdapter(adapter)) return D3DERR_INVALIDCALL;
    const auto& list = Modes(adapter);
    if (mode >= list.size()) return D3DERR_INVALIDCALL;
    *out = list[mode];
    return D3D_OK;
}

HRESULT Direct3D8::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* out) {
    if (!out || !ValidAdapter(adapter)) return D3DERR_INVALIDCALL;
    SDL_DisplayMode m;
    if (!HeadlessVideo() && SDL_GetDesktopDisplayMode(static_cast<int>(adapter), &m) == 0) {
        out->Width = static_cast<UINT>(m.w);
        out->Height = static_cast<UINT>(m.h);
        out->RefreshRate = static_cast<UINT>(m.refresh_rate);
        out->Format = SDL_BITSPERPIXEL(m.format) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
    } else {
        *out = {1024, 768, 60, D3DFMT_X8R8G8B8};
    }
    return D3D_OK;
}

static bool ValidType(D3DDEVTYPE t) { return t == D3DDEVTYPE_HAL || t == D3DDEVTYPE_REF; }

HRESULT Direct3D8::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT display, D3DFORMAT backBuffer,
                                   BOOL windowed) {
    if (!ValidAdapter(adapter) || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (display != D3DFMT_X8R8G8B8 && display != D3DFMT_R5G6B5 && display != D3DFMT_X1R5G5B5)
        return D3DERR_NOTAVAILABLE;
    if (backBuffer == display || (windowed && backBuffer == D3DFMT_UNKNOWN)) return D3D_OK;
    if ((display == D3DFMT_X8R8G8B8 && backBuffer == D3DFMT_A8R8G8B8) ||
        (display == D3DFMT_X1R5G5B5 && backBuffer == D3DFMT_A1R5G5B5))
        return D3D_OK;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D8::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                     D3DRESOURCETYPE rType, D3DFORMAT check) {
    if (!ValidAdapter(adapter) || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (!IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_DEPTHSTENCIL)
        return (IsDepthFormat(check) && rType == D3DRTYPE_SURFACE) ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_RENDERTARGET)
        return (check == D3DFMT_X8R8G8B8 || check == D3DFMT_A8R8G8B8) ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (rType == D3DRTYPE_TEXTURE || rType == D3DRTYPE_SURFACE)
        return IsTextureFormat(check) ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (rType == D3DRTYPE_VERTEXBUFFER || rType == D3DRTYPE_INDEXBUFFER) return D3D_OK;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D8::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT, BOOL,
                                              D3DMULTISAMPLE_TYPE ms) {
    if (!ValidAdapter(adapter) || !ValidType(type)) return D3DERR_INVALIDCALL;
    return ms == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D8::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT,
                                          D3DFORMAT depth) {
    if (!ValidAdapter(adapter) || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (!IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
    return IsDepthFormat(depth) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

void FillCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* c) {
    std::memset(c, 0, sizeof(*c));
    c->DeviceType = type;
    c->AdapterOrdinal = adapter;
    c->Caps2 = D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES | D3DCAPS2_CANMANAGERESOURCE;
    c->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    c->CursorCaps = D3DCURSORCAPS_COLOR;
    c->DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                 D3DDEVCAPS_TEXTUREVIDEOMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP |
                 D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWTRANSFORMANDLIGHT |
                 D3DDEVCAPS_HWRASTERIZATION;
    c->PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                           D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_CLIPTLVERTS | D3DPMISCCAPS_BLENDOP;
    c->RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX |
                    D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_FOGRANGE | D3DPRASTERCAPS_ZFOG;
    c->ZCmpCaps = c->AlphaCmpCaps = 0xFF;
    c->SrcBlendCaps = c->DestBlendCaps = 0x1FFF;
    c->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                   D3DPSHADECAPS_ALPHAGOURAUDBLEND | D3DPSHADECAPS_FOGGOURAUD;
    c->TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP |
                     D3DPTEXTURECAPS_PROJECTED;
    c->TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                           D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    c->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                            D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV | D3DPTADDRESSCAPS_MIRRORONCE;
    c->LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP |
                  D3DLINECAPS_FOG;
    c->MaxTextureWidth = c->MaxTextureHeight = 4096;
    c->MaxTextureRepeat = 8192;
    c->MaxTextureAspectRatio = 4096;
    c->MaxAnisotropy = 1;
    c->MaxVertexW = 1e10f;
    c->GuardBandLeft = c->GuardBandTop = -8192.0f;
    c->GuardBandRight = c->GuardBandBottom = 8192.0f;
    c->StencilCaps = 0xFF;
    c->FVFCaps = 8 | D3DFVFCAPS_PSIZE;
    c->TextureOpCaps = 0xFFFF;
    c->MaxTextureBlendStages = 4;
    c->MaxSimultaneousTextures = 4;
    c->VertexProcessingCaps = D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                              D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
    c->MaxActiveLights = 8;
    c->MaxUserClipPlanes = 0;
    c->MaxVertexBlendMatrices = 1;
    c->MaxPointSize = 64.0f;
    c->MaxPrimitiveCount = 0xFFFFF;
    c->MaxVertexIndex = 0xFFFFFF;
    c->MaxStreams = 16;
    c->MaxStreamStride = 256;
    c->VertexShaderVersion = D3DVS_VERSION(1, 1);
    c->MaxVertexShaderConst = 96;
    c->PixelShaderVersion = 0;
    c->MaxPixelShaderValue = 1.0f;
}

HRESULT Direct3D8::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) {
    if (!caps || !ValidAdapter(adapter) || !ValidType(type)) return D3DERR_INVALIDCALL;
    FillCaps(adapter, type, caps);
    return D3D_OK;
}

HRESULT Direct3D8::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior,
                                D3DPRESENT_PARAMETERS* pp, IDirect3DDevice8** out) {
    if (out) *out = nullptr;
    if (!out || !pp || !ValidAdapter(adapter) || !ValidType(type)) return D3DERR_INVALIDCALL;
    HWND hwnd = pp->hDeviceWindow ? pp->hDeviceWindow : focus;
    SDL_Window* window = quil_platform::WindowSDL(hwnd);
    if (!window) return D3DERR_INVALIDCALL;
    Device8* device = nullptr;
    HRESULT hr = Device8::Create(this, adapter, type, hwnd, window, false, behavior, pp, &device);
    if (FAILED(hr)) return hr;
    *out = device;
    return D3D_OK;
}

HRESULT Direct3D8::CreateDeviceOnWindow(SDL_Window* window, bool ownsWindow, DWORD behavior,
                                        D3DPRESENT_PARAMETERS* pp, IDirect3DDevice8** out) {
    Device8* device = nullptr;
    HRESULT hr = Device8::Create(this, 0, D3DDEVTYPE_HAL, nullptr, window, ownsWindow, behavior, pp, &device);
    if (FAILED(hr)) {
        if (ownsWindow) SDL_DestroyWindow(window);
        return hr;
    }
    *out = device;
    return D3D_OK;
}

}  // namespace quil_d3d8

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    return new quil_d3d8::Direct3D8();
}
