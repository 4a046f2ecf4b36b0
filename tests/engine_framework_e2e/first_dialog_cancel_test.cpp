// The first "Game Settings" dialog closed without applying: the game starts in a
// window with windowed parameters, although the table says full screen, which F1
// then reaches; Escape (through the game) closes the program once, even when the
// game asks to quit again while closing, and the menu put aside goes too.
#include "shell_scenario.h"

namespace {
using namespace shell_e2e;

TEST(ApplicationShell, CancelledFirstDialogStartsWindowedAndEscapeQuitsOnce) {
    UseHeadlessPlatform();
    static ProbeGame probe;
    probe.quitOnEscape = probe.quitInShutdown = true;
    static Scenario story;
    qa::QueueDialogScript([](HWND dialog) { qa::DialogCloseBox(dialog); });
    story.Add("windowed device after the cancelled dialog", [] {
        PCSystem* app = GetPCSystem();
        if (!app->GetDevice() || !app->IsReady()) return false;
        EXPECT_FALSE(CurrentDevice(app)->bWindowed);
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

    static HMENU menu = nullptr;
    story.Do("F1", [] {
        menu = GetMenu(GetPCSystem()->GetHWnd());
        qa::KeyPress(VK_F1);
    });
    story.Add("full screen in the first opening's 800 x 600 mode", Ready(false, [](PCSystem* app) {
                  EXPECT_EQ((int)CurrentDevice(app)->dwCurrentMode, First800x600x16(*CurrentDevice(app)));
                  ExpectFullScreenAndCover(app);
              }));
    story.WaitFrames("frames in full screen", &probe, 3);

    // Held Escape makes the game ask to quit; the close comes with the next window
    // message, the key's release.
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
    ExpectCleanEnd(false);
}

}  // namespace
