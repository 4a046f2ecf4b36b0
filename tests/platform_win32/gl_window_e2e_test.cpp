// The window platform on a real GL window (SDL offscreen driver): the menu strip
// above the client area, and an open menu repainted and operated by keys.
#include <gtest/gtest.h>
#include <SDL.h>
#include <epoxy/gl.h>
#include <vector>
#include "windows.h"
#include "platform_bridge.h"
#include "quil_automation.h"

namespace {
namespace qa = quil_automation;

HWND g_win = nullptr;
std::vector<unsigned char> g_frame;  // RGBA, rows bottom-up, of the last WM_PAINT
int g_frameW = 0, g_frameH = 0;
int g_paints = 0;

// Clears the client to the given red, draws the strip and any open menu, keeps the pixels.
void DrawAndRead(HWND hwnd, float red) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    glViewport(0, 0, rc.right, rc.bottom);
    glClearColor(red, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    quil_platform::WindowDrawNonClient(hwnd);
    SDL_GL_GetDrawableSize(quil_platform::WindowSDL(hwnd), &g_frameW, &g_frameH);
    g_frame.assign(static_cast<size_t>(g_frameW * g_frameH * 4), 0);
    glReadPixels(0, 0, g_frameW, g_frameH, GL_RGBA, GL_UNSIGNED_BYTE, g_frame.data());
}

// Paints like the framework does while a menu is open.
LRESULT CALLBACK PaintingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        DrawAndRead(hwnd, 0);
        SDL_GL_SwapWindow(quil_platform::WindowSDL(hwnd));
        ++g_paints;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

const unsigned char* At(int x, int yFromTop) {
    return &g_frame[static_cast<size_t>(((g_frameH - 1 - yFromTop) * g_frameW + x) * 4)];
}

TEST(MenuDrawing, StripAboveTheClientAndOpenMenuRepaintedAndOperatedByKeys) {
    g_win = qa::CreateTestWindow(320, 240, LoadMenuA(nullptr, MAKEINTRESOURCEA(108)), PaintingProc);
    SDL_Window* win = quil_platform::WindowSDL(g_win);
    ASSERT_NE(win, nullptr);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GLContext ctx = SDL_GL_CreateContext(win);
    ASSERT_NE(ctx, nullptr) << SDL_GetError();
    quil_platform::WindowSetGLContext(g_win, ctx);
    int w = 0, h = 0;
    SDL_GetWindowSize(win, &w, &h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240 + quil_platform::WindowMenuStripHeight(g_win));
    DrawAndRead(g_win, 1);
    EXPECT_GT(At(300, 10)[1], 200) << "the strip is drawn in the menu colour";
    EXPECT_EQ(At(160, 150)[0], 255);
    EXPECT_EQ(At(160, 150)[1], 0);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[2], 320);
    EXPECT_EQ(vp[3], 240);

    int tx, ty, ix, iy;
    ASSERT_TRUE(qa::MenuItemPixels(g_win, 40001, &tx, &ty, &ix, &iy));
    int turns = 0;
    std::vector<unsigned char> seen;
    qa::SetPumpHook([&] {
        ++turns;
        if (turns == 3 || turns == 4) qa::KeyPress(VK_DOWN);
        if (turns == 6) {
            seen.assign(At(ix, iy), At(ix, iy) + 4);
            qa::KeyPress(VK_RETURN);
        }
    });
    POINT origin{0, 0};  // a click on the bar's first title, in screen coordinates
    ClientToScreen(g_win, &origin);
    int strip = quil_platform::WindowMenuStripHeight(g_win);
    SendMessageA(g_win, WM_SYSCOMMAND, SC_MOUSEMENU, MAKELPARAM(origin.x + tx, origin.y - strip + ty));
    EXPECT_GE(g_paints, 5) << "the program repaints while its menu is open";
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_GT(seen[2], 150) << "the highlighted row is drawn in the selection colour";
    EXPECT_LT(seen[0], 100);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, g_win, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(m.wParam), 40001);
    qa::SetPumpHook(nullptr);
    quil_platform::WindowSetGLContext(g_win, nullptr);
    SDL_GL_DeleteContext(ctx);
    DestroyWindow(g_win);
}

}  // namespace
