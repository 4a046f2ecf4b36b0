#include "device8.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "direct3d8.h"
#include "format_util.h"
#include "platform_bridge.h"
#include "quil_com.h"

namespace quil_d3d8 {

void DeviceAddRef(Device8* device) { device->AddRef(); }
void DeviceRelease(Device8* device) { device->Release(); }
void DeviceResourceBorn(Device8* device, D3DPOOL pool) { device->ResourceBorn(pool); }
void DeviceResourceGone(Device8* device, D3DPOOL pool) { device->ResourceGone(pool); }
void DeviceMakeCurrent(Device8* device) { device->MakeCurrent(); }

static DWORD FloatBits(float f) {
    DWORD v;
    std::memcpy(&v, &f, 4);
    return v;
}

Device8::Device8(Direct3D8* d3d) : d3d_(d3d) {
    d3d_->AddRef();
    for (D3DMATRIX& m : state_.transforms) {
        std::memset(&m, 0, sizeof(m));
        m._11 = m._22 = m._33 = m._44 = 1.0f;
    }
}

HRESULT Device8::Create(Direct3D8* d3d, UINT adapter, D3DDEVTYPE type, HWND hwnd, SDL_Window* window,
                        bool ownsWindow, DWORD behavior, D3DPRESENT_PARAMETERS* pp, Device8** out) {
    *out = nullptr;
    if (!pp || !window) return D3DERR_INVALIDCALL;
    if (pp->BackBufferCount > 3 || pp->SwapEffect < D3DSWAPEFFECT_DISCARD || pp->SwapEffect > D3DSWAPEFFECT_COPY_VSYNC)
        return D3DERR_INVALIDCALL;
    if (pp->EnableAutoDepthStencil && !IsDepthFormat(pp->AutoDepthStencilFormat)) return D3DERR_INVALIDCALL;
    Device8* d = new Device8(d3d);
    HRESULT hr = d->Init(adapter, type, hwnd, window, ownsWindow, behavior, pp);
    if (FAILED(hr)) {
        d->Release();
        return hr;
    }
    *out = d;
    return D3D_OK;
}

HRESULT Device8::Init(UINT adapter, D3DDEVTYPE type, HWND hwnd, SDL_Window* window, bool ownsWindow, DWORD behavior,
                      D3DPRESENT_PARAMETERS* pp) {
    adapter_ = adapter;
    type_ = type;
    behavior_ = behavior;
    hwnd_ = hwnd;
    window_ = window;
    // The reference device is Mesa's software rasteriser, chosen before the context exists;
    // a later hardware device takes the request back.
    static bool softwareRequested = false;
    if (type == D3DDEVTYPE_REF) {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        softwareRequested = true;
    } else if (softwareRequested) {
        unsetenv("LIBGL_ALWAYS_SOFTWARE");
        softwareRequested = false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    gl_ = SDL_GL_CreateContext(window);
    if (!gl_) {
        std::fprintf(stderr, "d3d8: cannot create an OpenGL 3.3 context: %s\n", SDL_GetError());
        return D3DERR_NOTAVAILABLE;
    }
    SDL_GL_MakeCurrent(window, gl_);
    if (hwnd_) quil_platform::WindowSetGLContext(hwnd_, gl_);
    glGenVertexArrays(1, &vao_);
    glBindVertexArray(vao_);
    glGenSamplers(kStages, samplers_);
    if (!ApplyPresentParameters(pp)) return D3DERR_INVALIDCALL;
    pp_ = *pp;
    if (!CreateFramebuffer()) return D3DERR_OUTOFVIDEOMEMORY;
    SetDefaultStates();
    backBuffer_ = new Surface8(this, Surface8::Kind::BackBuffer, pp_.BackBufferWidth, pp_.BackBufferHeight,
                               pp_.BackBufferFormat);
    if (pp_.EnableAutoDepthStencil)
        depthSurface_ = new Surface8(this, Surface8::Kind::DepthStencil, pp_.BackBufferWidth, pp_.BackBufferHeight,
                                     pp_.AutoDepthStencilFormat);
    gl_state_.Invalidate();
    gl_state_.BindVertexArray(vao_);
    ownsWindow_ = ownsWindow;
    return D3D_OK;
}

// Fills in what the caller left to the device (sizes from the window, the format
// from the desktop) and switches the window to full screen when asked.
bool Device8::ApplyPresentParameters(D3DPRESENT_PARAMETERS* pp) {
    if (pp->Windowed) {
        if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0) {
            int w = 0, h = 0;
            SDL_GL_GetDrawableSize(window_, &w, &h);
            if (hwnd_) h -= quil_platform::WindowMenuStripHeight(hwnd_);
            if (pp->BackBufferWidth == 0) pp->BackBufferWidth = static_cast<UINT>(std::max(1, w));
            if (pp->BackBufferHeight == 0) pp->BackBufferHeight = static_cast<UINT>(std::max(1, h));
        }
        if (pp->BackBufferFormat == D3DFMT_UNKNOWN) pp->BackBufferFormat = D3DFMT_X8R8G8B8;
        if (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) SDL_SetWindowFullscreen(window_, 0);
    } else {
        if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0 || !IsDisplayFormat(pp->BackBufferFormat))
            return false;
        SDL_DisplayMode mode = {};
        mode.w = static_cast<int>(pp->BackBufferWidth);
        mode.h = static_cast<int>(pp->BackBufferHeight);
        mode.refresh_rate = static_cast<int>(pp->FullScreen_RefreshRateInHz);
        SDL_SetWindowDisplayMode(window_, &mode);
        if (!HeadlessVideo() && !(SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN)) {
            // The window is first laid over the display at the mode's size: with no
            // window manager to carry out the full-screen request it would keep its
            // desktop place and size while the picture is drawn for the display.
            const int display = std::max(0, SDL_GetWindowDisplayIndex(window_));
            SDL_DisplayMode used = mode;
            SDL_Rect bounds{0, 0, 0, 0};
            SDL_GetDisplayBounds(display, &bounds);
            if (!SDL_GetClosestDisplayMode(display, &mode, &used)) used = mode;
            SDL_SetWindowPosition(window_, bounds.x, bounds.y);
            SDL_SetWindowSize(window_, used.w, used.h);
            SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN);
        }
    }
    if (pp->BackBufferWidth > 8192 || pp->BackBufferHeight > 8192) return false;
    if (pp->BackBufferCount == 0) pp->BackBufferCount = 1;
    bool vsync = !pp->Windowed && pp->FullScreen_PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE &&
                 !HeadlessVideo();
    SDL_GL_SetSwapInterval(vsync ? 1 : 0);
    hasDepth_ = pp->EnableAutoDepthStencil != 0;
    return true;
}

bool Device8::CreateFramebuffer() {
    DestroyFramebuffer();
    GLsizei w = static_cast<GLsizei>(pp_.BackBufferWidth), h = static_cast<GLsizei>(pp_.BackBufferHeight);
    glGenTextures(1, &colorTex_);
    glBindTexture(GL_TEXTURE_2D, colorTex_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenRenderbuffers(1, &depthRb_);
    glBindRenderbuffer(GL_RENDERBUFFER, depthRb_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
    glGenFramebuffers(1, &fbo_);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorTex_, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthRb_);
    bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    // Start from black with the far depth, as a new Direct3D back buffer does.
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    gl_state_.Invalidate();
    return ok;
}

void Device8::DestroyFramebuffer() {
    if (fbo_) glDeleteFramebuffers(1, &fbo_);
    if (colorTex_) glDeleteTextures(1, &colorTex_);
    if (depthRb_) glDeleteRenderbuffers(1, &depthRb_);
    fbo_ = colorTex_ = depthRb_ = 0;
}

void Device8::SetDefaultStates() {
    DWORD* rs = state_.rs;
    std::memset(rs, 0, sizeof(state_.rs));
    rs[D3DRS_ZENABLE] = pp_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_SOFTWAREVERTEXPROCESSING] = (behavior_ & D3DCREATE_SOFTWARE_VERTEXPROCESSING) ? TRUE : FALSE;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs[D3DRS_PATCHSEGMENTS] = FloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    for (int s = 0; s < kStages; ++s) {
        DWORD* t = state_.tss[s];
        std::memset(t, 0, sizeof(state_.tss[s]));
        t[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(s);
        t[D3DTSS_ADDRESSU] = t[D3DTSS_ADDRESSV] = t[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        t[D3DTSS_MAGFILTER] = t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        t[D3DTSS_MAXANISOTROPY] = 1;
        t[D3DTSS_COLORARG0] = t[D3DTSS_ALPHAARG0] = t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
    state_.viewport = {0, 0, pp_.BackBufferWidth, pp_.BackBufferHeight, 0.0f, 1.0f};
    MarkAllDirty();
}

void Device8::MarkAllDirty() {
    for (uint64_t& s : serial_) ++s;
    keysDirty_ = pipelineDirty_ = inputDirty_ = lightsDirty_ = true;
    for (bool& v : samplerKeyValid_) v = false;
}

Device8::~Device8() {
    MakeCurrent();
    if (recording_) ReleaseStateRefs(recording_->values);
    for (auto& b : stateBlocks_) ReleaseStateRefs(b.second->values);
    ReleaseStateRefs(state_);
    if (backBuffer_) backBuffer_->ReleaseInternal();
    if (depthSurface_) depthSurface_->ReleaseInternal();
    if (cursor_) SDL_FreeCursor(cursor_);
    for (auto& s : shaders_)
        if (s.second->glShader) glDeleteShader(s.second->glShader);
    for (auto& p : programs_) glDeleteProgram(p.second.id);
    for (auto& v : ffpVs_) glDeleteShader(v.second);
    for (auto& f : fs_) glDeleteShader(f.second);
    if (streamBuffer_) glDeleteBuffers(1, &streamBuffer_);
    if (gl_) {
        glDeleteSamplers(kStages, samplers_);
        glDeleteVertexArrays(1, &vao_);
        DestroyFramebuffer();
        if (hwnd_) quil_platform::WindowSetGLContext(hwnd_, nullptr);
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(gl_);
    }
    if (ownsWindow_ && window_) SDL_DestroyWindow(window_);
    d3d_->Release();
}

void Device8::MakeCurrent() {
    if (gl_ && SDL_GL_GetCurrentContext() != gl_) {
        SDL_GL_MakeCurrent(window_, gl_);
        gl_state_.Invalidate();
        elementBufferValid_ = false;
        inputValid_ = false;
    }
}

HRESULT Device8::QueryInterface(REFIID riid, void** ppv) {
    return quil_com::Answer(this, riid, ppv, IID_IDirect3DDevice8);
}

ULONG Device8::AddRef() { return ++refs_; }

ULONG Device8::Release() {
    if (refs_ == 0) return 0;
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

void Device8::ResourceBorn(D3DPOOL pool) {
    if (pool == D3DPOOL_DEFAULT) ++liveDefault_;
}

void Device8::ResourceGone(D3DPOOL pool) {
    if (pool == D3DPOOL_DEFAULT) --liveDefault_;
}

// ---- device status, loss and reset ----

void Device8::MakeLost() {
    lost_ = true;
    lostReportPending_ = true;
}

HRESULT Device8::TestCooperativeLevel() {
    // A window destroyed by another program is never drawn again; its close is on the way.
    if (hwnd_ && quil_platform::WindowGone(hwnd_)) return D3DERR_DEVICELOST;
    // The window platform knows when its window is minimised; a bare SDL window tells SDL.
    bool minimised = hwnd_ ? IsIconic(hwnd_) != FALSE : (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0;
    bool minimisedFullScreen = !pp_.Windowed && minimised;
    if (minimisedFullScreen) {
        lost_ = true;
        return D3DERR_DEVICELOST;
    }
    if (lostReportPending_) {
        lostReportPending_ = false;
        return D3DERR_DEVICELOST;
    }
    return lost_ ? D3DERR_DEVICENOTRESET : D3D_OK;
}

UINT Device8::GetAvailableTextureMem() { return 256u << 20; }

HRESULT Device8::ResourceManagerDiscardBytes(DWORD) { return D3D_OK; }

HRESULT Device8::GetDirect3D(IDirect3D8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = d3d_;
    d3d_->AddRef();
    return D3D_OK;
}

HRESULT Device8::GetDeviceCaps(D3DCAPS8* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    FillCaps(adapter_, type_, caps);
    return D3D_OK;
}

HRESULT Device8::GetDisplayMode(D3DDISPLAYMODE* mode) {
    if (!mode) return D3DERR_INVALIDCALL;
    if (pp_.Windowed) return d3d_->GetAdapterDisplayMode(adapter_, mode);
    *mode = {pp_.BackBufferWidth, pp_.BackBufferHeight, pp_.FullScreen_RefreshRateInHz, pp_.BackBufferFormat};
    return D3D_OK;
}

HRESULT Device8::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p) {
    if (!p) return D3DERR_INVALIDCALL;
    p->AdapterOrdinal = adapter_;
    p->DeviceType = type_;
    p->hFocusWindow = hwnd_;
    p->BehaviorFlags = behavior_;
    return D3D_OK;
}

HRESULT Device8::Reset(D3DPRESENT_PARAMETERS* pp) {
    if (!pp) return D3DERR_INVALIDCALL;
    // As on the real platform, every default-pool resource must be gone first.
    if (liveDefault_ > 0) return D3DERR_INVALIDCALL;
    if (pp->EnableAutoDepthStencil && !IsDepthFormat(pp->AutoDepthStencilFormat)) return D3DERR_INVALIDCALL;
    MakeCurrent();
    D3DPRESENT_PARAMETERS next = *pp;
    if (!ApplyPresentParameters(&next)) return D3DERR_INVALIDCALL;
    *pp = next;
    pp_ = next;
    if (!CreateFramebuffer()) {
        lost_ = true;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    if (depthSurface_) depthSurface_->Resize(pp_.BackBufferWidth, pp_.BackBufferHeight);
    if (pp_.EnableAutoDepthStencil && !depthSurface_)
        depthSurface_ = new Surface8(this, Surface8::Kind::DepthStencil, pp_.BackBufferWidth, pp_.BackBufferHeight,
                                     pp_.AutoDepthStencilFormat);
    // Render and texture-stage states survive; the viewport covers the new back buffer.
    state_.viewport = {0, 0, pp_.BackBufferWidth, pp_.BackBufferHeight, 0.0f, 1.0f};
    lost_ = false;
    lostReportPending_ = false;
    inScene_ = false;
    MarkAllDirty();
    return D3D_OK;
}

HRESULT Device8::Present(const RECT*, const RECT*, HWND, const void*) {
    if (lost_ || TestCooperativeLevel() != D3D_OK) return D3DERR_DEVICELOST;
    // Nothing touches the window's framebuffer (making the context current included)
    // unless the window is known to be there until the swap.
    if (hwnd_ && !quil_platform::WindowHoldForDrawing(hwnd_)) return D3DERR_DEVICELOST;
    MakeCurrent();
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(window_, &dw, &dh);
    int strip = hwnd_ ? quil_platform::WindowMenuStripHeight(hwnd_) : 0;
    int clientH = std::max(0, dh - strip);
    GLint bw = static_cast<GLint>(pp_.BackBufferWidth), bh = static_cast<GLint>(pp_.BackBufferHeight);
    bool same = bw == dw && bh == clientH;
    // The window's GL drawable learns a new size only at a swap, so the first
    // picture after a resize (or on a new context) is laid out for the old size.
    // A running game draws again at once, but a window repainted only on demand
    // (behind a dialog, say) would keep it: then the picture goes out twice.
    const bool resized = dw != presentedW_ || dh != presentedH_;
    presentedW_ = dw;
    presentedH_ = dh;
    bool stateDisturbed = false;
    bool held = true;  // for the first pass
    for (int pass = (resized && !HeadlessVideo()) ? 2 : 1; pass > 0; --pass) {
        if (held) held = false;
        else if (hwnd_ && !quil_platform::WindowHoldForDrawing(hwnd_)) break;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        glViewport(0, 0, dw, dh);
        // The stored frame is top row first; the window's client area is the lower part.
        glBlitFramebuffer(0, 0, bw, bh, 0, clientH, dw, 0, GL_COLOR_BUFFER_BIT, same ? GL_NEAREST : GL_LINEAR);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        if (hwnd_ && quil_platform::WindowDrawNonClient(hwnd_)) stateDisturbed = true;
        if (hwnd_) quil_platform::WindowLetGo(hwnd_);
        SDL_GL_SwapWindow(window_);
    }
    MakeCurrent();
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    // The blit changed the viewport and the scissor test; when the menu strip was drawn
    // afresh, whatever drew it may have changed any state.
    gl_state_.ForgetViewportAndScissor();
    if (!stateDisturbed) return D3D_OK;
    glBindVertexArray(vao_);
    gl_state_.Invalidate();
    elementBufferValid_ = false;
    inputValid_ = false;
    enabledAttribs_ = 0xFFFFFFFFu;
    for (bool& v : samplerKeyValid_) v = false;
    return D3D_OK;
}

HRESULT Device8::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE, IDirect3DSurface8** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (index >= pp_.BackBufferCount) return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *surface = backBuffer_;
    return D3D_OK;
}

HRESULT Device8::GetDepthStencilSurface(IDirect3DSurface8** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (!depthSurface_ || !pp_.EnableAutoDepthStencil) return D3DERR_NOTFOUND;
    depthSurface_->AddRef();
    *surface = depthSurface_;
    return D3D_OK;
}

bool Device8::ReadBackBufferArgb(std::vector<DWORD>* pixels) {
    MakeCurrent();
    UINT w = pp_.BackBufferWidth, h = pp_.BackBufferHeight;
    pixels->assign(static_cast<size_t>(w) * h, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 pixels->data());
    if (pp_.BackBufferFormat != D3DFMT_A8R8G8B8)
        for (DWORD& p : *pixels) p |= 0xFF000000u;
    return true;
}

void Device8::WriteBackBufferArgb(const std::vector<DWORD>& pixels) {
    MakeCurrent();
    glBindTexture(GL_TEXTURE_2D, colorTex_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(pp_.BackBufferWidth),
                    static_cast<GLsizei>(pp_.BackBufferHeight), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    gl_state_.Invalidate();
}

bool Device8::ReadBackBuffer(int* width, int* height, std::vector<uint8_t>* rgba) {
    std::vector<DWORD> px;
    if (!ReadBackBufferArgb(&px)) return false;
    *width = static_cast<int>(pp_.BackBufferWidth);
    *height = static_cast<int>(pp_.BackBufferHeight);
    rgba->resize(px.size() * 4);
    for (size_t i = 0; i < px.size(); ++i) {
        (*rgba)[i * 4 + 0] = static_cast<uint8_t>(px[i] >> 16);
        (*rgba)[i * 4 + 1] = static_cast<uint8_t>(px[i] >> 8);
        (*rgba)[i * 4 + 2] = static_cast<uint8_t>(px[i]);
        (*rgba)[i * 4 + 3] = static_cast<uint8_t>(px[i] >> 24);
    }
    return true;
}

// ---- cursor ----

HRESULT Device8::SetCursorProperties(UINT x, UINT y, IDirect3DSurface8* bitmap) {
    if (!bitmap) return D3DERR_INVALIDCALL;
    Surface8* s = static_cast<Surface8*>(bitmap);
    if (s->format() != D3DFMT_A8R8G8B8 || !s->pixels()) return D3DERR_INVALIDCALL;
    if (x >= s->width() || y >= s->height()) return D3DERR_INVALIDCALL;
    SDL_Surface* img = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<BYTE*>(s->pixels()), static_cast<int>(s->width()),
                                                          static_cast<int>(s->height()), 32, static_cast<int>(s->pitch()),
                                                          SDL_PIXELFORMAT_ARGB8888);
    if (!img) return D3DERR_INVALIDCALL;
    SDL_Cursor* c = SDL_CreateColorCursor(img, static_cast<int>(x), static_cast<int>(y));
    SDL_FreeSurface(img);
    if (c) {
        if (cursorShown_) SDL_SetCursor(c);
        if (cursor_) SDL_FreeCursor(cursor_);
        cursor_ = c;
    }
    return D3D_OK;
}

SDL_Point CursorTarget(bool windowed, int x, int y, const SDL_Rect& window, UINT backBufferWidth,
                       UINT backBufferHeight) {
    if (windowed || backBufferWidth == 0 || backBufferHeight == 0) return SDL_Point{x, y};
    const long long w = window.w, h = window.h;
    return SDL_Point{window.x + static_cast<int>(x * w / static_cast<long long>(backBufferWidth)),
                     window.y + static_cast<int>(y * h / static_cast<long long>(backBufferHeight))};
}

bool CursorWarpNeeded(SDL_Point target, SDL_Point pointer, const SDL_Point* lastWarp) {
    if (target.x == pointer.x && target.y == pointer.y) return false;
    return !lastWarp || lastWarp->x != target.x || lastWarp->y != target.y;
}

// The cursor image is the pointer's own picture, so the pointer goes to the
// position; the mouse move a warp causes comes back here with the pointer
// already there and warps no more.
void Device8::SetCursorPosition(int x, int y, DWORD) {
    if (!window_ || HeadlessVideo()) return;
    SDL_Rect area{0, 0, 0, 0};
    SDL_GetWindowPosition(window_, &area.x, &area.y);
    SDL_GetWindowSize(window_, &area.w, &area.h);
    const SDL_Point to = CursorTarget(pp_.Windowed != FALSE, x, y, area, pp_.BackBufferWidth, pp_.BackBufferHeight);
    // The pointer as the window platform reads it, the reading the framework's
    // coordinates came from.
    POINT now{0, 0};
    GetCursorPos(&now);
    const SDL_Point pointer{static_cast<int>(now.x), static_cast<int>(now.y)};
    if (!CursorWarpNeeded(to, pointer, cursorWarped_ ? &lastCursorWarp_ : nullptr)) return;
    SDL_WarpMouseGlobal(to.x, to.y);
    lastCursorWarp_ = to;
    cursorWarped_ = true;
}

BOOL Device8::ShowCursor(BOOL show) {
    BOOL was = cursorShown_ ? TRUE : FALSE;
    cursorShown_ = show != FALSE;
    if (cursor_) SDL_SetCursor(cursorShown_ ? cursor_ : SDL_GetDefaultCursor());
    return was;
}

// ---- resources ----

HRESULT Device8::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                               IDirect3DTexture8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!ValidTextureSize(width, height) || !IsTextureFormat(format) || pool > D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
    MakeCurrent();
    *out = new Texture8(this, width, height, levels, usage, format, pool);
    gl_state_.Invalidate();
    return D3D_OK;
}

HRESULT Device8::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!ValidBufferLength(length) || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    MakeCurrent();
    *out = new VertexBuffer8(this, length, usage, fvf, pool);
    return D3D_OK;
}

HRESULT Device8::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                   IDirect3DIndexBuffer8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!ValidBufferLength(length) || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    MakeCurrent();
    *out = new IndexBuffer8(this, length, usage, format, pool);
    return D3D_OK;
}

HRESULT Device8::CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!ValidTextureSize(width, height) || !IsTextureFormat(format)) return D3DERR_INVALIDCALL;
    *out = new Surface8(this, Surface8::Kind::Image, width, height, format);
    return D3D_OK;
}

// ---- scene and clear ----

HRESULT Device8::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device8::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    if (!lost_) glFlush();
    return D3D_OK;
}

HRESULT Device8::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    if (count > 0 && !rects) return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !hasDepth_) return D3DERR_INVALIDCALL;
    if (lost_) return D3D_OK;
    MakeCurrent();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        mask |= GL_COLOR_BUFFER_BIT;
        gl_state_.SetColorMask(0xF);
        glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f, (color & 0xFF) / 255.0f,
                     ((color >> 24) & 0xFF) / 255.0f);
    }
    if (flags & D3DCLEAR_ZBUFFER) {
        mask |= GL_DEPTH_BUFFER_BIT;
        gl_state_.SetDepthMask(true);
        glClearDepth(std::min(1.0f, std::max(0.0f, z)));
    }
    if (flags & D3DCLEAR_STENCIL) {
        mask |= GL_STENCIL_BUFFER_BIT;
        gl_state_.SetStencilWriteMask(0xFFFFFFFFu);
        glClearStencil(static_cast<GLint>(stencil));
    }
    if (!mask) return D3D_OK;
    // Clears stay inside the viewport (and the rectangles, when given).
    const D3DVIEWPORT8& vp = state_.viewport;
    LONG vx1 = static_cast<LONG>(vp.X), vy1 = static_cast<LONG>(vp.Y);
    LONG vx2 = vx1 + static_cast<LONG>(vp.Width), vy2 = vy1 + static_cast<LONG>(vp.Height);
    auto clearBox = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
        x1 = std::max(x1, vx1);
        y1 = std::max(y1, vy1);
        x2 = std::min(x2, vx2);
        y2 = std::min(y2, vy2);
        if (x2 <= x1 || y2 <= y1) return;
        GLint box[4] = {x1, y1, x2 - x1, y2 - y1};  // stored top row first, so y counts rows
        gl_state_.SetScissor(true, box);
        glClear(mask);
    };
    if (count == 0) {
        clearBox(vx1, vy1, vx2, vy2);
    } else {
        for (DWORD i = 0; i < count; ++i) clearBox(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    }
    gl_state_.SetScissor(false, nullptr);
    pipelineDirty_ = true;
    return D3D_OK;
}

HRESULT Device8::ValidateDevice(DWORD* passes) {
    if (passes) *passes = 1;
    return D3D_OK;
}

}  // namespace quil_d3d8
