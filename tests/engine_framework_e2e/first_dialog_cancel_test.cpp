// The first "Game Settings" dialog closed without applying: the game must start
// in a window with consistent windowed parameters although the device table now
// says full screen; a later F2 shows that table state; Escape (through the game)
// closes the program once, even when the game asks to quit again while closing.
#include "shell_scenario.h"

namespace {
using namespace shell_e2e;

void CancelledFirstDialogStory() {
    UseHeadlessPlatform();
    static ProbeGame probe;
    probe.quitOnEscape = probe.quitInShutdown = true;
    static Scenario story;
    static qa::ShownDialog look;
    static int firstMode = -1;
    qa::QueueDialogScript([](HWND dialog) {
        look = qa::DescribeDialog(dialog);
        qa::DialogCloseBox(dialog);
    });
    story.Add("windowed device after the cancelled dialog", [] {
        PCSystem* app = GetPCSystem();
        if (!app->GetDevice() || !app->IsReady()) return false;
        const DeviceEntry* device = CurrentDevice(app);
        firstMode = First800x600x16(*device);
        EXPECT_TRUE(Control(look, IDC_FULLSCREEN).checked);
        EXPECT_EQ(qa::DialogsShown().back().result, IDCANCEL);
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
        EXPECT_NE(GetMenu(app->GetHWnd()), nullptr);
        EXPECT_FALSE(GetWindowLongA(app->GetHWnd(), GWL_STYLE) & WS_POPUP);
        return true;
    });
    story.WaitFrames("frames run", &probe, 5);

    // The second opening shows the table as it is and writes nothing.
    story.Do("F2", [] {
        qa::QueueDialogScript([](HWND dialog) {
            look = qa::DescribeDialog(dialog);
            qa::DialogPressKey(dialog, VK_ESCAPE);
        });
        qa::KeyPress(VK_F2);
    });
    story.Add("second opening shows the table", [] {
        PCSystem* app = GetPCSystem();
        if (qa::DialogsShown().size() < 2 || !app->IsReady()) return false;
        EXPECT_TRUE(Control(look, IDC_FULLSCREEN).checked);
        EXPECT_EQ(SelectedText(look, IDC_FULLSCREENMODES_COMBO), "800 x 600 x 16");
        EXPECT_FALSE(CurrentDevice(app)->bWindowed);
        EXPECT_TRUE(app->IsWindowed());
        return true;
    });

    // F1 goes to full screen in the mode the first opening chose; the program is
    // closed from there, and the menu put aside goes too.
    static HMENU menu = nullptr;
    story.Do("F1", [] {
        menu = GetMenu(GetPCSystem()->GetHWnd());
        qa::KeyPress(VK_F1);
    });
    story.Add("full screen in 800 x 600", Ready(false, [](PCSystem* app) {
                  EXPECT_EQ((int)CurrentDevice(app)->dwCurrentMode, firstMode);
                  ExpectFullScreenAndCover(app);
              }));
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

    EXPECT_EQ(story.Run(&probe, GAMEENGINE_NOSOUND), 0);
    EXPECT_NE(menu, nullptr);
    EXPECT_FALSE(DestroyMenu(menu)) << "the menu bar put aside in full screen outlived the window";
    ExpectCleanEnd();
}

TEST(ApplicationShellDeathTest, CancelledFirstDialogStartsWindowedAndEscapeQuitsOnce) {
    RunInChild(CancelledFirstDialogStory);
}

}  // namespace
