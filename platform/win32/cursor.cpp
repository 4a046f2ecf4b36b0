// Cursor shape, visibility counter, position, clipping and capture; icons.
#include <algorithm>
#include <cstring>
#include <map>
#include <thread>
#include "quil_resource_table.h"
#include "win32_dialog.h"
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

int g_forceArrow = 0;  // menus and dialogs open: the arrow shows whatever the program set

// The SDL cursor follows the current shape and the display counter.
void ApplyCursor() {
    if (!w32::VideoReady()) return;
    if (g_forceArrow > 0) {
        if (!g_cursors[0].sdl) g_cursors[0].sdl = SDL_CreateSystemCursor(g_cursors[0].shape);
        if (g_cursors[0].sdl) SDL_SetCursor(g_cursors[0].sdl);
        SDL_ShowCursor(SDL_ENABLE);
        return;
    }
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
    if (id < 32512 || id > 32515) { SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND); return nullptr; }
    return reinterpret_cast<HCURSOR>(kCursorBase + static_cast<uintptr_t>(id - 32512));
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    int id = quil_resources_table::ResourceId(name);
    if (!instance && id == kAppIcon) return reinterpret_cast<HICON>(kIconBase + static_cast<uintptr_t>(id));
    if (id < 0 || !quil_resources_table::FindIcon(id)) { SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND); return nullptr; }
    return reinterpret_cast<HICON>(kIconBase + static_cast<uintptr_t>(id));
}

namespace {
// The arrow's picture: 'X' black, 'o' white, anything else transparent.
const char* const kArrow[] = {
    "X",          "XX",         "XoX",        "XooX",        "XoooX",       "XooooX",    "XoooooX",
    "XooooooX",   "XoooooooX",  "XooooooooX", "XoooooXXXXX", "XooXooX",     "XoX XooX",  "XX  XooX",
    "X    XooX",  "     XooX",  "      XooX", "      XooX",  "       XX",
};

// A 32-bit top-down DIB section of the given size, filled by the caller.
HBITMAP NewBitmap(int width, int height, DWORD** pixels) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    *pixels = static_cast<DWORD*>(bits);
    return (bmp && bits) ? bmp : nullptr;
}
}  // namespace

// The pictures of a cursor or icon as new GDI bitmaps, which the caller deletes:
// a cursor is black-and-white (AND mask above XOR picture in one bitmap twice
// the height, no colour bitmap); an icon has a colour bitmap and a mask.
BOOL GetIconInfo(HICON icon, PICONINFO info) {
    if (!info) { SetLastError(ERROR_INVALID_PARAMETER); return FALSE; }
    *info = ICONINFO{};
    uintptr_t v = reinterpret_cast<uintptr_t>(icon);
    DWORD* px = nullptr;
    if (v >= kCursorBase && v < kCursorBase + 4) {
        constexpr int kSize = 32;
        HBITMAP mask = NewBitmap(kSize, kSize * 2, &px);
        if (!mask) return FALSE;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                char c = y < static_cast<int>(sizeof kArrow / sizeof kArrow[0]) && x < static_cast<int>(std::strlen(kArrow[y]))
                             ? kArrow[y][x] : ' ';
                bool drawn = c == 'X' || c == 'o';
                px[y * kSize + x] = drawn ? 0x000000u : 0xFFFFFFu;                         // AND mask
                px[(kSize + y) * kSize + x] = (drawn && c == 'o') ? 0xFFFFFFu : 0x000000u;  // XOR picture
            }
        info->fIcon = FALSE;
        info->hbmMask = mask;
        return TRUE;
    }
    if (v >= kIconBase && v <= kIconBase + 0xFFFF) {
        const auto* img = quil_resources_table::FindIcon(static_cast<int>(v - kIconBase));
        if (!img || img->bytesPerPixel != 4) { SetLastError(ERROR_INVALID_CURSOR_HANDLE); return FALSE; }
        DWORD* colourPx = nullptr;
        HBITMAP colour = NewBitmap(img->width, img->height, &colourPx);
        HBITMAP mask = NewBitmap(img->width, img->height, &px);
        if (!colour || !mask) {
            if (colour) DeleteObject(colour);
            if (mask) DeleteObject(mask);
            return FALSE;
        }
        for (int i = 0; i < img->width * img->height; ++i) {
            const uint8_t* p = &img->pixels[static_cast<size_t>(i) * 4];
            bool opaque = p[3] >= 128;
            colourPx[i] = opaque ? (static_cast<DWORD>(p[0]) << 16 | static_cast<DWORD>(p[1]) << 8 | p[2]) : 0;
            px[i] = opaque ? 0x000000u : 0xFFFFFFu;
        }
        info->fIcon = TRUE;
        info->xHotspot = static_cast<DWORD>(img->width / 2);
        info->yHotspot = static_cast<DWORD>(img->height / 2);
        info->hbmMask = mask;
        info->hbmColor = colour;
        return TRUE;
    }
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
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
// On a real display the pointer goes to the asked place (within the clip), not
// to where it is read to be now. While the pointer is held for a captured
// window the warp stops inside that window's client area.
BOOL SetCursorPos(int x, int y) {
    POINT p = w32::HeldWarpTarget(POINT{x, y});
    p = w32::SetCursorScreen(p.x, p.y);
    if (w32::VideoReady() && !w32::Offscreen()) {
        SDL_WarpMouseGlobal(p.x, p.y);
        return TRUE;
    }
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
    w32::UpdatePointerGrab();
    return old;
}

BOOL ReleaseCapture() {
    HWND old = g_capture;
    g_capture = nullptr;
    w32::UpdatePointerGrab();
    if (old && w32::Find(old)) SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() {
    if (g_capture && !w32::Find(g_capture)) g_capture = nullptr;
    return g_capture;
}

namespace w32 {
int CursorShowCount() { return g_showCount; }

// While a menu or dialog is open the pointer is the arrow, as the system's own
// menus and dialogs show it; the program's choice returns afterwards.
void ForceArrowCursor(bool on) {
    g_forceArrow += on ? 1 : -1;
    if (g_forceArrow < 0) g_forceArrow = 0;
    ApplyCursor();
}
}

// ---------------------------------------------------------------- the held pointer
// On Win32 a captured mouse sends every click to the capturing window wherever
// the pointer is. An X desktop has no such thing: a pointer outside the window
// clicks other windows or the window manager's frame. So while a window has the
// mouse captured, the pointer is grabbed and confined to that window (SDL keeps
// the grab only while the window has the keyboard focus, and it is let go while
// a dialog or message box is up). The confined pointer can no longer cross the
// window's frame, which a program's edge test is made against (GetWindowRect):
// a pointer held at the window's outermost row or column reads as standing on
// the frame's outer edge, and a warp goes no further than one pixel inside the
// client area, off that edge and off the menu bar.
namespace {
HWND g_grabbed = nullptr;   // the window whose SDL grab is set
int g_grabPauses = 0;       // message boxes up
bool g_emulatedHold = false;
const std::thread::id g_windowThread = std::this_thread::get_id();  // the program's first thread

// The held window's menu strip with client area, and its client area, on the screen.
void HeldAreas(HWND hwnd, RECT* area, RECT* client) {
    w32::Window* w = w32::Find(hwnd);
    POINT o{0, 0};
    ClientToScreen(hwnd, &o);
    *client = RECT{o.x, o.y, o.x + w->clientW, o.y + w->clientH};
    *area = *client;
    area->top -= w32::StripHeight(*w);
}

// The window the pointer is held in now, or null.
HWND HeldWindow() {
    HWND cap = GetCapture();
    w32::Window* w = w32::Find(cap);
    if (!w || (w->style & WS_CHILD)) return nullptr;
    if (g_emulatedHold) return w32::AppActive() ? cap : nullptr;
    if (g_grabbed != cap || !w->sdl || !w32::VideoReady() || w32::Offscreen()) return nullptr;
    return SDL_GetGrabbedWindow() == w->sdl ? cap : nullptr;
}
}  // namespace

namespace w32 {
POINT HeldPointerReading(POINT p, const RECT& area, const RECT& frame) {
    p.x = std::clamp(p.x, area.left, std::max(area.left, area.right - 1));
    p.y = std::clamp(p.y, area.top, std::max(area.top, area.bottom - 1));
    if (p.x == area.left) p.x = frame.left;
    else if (p.x == area.right - 1) p.x = frame.right;
    if (p.y == area.top) p.y = frame.top;
    else if (p.y == area.bottom - 1) p.y = frame.bottom;
    return p;
}

POINT HeldWarpPoint(POINT p, const RECT& client) {
    if (client.right - client.left >= 3) p.x = std::clamp(p.x, client.left + 1, client.right - 2);
    if (client.bottom - client.top >= 3) p.y = std::clamp(p.y, client.top + 1, client.bottom - 2);
    return p;
}

POINT HeldCursorRead(POINT p) {
    HWND h = HeldWindow();
    if (!h) return p;
    RECT area, client;
    HeldAreas(h, &area, &client);
    RECT in = FrameInsets(Find(h)->style);
    RECT frame{area.left - in.left, area.top - in.top, area.right + in.right, area.bottom + in.bottom};
    return HeldPointerReading(p, area, frame);
}

POINT HeldWarpTarget(POINT p) {
    HWND h = HeldWindow();
    if (!h) return p;
    RECT area, client;
    HeldAreas(h, &area, &client);
    return HeldWarpPoint(p, client);
}

// Sets or lets go of the SDL grab to follow the capture.
void UpdatePointerGrab() {
    HWND want = nullptr;
    if (g_capture && g_grabPauses == 0 && !ActiveDialog() && VideoReady() && !Offscreen()) {
        Window* w = Find(g_capture);
        if (w && w->sdl && !(w->style & WS_CHILD)) want = g_capture;
    }
    if (want == g_grabbed) return;
    if (Window* old = Find(g_grabbed)) {
        if (old->sdl) SDL_SetWindowMouseGrab(old->sdl, SDL_FALSE);
    }
    g_grabbed = want;
    if (Window* w = Find(want)) SDL_SetWindowMouseGrab(w->sdl, SDL_TRUE);
}

void PausePointerGrab(bool pause) {
    // Boxes shown from another thread leave the grab alone: SDL wants the window thread.
    if (std::this_thread::get_id() != g_windowThread) return;
    g_grabPauses += pause ? 1 : -1;
    if (g_grabPauses < 0) g_grabPauses = 0;
    UpdatePointerGrab();
}

void EmulatePointerHold(bool on) { g_emulatedHold = on; }
}  // namespace w32

