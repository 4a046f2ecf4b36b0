// The first "Game Settings" dialog applied as offered: the game starts in full
// screen in the first 800 x 600 16-bit mode; F1 brings the 640 x 480 window with
// its menu, style and bounds, the same each time; the close box ends the program.
#include "shell_scenario.h"

namespace {
using namespace shell_e2e;

void FullScreenStartStory() {
    UseHeadlessPlatform();
    static ProbeGame probe;
    static Scenario story;
    qa::QueueDialogScript([](HWND dialog) { qa::DialogClickButton(dialog, IDOK); });

    story.Add("full screen from the start", Ready(false, [](PCSystem* app) {
                  const DeviceEntry* device = CurrentDevice(app);
                  EXPECT_EQ((int)device->dwCurrentMode, First800x600x16(*device));
                  ExpectFullScreenAndCover(app);
              }));
    story.WaitFrames("frames in full screen", &probe, 5);

    static WindowLook first;
    for (int round = 0; round < 2; ++round) {
        story.Do("F1 to the window", [] { qa::KeyPress(VK_F1); });
        story.Add("in the window", Ready(true, [round](PCSystem* app) {
                      const LONG framed = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_VISIBLE;
                      HWND hwnd = app->GetHWnd();
                      RECT client;
                      GetClientRect(hwnd, &client);
                      EXPECT_EQ(client.right - client.left, 640);
                      EXPECT_EQ(client.bottom - client.top, 480);
                      EXPECT_EQ(GetWindowLongA(hwnd, GWL_STYLE) & (framed | WS_POPUP), framed);
                      if (round == 0) first = LookOf(hwnd);
                      ExpectWindow(app, first, 640, 480);
                  }));
        story.WaitFrames("frames in the window", &probe, 3);
        story.Do("F1 to full screen", [] { qa::KeyPress(VK_F1); });
        story.Add("full screen again", Ready(false, ExpectFullScreenAndCover));
        story.WaitFrames("frames in full screen again", &probe, 3);
    }
    story.Do("close box", [] { qa::CloseBox(GetPCSystem()->GetHWnd()); });
    story.AwaitClose();

    EXPECT_EQ(story.Run(&probe, GAMEENGINE_NOSOUND), 0);
    ExpectCleanEnd();
}

TEST(ApplicationShellDeathTest, AppliedFirstDialogStartsInFullScreen) { RunInChild(FullScreenStartStory); }

}  // namespace
