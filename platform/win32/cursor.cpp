// Cursor shape, visibility counter, position, clipping and capture; icons.
#include <map>
#include "quil_resource_table.h"
#include "win32_internal.h"

namespace {
// Cursor and icon handles are small numbers (they must survive a trip through
// the 32-bit GetClassLong): 0x7F00 + n for the system cursors, 0x50000 + resource
// id for icons.
struct CursorObject { SDL_SystemCursor shape; SDL_Cursor* sdl; };
CursorObject g_cursors[] = {{SDL_SYSTEM_CURSOR_ARROW, nullptr}, {SDL_SYSTEM_CURSOR_IBEAM, nullptr},
                            {SDL_SYSTEM_CURSOR_WAIT, nullptr}, {SDL_SYSTEM_CURSOR_CROSSHAIR, nullptr}};
constexpr uintptr_t kCursorBase = 0x7F00;
constexpr uintptr_t kIconBase = 0x50000;
constexpr int kAppIcon = 32512;

HCURSOR g_current = reinterpret_cast<HCURSOR>(kCursorBase);
int g_showCount = 0;
HWND g_capture = nullptr;

CursorObject* CursorOf(HCURSOR c) {
    uintptr_t v = reinterpret_cast<uintptr_t>(c);
    if (v < kCursorBase || v >= kCursorBase + 4) return nullptr;
    return &g_cursors[v - kCursorBase];
}

// The SDL cursor follows the current shape and the display counter.
void ApplyCursor() {
    if (!w32::VideoReady()) return;
    if (CursorObject* c = CursorOf(g_current)) {
        if (!c->sdl) c->sdl = SDL_CreateSystemCursor(c->shape);
        if (c->sdl) SDL_SetCursor(c->sdl);
    }
    SDL_ShowCursor((g_showCount >= 0 && g_current) ? SDL_ENABLE : SDL_DISABLE);
}
}  // namespace

namespace w32 {
// Gives an SDL window the picture of an icon resource.
void SetSdlIconFromResource(SDL_Window* win, HICON icon) {
    if (!win || !icon) return;
    uintptr_t v = reinterpret_cast<uintptr_t>(icon);
    if (v < kIconBase || v > kIconBase + 0xFFFF) return;
    const auto* img = quil_resources_table::FindIcon(static_cast<int>(v - kIconBase));
    if (!img || img->bytesPerPixel != 4) return;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(img->pixels.data()), img->width,
                                                        img->height, 32, img->width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!s) return;
    SDL_SetWindowIcon(win, s);
    SDL_FreeSurface(s);
}
}  // namespace w32

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    int id = quil_resources_table::ResourceId(name);
    if (id < 32512 || id > 32515) { SetLastError(1813); return nullptr; }
    return reinterpret_cast<HCURSOR>(kCursorBase + static_cast<uintptr_t>(id - 32512));
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    int id = quil_resources_table::ResourceId(name);
    if (!instance && id == kAppIcon) return reinterpret_cast<HICON>(kIconBase + static_cast<uintptr_t>(id));
    if (id < 0 || !quil_resources_table::FindIcon(id)) { SetLastError(1813); return nullptr; }
    return reinterpret_cast<HICON>(kIconBase + static_cast<uintptr_t>(id));
}

BOOL GetIconInfo(HICON, PICONINFO info) {
    // Icon and cursor pictures are not kept as GDI bitmaps here.
    if (info) *info = ICONINFO{};
    SetLastError(1402);  // invalid cursor handle
    return FALSE;
}

HDC GetDC(HWND) { return nullptr; }  // null stands for the screen in the GDI stand-in
int ReleaseDC(HWND, HDC) { return 1; }

int ShowCursor(BOOL show) {
    g_showCount += show ? 1 : -1;
    ApplyCursor();
    return g_showCount;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR old = g_current;
    g_current = cursor;
    ApplyCursor();
    return old;
}

HCURSOR GetCursor() { return g_current; }

BOOL GetCursorPos(LPPOINT p) {
    if (!p) return FALSE;
    *p = w32::CursorScreen();
    return TRUE;
}

// Moves the cursor (a warp); the window under it gets a mouse move as on Win32.
BOOL SetCursorPos(int x, int y) {
    w32::SetCursorScreen(x, y);
    POINT p = w32::CursorScreen();
    if (w32::VideoReady() && !w32::Offscreen()) {
        SDL_WarpMouseGlobal(p.x, p.y);
        return TRUE;
    }
    p = w32::CursorScreen();
    HWND target = g_capture;
    if (!target) {
        for (HWND h : w32::AllWindows()) {
            w32::Window* w = w32::Find(h);
            if (!w || !w->visible || (w->style & WS_CHILD)) continue;
            RECT r{0, 0, 0, 0};
            POINT c = p;
            ScreenToClient(h, &c);
            GetClientRect(h, &r);
            if (c.x >= 0 && c.y >= 0 && c.x < r.right && c.y < r.bottom) { target = h; break; }
        }
    }
    if (target) {
        POINT c = p;
        ScreenToClient(target, &c);
        w32::DeliverMouseMove(target, c.x, c.y);
    }
    return TRUE;
}

BOOL ClipCursor(const RECT* rect) {
    w32::SetClip(rect);
    return TRUE;
}

BOOL GetClipCursor(LPRECT rect) { return w32::GetClip(rect); }

HWND SetCapture(HWND hwnd) {
    HWND old = g_capture;
    if (!w32::Find(hwnd)) return old;
    if (old && old != hwnd) SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    g_capture = hwnd;
    if (w32::VideoReady() && !w32::Offscreen()) SDL_CaptureMouse(SDL_TRUE);
    return old;
}

BOOL ReleaseCapture() {
    HWND old = g_capture;
    g_capture = nullptr;
    if (w32::VideoReady() && !w32::Offscreen()) SDL_CaptureMouse(SDL_FALSE);
    if (old && w32::Find(old)) SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() {
    if (g_capture && !w32::Find(g_capture)) g_capture = nullptr;
    return g_capture;
}

namespace w32 {
int CursorShowCount() { return g_showCount; }
}
