// SDL's own events, as a real display delivers them, turned into Win32 messages.
#include <gtest/gtest.h>
#include <SDL.h>
#include <cstdlib>
#include "platform_bridge.h"
#include "quil_automation.h"
#include "test_window_util.h"

namespace {
const int kDriver = setenv("SDL_VIDEODRIVER", "dummy", 1);

class SdlEvents : public ShownWindowTest {
protected:
    void SetUp() override {
        (void)kDriver;
        ShownWindowTest::SetUp();
        SDL_Window* win = quil_platform::WindowSDL(hwnd);
        ASSERT_NE(win, nullptr);
        id = SDL_GetWindowID(win);
    }
    void Key(SDL_Keycode sym, bool down, bool repeat = false) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = id;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.sym = sym;
        SDL_PushEvent(&e);
    }
    void Button(Uint8 button, bool down, int x, int y) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.windowID = id;
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
        SDL_PushEvent(&e);
    }
    void WindowEvent(Uint8 what, int a = 0, int b = 0) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = id;
        e.window.event = what;
        e.window.data1 = a;
        e.window.data2 = b;
        SDL_PushEvent(&e);
    }
    Uint32 id = 0;
};

TEST_F(SdlEvents, KeyCodesBecomeVirtualKeysAndRepeatsSetBit30) {
    const std::pair<SDL_Keycode, int> keys[] = {
        {SDLK_a, 'A'}, {SDLK_z, 'Z'}, {SDLK_0, '0'}, {SDLK_9, '9'}, {SDLK_LEFT, 0x25}, {SDLK_UP, 0x26},
        {SDLK_RIGHT, 0x27}, {SDLK_DOWN, 0x28}, {SDLK_F1, 0x70}, {SDLK_F12, 0x7B}, {SDLK_RETURN, 0x0D},
        {SDLK_SPACE, 0x20}, {SDLK_ESCAPE, 0x1B}, {SDLK_DELETE, 0x2E}, {SDLK_LSHIFT, 0x10}, {SDLK_RCTRL, 0x11}};
    for (const auto& k : keys) {
        Key(k.first, true);
        Key(k.first, true, true);
        Key(k.first, false);
    }
    Drain();
    std::vector<Logged> downs;
    for (const auto& l : Recorder::Get().log) if (l.msg == WM_KEYDOWN) downs.push_back(l);
    ASSERT_EQ(downs.size(), 2 * std::size(keys));
    for (size_t i = 0; i < downs.size(); ++i) {
        EXPECT_EQ(downs[i].wp, static_cast<WPARAM>(keys[i / 2].second)) << i;
        EXPECT_EQ((downs[i].lp >> 30) & 1, static_cast<LPARAM>(i % 2)) << i;
    }
    EXPECT_EQ(Recorder::Get().Count(WM_KEYUP), static_cast<int>(std::size(keys)));
}

TEST_F(SdlEvents, MouseInTheClientAreaAndOnTheMenuStrip) {
    Button(SDL_BUTTON_LEFT, true, 50, 20 + 30);  // 30 pixels into the client area
    Button(SDL_BUTTON_LEFT, false, 50, 50);
    Drain();
    ASSERT_NE(Recorder::Get().Last(WM_LBUTTONDOWN), nullptr);
    EXPECT_EQ(GET_Y_LPARAM(Recorder::Get().Last(WM_LBUTTONDOWN)->lp), 30) << "client coordinates exclude the strip";
    Recorder::Get().Clear();
    Button(SDL_BUTTON_LEFT, true, 20, 10);  // on "Game"
    Button(SDL_BUTTON_LEFT, false, 20, 10);
    Drain();
    EXPECT_EQ(Recorder::Get().Count(WM_LBUTTONDOWN), 0);
    EXPECT_EQ(Recorder::Get().Count(WM_LBUTTONUP), 0);
    EXPECT_EQ(Recorder::Get().Messages({WM_NCLBUTTONDOWN, WM_SYSCOMMAND, WM_ENTERMENULOOP, WM_EXITMENULOOP}),
              (std::vector<UINT>{WM_NCLBUTTONDOWN, WM_SYSCOMMAND, WM_ENTERMENULOOP, WM_EXITMENULOOP}));
}

TEST_F(SdlEvents, CloseBoxUserResizeAndFocus) {
    Key(SDLK_w, true);
    WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    Drain();
    EXPECT_EQ(Recorder::Get().Messages({WM_KEYDOWN, WM_KEYUP, WM_ACTIVATEAPP}),
              (std::vector<UINT>{WM_ACTIVATEAPP, WM_KEYDOWN, WM_KEYUP}))
        << "the release comes after the key-down still waiting in the queue";
    EXPECT_FALSE(quil_automation::IsKeyHeld('W'));
    WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    Drain();
    WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 400, 320);  // the user dragged the frame
    Drain();
    RECT rc;
    GetClientRect(hwnd, &rc);
    EXPECT_EQ(rc.right, 400);
    EXPECT_EQ(rc.bottom, 300);
    Recorder::Get().Clear();
    WindowEvent(SDL_WINDOWEVENT_CLOSE);
    Drain();
    EXPECT_EQ(Recorder::Get().Messages({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}),
              (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
}

}  // namespace
