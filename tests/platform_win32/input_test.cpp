// Keys, mouse buttons, accelerators and the menu bar opened by Alt.
#include <gtest/gtest.h>
#include <cstdlib>
#include <utility>
#include "quil_automation.h"
#include "test_window_util.h"

namespace {
const int kDriver = setenv("SDL_VIDEODRIVER", "dummy", 1);
namespace qa = quil_automation;

class InputTest : public ShownWindowTest {
    void SetUp() override {
        (void)kDriver;
        ShownWindowTest::SetUp();
    }
};

TEST_F(InputTest, KeysArriveAsVirtualKeysWithWin32Packing) {
    qa::KeyDown('A');
    qa::KeyDown('A');  // auto-repeat
    qa::KeyUp('A');
    qa::KeyPress(VK_F1);
    qa::KeyPress(VK_DELETE);
    qa::KeyDown(256);  // codes outside the table are dropped
    qa::KeyDown(-1);
    qa::KeyDown(0x1000);
    Drain();
    std::vector<Logged> k;
    for (const auto& l : Recorder::Get().log)
        if (l.msg >= WM_KEYDOWN && l.msg <= WM_SYSKEYUP && l.msg != WM_CHAR) k.push_back(l);
    ASSERT_EQ(k.size(), 7u);
    EXPECT_EQ(k[0].msg, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(k[0].wp, static_cast<WPARAM>('A'));
    EXPECT_EQ(k[0].lp & 0xFFFF, 1) << "repeat count";
    EXPECT_EQ((k[0].lp >> 16) & 0xFF, 0x1E) << "scan code";
    EXPECT_EQ((k[0].lp >> 30) & 3, 0) << "first press: previous state up";
    EXPECT_EQ((k[1].lp >> 30) & 1, 1) << "auto-repeat: previous state down";
    EXPECT_EQ(k[2].msg, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ((k[2].lp >> 30) & 3, 3);
    EXPECT_EQ(k[3].wp, static_cast<WPARAM>(0x70));
    EXPECT_EQ(k[5].wp, static_cast<WPARAM>(0x2E));
    EXPECT_EQ((k[5].lp >> 24) & 1, 1) << "Delete is an extended key";
    EXPECT_EQ(Recorder::Get().Count(WM_CHAR), 2) << "TranslateMessage turns each letter key-down into a character";
}

TEST_F(InputTest, AltTappedAloneOpensTheMenuBarButAltCombinationsDoNot) {
    qa::KeyPress(VK_MENU);
    Drain();
    EXPECT_EQ(Recorder::Get().Count(WM_ENTERMENULOOP), 1);
    EXPECT_EQ(Recorder::Get().Last(WM_SYSCOMMAND)->wp, static_cast<WPARAM>(SC_KEYMENU));
    Recorder::Get().Clear();
    qa::KeyDown(VK_MENU);
    qa::KeyPress(VK_RETURN);
    qa::KeyUp(VK_MENU);
    qa::KeyDown(VK_MENU);
    qa::FocusLoss(hwnd);
    Drain();
    EXPECT_EQ(Recorder::Get().Count(WM_ENTERMENULOOP), 0);
    qa::FocusGain(hwnd);
}

TEST_F(InputTest, MouseMessagesCarryClientCoordinatesAndButtons) {
    qa::MouseMove(hwnd, 10, 20);
    qa::MouseButton(hwnd, 0, true, 10, 20);
    qa::MouseButton(hwnd, 2, true, 11, 21);
    qa::MouseButton(hwnd, 0, false, 12, 22);
    qa::MouseButton(hwnd, 1, true, 12, 22);
    qa::MouseButton(hwnd, 1, false, 12, 22);
    Drain();
    auto order = Recorder::Get().Messages({WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP});
    EXPECT_EQ(order, (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP}));
    const Logged* move = Recorder::Get().Last(WM_MOUSEMOVE);
    EXPECT_EQ(GET_X_LPARAM(move->lp), 10);
    EXPECT_EQ(GET_Y_LPARAM(move->lp), 20);
    EXPECT_EQ(Recorder::Get().Last(WM_RBUTTONDOWN)->wp & (MK_LBUTTON | MK_RBUTTON), static_cast<WPARAM>(MK_LBUTTON | MK_RBUTTON));
    EXPECT_EQ(Recorder::Get().Last(WM_LBUTTONUP)->wp & MK_LBUTTON, 0u);
    EXPECT_GE(Recorder::Get().Count(WM_SETCURSOR), 1) << "WM_SETCURSOR goes before mouse input";
    qa::MouseButton(hwnd, 2, false, 12, 22);
}

TEST_F(InputTest, AcceleratorsTurnF2AndAltEnterIntoCommandsOnce) {
    HACCEL acc = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(109));
    ASSERT_NE(acc, nullptr);
    qa::KeyDown(VK_F2);
    qa::KeyDown(VK_F2);  // held: auto-repeat
    qa::KeyUp(VK_F2);
    qa::KeyDown(VK_RETURN);  // Return alone is no accelerator
    qa::KeyUp(VK_RETURN);
    qa::KeyDown(VK_MENU);
    qa::KeyDown(VK_RETURN);
    qa::KeyDown(VK_RETURN);
    qa::KeyUp(VK_RETURN);
    qa::KeyUp(VK_MENU);
    Drain(acc, hwnd);
    std::vector<WORD> commands;
    for (const auto& l : Recorder::Get().log)
        if (l.msg == WM_COMMAND) {
            commands.push_back(LOWORD(l.wp));
            EXPECT_EQ(HIWORD(l.wp), 1) << "accelerator commands carry 1 in the high word";
        }
    EXPECT_EQ(commands, (std::vector<WORD>{40001, 40004}));
    EXPECT_EQ(Recorder::Get().Count(WM_KEYDOWN), 1) << "only the plain Return reaches the window as a key";
    DestroyAcceleratorTable(acc);
}

// While the window has the mouse captured and the program is active, the pointer
// is held inside the window: its outermost rows and columns read as the frame's
// edges (where an edge test made against GetWindowRect looks), and a warp stops
// one pixel inside the client area, below the menu bar.
TEST_F(InputTest, AHeldPointerStaysInTheCapturingWindowAndReadsItsEdgesAsTheFrame) {
    SetCapture(hwnd);
    qa::HoldPointer(true);
    RECT frame;
    GetWindowRect(hwnd, &frame);
    auto read = [] { POINT p; GetCursorPos(&p); return p; };
    auto client = [this](POINT p) { ScreenToClient(hwnd, &p); return std::make_pair(int(p.x), int(p.y)); };
    qa::MouseMove(hwnd, 320 + 40, 100);
    EXPECT_EQ(read().x, frame.right);
    qa::MouseMove(hwnd, 319, 100);  // the last column itself
    EXPECT_EQ(read().x, frame.right);
    qa::MouseMove(hwnd, -40, 100);
    EXPECT_EQ(read().x, frame.left);
    qa::MouseMove(hwnd, 100, -100);
    EXPECT_EQ(read().y, frame.top);
    qa::MouseMove(hwnd, 100, 300);
    EXPECT_EQ(read().y, frame.bottom);
    qa::MouseMove(hwnd, 100, -10);  // on the menu bar, off its top row: as it is
    EXPECT_EQ(client(read()), std::make_pair(100, -10));

    SetCursorPos(frame.left + 3, frame.top + 3);
    EXPECT_EQ(client(read()), std::make_pair(1, 1)) << "a warp onto the frame stops inside the client area";
    SetCursorPos(frame.right + 100, frame.bottom - 1);
    EXPECT_EQ(client(read()), std::make_pair(318, 238));

    // Without the foreground or the capture the pointer goes where it is put.
    qa::FocusLoss(hwnd);
    qa::MouseMove(hwnd, -40, 100);
    EXPECT_EQ(client(read()), std::make_pair(-40, 100));
    qa::FocusGain(hwnd);
    ReleaseCapture();
    SetCursorPos(frame.left + 3, frame.top + 3);
    EXPECT_EQ(read().x, frame.left + 3);
    qa::HoldPointer(false);
    Drain();
}

}  // namespace
