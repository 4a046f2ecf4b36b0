// The modal dialog loop: its parameter, its owner, activation, and keys typed meanwhile.
#include <gtest/gtest.h>
#include <cstdlib>
#include "quil_automation.h"
#include "test_window_util.h"

namespace {
const int kDriver = setenv("SDL_VIDEODRIVER", "dummy", 1);
namespace qa = quil_automation;

struct DialogLog {
    LPARAM initParam = 0;
    HWND dialog = nullptr;
    bool ownerEnabledInside = true;
    HWND owner = nullptr;
} g_d;

// Notes what WM_INITDIALOG saw and ends on IDOK / IDCANCEL.
INT_PTR CALLBACK TestDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        g_d.initParam = lp;
        g_d.dialog = dlg;
        g_d.ownerEnabledInside = IsWindowEnabled(g_d.owner) != FALSE;
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        EndDialog(dlg, LOWORD(wp));
        return TRUE;
    }
    return FALSE;
}

TEST(Dialog, FirstAtStartUpThenOverTheShownWindow) {
    (void)kDriver;
    // The first dialog comes before the main window is shown, as at start-up: the hidden
    // main window hears the program become active.
    qa::FocusLoss(GetActiveWindow());
    HWND main = MakeWindow(320, 240, true);
    g_d.owner = main;
    Recorder::Get().Clear();
    qa::QueueDialogScript([](HWND dlg) { qa::DialogClickButton(dlg, IDOK); });
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(106), main, TestDialogProc, 0x1234), IDOK);
    const Logged* first = nullptr;
    for (const auto& l : Recorder::Get().log)
        if (l.msg == WM_ACTIVATEAPP) { first = &l; break; }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->hwnd, main);
    EXPECT_EQ(first->wp, static_cast<WPARAM>(TRUE));
    EXPECT_EQ(g_d.initParam, 0x1234);
    EXPECT_FALSE(g_d.ownerEnabledInside);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindow(g_d.dialog));
    ShowWindow(main, SW_SHOWNORMAL);
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(Recorder::Get().Last(WM_ACTIVATEAPP)->wp, static_cast<WPARAM>(TRUE));

    // Over the shown window: the program stays active throughout, the owner is disabled
    // meanwhile, and Return typed while the dialog runs presses its default button and
    // never reaches the owner.
    Drain();
    Recorder::Get().Clear();
    qa::QueueDialogScript([](HWND) { qa::KeyPress(VK_RETURN); });
    EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(106), main, TestDialogProc, 0), IDOK);
    EXPECT_EQ(Recorder::Get().Count(WM_KEYDOWN), 0);
    EXPECT_EQ(Recorder::Get().Count(WM_ACTIVATEAPP), 0);
    EXPECT_FALSE(g_d.ownerEnabledInside);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(GetActiveWindow(), main);
    DestroyWindow(main);
    Drain();
}

}  // namespace
