// Window classes and windows: each top-level window is an SDL window whose upper
// strip holds the menu bar and whose lower part is the client area.
#include <algorithm>
#include <cstring>
#include "win32_internal.h"
#include "win32_dialog.h"
#include "platform_bridge.h"

namespace w32 {
namespace {
std::map<std::string, WindowClass>& Classes() { static std::map<std::string, WindowClass> m; return m; }
std::map<uintptr_t, std::unique_ptr<Window>>& Windows() { static std::map<uintptr_t, std::unique_ptr<Window>> m; return m; }
uintptr_t g_nextHandle = 0x10000;
HWND g_active = nullptr;
HWND g_focus = nullptr;
bool g_appActive = false;

std::string Lower(const char* s) {
    std::string r = s ? s : "";
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}
}  // namespace

Window::Window() = default;
Window::~Window() = default;

Window* Find(HWND hwnd) {
    auto& m = Windows();
    auto it = m.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it == m.end() || !it->second) return nullptr;
    return it->second.get();
}

Window* FindBySdlId(Uint32 id) {
    for (auto& kv : Windows())
        if (kv.second && kv.second->sdl && SDL_GetWindowID(kv.second->sdl) == id) return kv.second.get();
    return nullptr;
}

std::vector<HWND> AllWindows() {
    std::vector<HWND> v;
    for (auto& kv : Windows()) v.push_back(kv.second->hwnd);
    return v;
}

HWND ActiveWindow() { return g_active; }
bool AppActive() { return g_appActive; }

int StripHeight(const Window& w) {
    if (w.style & WS_CHILD) return 0;
    if (!w.menu || !FindMenu(w.menu)) return 0;
    return kMenuStrip;
}

RECT FrameInsets(DWORD style) {
    RECT r{0, 0, 0, 0};
    if (style & WS_CHILD) return r;
    int b = 0;
    if (style & (WS_THICKFRAME | WS_DLGFRAME | WS_BORDER)) b = kBorder;
    r.left = r.right = r.bottom = b;
    r.top = b + (((style & WS_CAPTION) == WS_CAPTION) ? kCaption : 0);
    return r;
}

RECT WindowRectOf(const Window& w) {
    if (w.style & WS_CHILD) {
        Window* p = Find(w.parent);
        RECT r{w.sdlX, w.sdlY, w.sdlX + w.clientW, w.sdlY + w.clientH};
        if (p) {
            int strip = StripHeight(*p);
            r.left += p->sdlX; r.right += p->sdlX;
            r.top += p->sdlY + strip; r.bottom += p->sdlY + strip;
        }
        return r;
    }
    RECT in = FrameInsets(w.style);
    return RECT{w.sdlX - in.left, w.sdlY - in.top, w.sdlX + w.clientW + in.right,
                w.sdlY + StripHeight(w) + w.clientH + in.bottom};
}

// Makes the SDL window match the client size plus the strip (not in full screen,
// where the device owns the window's size).
void ResizeClient(Window& w, int clientW, int clientH) {
    w.clientW = std::max(0, clientW);
    w.clientH = std::max(0, clientH);
    if (w.sdl && !(SDL_GetWindowFlags(w.sdl) & SDL_WINDOW_FULLSCREEN)) {
        int cw = 0, ch = 0;
        SDL_GetWindowSize(w.sdl, &cw, &ch);
        int want = std::max(1, w.clientH + StripHeight(w));
        if (cw != std::max(1, w.clientW) || ch != want) {
            SDL_SetWindowSize(w.sdl, std::max(1, w.clientW), want);
            // The size change comes back later as an event: it is not the user's.
            w.pendingSizes.push_back({std::max(1, w.clientW), want});
            if (w.pendingSizes.size() > 8) w.pendingSizes.erase(w.pendingSizes.begin());
        }
    }
}

static void SyncPosition(Window& w) {
    if (w.sdl && !(SDL_GetWindowFlags(w.sdl) & SDL_WINDOW_FULLSCREEN)) SDL_SetWindowPosition(w.sdl, w.sdlX, w.sdlY);
}

static void ApplyStyleToSdl(Window& w) {
    if (!w.sdl) return;
    // Resizable first: a window manager decides on the frame's sizing handle when
    // the border comes back, from the size limits it has then.
    SDL_SetWindowResizable(w.sdl, (w.style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowBordered(w.sdl, (w.style & WS_CAPTION) ? SDL_TRUE : SDL_FALSE);
}

// The program's activation changes: every top-level window hears of it, shown
// or not.
static void BroadcastActivateApp(BOOL active) {
    for (HWND h : AllWindows()) {
        Window* w = Find(h);
        if (w && !(w->style & WS_CHILD) && !w->destroying) Send(h, WM_ACTIVATEAPP, active, 0);
    }
}

// Makes a window active and focused, with the activation messages Win32 sends.
void Activate(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || g_active == hwnd) return;
    HWND old = g_active;
    if (!g_appActive) {
        g_appActive = true;
        BroadcastActivateApp(TRUE);
    }
    if (old && Find(old)) Send(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(hwnd));
    g_active = hwnd;
    Send(hwnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    HWND oldFocus = g_focus;
    g_focus = hwnd;
    if (oldFocus && oldFocus != hwnd && Find(oldFocus)) Send(oldFocus, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    Send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(oldFocus), 0);
}

// The program loses the foreground: held keys are released first.
void Deactivate(HWND hwnd) {
    if (!g_appActive && !g_active) return;
    FocusLost(g_focus ? g_focus : hwnd);
    HWND old = g_active;
    g_active = nullptr;
    g_focus = nullptr;
    if (old && Find(old)) {
        Send(old, WM_ACTIVATE, WA_INACTIVE, 0);
        Send(old, WM_KILLFOCUS, 0, 0);
    }
    if (g_appActive) {
        g_appActive = false;
        BroadcastActivateApp(FALSE);
    }
}

// On a real display a window shown or returned to gets the keyboard, also
// where no window manager hands it over.
void RaiseToFront(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || !w->sdl || Offscreen()) return;
    SDL_RaiseWindow(w->sdl);
    SDL_SetWindowInputFocus(w->sdl);
}

void SetMinimized(Window& w, bool minimized) {
    HWND h = w.hwnd;
    if (minimized == w.minimized) return;
    w.minimized = minimized;
    if (minimized) {
        if (g_active == h) Deactivate(h);
        if (Find(h)) Send(h, WM_SIZE, SIZE_MINIMIZED, 0);
    } else {
        Send(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w.clientW, w.clientH));
        Window* again = Find(h);
        if (again && again->visible) {
            Activate(h);
            again->invalid = true;
        }
    }
}

}  // namespace w32

using namespace w32;

ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) { SetLastError(ERROR_INVALID_PARAMETER); return 0; }
    std::string key = Lower(wc->lpszClassName);
    if (Classes().count(key)) { SetLastError(ERROR_CLASS_ALREADY_EXISTS); return 0; }
    WindowClass c;
    c.name = wc->lpszClassName;
    c.wc = *wc;
    c.wc.lpszClassName = nullptr;
    c.wc.lpszMenuName = nullptr;
    Classes()[key] = c;
    return static_cast<ATOM>(0xC000 + Classes().size());
}

static HICON ClassIcon(const std::string& cls) {
    auto it = Classes().find(Lower(cls.c_str()));
    return it == Classes().end() ? nullptr : it->second.wc.hIcon;
}

namespace w32 {
void SetSdlIconFromResource(SDL_Window* win, HICON icon);
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    std::string cls = className ? className : "";
    WNDPROC proc = nullptr;
    auto it = Classes().find(Lower(className));
    if (it != Classes().end()) proc = it->second.wc.lpfnWndProc;
    else if (!(style & WS_CHILD)) { SetLastError(ERROR_CANNOT_FIND_WND_CLASS); return nullptr; }

    auto owned = std::make_unique<Window>();
    Window* w = owned.get();
    HWND h = reinterpret_cast<HWND>(g_nextHandle);
    g_nextHandle += 4;
    w->hwnd = h;
    w->className = cls;
    w->proc = proc;
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    w->parent = parent;
    w->title = windowName ? windowName : "";
    if (style & WS_CHILD) w->id = static_cast<int>(reinterpret_cast<uintptr_t>(menu));
    else w->menu = menu;
    Windows()[reinterpret_cast<uintptr_t>(h)] = std::move(owned);

    RECT in = FrameInsets(style);
    if (width == CW_USEDEFAULT) { width = 640 + in.left + in.right; height = 480 + in.top + in.bottom; }
    if (x == CW_USEDEFAULT) { x = 64; y = 64; }
    int strip = StripHeight(*w);
    w->sdlX = x + in.left;
    w->sdlY = y + in.top;
    w->clientW = std::max(0, width - in.left - in.right);
    w->clientH = std::max(0, height - in.top - in.bottom - strip);

    MINMAXINFO mmi{};
    mmi.ptMaxTrackSize = {32767, 32767};
    if (proc) proc(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    if (!Find(h)) return nullptr;

    if (!(style & WS_CHILD) && EnsureVideo()) {
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
        if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
        if (!(style & WS_CAPTION)) flags |= SDL_WINDOW_BORDERLESS;
        w->sdl = SDL_CreateWindow(w->title.c_str(), w->sdlX, w->sdlY, std::max(1, w->clientW),
                                  std::max(1, w->clientH + strip), flags);
        if (!w->sdl) {
            // Without GL a window can still take part in the message traffic.
            w->sdl = SDL_CreateWindow(w->title.c_str(), w->sdlX, w->sdlY, std::max(1, w->clientW),
                                      std::max(1, w->clientH + strip), flags & ~SDL_WINDOW_OPENGL);
        }
        if (w->sdl) {
            if (mmi.ptMinTrackSize.x > 0 || mmi.ptMinTrackSize.y > 0) {
                int mw = std::max(1, static_cast<int>(mmi.ptMinTrackSize.x) - static_cast<int>(in.left + in.right));
                int mh = std::max(1, static_cast<int>(mmi.ptMinTrackSize.y) - static_cast<int>(in.top + in.bottom));
                SDL_SetWindowMinimumSize(w->sdl, mw, mh);
            }
            SetSdlIconFromResource(w->sdl, ClassIcon(cls));
        }
    }

    CREATESTRUCTA cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cx = width; cs.cy = height; cs.x = x; cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (w->proc) {
        if (!SendMessageA(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) { DestroyWindow(h); return nullptr; }
        if (SendMessageA(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) { DestroyWindow(h); return nullptr; }
        if (!Find(h)) return nullptr;
        w = Find(h);
        SendMessageA(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->clientW, w->clientH));
        if (Find(h)) SendMessageA(h, WM_MOVE, 0, MAKELPARAM(w->sdlX, w->sdlY + StripHeight(*w)));
    }
    if (!Find(h)) return nullptr;
    if (style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
    return Find(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;
    if (w->visible && !(w->style & WS_CHILD)) {
        Send(hwnd, WM_SHOWWINDOW, FALSE, 0);
        if (g_active == hwnd) {
            // The last window going away takes the program out of the foreground.
            Deactivate(hwnd);
        }
    }
    if (GetCapture() == hwnd) ReleaseCapture();
    Send(hwnd, WM_DESTROY, 0, 0);
    // Children go with their parent, after the parent's WM_DESTROY.
    for (HWND c : AllWindows()) {
        Window* cw = Find(c);
        if (cw && cw->parent == hwnd && c != hwnd) DestroyWindow(c);
    }
    Send(hwnd, WM_NCDESTROY, 0, 0);
    w = Find(hwnd);
    if (!w) return TRUE;
    if (w->menu && FindMenu(w->menu)) DestroyMenu(w->menu);
    w->menu = nullptr;
    if (w->dialog) DialogDestroyed(*w);
    ReleaseImGui(*w);
    if (w->ownsGl && w->gl) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(w->gl));
    if (w->sdl) {
        BeforeSdlDestroy(*w);
        SDL_DestroyWindow(w->sdl);
    }
    if (g_focus == hwnd) g_focus = nullptr;
    if (g_active == hwnd) g_active = nullptr;
    Windows().erase(reinterpret_cast<uintptr_t>(hwnd));
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Find(hwnd) ? TRUE : FALSE; }

BOOL ShowWindow(HWND hwnd, int cmd) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    BOOL wasVisible = w->visible ? TRUE : FALSE;
    switch (cmd) {
        case SW_HIDE:
            if (!w->visible) return wasVisible;
            Send(hwnd, WM_SHOWWINDOW, FALSE, 0);
            if (!(w = Find(hwnd))) return wasVisible;
            w->visible = false;
            if (w->sdl) SDL_HideWindow(w->sdl);
            if (g_active == hwnd) Deactivate(hwnd);
            return wasVisible;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED:
        case SW_SHOWMINNOACTIVE:
            if (!w->visible) {
                w->visible = true;
                if (w->sdl) SDL_ShowWindow(w->sdl);
            }
            if (w->sdl) SDL_MinimizeWindow(w->sdl);
            SetMinimized(*w, true);
            return wasVisible;
        default: break;
    }
    if (!w->visible) {
        Send(hwnd, WM_SHOWWINDOW, TRUE, 0);
        if (!(w = Find(hwnd))) return wasVisible;
        w->visible = true;
        if (w->sdl) SDL_ShowWindow(w->sdl);
        if (!(w->style & WS_CHILD)) {
            if (cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE) {
                Activate(hwnd);
                RaiseToFront(hwnd);
            }
            if (!(w = Find(hwnd))) return wasVisible;
            Send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->clientW, w->clientH));
            if (!(w = Find(hwnd))) return wasVisible;
        }
        w->invalid = true;
    } else if (w->minimized && (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL || cmd == SW_SHOW)) {
        if (w->sdl) SDL_RestoreWindow(w->sdl);
        SetMinimized(*w, false);
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (w->invalid && w->visible) { w->invalid = false; Send(hwnd, WM_PAINT, 0, 0); }
    return TRUE;
}

BOOL IsWindowVisible(HWND hwnd) { Window* w = Find(hwnd); return (w && w->visible) ? TRUE : FALSE; }
BOOL IsIconic(HWND hwnd) { Window* w = Find(hwnd); return (w && w->minimized) ? TRUE : FALSE; }

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    RECT in = FrameInsets(w->style);
    bool moved = false, sized = false;
    if (!(flags & SWP_NOMOVE)) {
        int nx = x + in.left, ny = y + in.top;
        moved = nx != w->sdlX || ny != w->sdlY;
        w->sdlX = nx; w->sdlY = ny;
        SyncPosition(*w);
    }
    if (!(flags & SWP_NOSIZE)) {
        int ncw = std::max(0, cx - static_cast<int>(in.left + in.right));
        int nch = std::max(0, cy - static_cast<int>(in.top + in.bottom) - StripHeight(*w));
        sized = ncw != w->clientW || nch != w->clientH;
        ResizeClient(*w, ncw, nch);
    }
    // Also without SWP_FRAMECHANGED: a style set while the window was full screen
    // could not reach its frame then (SDL keeps a full-screen window's border),
    // and placing it back on the desktop is the first chance.
    ApplyStyleToSdl(*w);
    if (sized && !w->minimized) Send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->clientW, w->clientH));
    if (!(w = Find(hwnd))) return TRUE;
    if (moved) Send(hwnd, WM_MOVE, 0, MAKELPARAM(w->sdlX, w->sdlY + StripHeight(*w)));
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    if ((w = Find(hwnd))) w->invalid = true;
    return TRUE;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    switch (index) {
        case GWL_STYLE: {
            DWORD s = w->style;
            if (w->visible) s |= WS_VISIBLE;
            if (w->minimized) s |= WS_MINIMIZE;
            if (!w->enabled) s |= WS_DISABLED;
            return static_cast<LONG>(s);
        }
        case GWL_EXSTYLE: return static_cast<LONG>(w->exStyle);
        case GWL_USERDATA: return w->userData;
        case GWL_ID: return w->id;
        case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
        default: return 0;
    }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    LONG_PTR old = GetWindowLongPtrA(hwnd, index);
    switch (index) {
        case GWL_STYLE: {
            // The frame changes but the client area stays where it is on screen,
            // as after SetWindowLong without SWP_FRAMECHANGED.
            DWORD s = static_cast<DWORD>(value);
            w->style = s & ~(WS_VISIBLE | WS_MINIMIZE | WS_DISABLED);
            ApplyStyleToSdl(*w);
            if ((s & WS_VISIBLE) && !w->visible) ShowWindow(hwnd, SW_SHOWNA);
            break;
        }
        case GWL_EXSTYLE: w->exStyle = static_cast<DWORD>(value); break;
        case GWL_USERDATA: w->userData = value; break;
        case GWL_ID: w->id = static_cast<int>(value); break;
        case GWL_WNDPROC: w->proc = reinterpret_cast<WNDPROC>(value); break;
        default: return 0;
    }
    return old;
}

LONG GetWindowLongA(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtrA(hwnd, index)); }
LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
    LONG_PTR v = value;
    if (index == GWL_STYLE || index == GWL_EXSTYLE) v = static_cast<LONG_PTR>(static_cast<DWORD>(value));
    return static_cast<LONG>(SetWindowLongPtrA(hwnd, index, v));
}

ULONG_PTR GetClassLongPtrA(HWND hwnd, int index) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    auto it = Classes().find(Lower(w->className.c_str()));
    if (it == Classes().end()) return 0;
    if (index == GCL_HCURSOR) return reinterpret_cast<ULONG_PTR>(it->second.wc.hCursor);
    if (index == GCL_HICON) return reinterpret_cast<ULONG_PTR>(it->second.wc.hIcon);
    return 0;
}
DWORD GetClassLongA(HWND hwnd, int index) {
    // Handles are table entries with small values, so they fit the 32-bit result.
    return static_cast<DWORD>(GetClassLongPtrA(hwnd, index));
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    Window* w = Find(hwnd);
    if (!w || !rect) return FALSE;
    *rect = WindowRectOf(*w);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    Window* w = Find(hwnd);
    if (!w || !rect) return FALSE;
    *rect = RECT{0, 0, w->clientW, w->clientH};
    return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD) {
    if (!rect) return FALSE;
    RECT in = FrameInsets(style);
    rect->left -= in.left;
    rect->top -= in.top + ((menu && !(style & WS_CHILD)) ? kMenuStrip : 0);
    rect->right += in.right;
    rect->bottom += in.bottom;
    return TRUE;
}
BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

static POINT ClientOrigin(const Window& w) {
    if (w.style & WS_CHILD) {
        RECT r = WindowRectOf(w);
        return POINT{r.left, r.top};
    }
    // A full-screen window covers its display; its desktop place is kept for later.
    if (w.sdl && (SDL_GetWindowFlags(w.sdl) & SDL_WINDOW_FULLSCREEN)) {
        POINT p{0, 0};
        SDL_GetWindowPosition(w.sdl, &p.x, &p.y);
        return p;
    }
    return POINT{w.sdlX, w.sdlY + StripHeight(w)};
}

BOOL ScreenToClient(HWND hwnd, LPPOINT p) {
    Window* w = Find(hwnd);
    if (!w || !p) return FALSE;
    POINT o = ClientOrigin(*w);
    p->x -= o.x; p->y -= o.y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT p) {
    Window* w = Find(hwnd);
    if (!w || !p) return FALSE;
    POINT o = ClientOrigin(*w);
    p->x += o.x; p->y += o.y;
    return TRUE;
}

int GetWindowTextA(HWND hwnd, LPSTR text, int maxCount) {
    Window* w = Find(hwnd);
    if (!w || !text || maxCount <= 0) return 0;
    int n = std::min(static_cast<int>(w->title.size()), maxCount - 1);
    std::memcpy(text, w->title.data(), static_cast<size_t>(n));
    text[n] = 0;
    return n;
}

HWND GetActiveWindow() { return g_active; }
HWND GetForegroundWindow() { return g_active; }
HWND GetFocus() { return g_focus; }
HWND SetFocus(HWND hwnd) {
    HWND old = g_focus;
    if (hwnd && !Find(hwnd)) return nullptr;
    g_focus = hwnd;
    return old;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    BOOL wasDisabled = w->enabled ? FALSE : TRUE;
    if (w->enabled != (enable != FALSE)) {
        w->enabled = enable != FALSE;
        Send(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    }
    return wasDisabled;
}
BOOL IsWindowEnabled(HWND hwnd) { Window* w = Find(hwnd); return (w && w->enabled) ? TRUE : FALSE; }

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL) {
    if (!hwnd) { for (HWND h : AllWindows()) Find(h)->invalid = true; return TRUE; }
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    w->invalid = true;
    return TRUE;
}

int GetSystemMetrics(int index) {
    switch (index) {
        case SM_CXSCREEN:
        case SM_CYSCREEN: {
            SDL_DisplayMode m{};
            if (EnsureVideo() && SDL_GetDesktopDisplayMode(0, &m) == 0) return index == SM_CXSCREEN ? m.w : m.h;
            return index == SM_CXSCREEN ? 1024 : 768;
        }
        case SM_CYCAPTION: return kCaption;
        case SM_CYMENU: return kMenuStrip;
        default: return 0;
    }
}

// ---------------------------------------------------------------- the seam to the graphics device
namespace quil_platform {

bool StartVideo() { return EnsureVideo(); }

SDL_Window* WindowSDL(HWND hwnd) { Window* w = Find(hwnd); return w ? w->sdl : nullptr; }

int WindowMenuStripHeight(HWND hwnd) { Window* w = Find(hwnd); return w ? StripHeight(*w) : 0; }

void WindowSetGLContext(HWND hwnd, void* glContext) {
    Window* w = Find(hwnd);
    if (!w) return;
    if (w->gl != glContext) ReleaseImGui(*w);  // its GL objects belonged to the old context
    w->gl = glContext;
}

bool WindowDrawNonClient(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || !w->sdl || !w->gl) return false;
    if (StripHeight(*w) == 0 && !MenuLoopActive()) return false;
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(w->sdl, &dw, &dh);
    return DrawNonClient(*w, dw, dh);
}

bool WindowGone(HWND hwnd) {
    Window* w = Find(hwnd);
    return w && KnownGone(*w);
}

bool WindowHoldForDrawing(HWND hwnd) {
    Window* w = Find(hwnd);
    return !w || HoldForDrawing(*w);
}

void WindowLetGo(HWND hwnd) {
    if (Window* w = Find(hwnd)) LetGoAfterDrawing(*w);
}

}  // namespace quil_platform
