// The modal dialog loop, its controls and messages.
#include <gtest/gtest.h>
#include <cstdlib>
#include "quil_automation.h"
#include "test_window_util.h"

namespace {
const int kDriver = setenv("SDL_VIDEODRIVER", "dummy", 1);
namespace qa = quil_automation;

struct DialogLog {
    std::vector<Logged> log;
    LPARAM initParam = 0;
    HWND dialog = nullptr;
    bool ownerEnabledInside = true;
    HWND owner = nullptr;
};
DialogLog g_d;

// A dialog procedure in the style of a settings dialog: fills the combo boxes on
// WM_INITDIALOG, records every command and ends on IDOK / IDCANCEL.
INT_PTR CALLBACK TestDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    g_d.log.push_back({dlg, msg, wp, lp});
    switch (msg) {
        case WM_INITDIALOG: {
            g_d.initParam = lp;
            g_d.dialog = dlg;
            g_d.ownerEnabledInside = IsWindowEnabled(g_d.owner) != FALSE;
            HWND adapters = GetDlgItem(dlg, 1000);
            SendMessageA(adapters, CB_RESETCONTENT, 0, 0);
            SendMessageA(adapters, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("First adapter"));
            SendMessageA(adapters, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Second adapter"));
            SendMessageA(adapters, CB_SETCURSEL, 0, 0);
            SendMessageA(GetDlgItem(dlg, 1003), BM_SETCHECK, BST_CHECKED, 0);
            EnableWindow(GetDlgItem(dlg, 1002), FALSE);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wp));
                return TRUE;
            }
            return TRUE;
        default: return FALSE;
    }
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        (void)kDriver;
        g_d = DialogLog{};
        owner = MakeWindow(320, 240, true);
        g_d.owner = owner;
        ShowWindow(owner, SW_SHOWNORMAL);
        Drain();
        Recorder::Get().Clear();
    }
    void TearDown() override { DestroyWindow(owner); Drain(); }
    INT_PTR Run(std::function<void(HWND)> script) {
        qa::QueueDialogScript(std::move(script));
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(106), owner, TestDialogProc, 0x1234);
    }
    std::vector<std::pair<int, int>> Commands() const {
        std::vector<std::pair<int, int>> v;
        for (const auto& l : g_d.log)
            if (l.msg == WM_COMMAND) v.push_back({LOWORD(l.wp), HIWORD(l.wp)});
        return v;
    }
    HWND owner = nullptr;
};

TEST_F(DialogTest, InitDialogGetsItsParameterAndTheOwnerIsDisabledMeanwhile) {
    Run([](HWND dlg) { qa::DialogClickButton(dlg, IDOK); });
    EXPECT_EQ(Recorder::Get().Count(WM_ACTIVATEAPP), 0) << "the program stays active throughout";
    EXPECT_EQ(g_d.initParam, 0x1234);
    EXPECT_FALSE(g_d.ownerEnabledInside);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(IsWindow(g_d.dialog));
    EXPECT_EQ(GetActiveWindow(), owner);
}

TEST(DialogAtStartUp, TheHiddenMainWindowHearsTheProgramBecomeActive) {
    // The first dialog comes before the main window is shown, as at start-up.
    quil_automation::FocusLoss(GetActiveWindow());
    HWND main = MakeWindow(320, 240, true);
    Recorder::Get().Clear();
    qa::QueueDialogScript([](HWND dlg) { qa::DialogClickButton(dlg, IDOK); });
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(106), main, TestDialogProc, 0), IDOK);
    const Logged* first = nullptr;
    for (const auto& l : Recorder::Get().log)
        if (l.msg == WM_ACTIVATEAPP) { first = &l; break; }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->hwnd, main);
    EXPECT_EQ(first->wp, static_cast<WPARAM>(TRUE));
    ShowWindow(main, SW_SHOWNORMAL);
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(Recorder::Get().Last(WM_ACTIVATEAPP)->wp, static_cast<WPARAM>(TRUE));
    DestroyWindow(main);
    Drain();
}

TEST_F(DialogTest, ComboChoiceSendsSelEndOkWithTheSelectionAlreadySet) {
    int selSeen = -2;
    INT_PTR r = Run([&](HWND dlg) {
        EXPECT_TRUE(qa::DialogChooseComboEntry(dlg, 1000, 1));
        for (const auto& l : g_d.log)
            if (l.msg == WM_COMMAND && HIWORD(l.wp) == CBN_SELENDOK)
                selSeen = static_cast<int>(SendMessageA(GetDlgItem(dlg, 1000), CB_GETCURSEL, 0, 0));
        EXPECT_FALSE(qa::DialogChooseComboEntry(dlg, 1000, 5)) << "no such entry";
        EXPECT_FALSE(qa::DialogChooseComboEntry(dlg, 1002, 0)) << "a disabled combo box takes no choice";
        qa::DialogPressKey(dlg, VK_RETURN);
    });
    EXPECT_EQ(r, IDOK) << "Return presses the default button";
    auto cmds = Commands();
    ASSERT_GE(cmds.size(), 2u);
    EXPECT_EQ(cmds[0], std::make_pair(1000, CBN_SELENDOK));
    EXPECT_EQ(selSeen, 1);
    EXPECT_EQ(cmds.back(), std::make_pair(IDOK, BN_CLICKED));
    ASSERT_FALSE(qa::DialogsShown().empty());
    EXPECT_EQ(qa::DialogsShown().back().result, IDOK);
}

TEST_F(DialogTest, AutoRadioButtonsClearTheOtherOfTheirGroup) {
    bool fullscreen = true, windowed = false;
    Run([&](HWND dlg) {
        EXPECT_TRUE(qa::DialogClickButton(dlg, 1004));
        fullscreen = SendMessageA(GetDlgItem(dlg, 1003), BM_GETCHECK, 0, 0) == BST_CHECKED;
        windowed = SendMessageA(GetDlgItem(dlg, 1004), BM_GETCHECK, 0, 0) == BST_CHECKED;
        EnableWindow(GetDlgItem(dlg, 1003), FALSE);
        EXPECT_FALSE(qa::DialogClickButton(dlg, 1003)) << "a disabled radio button cannot be chosen";
        qa::DialogPressKey(dlg, VK_ESCAPE);
    });
    EXPECT_FALSE(fullscreen);
    EXPECT_TRUE(windowed);
    auto cmds = Commands();
    EXPECT_EQ(cmds.front(), std::make_pair(1004, BN_CLICKED));
    EXPECT_EQ(cmds.back(), std::make_pair(IDCANCEL, BN_CLICKED));
}

TEST_F(DialogTest, CloseBoxAndEscapeCancel) {
    EXPECT_EQ(Run([](HWND dlg) { qa::DialogCloseBox(dlg); }), IDCANCEL);
    EXPECT_EQ(Commands().back().first, IDCANCEL);
    g_d.log.clear();
    EXPECT_EQ(Run([](HWND dlg) { qa::DialogPressKey(dlg, VK_ESCAPE); }), IDCANCEL);
    EXPECT_EQ(Commands().back().first, IDCANCEL);
    // Keys typed while the dialog runs go to the dialog, not to its owner.
    g_d.log.clear();
    EXPECT_EQ(Run([](HWND) {
                  qa::KeyPress(VK_RETURN);
              }),
              IDOK);
    EXPECT_EQ(Recorder::Get().Count(WM_KEYDOWN), 0);
}

TEST_F(DialogTest, MissingTemplateFails) {
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(4242), owner, TestDialogProc, 0), -1);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

}  // namespace
