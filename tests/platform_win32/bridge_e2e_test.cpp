// The seam to the graphics device on real GL windows (SDL offscreen driver).
#include <gtest/gtest.h>
#include <SDL.h>
#include <epoxy/gl.h>
#include "windows.h"
#include "platform_bridge.h"
#include "quil_automation.h"

namespace {

struct GlWindow {
    HWND hwnd = nullptr;
    SDL_GLContext ctx = nullptr;
    explicit GlWindow(bool withMenu) {
        hwnd = quil_automation::CreateTestWindow(320, 240, withMenu ? LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(108)) : nullptr);
        SDL_Window* win = quil_platform::WindowSDL(hwnd);
        if (!win) return;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        ctx = SDL_GL_CreateContext(win);
        if (ctx) quil_platform::WindowSetGLContext(hwnd, ctx);
    }
    ~GlWindow() {
        if (ctx) {
            quil_platform::WindowSetGLContext(hwnd, nullptr);
            SDL_GL_DeleteContext(ctx);
        }
        DestroyWindow(hwnd);
    }
};

// Reads one pixel, y counted from the top of the SDL window.
void Pixel(SDL_Window* win, int x, int yFromTop, unsigned char out[4]) {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(win, &w, &h);
    glReadPixels(x, h - 1 - yFromTop, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, out);
}

TEST(Bridge, WindowIsAnOpenGLWindowOfClientPlusStrip) {
    GlWindow g(true);
    SDL_Window* win = quil_platform::WindowSDL(g.hwnd);
    ASSERT_NE(win, nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(win) & SDL_WINDOW_OPENGL);
    EXPECT_EQ(quil_platform::WindowMenuStripHeight(g.hwnd), 20);
    int w = 0, h = 0;
    SDL_GetWindowSize(win, &w, &h);
    RECT rc;
    GetClientRect(g.hwnd, &rc);
    EXPECT_EQ(rc.right, 320);
    EXPECT_EQ(rc.bottom, 240);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 260);
    EXPECT_EQ(quil_platform::WindowSDL(reinterpret_cast<HWND>(12345)), nullptr);
}

TEST(Bridge, NonClientStripIsDrawnAboveAnUntouchedClientArea) {
    GlWindow g(true);
    ASSERT_NE(g.ctx, nullptr) << SDL_GetError();
    SDL_Window* win = quil_platform::WindowSDL(g.hwnd);
    glViewport(0, 0, 320, 240);  // the client area is the lower part of the window
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    quil_platform::WindowDrawNonClient(g.hwnd);
    glFinish();
    unsigned char strip[4], client[4];
    Pixel(win, 300, 10, strip);
    Pixel(win, 160, 150, client);
    EXPECT_GT(strip[1], 200) << "the strip is drawn in the menu colour";
    EXPECT_EQ(client[0], 255);
    EXPECT_EQ(client[1], 0);
    // The device's viewport survives the strip's drawing.
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[2], 320);
    EXPECT_EQ(vp[3], 240);
    SDL_GL_SwapWindow(win);
}

TEST(Bridge, WithoutMenuThereIsNoStrip) {
    GlWindow g(false);
    EXPECT_EQ(quil_platform::WindowMenuStripHeight(g.hwnd), 0);
    ASSERT_NE(g.ctx, nullptr);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    quil_platform::WindowDrawNonClient(g.hwnd);
    unsigned char top[4];
    Pixel(quil_platform::WindowSDL(g.hwnd), 5, 2, top);
    EXPECT_EQ(top[2], 255);
}

}  // namespace
