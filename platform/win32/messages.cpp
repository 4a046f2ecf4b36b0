// The program's message queue: posted and sent messages, the translation of SDL
// events into Win32 input messages, and the default window procedure.
#include <algorithm>
#include <bitset>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "win32_internal.h"
#include "win32_dialog.h"
#include "mmsystem.h"
#include "quil_gl_driver.h"

namespace w32 {
namespace {
std::deque<MSG> g_queue;
bool g_quitPosted = false;
int g_quitCode = 0;
bool g_keyDown[256] = {};
int g_videoState = 0;  // 0 untried, 1 ready, -1 unavailable
POINT g_cursor{0, 0};
bool g_cursorRead = false;  // g_cursor read from the display since the last event pump
RECT g_clip{0, 0, 0, 0};
bool g_clipOn = false;
UINT g_buttons = 0;  // MK_ flags of held mouse buttons

bool Matches(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
    if (hwnd && m.hwnd != hwnd) return false;
    if (lo == 0 && hi == 0) return true;
    return m.message >= lo && m.message <= hi;
}

bool RealDisplay() { return VideoReady() && !Offscreen(); }

POINT ClampToClip(POINT p) {
    if (g_clipOn) {
        p.x = std::clamp(p.x, g_clip.left, std::max(g_clip.left, g_clip.right - 1));
        p.y = std::clamp(p.y, g_clip.top, std::max(g_clip.top, g_clip.bottom - 1));
    }
    return p;
}

WPARAM MouseKeys() {
    WPARAM k = g_buttons;
    if (g_keyDown[VK_SHIFT]) k |= MK_SHIFT;
    if (g_keyDown[VK_CONTROL]) k |= MK_CONTROL;
    return k;
}
}  // namespace

// Without a driver chosen by the caller (SDL_VIDEODRIVER) SDL falls back to its
// offscreen driver when no display answers, and the program would run on unseen:
// it stops instead, naming the display it could not open, as X programs do.
[[noreturn]] static void NoDisplay() {
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (x && *x) std::fprintf(stderr, "%s: cannot open display \"%s\"\n", program_invocation_short_name, x);
    else if (wayland && *wayland)
        std::fprintf(stderr, "%s: cannot open Wayland display \"%s\"\n", program_invocation_short_name, wayland);
    else std::fprintf(stderr, "%s: no display (DISPLAY is not set)\n", program_invocation_short_name);
    std::fprintf(stderr, "%s: set SDL_VIDEODRIVER=offscreen to run without one\n", program_invocation_short_name);
    std::exit(1);
}

bool EnsureVideo() {
    if (g_videoState == 0) {
        // Set also when the graphics device started SDL first: SDL reads these
        // when it needs them. A full-screen window that loses the keyboard (to a
        // message box, say) stays full screen instead of being minimised for good.
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        if (SDL_WasInit(SDL_INIT_VIDEO)) {
            g_videoState = 1;
        } else {
            quil_platform::PrepareGLDriver();
            // Interrupt and terminate signals keep their usual effect on the program.
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            const char* chosen = SDL_GetHint(SDL_HINT_VIDEODRIVER);
            g_videoState = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0 ? 1 : -1;
            if (!chosen || !*chosen) {
                const char* d = g_videoState == 1 ? SDL_GetCurrentVideoDriver() : nullptr;
                if (!d || std::strcmp(d, "offscreen") == 0 || std::strcmp(d, "dummy") == 0) NoDisplay();
            }
            if (g_videoState == 1) WatchDisplay();
        }
        // The GL library stays loaded for the whole run, as the system's does;
        // otherwise SDL unloads the driver with the last GL window and loads it
        // again with the next one. (No GL, as on the dummy driver, is no error.)
        if (g_videoState == 1) SDL_GL_LoadLibrary(nullptr);
        // Whoever started SDL first may have let it catch these signals and turn
        // them into an event that no window hears: they end the program, as usual.
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
    }
    return g_videoState == 1;
}

bool VideoReady() { return g_videoState == 1 && SDL_WasInit(SDL_INIT_VIDEO); }

// True when nobody can see or operate the windows: SDL's offscreen or dummy
// driver, or no display at all.
bool Offscreen() {
    const char* d = VideoReady() ? SDL_GetCurrentVideoDriver() : std::getenv("SDL_VIDEODRIVER");
    if (!d) return !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
    return std::strcmp(d, "offscreen") == 0 || std::strcmp(d, "dummy") == 0;
}

DWORD MessageTime() { return timeGetTime(); }

// On a real display the pointer is read from the server once per look at the
// events, so that every reader between two looks (the frame, a mouse message and
// the device cursor behind it) sees the same place.
POINT CursorScreen() {
    if (RealDisplay() && !g_cursorRead) {
        g_cursorRead = true;
        if (!QueryPointer(&g_cursor)) {
            int x = 0, y = 0;
            SDL_GetGlobalMouseState(&x, &y);
            g_cursor = POINT{x, y};
        }
    }
    return HeldCursorRead(g_cursor);
}

POINT SetCursorScreen(int x, int y) { return g_cursor = ClampToClip(POINT{x, y}); }

bool KeyIsDown(int vk) { return vk >= 0 && vk < 256 && g_keyDown[vk]; }

void Post(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    MSG m{};
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = MessageTime();
    m.pt = g_cursor;
    g_queue.push_back(m);
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* w = Find(hwnd);
    if (!w || !w->proc) return 0;
    return w->proc(hwnd, msg, wp, lp);
}

// Posts a key message with Win32's packing: repeat count 1, scan code, the Alt
// context bit, the previous key state (bit 30) and the transition bit.
bool g_altAlone = false;  // Alt went down and nothing else since: its release opens the menu

void DeliverKey(HWND hwnd, int vk, bool down, bool repeat, int scancode) {
    if (vk <= 0 || vk > 255) return;
    if (down && vk == VK_MENU && !g_keyDown[VK_MENU]) g_altAlone = true;
    else if (down && vk != VK_MENU) g_altAlone = false;
    bool prev = g_keyDown[vk] || (down && repeat);
    g_keyDown[vk] = down;
    bool alt = g_keyDown[VK_MENU] || (vk == VK_MENU && down);
    bool ctrl = g_keyDown[VK_CONTROL];
    bool sys = vk == VK_MENU || vk == VK_F10 || (alt && !ctrl);
    if (vk == VK_MENU && !down) sys = true;
    DWORD lp = 1u | (static_cast<DWORD>(scancode & 0xFF) << 16);
    if (vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_DELETE || vk == VK_INSERT ||
        vk == VK_HOME || vk == VK_END || vk == VK_PRIOR || vk == VK_NEXT)
        lp |= 1u << 24;
    if (alt && !ctrl) lp |= 1u << 29;
    if (!down || prev) lp |= 1u << 30;
    if (!down) lp |= 1u << 31;
    UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    Post(hwnd, msg, static_cast<WPARAM>(vk), static_cast<LPARAM>(lp));
}

// Keys held when the window loses the keyboard are released.
void FocusLost(HWND hwnd) {
    g_altAlone = false;  // an Alt released by losing the focus opens no menu
    for (int vk = 1; vk < 256; ++vk) {
        if (!g_keyDown[vk]) continue;
        g_keyDown[vk] = false;
        DWORD lp = 1u | (static_cast<DWORD>(KeyLparamScan(vk)) << 16) | (1u << 30) | (1u << 31);
        // Posted, so that it comes after any key-down still waiting in the queue.
        if (hwnd && Find(hwnd)) Post(hwnd, vk == VK_MENU ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(vk),
                                    static_cast<LPARAM>(lp));
    }
    g_buttons = 0;
}

static HWND MouseTarget(HWND hwnd, int* x, int* y) {
    HWND cap = GetCapture();
    if (cap && cap != hwnd && Find(cap) && Find(hwnd)) {
        POINT p{*x, *y};
        ClientToScreen(hwnd, &p);
        ScreenToClient(cap, &p);
        *x = p.x; *y = p.y;
        return cap;
    }
    return hwnd;
}

static void SetCursorFor(HWND target, UINT mouseMsg) {
    if (GetCapture()) return;
    LRESULT hit = Send(target, WM_NCHITTEST, 0, MAKELPARAM(g_cursor.x, g_cursor.y));
    if (Find(target)) Send(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(hit, mouseMsg));
}

void DeliverMouseMove(HWND hwnd, int x, int y) {
    Window* w = Find(hwnd);
    if (!w || !w->enabled) return;
    HWND t = MouseTarget(hwnd, &x, &y);
    SetCursorFor(t, WM_MOUSEMOVE);
    Post(t, WM_MOUSEMOVE, MouseKeys(), MAKELPARAM(x, y));
}

void DeliverMouseButton(HWND hwnd, int button, bool down, int x, int y) {
    Window* w = Find(hwnd);
    if (!w || !w->enabled) return;
    static const UINT kDown[3] = {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
    static const UINT kUp[3] = {WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP};
    static const UINT kFlag[3] = {MK_LBUTTON, MK_MBUTTON, MK_RBUTTON};
    if (button < 0 || button > 2) return;
    if (down) g_buttons |= kFlag[button];
    else g_buttons &= ~kFlag[button];
    HWND t = MouseTarget(hwnd, &x, &y);
    if (down) SetCursorFor(t, kDown[button]);
    Post(t, down ? kDown[button] : kUp[button], MouseKeys(), MAKELPARAM(x, y));
}

// A change of the SDL window's size that the program did not ask for is the user
// dragging the frame: bracketed by WM_ENTERSIZEMOVE and WM_EXITSIZEMOVE.
static void UserResized(Window& w, int totalW, int totalH) {
    HWND h = w.hwnd;
    for (auto it = w.pendingSizes.begin(); it != w.pendingSizes.end(); ++it) {
        if (it->first == totalW && it->second == totalH) {
            w.pendingSizes.erase(w.pendingSizes.begin(), it + 1);
            return;
        }
    }
    int strip = StripHeight(w);
    int cw = totalW, ch = std::max(0, totalH - strip);
    if (cw == w.clientW && ch == w.clientH) return;
    bool full = w.sdl && (SDL_GetWindowFlags(w.sdl) & SDL_WINDOW_FULLSCREEN);
    if (full) {
        w.clientW = cw; w.clientH = ch;
        Send(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cw, ch));
        return;
    }
    Send(h, WM_ENTERSIZEMOVE, 0, 0);
    Window* p = Find(h);
    if (!p) return;
    MINMAXINFO mmi{};
    mmi.ptMaxTrackSize = {32767, 32767};
    Send(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    if (!(p = Find(h))) return;
    RECT in = FrameInsets(p->style);
    int minW = static_cast<int>(mmi.ptMinTrackSize.x) - static_cast<int>(in.left + in.right);
    int minH = static_cast<int>(mmi.ptMinTrackSize.y) - static_cast<int>(in.top + in.bottom) - strip;
    cw = std::max(cw, minW);
    ch = std::max(ch, minH);
    ResizeClient(*p, cw, ch);
    Send(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(p->clientW, p->clientH));
    if ((p = Find(h))) p->invalid = true;
    Send(h, WM_EXITSIZEMOVE, 0, 0);
}

void UserResize(HWND hwnd, int clientW, int clientH) {
    PumpEvents();  // earlier size changes are settled first
    Window* w = Find(hwnd);
    if (!w) return;
    UserResized(*w, clientW, clientH + StripHeight(*w));
}

static void HandleWindowEvent(const SDL_WindowEvent& e) {
    Window* w = FindBySdlId(e.windowID);
    if (!w) return;
    HWND h = w->hwnd;
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE:
            if (w->enabled) Post(h, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (w->enabled) {
                Activate(h);
            } else if (HWND dlg = ActiveDialog()) {
                // A window disabled behind a modal dialog hands the focus to it.
                Activate(dlg);
                RaiseToFront(dlg);
            }
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST: {
            SDL_Window* now = SDL_GetKeyboardFocus();
            if (!now || !FindBySdlId(SDL_GetWindowID(now))) Deactivate(h);
            break;
        }
        case SDL_WINDOWEVENT_MINIMIZED: SetMinimized(*w, true); break;
        case SDL_WINDOWEVENT_RESTORED: SetMinimized(*w, false); break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // What was drawn before the change is gone (or cut), whoever asked for it.
            w->invalid = true;
            UserResized(*w, e.data1, e.data2);
            break;
        case SDL_WINDOWEVENT_MOVED:
            if (!(SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_FULLSCREEN) && (e.data1 != w->sdlX || e.data2 != w->sdlY)) {
                w->sdlX = e.data1; w->sdlY = e.data2;
                Send(h, WM_MOVE, 0, MAKELPARAM(w->sdlX, w->sdlY + StripHeight(*w)));
            }
            break;
        case SDL_WINDOWEVENT_EXPOSED: w->invalid = true; break;
        default: break;
    }
}

// Routes a key to the open menu, to the focused window, or drops it when the
// window is disabled behind a modal dialog.
void RouteKey(HWND target, int vk, bool down, bool repeat, int scancode) {
    if (vk <= 0 || vk > 255) return;
    if (MenuLoopActive()) { MenuKey(vk, down); return; }
    HWND dlg = ActiveDialog();
    if (dlg) target = dlg;
    Window* w = Find(target);
    if (!w || !w->enabled) return;
    DeliverKey(target, vk, down, repeat, scancode);
}

// A key or mouse button pressed and released before the program ran out of
// messages once (a tap quicker than a frame, which is drawn when the queue is
// empty) has its release held back until then, so that the frame sees it down.
// Only on a real display: there a person taps; menus and dialogs read every
// message and need no help.
namespace {
struct HeldRelease { HWND hwnd; int key; int button; int x, y; };
std::vector<HeldRelease> g_heldReleases;
std::bitset<259> g_pressedSinceIdle;  // virtual keys, then the three buttons at 256
bool g_idleSinceHeld = false;

void DeliverHeldReleases() {
    std::vector<HeldRelease> held;
    held.swap(g_heldReleases);
    g_idleSinceHeld = false;
    for (const HeldRelease& r : held) {
        if (r.key) RouteKey(r.hwnd, r.key, false, false, KeyLparamScan(r.key));
        else DeliverMouseButton(r.hwnd, r.button, false, r.x, r.y);
    }
}

// True when the release is held back; a press delivers what is held first, so
// that the order of presses and releases stays as it was.
bool HoldRelease(HWND hwnd, int key, int button, bool down, int x, int y) {
    if (!RealDisplay() || MenuLoopActive() || ActiveDialog()) return false;
    const size_t slot = key ? static_cast<size_t>(key) : static_cast<size_t>(256 + button);
    if (down) {
        for (const HeldRelease& r : g_heldReleases)
            if (r.key == key && (key || r.button == button)) { DeliverHeldReleases(); break; }
        g_pressedSinceIdle.set(slot);
        return false;
    }
    if (!g_pressedSinceIdle.test(slot) && g_heldReleases.empty()) return false;
    g_heldReleases.push_back({hwnd, key, button, x, y});
    return true;
}
}  // namespace

static void HandleEvent(const SDL_Event& e) {
    if (e.type == SDL_SYSWMEVENT) { NoteSystemEvent(e.syswm.msg); return; }
    if (MenuLoopActive() && MenuHandleEvent(e)) return;
    switch (e.type) {
        case SDL_WINDOWEVENT: HandleWindowEvent(e.window); break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            int vk = VirtualKeyFromSdl(e.key.keysym.sym);
            if (!vk) break;
            Window* w = FindBySdlId(e.key.windowID);
            HWND target = w ? w->hwnd : (GetFocus() ? GetFocus() : ActiveWindow());
            if (w && w->dialog && DialogHandleEvent(*w, e)) break;
            bool down = e.type == SDL_KEYDOWN;
            if (!e.key.repeat && HoldRelease(target, vk, 0, down, 0, 0)) break;
            RouteKey(target, vk, down, e.key.repeat != 0, KeyLparamScan(vk));
            break;
        }
        case SDL_MOUSEMOTION: {
            Window* w = FindBySdlId(e.motion.windowID);
            if (!w) break;
            SetCursorScreen(w->sdlX + e.motion.x, w->sdlY + e.motion.y);
            if (w->dialog) { DialogHandleEvent(*w, e); break; }
            int strip = StripHeight(*w);
            if (e.motion.y < strip && !GetCapture()) break;  // over the menu bar: not the client area
            DeliverMouseMove(w->hwnd, e.motion.x, e.motion.y - strip);
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            Window* w = FindBySdlId(e.button.windowID);
            if (!w) break;
            SetCursorScreen(w->sdlX + e.button.x, w->sdlY + e.button.y);
            if (w->dialog) { DialogHandleEvent(*w, e); break; }
            int b = e.button.button == SDL_BUTTON_LEFT ? 0 : e.button.button == SDL_BUTTON_MIDDLE ? 1
                  : e.button.button == SDL_BUTTON_RIGHT ? 2 : -1;
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            int strip = StripHeight(*w);
            // The menu bar answers its own window's clicks even while that window
            // holds the mouse captured (a game that keeps the pointer for itself).
            bool bar = e.button.y < strip && (!GetCapture() || GetCapture() == w->hwnd);
            if (b == 0 && down && bar) {
                if (w->enabled) Post(w->hwnd, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(g_cursor.x, g_cursor.y));
                break;
            }
            if (bar && !(g_buttons & (b == 0 ? MK_LBUTTON : b == 1 ? MK_MBUTTON : MK_RBUTTON))) break;
            if (b >= 0 && HoldRelease(w->hwnd, 0, b, down, e.button.x, e.button.y - strip)) break;
            DeliverMouseButton(w->hwnd, b, down, e.button.x, e.button.y - strip);
            break;
        }
        default: break;
    }
}

void PumpEvents() {
    if (!VideoReady()) return;
    UpdatePointerGrab();
    g_cursorRead = false;
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(e);
    CloseDestroyedWindows();
}

BOOL GetClip(LPRECT r) { if (!r) return FALSE; *r = g_clipOn ? g_clip : RECT{0, 0, 65535, 65535}; return TRUE; }
void SetClip(const RECT* r) {
    g_clipOn = r != nullptr;
    if (r) g_clip = *r;
    g_cursor = ClampToClip(g_cursor);
    if (!RealDisplay()) return;
    // On a real display the clip holds the pointer inside the active window.
    Window* w = Find(ActiveWindow());
    if (!w || !w->sdl) return;
    if (!r) { SDL_SetWindowMouseRect(w->sdl, nullptr); return; }
    SDL_Rect sr{r->left - w->sdlX, r->top - w->sdlY, r->right - r->left, r->bottom - r->top};
    SDL_SetWindowMouseRect(w->sdl, &sr);
}

}  // namespace w32

using namespace w32;

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi, UINT flags) {
    RunPumpHook();
    if (g_idleSinceHeld) DeliverHeldReleases();
    PumpEvents();
    for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
        if (!Matches(*it, hwnd, lo, hi)) continue;
        if (msg) *msg = *it;
        if (flags & PM_REMOVE) g_queue.erase(it);
        return TRUE;
    }
    if (g_quitPosted && (lo == 0 && hi == 0 ? true : (WM_QUIT >= lo && WM_QUIT <= hi))) {
        if (msg) {
            *msg = MSG{};
            msg->message = WM_QUIT;
            msg->wParam = static_cast<WPARAM>(g_quitCode);
            msg->time = MessageTime();
        }
        if (flags & PM_REMOVE) g_quitPosted = false;
        return TRUE;
    }
    if (lo == 0 && hi == 0 ? true : (WM_PAINT >= lo && WM_PAINT <= hi)) {
        for (HWND h : AllWindows()) {
            Window* w = Find(h);
            if (!w || !w->invalid || !w->visible || w->minimized || (hwnd && h != hwnd)) continue;
            if (msg) {
                *msg = MSG{};
                msg->hwnd = h;
                msg->message = WM_PAINT;
                msg->time = MessageTime();
            }
            return TRUE;
        }
    }
    // Nothing waits for the whole program: the frame runs now.
    if (!hwnd && lo == 0 && hi == 0) {
        g_pressedSinceIdle.reset();
        if (!g_heldReleases.empty()) g_idleSinceHeld = true;
    }
    return FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi) {
    MSG local{};
    if (!msg) msg = &local;
    for (;;) {
        if (PeekMessageA(msg, hwnd, lo, hi, PM_REMOVE)) return msg->message == WM_QUIT ? FALSE : TRUE;
        if (VideoReady()) SDL_WaitEventTimeout(nullptr, 10);
        else SDL_Delay(1);
    }
}

BOOL WaitMessage() {
    while (!PeekMessageA(nullptr, nullptr, 0, 0, PM_NOREMOVE)) {
        if (VideoReady()) SDL_WaitEventTimeout(nullptr, 10);
        else SDL_Delay(1);
    }
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return FALSE;
    // Printable keys also arrive as characters.
    int vk = static_cast<int>(msg->wParam);
    int ch = 0;
    if (vk >= 'A' && vk <= 'Z') ch = KeyIsDown(VK_SHIFT) ? vk : vk - 'A' + 'a';
    else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK) ch = vk;
    if (!ch) return FALSE;
    Post(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, static_cast<WPARAM>(ch), msg->lParam);
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    Window* w = Find(msg->hwnd);
    if (!w) return 0;
    if (msg->message == WM_PAINT) w->invalid = false;  // a handler that does not validate is not called again and again
    return Send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return Send(hwnd, message, wParam, lParam); }

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !Find(hwnd)) { SetLastError(ERROR_INVALID_WINDOW_HANDLE); return FALSE; }
    Post(hwnd, message, wParam, lParam);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    g_quitPosted = true;
    g_quitCode = exitCode;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

SHORT GetKeyState(int vk) { return KeyIsDown(vk) ? static_cast<SHORT>(0x8000) : 0; }
SHORT GetAsyncKeyState(int vk) { return GetKeyState(vk); }

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    switch (message) {
        case WM_NCCREATE: return TRUE;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_PAINT: w->invalid = false; return 0;
        case WM_ERASEBKGND: return 1;
        case WM_NCHITTEST: {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (w->style & WS_CHILD) return HTCLIENT;
            int strip = StripHeight(*w);
            if (p.x >= w->sdlX && p.x < w->sdlX + w->clientW && p.y >= w->sdlY && p.y < w->sdlY + strip) return HTMENU;
            return HTCLIENT;
        }
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                ULONG_PTR c = GetClassLongPtrA(hwnd, GCL_HCURSOR);
                if (c) SetCursor(reinterpret_cast<HCURSOR>(c));
            } else {
                SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            }
            return FALSE;
        case WM_RBUTTONUP: {
            // The right button's release asks for the context menu.
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(hwnd, &p);
            Send(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(p.x, p.y));
            return 0;
        }
        case WM_NCLBUTTONDOWN:
            if (wParam == HTMENU) Send(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU, lParam);
            return 0;
        case WM_SYSKEYDOWN:
            if (wParam == VK_F4 && (lParam & (1 << 29))) Send(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
        case WM_SYSKEYUP:
            // Alt pressed and released on its own (or F10) opens the menu bar.
            if ((wParam == VK_MENU && g_altAlone) || wParam == VK_F10) {
                g_altAlone = false;
                Send(hwnd, WM_SYSCOMMAND, SC_KEYMENU, 0);
            }
            return 0;
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_CLOSE: Send(hwnd, WM_CLOSE, 0, 0); return 0;
                case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); return 0;
                case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); return 0;
                case SC_MOUSEMENU: {
                    int top = MenuBarHit(*w, GET_X_LPARAM(lParam) - w->sdlX, GET_Y_LPARAM(lParam) - w->sdlY);
                    if (top >= 0) RunMenuBar(hwnd, top);
                    return 0;
                }
                case SC_KEYMENU:
                    if (StripHeight(*w) > 0 && lParam == 0) RunMenuBar(hwnd, 0);
                    return 0;
                default: return 0;
            }
        case WM_CONTEXTMENU:
            if (w->parent && (w->style & WS_CHILD)) return Send(w->parent, WM_CONTEXTMENU, wParam, lParam);
            return 0;
        default: return 0;
    }
}
