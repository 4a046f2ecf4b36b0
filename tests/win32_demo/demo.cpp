// A small program on the window platform: a window with the menu bar of resource
// 108 and the accelerators of 109, drawn with OpenGL. It reports each command on
// standard output ("COMMAND <id>") and ends on "E&xit" ("EXIT").
#include <SDL.h>
#include <epoxy/gl.h>
#include <cstdio>
#include "windows.h"
#include "platform_bridge.h"
#include "quil_automation.h"

namespace {
HWND g_window = nullptr;
bool g_paused = false;

// One frame: the client area in a colour, the menu strip above it.
void Render() {
    SDL_Window* win = quil_platform::WindowSDL(g_window);
    if (!win) return;
    RECT rc;
    GetClientRect(g_window, &rc);
    glViewport(0, 0, rc.right, rc.bottom);
    glClearColor(g_paused ? 0.3f : 0.1f, 0.2f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    quil_platform::WindowDrawNonClient(g_window);
    SDL_GL_SwapWindow(win);
}

// The settings dialog with a few entries; reports what it was told.
INT_PTR CALLBACK SettingsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) {
        HWND adapters = GetDlgItem(dlg, 1000);
        SendMessageA(adapters, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Display adapter"));
        SendMessageA(adapters, CB_SETCURSEL, 0, 0);
        SendMessageA(GetDlgItem(dlg, 1004), BM_SETCHECK, BST_CHECKED, 0);
        std::printf("DIALOGSHOWN\n");
        std::fflush(stdout);
        return TRUE;
    }
    if (msg == WM_COMMAND) {
        std::printf("DIALOGCOMMAND %d %d\n", LOWORD(wp), HIWORD(wp));
        std::fflush(stdout);
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(dlg, LOWORD(wp));
        return TRUE;
    }
    return FALSE;
}

LRESULT CALLBACK DemoProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            std::printf("COMMAND %d\n", LOWORD(wp));
            std::fflush(stdout);
            if (LOWORD(wp) == 40003) g_paused = !g_paused;
            if (LOWORD(wp) == 40001) {
                INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(106), hwnd, SettingsProc, 0);
                std::printf("DIALOG %d\n", static_cast<int>(r));
                std::fflush(stdout);
            }
            if (LOWORD(wp) == 40002) SendMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case WM_CONTEXTMENU: {
            HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(107));
            TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_VERTICAL, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), hwnd, nullptr);
            DestroyMenu(menu);
            return 0;
        }
        case WM_PAINT:
            Render();
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}
}  // namespace

int main() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DemoProc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(101));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "Demo Window";
    RegisterClassA(&wc);
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    RECT r{0, 0, 640, 480};
    AdjustWindowRect(&r, style, TRUE);
    g_window = CreateWindowExA(0, "Demo Window", "QUIL-ENGINE Demo", style, 0, 0, r.right - r.left,
                               r.bottom - r.top, nullptr, LoadMenuA(inst, MAKEINTRESOURCEA(108)), inst, nullptr);
    SDL_Window* win = quil_platform::WindowSDL(g_window);
    if (!win) { std::printf("NOWINDOW %s\n", SDL_GetError()); return 3; }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GLContext ctx = SDL_GL_CreateContext(win);
    if (!ctx) { std::printf("NOGL %s\n", SDL_GetError()); return 3; }
    quil_platform::WindowSetGLContext(g_window, ctx);
    ShowWindow(g_window, SW_SHOWNORMAL);
    int tx = 0, ty = 0, ix = 0, iy = 0;
    quil_automation::MenuItemPixels(g_window, 40002, &tx, &ty, &ix, &iy);
    std::printf("READY\nMENU %d %d %d %d\n", tx, ty, ix, iy);
    std::fflush(stdout);

    HACCEL accel = LoadAcceleratorsA(inst, MAKEINTRESOURCEA(109));
    Uint32 start = SDL_GetTicks();
    MSG msg{};
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) break;
            if (!TranslateAcceleratorA(g_window, accel, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            continue;
        }
        if (IsWindow(g_window)) Render();
        SDL_Delay(5);
        if (SDL_GetTicks() - start > 60000) { std::printf("TIMEOUT\n"); return 2; }
    }
    std::printf("EXIT\n");
    std::fflush(stdout);
    SDL_GL_DeleteContext(ctx);
    return static_cast<int>(msg.wParam);
}
