// Menus and dialogs drawn on real GL windows (SDL offscreen driver).
#include <gtest/gtest.h>
#include <SDL.h>
#include <epoxy/gl.h>
#include <cstdlib>
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

// Paints like the game's framework does while a menu is open: the scene, the
// menu strip and any open menu, then the swap; keeps a copy for the test.
LRESULT CALLBACK PaintingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        SDL_Window* win = quil_platform::WindowSDL(hwnd);
        RECT rc;
        GetClientRect(hwnd, &rc);
        glViewport(0, 0, rc.right, rc.bottom);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        quil_platform::WindowDrawNonClient(hwnd);
        SDL_GL_GetDrawableSize(win, &g_frameW, &g_frameH);
        g_frame.assign(static_cast<size_t>(g_frameW * g_frameH * 4), 0);
        glReadPixels(0, 0, g_frameW, g_frameH, GL_RGBA, GL_UNSIGNED_BYTE, g_frame.data());
        SDL_GL_SwapWindow(win);
        ++g_paints;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

const unsigned char* At(int x, int yFromTop) {
    return &g_frame[static_cast<size_t>(((g_frameH - 1 - yFromTop) * g_frameW + x) * 4)];
}

class MenuDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        g_win = qa::CreateTestWindow(320, 240, LoadMenuA(nullptr, MAKEINTRESOURCEA(108)), PaintingProc);
        SDL_Window* win = quil_platform::WindowSDL(g_win);
        ASSERT_NE(win, nullptr);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        ctx = SDL_GL_CreateContext(win);
        ASSERT_NE(ctx, nullptr) << SDL_GetError();
        quil_platform::WindowSetGLContext(g_win, ctx);
        g_paints = 0;
    }
    void TearDown() override {
        qa::SetPumpHook(nullptr);
        if (ctx) { quil_platform::WindowSetGLContext(g_win, nullptr); SDL_GL_DeleteContext(ctx); }
        DestroyWindow(g_win);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {}
    }
    SDL_GLContext ctx = nullptr;
};

TEST_F(MenuDrawing, OpenMenuIsRepaintedAndOperatedByKeys) {
    int tx, ty, ix, iy;
    ASSERT_TRUE(qa::MenuItemPixels(g_win, 40001, &tx, &ty, &ix, &iy));
    int turns = 0;
    std::vector<unsigned char> seen;
    qa::SetPumpHook([&] {
        ++turns;
        if (turns == 3) qa::KeyPress(VK_DOWN);  // "&Pause/Play"
        if (turns == 4) qa::KeyPress(VK_DOWN);  // "&Change Device"
        if (turns == 6) {
            seen.assign(At(ix, iy), At(ix, iy) + 4);
            qa::KeyPress(VK_RETURN);
        }
    });
    // A click on the first title of the bar, in screen coordinates.
    POINT origin{0, 0};
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
}

TEST_F(MenuDrawing, PopupMenuAtTheMousePositionAndEscape) {
    int turns = 0;
    std::vector<unsigned char> inside, outside;
    POINT at{100, 80};
    ClientToScreen(g_win, &at);
    qa::SetPumpHook([&] {
        if (++turns == 3) {
            int strip = quil_platform::WindowMenuStripHeight(g_win);
            inside.assign(At(110, 80 + strip + 10), At(110, 80 + strip + 10) + 4);
            outside.assign(At(20, 200), At(20, 200) + 4);
            qa::KeyPress(VK_ESCAPE);
        }
    });
    HMENU menu = LoadMenuA(nullptr, MAKEINTRESOURCEA(107));
    EXPECT_FALSE(TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_VERTICAL, at.x, at.y, g_win, nullptr));
    DestroyMenu(menu);
    ASSERT_EQ(inside.size(), 4u);
    EXPECT_GT(inside[0], 200) << "the popup's face below and right of the mouse";
    EXPECT_EQ(outside[0], 0) << "the scene elsewhere";
}

TEST(DialogDrawing, SettingsDialogRunsWithItsOwnContext) {
    HWND owner = qa::CreateTestWindow(320, 240);
    SDL_GLContext before = SDL_GL_GetCurrentContext();
    qa::ShownDialog seen{};
    qa::QueueDialogScript([&](HWND dlg) {
        seen = qa::DescribeDialog(dlg);
        qa::DialogClickButton(dlg, IDOK);
    });
    INT_PTR r = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(106), owner,
                                [](HWND, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
                                    if (msg == WM_COMMAND && LOWORD(wp) == IDOK) return TRUE;
                                    return msg == WM_INITDIALOG;
                                },
                                0);
    EXPECT_EQ(r, IDCANCEL) << "the procedure never ends it: cancelled after the script";
    EXPECT_EQ(seen.caption, "Game Settings");
    EXPECT_EQ(SDL_GL_GetCurrentContext(), before) << "the caller's GL context is current again";
    DestroyWindow(owner);
}

}  // namespace
