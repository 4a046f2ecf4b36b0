// Windows that another program destroyed on the X server (xdotool windowclose,
// XKillClient of a window, a broken window manager). Win32 has no such thing;
// here such a window is closed as its close box would close it, so that the
// program shuts down cleanly instead of dying on the X errors that every later
// request about the missing window draws (Xlib's default answer is exit(1)).
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <cstring>
#include <set>
#include <vector>
#include "win32_internal.h"

namespace w32 {
namespace {
using XErrorHandlerFn = int (*)(Display*, XErrorEvent*);
XErrorHandlerFn g_previous = nullptr;
bool g_watching = false;
std::vector<unsigned long> g_gone;  // X windows known to be destroyed
std::set<HWND> g_closed;            // windows already told to close

// The X display and window behind a window's SDL window; false when it has none on X.
bool X11Info(const Window& w, SDL_SysWMinfo* info) {
    SDL_VERSION(&info->version);
    return w.sdl && SDL_GetWindowWMInfo(w.sdl, info) && info->subsystem == SDL_SYSWM_X11;
}

unsigned long XWindowOf(const Window& w) {
    SDL_SysWMinfo info;
    return X11Info(w, &info) ? static_cast<unsigned long>(info.info.x11.window) : 0;
}

bool IsGone(unsigned long xid) { return std::find(g_gone.begin(), g_gone.end(), xid) != g_gone.end(); }

bool IsOurs(unsigned long xid) {
    if (!xid) return false;
    if (IsGone(xid)) return true;
    for (HWND h : AllWindows()) {
        Window* w = Find(h);
        if (w && XWindowOf(*w) == xid) return true;
    }
    return false;
}

void NoteGone(unsigned long xid) {
    if (!IsGone(xid)) g_gone.push_back(xid);
}

// Errors about one of our windows mean it is gone (a live window draws none):
// they are noted and dropped; any other error goes to the handler before ours.
int OnXError(Display* display, XErrorEvent* e) {
    if (IsOurs(e->resourceid)) {
        NoteGone(e->resourceid);
        return 0;
    }
    return g_previous ? g_previous(display, e) : 0;
}
}  // namespace

void WatchDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (g_watching || !driver || std::strcmp(driver, "x11") != 0) return;
    g_watching = true;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    g_previous = XSetErrorHandler(OnXError);
}

// The pointer's place as the X server has it now. SDL's own global reading is a
// cache that only pointer hardware motion refreshes: a warp (ours, or another
// program's) leaves it behind.
bool QueryPointer(POINT* p) {
    if (!g_watching) return false;
    for (HWND h : AllWindows()) {
        Window* w = Find(h);
        SDL_SysWMinfo info;
        if (!w || !X11Info(*w, &info)) continue;
        Display* d = info.info.x11.display;
        ::Window root, child;
        int rx = 0, ry = 0, wx = 0, wy = 0;
        unsigned int mask = 0;
        if (!XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask)) return false;
        *p = POINT{rx, ry};
        return true;
    }
    return false;
}

void NoteSystemEvent(const SDL_SysWMmsg* msg) {
    if (!msg || msg->subsystem != SDL_SYSWM_X11) return;
    const XEvent& e = msg->msg.x11.event;
    if (e.type == DestroyNotify && IsOurs(e.xdestroywindow.window)) NoteGone(e.xdestroywindow.window);
}

// SDL hides a window before destroying it, and on X waits for the server to
// report it unmapped; a window that no longer exists is never reported, so the
// report is put in front of the queue for it.
void BeforeSdlDestroy(const Window& w) {
    SDL_SysWMinfo info;
    if (!X11Info(w, &info)) return;
    const unsigned long xid = static_cast<unsigned long>(info.info.x11.window);
    if (!IsGone(xid)) return;
    XEvent e;
    std::memset(&e, 0, sizeof e);
    e.type = UnmapNotify;
    e.xunmap.display = info.info.x11.display;
    e.xunmap.event = xid;
    e.xunmap.window = xid;
    XPutBackEvent(info.info.x11.display, &e);
}

bool KnownGone(const Window& w) {
    if (g_gone.empty()) return false;
    const unsigned long xid = XWindowOf(w);
    return xid && IsGone(xid);
}

// The GL driver asks the server for the window's size whenever it starts drawing
// into it; for a window that is gone the answer is an error and the driver goes
// on with whatever size its variables held, and draws out of bounds. So the
// server is held for this client and asked first: while held, no other program
// can destroy the window between the question and the driver's own.
bool HoldForDrawing(const Window& w) {
    SDL_SysWMinfo info;
    if (!g_watching || !X11Info(w, &info)) return true;
    const unsigned long xid = static_cast<unsigned long>(info.info.x11.window);
    if (IsGone(xid)) return false;
    Display* d = info.info.x11.display;
    XGrabServer(d);
    ::Window root;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    if (XGetGeometry(d, xid, &root, &x, &y, &width, &height, &border, &depth)) return true;
    NoteGone(xid);
    XUngrabServer(d);
    XFlush(d);
    return false;
}

void LetGoAfterDrawing(const Window& w) {
    SDL_SysWMinfo info;
    if (!g_watching || !X11Info(w, &info)) return;
    XUngrabServer(info.info.x11.display);
    XFlush(info.info.x11.display);
}

void CloseDestroyedWindows() {
    if (g_gone.empty()) return;
    for (HWND h : AllWindows()) {
        Window* w = Find(h);
        if (!w || w->destroying || !w->enabled || g_closed.count(h)) continue;
        const unsigned long xid = XWindowOf(*w);
        if (!xid || !IsGone(xid)) continue;
        g_closed.insert(h);
        Post(h, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

}  // namespace w32
