// Windows and the message queue: message order around creation, showing,
// activation, sizing and closing; re-entrant SendMessage; the quit message.
#include <gtest/gtest.h>
#include <cstdlib>
#include "quil_automation.h"
#include "test_window_util.h"

namespace {
// These tests need no GL: SDL's dummy driver gives windows without it.
const int kDriver = setenv("SDL_VIDEODRIVER", "dummy", 1);

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        (void)kDriver;
        Recorder::Get().Clear();
        Recorder::Get().handlers.clear();
    }
    void TearDown() override {
        Recorder::Get().handlers.clear();
        for (HWND h : made) if (IsWindow(h)) DestroyWindow(h);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) { if (m.message == WM_QUIT) break; }
    }
    HWND Make() {
        HWND h = MakeWindow(320, 240);
        made.push_back(h);
        return h;
    }
    std::vector<HWND> made;
};

TEST_F(WindowTest, CreationStaysHiddenThenShowingActivatesAndPaints) {
    HWND h = Make();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Recorder::Get().Messages(), (std::vector<UINT>{WM_GETMINMAXINFO, WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
    const Logged* size = Recorder::Get().Last(WM_SIZE);
    EXPECT_EQ(size->wp, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(LOWORD(size->lp), 320);
    EXPECT_EQ(HIWORD(size->lp), 240);
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE, 0);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, h, WM_PAINT, WM_PAINT, PM_NOREMOVE)) << "a hidden window is not painted";

    // Showing activates the program, then paints.
    Recorder::Get().Clear();
    ShowWindow(h, SW_SHOWNORMAL);
    auto order = Recorder::Get().Messages({WM_SHOWWINDOW, WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS, WM_SIZE});
    EXPECT_EQ(order, (std::vector<UINT>{WM_SHOWWINDOW, WM_ACTIVATEAPP, WM_ACTIVATE, WM_SETFOCUS, WM_SIZE}));
    EXPECT_EQ(Recorder::Get().Last(WM_ACTIVATEAPP)->wp, static_cast<WPARAM>(TRUE));
    EXPECT_TRUE(GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    DispatchMessageA(&m);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "a painted window is valid again";
}

TEST_F(WindowTest, SendMessageIsSynchronousAndReentrant) {
    HWND a = Make();
    HWND b = Make();
    Recorder::Get().handlers[WM_USER + 2] = [](HWND, WPARAM wp, LPARAM) -> LRESULT { return static_cast<LRESULT>(wp) * 10; };
    Recorder::Get().handlers[WM_USER + 1] = [b](HWND self, WPARAM wp, LPARAM) -> LRESULT {
        // Nested sends, to another window and to itself, from inside a procedure.
        LRESULT other = SendMessageA(b, WM_USER + 2, wp, 0);
        LRESULT again = wp > 0 ? SendMessageA(self, WM_USER + 1, wp - 1, 0) : 0;
        return other + again;
    };
    EXPECT_EQ(SendMessageA(a, WM_USER + 1, 3, 0), 30 + 20 + 10 + 0);
    EXPECT_EQ(Recorder::Get().Count(WM_USER + 1), 4);
    EXPECT_EQ(SendMessageA(reinterpret_cast<HWND>(0x7777), WM_USER, 0, 0), 0);
}

TEST_F(WindowTest, CloseBoxClosesDestroysAndQuits) {
    HWND h = Make();
    ShowWindow(h, SW_SHOWNORMAL);
    Recorder::Get().handlers[WM_DESTROY] = [](HWND, WPARAM, LPARAM) -> LRESULT { PostQuitMessage(7); return 0; };
    Recorder::Get().Clear();
    quil_automation::CloseBox(h);
    MSG m;
    int guard = 0;
    while (GetMessageA(&m, nullptr, 0, 0) && ++guard < 100) DispatchMessageA(&m);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.wParam, 7u);
    auto order = Recorder::Get().Messages({WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY});
    EXPECT_EQ(order, (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT is taken once";
}

TEST_F(WindowTest, MinimiseAndRestore) {
    HWND h = Make();
    ShowWindow(h, SW_SHOWNORMAL);
    Recorder::Get().Clear();
    quil_automation::Minimise(h);
    auto order = Recorder::Get().Messages({WM_ACTIVATEAPP, WM_SIZE});
    ASSERT_EQ(order, (std::vector<UINT>{WM_ACTIVATEAPP, WM_SIZE}));
    EXPECT_EQ(Recorder::Get().Last(WM_ACTIVATEAPP)->wp, static_cast<WPARAM>(FALSE));
    EXPECT_EQ(Recorder::Get().Last(WM_SIZE)->wp, static_cast<WPARAM>(SIZE_MINIMIZED));
    EXPECT_TRUE(IsIconic(h));
    Recorder::Get().Clear();
    quil_automation::Restore(h);
    EXPECT_EQ(Recorder::Get().Messages({WM_ACTIVATEAPP, WM_SIZE}), (std::vector<UINT>{WM_SIZE, WM_ACTIVATEAPP}));
    EXPECT_EQ(Recorder::Get().Last(WM_SIZE)->wp, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(Recorder::Get().Last(WM_ACTIVATEAPP)->wp, static_cast<WPARAM>(TRUE));
    EXPECT_FALSE(IsIconic(h));
}

TEST_F(WindowTest, UserResizeIsBracketedAndHonoursMinimumTrackingSize) {
    HWND h = Make();
    ShowWindow(h, SW_SHOWNORMAL);
    Recorder::Get().handlers[WM_GETMINMAXINFO] = [](HWND, WPARAM, LPARAM lp) -> LRESULT {
        auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
        mmi->ptMinTrackSize.x = 100;
        mmi->ptMinTrackSize.y = 100;
        return 0;
    };
    Recorder::Get().Clear();
    quil_automation::UserResize(h, 400, 300);
    EXPECT_EQ(Recorder::Get().Messages({WM_ENTERSIZEMOVE, WM_GETMINMAXINFO, WM_SIZE, WM_EXITSIZEMOVE}),
              (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_GETMINMAXINFO, WM_SIZE, WM_EXITSIZEMOVE}));
    RECT c;
    GetClientRect(h, &c);
    EXPECT_EQ(c.right, 400);
    EXPECT_EQ(c.bottom, 300);
    quil_automation::UserResize(h, 10, 10);
    GetWindowRect(h, &c);
    EXPECT_EQ(c.right - c.left, 100);
    EXPECT_EQ(c.bottom - c.top, 100);
    Recorder::Get().Clear();
    quil_automation::UserResize(h, 10, 10);
    EXPECT_EQ(Recorder::Get().Count(WM_ENTERSIZEMOVE), 1) << "clamped to the same size again still brackets";
}

// The cursor picture as GDI bitmaps, the way the device cursor reads it.
TEST_F(WindowTest, IconInfoGivesTheCursorPicture) {
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(LoadCursorA(nullptr, IDC_ARROW), &info));
    EXPECT_EQ(info.hbmColor, nullptr) << "a black-and-white cursor";
    BITMAP bm{};
    ASSERT_TRUE(GetObjectA(info.hbmMask, sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 64) << "AND mask above the XOR picture";
    std::vector<DWORD> px(32 * 64);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 32;
    bi.bmiHeader.biHeight = 64;  // rows bottom-up
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    ASSERT_EQ(GetDIBits(nullptr, static_cast<HBITMAP>(info.hbmMask), 0, 64, px.data(), &bi, DIB_RGB_COLORS), 64);
    auto at = [&](int x, int yFromTop) { return px[static_cast<size_t>((63 - yFromTop) * 32 + x)] & 0xFFFFFF; };
    EXPECT_EQ(at(0, 0), 0u) << "the hot spot is drawn";
    EXPECT_EQ(at(31, 0), 0xFFFFFFu) << "far right is transparent";
    EXPECT_EQ(at(1, 32 + 2), 0xFFFFFFu) << "the arrow's white inside";
    EXPECT_EQ(at(0, 32 + 2), 0u) << "its black edge";
    DeleteObject(info.hbmMask);
    EXPECT_FALSE(GetIconInfo(reinterpret_cast<HICON>(0x1234), &info));
}

}  // namespace
