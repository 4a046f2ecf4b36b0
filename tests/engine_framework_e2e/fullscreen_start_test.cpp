// The first "Game Settings" dialog applied as offered: the game starts in full
// screen in the first 800 x 600 16-bit mode, F1 brings the window with its menu,
// style and bounds, F1 goes back; the close box ends the program.
// Runs in a child process of its own, as the first opening happens once per process.
#include "shell_scenario.h"

#include <cstdio>
#include <cstdlib>

namespace {
using namespace shell_e2e;
namespace qa = quil_automation;

constexpr LONG kFramedStyle = (LONG)(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX);

void FullScreenStartStory() {
    UseHeadlessPlatform();
    static ProbeGame probe;
    static Scenario story;
    PCSystem* app = GetPCSystem();

    qa::QueueDialogScript([](HWND dialog) { qa::DialogClickButton(dialog, IDOK); });

    story.Add("full screen from the start", [] {
        PCSystem* app = GetPCSystem();
        if (!app->GetDevice() || !app->IsReady()) return false;
        const DeviceEntry* device = CurrentDevice(app);
        EXPECT_EQ((int)device->dwCurrentMode, First800x600x16(*device));
        EXPECT_FALSE(app->IsWindowed());
        EXPECT_FALSE(app->GetPresentParameters().Windowed);
        EXPECT_EQ(app->GetBackBufferDesc()->Width, 800u);
        EXPECT_EQ(app->GetBackBufferDesc()->Height, 600u);
        EXPECT_EQ(app->GetBackBufferDesc()->Format, D3DFMT_R5G6B5);
        EXPECT_EQ(GetMenu(app->GetHWnd()), nullptr);
        EXPECT_EQ(GetWindowLongA(app->GetHWnd(), GWL_STYLE), (LONG)(WS_POPUP | WS_SYSMENU | WS_VISIBLE));
        return true;
    });
    story.WaitFrames("frames in full screen", &probe, 5);

    static RECT windowedBounds;
    static HMENU menu = nullptr;
    for (int round = 0; round < 2; ++round) {
        story.Do("F1 to the window", [] { qa::KeyPress(VK_F1); });
        story.Add("in the window", [round] {
            PCSystem* app = GetPCSystem();
            if (!app->IsWindowed() || !app->IsReady()) return false;
            HWND hwnd = app->GetHWnd();
            RECT client, bounds;
            GetClientRect(hwnd, &client);
            GetWindowRect(hwnd, &bounds);
            EXPECT_EQ(client.right - client.left, 640);
            EXPECT_EQ(client.bottom - client.top, 480);
            EXPECT_EQ(app->GetBackBufferDesc()->Width, 640u);
            EXPECT_EQ(app->GetBackBufferDesc()->Height, 480u);
            EXPECT_TRUE(app->GetPresentParameters().Windowed);
            EXPECT_EQ(GetWindowLongA(hwnd, GWL_STYLE) & kFramedStyle, kFramedStyle);
            EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE);
            EXPECT_FALSE(GetWindowLongA(hwnd, GWL_STYLE) & WS_POPUP);
            EXPECT_NE(GetMenu(hwnd), nullptr);
            if (round == 0) {
                windowedBounds = bounds;
                menu = GetMenu(hwnd);
            } else {
                EXPECT_TRUE(SameRect(bounds, windowedBounds)) << RectText(bounds) << " was "
                                                              << RectText(windowedBounds);
                EXPECT_EQ(GetMenu(hwnd), menu);
            }
            return true;
        });
        story.WaitFrames("frames in the window", &probe, 3);
        story.Do("F1 to full screen", [] { qa::KeyPress(VK_F1); });
        story.Add("full screen again", [] {
            PCSystem* app = GetPCSystem();
            if (app->IsWindowed() || !app->IsReady()) return false;
            EXPECT_EQ(GetMenu(app->GetHWnd()), nullptr);
            EXPECT_EQ(app->GetBackBufferDesc()->Width, 800u);
            // A display switch would make the window cover the screen.
            SetWindowPos(app->GetHWnd(), nullptr, 0, 0, 800, 600, SWP_NOZORDER);
            return true;
        });
        story.WaitFrames("frames in full screen again", &probe, 3);
    }

    story.Do("close box", [] { qa::CloseBox(GetPCSystem()->GetHWnd()); });
    story.AwaitClose();

    story.Install();
    const int result = GetGameEngine()->Run(GetModuleHandleA(nullptr), &probe, GAMEENGINE_NOSOUND);
    Scenario::Uninstall();

    EXPECT_TRUE(story.ClosedAtTheEnd()) << "stopped at: " << story.Current();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(app->GetDevice(), nullptr);
    EXPECT_EQ(probe.shutdowns, 1);
    ExpectNoFrameworkBox();
}

TEST(ApplicationShellDeathTest, AppliedFirstDialogStartsInFullScreen) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FullScreenStartStory();
            std::_Exit(ReportFailuresToParent());
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
