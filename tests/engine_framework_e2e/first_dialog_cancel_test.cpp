// The first "Game Settings" dialog closed without applying: the game must start
// in a window with consistent windowed parameters although the device table now
// says full screen; a later F2 shows that table state; Escape (through the game)
// closes the program once, even when the game asks to quit again while closing.
// Runs in a child process of its own: the application object and the dialog's
// first-opening flag exist once per process.
#include "shell_scenario.h"

#include <cstdio>
#include <cstdlib>

namespace {
using namespace shell_e2e;
namespace qa = quil_automation;

void CancelledFirstDialogStory() {
    UseHeadlessPlatform();
    static ProbeGame probe;
    probe.quitOnEscape = true;
    probe.quitInShutdown = true;
    static Scenario story;
    PCSystem* app = GetPCSystem();

    static qa::ShownDialog firstLook;
    qa::QueueDialogScript([](HWND dialog) {
        firstLook = qa::DescribeDialog(dialog);
        qa::DialogCloseBox(dialog);
    });

    static int firstMode = -1;
    story.Add("windowed device after the cancelled dialog", [] {
        PCSystem* app = GetPCSystem();
        if (!app->GetDevice() || !app->IsReady()) return false;
        const DeviceEntry* device = CurrentDevice(app);
        firstMode = First800x600x16(*device);
        EXPECT_GE(firstMode, 0);
        EXPECT_TRUE(Control(firstLook, IDC_FULLSCREEN) && Control(firstLook, IDC_FULLSCREEN)->checked);
        EXPECT_FALSE(qa::DialogsShown().empty());
        if (!qa::DialogsShown().empty()) {
            EXPECT_EQ(qa::DialogsShown().back().result, IDCANCEL);
        }

        // The table keeps what the first opening wrote ...
        EXPECT_FALSE(device->bWindowed);
        EXPECT_EQ((int)device->dwCurrentMode, firstMode);
        // ... while the game runs in a window with windowed parameters throughout.
        EXPECT_TRUE(app->IsWindowed());
        const D3DPRESENT_PARAMETERS& pp = app->GetPresentParameters();
        EXPECT_TRUE(pp.Windowed);
        EXPECT_EQ(pp.FullScreen_PresentationInterval, 0u);
        EXPECT_EQ(pp.BackBufferWidth, 640u);
        EXPECT_EQ(pp.BackBufferHeight, 480u);
        EXPECT_EQ(pp.BackBufferFormat, app->GetAdapter(app->GetCurrentAdapter())->d3ddmDesktop.Format);
        EXPECT_EQ(app->GetBackBufferDesc()->Width, 640u);
        EXPECT_EQ(app->GetBackBufferDesc()->Height, 480u);
        EXPECT_NE(GetMenu(app->GetHWnd()), nullptr);
        EXPECT_NE(GetWindowLongA(app->GetHWnd(), GWL_STYLE), (LONG)(WS_POPUP | WS_SYSMENU | WS_VISIBLE));
        return true;
    });
    story.WaitFrames("frames run", &probe, 5);

    // The second opening shows the table as it is and writes nothing.
    static qa::ShownDialog secondLook;
    static bool dialogRan = false;
    story.Do("F2", [] {
        qa::QueueDialogScript([](HWND dialog) {
            dialogRan = true;
            secondLook = qa::DescribeDialog(dialog);
            qa::DialogPressKey(dialog, VK_ESCAPE);
        });
        qa::KeyPress(VK_F2);
    });
    story.Add("second opening shows the table", [] {
        PCSystem* app = GetPCSystem();
        if (!dialogRan || !app->IsReady()) return false;
        EXPECT_TRUE(Control(secondLook, IDC_FULLSCREEN) && Control(secondLook, IDC_FULLSCREEN)->checked);
        EXPECT_TRUE(Control(secondLook, IDC_FULLSCREENMODES_COMBO) &&
                    Control(secondLook, IDC_FULLSCREENMODES_COMBO)->enabled);
        EXPECT_EQ(SelectedText(secondLook, IDC_FULLSCREENMODES_COMBO), "800 x 600 x 16");
        EXPECT_FALSE(CurrentDevice(app)->bWindowed);
        EXPECT_EQ((int)CurrentDevice(app)->dwCurrentMode, firstMode);
        EXPECT_TRUE(app->IsWindowed());
        return true;
    });
    story.WaitFrames("frames after the dialog", &probe, 3);

    // F1 goes to full screen in the mode the first opening chose, and back.
    story.Do("F1", [] { qa::KeyPress(VK_F1); });
    story.Add("full screen in 800 x 600", [] {
        PCSystem* app = GetPCSystem();
        if (app->IsWindowed() || !app->IsReady()) return false;
        EXPECT_EQ(app->GetBackBufferDesc()->Width, 800u);
        EXPECT_EQ(app->GetBackBufferDesc()->Height, 600u);
        EXPECT_EQ(GetMenu(app->GetHWnd()), nullptr);
        return true;
    });
    story.Do("F1 again", [] { qa::KeyPress(VK_F1); });
    story.Add("windowed again", [] {
        PCSystem* app = GetPCSystem();
        if (!app->IsWindowed() || !app->IsReady()) return false;
        EXPECT_TRUE(CurrentDevice(app)->bWindowed);
        EXPECT_EQ(app->GetBackBufferDesc()->Width, 640u);
        EXPECT_NE(GetMenu(app->GetHWnd()), nullptr);
        return true;
    });

    // The program is closed from full screen: the menu put aside goes too.
    static HMENU menu = nullptr;
    story.Do("F1 once more", [] {
        menu = GetMenu(GetPCSystem()->GetHWnd());
        qa::KeyPress(VK_F1);
    });
    story.Add("full screen to close from", [] {
        PCSystem* app = GetPCSystem();
        return !app->IsWindowed() && app->IsReady();
    });
    story.WaitFrames("frames in full screen", &probe, 3);

    // Escape, held for a few frames, makes the game ask to quit; the close comes
    // with the next window message, the key's release.
    story.Do("Escape down", [] { qa::KeyDown(VK_ESCAPE); });
    story.WaitFrames("Escape held", &probe, 3);
    story.Do("Escape up", [] {
        EXPECT_NE(GetPCSystem()->GetHWnd(), nullptr) << "closed before any message came";
        qa::KeyUp(VK_ESCAPE);
    });
    story.AwaitClose();

    story.Install();
    const int result = GetGameEngine()->Run(GetModuleHandleA(nullptr), &probe, GAMEENGINE_NOSOUND);
    Scenario::Uninstall();

    EXPECT_TRUE(story.ClosedAtTheEnd()) << "stopped at: " << story.Current();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(app->GetDevice(), nullptr);
    EXPECT_EQ(app->GetHWnd(), nullptr);
    EXPECT_EQ(probe.shutdowns, 1);
    EXPECT_NE(menu, nullptr);
    EXPECT_FALSE(DestroyMenu(menu)) << "the menu bar put aside in full screen outlived the window";
    const std::string log = ReadFile("DebugOutput.Dbg");
    EXPECT_EQ(CountOf(log, "Initialising Velmarune GameEngine\n"), 1) << log;
    EXPECT_EQ(CountOf(log, "Destroying Velmarune GameEngine\n"), 1) << log;
    ExpectNoFrameworkBox();
}

TEST(ApplicationShellDeathTest, CancelledFirstDialogStartsWindowedAndEscapeQuitsOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            CancelledFirstDialogStory();
            std::_Exit(ReportFailuresToParent());
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
