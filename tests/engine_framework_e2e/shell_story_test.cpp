// The application shell from start to exit through the platform's automation
// interface: the first "Game Settings" dialog, frames, full screen and back, a lost
// device, the mouse, the settings dialog with apply and with cancel, Pause/Play, a
// resize and Exit. The application lives once per process, so it is one test.
#include "shell_scenario.h"

namespace {
using namespace shell_e2e;

TEST(ApplicationShell, FromTheSettingsDialogToExit) {
    UseHeadlessPlatform();
    static ProbeGame probe;
    static Scenario story;

    // The first dialog, before any device (its contents are the dialog suite's):
    // the player picks the desktop window and applies.
    static qa::ShownDialog firstLook;
    static bool deviceBeforeDialog = true;
    qa::QueueDialogScript([](HWND dialog) {
        deviceBeforeDialog = GetPCSystem()->GetDevice() != nullptr;
        firstLook = qa::DescribeDialog(dialog);
        qa::DialogClickButton(dialog, IDC_WINDOW);
        qa::DialogClickButton(dialog, IDOK);
    });
    story.Add("device created after the first dialog", [] {
        PCSystem* app = GetPCSystem();
        if (!app->GetDevice() || !app->IsReady() || !app->IsActive()) return false;
        EXPECT_FALSE(deviceBeforeDialog);
        const DeviceEntry* device = CurrentDevice(app);
        const int expectedMode = First800x600x16(*device);
        EXPECT_GE(expectedMode, 0) << "the platform offers no 800 x 600 16-bit mode";
        EXPECT_TRUE(Control(firstLook, IDC_FULLSCREEN).checked);
        EXPECT_EQ(Control(firstLook, IDC_FULLSCREENMODES_COMBO).selection, expectedMode);

        // Windowed at the client size, the 800 x 600 mode remembered for full screen.
        EXPECT_TRUE(app->IsWindowed());
        EXPECT_EQ((int)device->dwCurrentMode, expectedMode);
        RECT client;
        GetClientRect(app->GetHWnd(), &client);
        EXPECT_EQ(client.right - client.left, 640);
        EXPECT_EQ(client.bottom - client.top, 480);
        ExpectWindow(app, LookOf(app->GetHWnd()), 640, 480);
        EXPECT_EQ(probe.inits, 1);
        return true;
    });
    story.WaitFrames("frames run", &probe, 10);

    // A lost device skips frames until it can be reset; the reset frame draws nothing.
    static int updatesAtLoss = 0, rendersAtLoss = 0, restoresAtLoss = 0;
    static bool firstLookAfterLoss = true;
    story.Do("device lost", [] {
        qa::MakeDeviceLost(GetPCSystem()->GetDevice());
        updatesAtLoss = probe.updates, rendersAtLoss = probe.renders, restoresAtLoss = probe.restores;
    });
    story.Add("lost device is reset without drawing", [] {
        if (firstLookAfterLoss) {
            firstLookAfterLoss = false;
            EXPECT_EQ(probe.restores, restoresAtLoss) << "the device was reset while still lost";
        }
        EXPECT_EQ(probe.renders, rendersAtLoss) << "a frame was drawn on a lost or just reset device";
        if (probe.restores == restoresAtLoss) return false;
        EXPECT_EQ(probe.updates, updatesAtLoss);
        EXPECT_EQ(GetPCSystem()->GetDevice()->TestCooperativeLevel(), D3D_OK);
        return true;
    });
    story.WaitFrames("frames after the reset", &probe, 3);

    // The captured mouse: positions left of and above the client area stay
    // negative; the edge warp (the smoke test's) waits for the focus.
    static RECT windowRect;
    story.Do("mouse captured", [] {
        GetPCSystem()->SetMouseCapture(true);
        qa::MouseMove(GetPCSystem()->GetHWnd(), -5, -7);
    });
    story.Add("negative positions", [] {
        const MouseState* mouse = GetPCSystem()->GetMouse();
        return mouse->x == -5 && mouse->y == -7;
    });
    // Held inside the window (as the desktop's pointer grab holds it), the pointer
    // pushed past an edge is stored at the edge warp's positions and lands just
    // inside the client area; it does not bounce back.
    story.Do("held pointer pushed past the right edge", [] {
        GetWindowRect(GetPCSystem()->GetHWnd(), &windowRect);
        qa::HoldPointer(true);
        qa::MouseMove(GetPCSystem()->GetHWnd(), 640 + 50, 100);
    });
    auto clientCursor = [] {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(GetPCSystem()->GetHWnd(), &p);
        return p;
    };
    story.Add("stored x 3, pointer one pixel inside the left edge", [clientCursor] {
        if (GetPCSystem()->GetMouse()->x != 3) return false;
        EXPECT_EQ(clientCursor().x, 1);
        EXPECT_EQ(clientCursor().y, 100);
        return true;
    });
    story.Do("held pointer pushed above the window", [] { qa::MouseMove(GetPCSystem()->GetHWnd(), 100, -80); });
    story.Add("stored y the window's height - 3, pointer just inside the bottom", [clientCursor] {
        if (GetPCSystem()->GetMouse()->y != windowRect.bottom - windowRect.top - 3) return false;
        EXPECT_EQ(clientCursor().y, 480 - 2);
        return true;
    });
    story.Hold("no warp back", 10, [clientCursor] {
        EXPECT_EQ(clientCursor().x, 100);
        EXPECT_EQ(clientCursor().y, 478);
    });
    story.Do("hold off", [] { qa::HoldPointer(false); });
    story.Do("focus lost, cursor past the edge", [] {
        GetWindowRect(GetPCSystem()->GetHWnd(), &windowRect);
        qa::FocusLoss(GetPCSystem()->GetHWnd());
        qa::MouseMove(GetPCSystem()->GetHWnd(), windowRect.right - windowRect.left + 50, 100);
    });
    story.Hold("no warp without the focus", 10, [] {
        POINT p;
        GetCursorPos(&p);
        EXPECT_GE(p.x, windowRect.right) << "the cursor was held while another program is active";
    });
    story.Do("focus back, capture off", [] {
        qa::FocusGain(GetPCSystem()->GetHWnd());
        GetPCSystem()->SetMouseCapture(false);
    });

    // "&Change Device" from the context menu, applied on a full-screen mode, creates
    // the device anew in that mode.
    static int restoresBeforeApply = 0;
    static WindowLook windowed;
    story.Do("Change Device applies a full-screen mode", [] {
        restoresBeforeApply = probe.restores;
        windowed = LookOf(GetPCSystem()->GetHWnd());
        qa::QueueDialogScript([](HWND dialog) {
            qa::DialogClickButton(dialog, IDC_FULLSCREEN);
            qa::DialogChooseComboEntry(dialog, IDC_FULLSCREENMODES_COMBO, 0);
            qa::DialogClickButton(dialog, IDOK);
        });
        qa::QueueMenuAnswer(IDM_CHANGEDEVICE);
        qa::Click(GetPCSystem()->GetHWnd(), 2, 100, 100);
    });
    story.Add("device recreated in full screen", [] {
        PCSystem* app = GetPCSystem();
        if (probe.restores == restoresBeforeApply || !app->IsReady()) return false;
        EXPECT_EQ(CurrentDevice(app)->dwCurrentMode, 0u);
        ExpectFullScreenAndCover(app);
        return true;
    });
    story.WaitFrames("frames in the chosen mode", &probe, 3);

    // F2 in full screen first returns to the window as it was, which the dialog
    // shows; cancelling keeps it, even after the player picked full screen in it.
    static qa::ShownDialog fromFullScreen;
    static size_t dialogsBefore = 0;
    story.Do("F2 from full screen, cancelled", [] {
        dialogsBefore = qa::DialogsShown().size();
        qa::QueueDialogScript([](HWND dialog) {
            fromFullScreen = qa::DescribeDialog(dialog);
            qa::DialogClickButton(dialog, IDC_FULLSCREEN);
            qa::DialogChooseComboEntry(dialog, IDC_FULLSCREENMODES_COMBO, 1);
            qa::DialogPressKey(dialog, VK_ESCAPE);
        });
        qa::KeyPress(VK_F2);
    });
    story.Add("back in a window after the dialog", [] {
        PCSystem* app = GetPCSystem();
        if (qa::DialogsShown().size() == dialogsBefore || !app->IsReady()) return false;
        EXPECT_EQ(qa::DialogsShown().back().result, IDCANCEL);
        EXPECT_TRUE(Control(fromFullScreen, IDC_WINDOW).checked);
        EXPECT_FALSE(Control(fromFullScreen, IDC_FULLSCREENMODES_COMBO).enabled);
        EXPECT_TRUE(app->IsWindowed());
        EXPECT_EQ(CurrentDevice(app)->dwCurrentMode, 0u);
        ExpectWindow(app, windowed, 640, 480);
        return true;
    });
    story.WaitFrames("frames in the window again", &probe, 3);

    // Pause/Play: frames are still drawn, the scene is not updated, except once
    // after a device reset, here a user resize at the new client size.
    static int updatesAtPause = 0, rendersAtPause = 0;
    story.Do("Pause/Play stops", [] { EXPECT_TRUE(qa::ChooseMenuItem(GetPCSystem()->GetHWnd(), IDM_TOGGLESTART)); });
    story.Add("paused", [] {
        if (GetPCSystem()->IsFrameMoving() || !GetPCSystem()->IsReady()) return false;
        updatesAtPause = probe.updates, rendersAtPause = probe.renders;
        return true;
    });
    story.Add("drawn but not updated", [] {
        EXPECT_EQ(probe.updates, updatesAtPause);
        return probe.renders >= rendersAtPause + 10;
    });
    story.Do("resize while halted", [] {
        PCSystem* app = GetPCSystem();
        const int invalidates = probe.invalidates, restores = probe.restores;
        qa::UserResize(app->GetHWnd(), 720, 540);
        RECT client;
        GetClientRect(app->GetHWnd(), &client);
        EXPECT_EQ(client.right - client.left, 720);
        EXPECT_EQ(client.bottom - client.top, 540);
        EXPECT_EQ(app->GetBackBufferDesc()->Width, 720u);
        EXPECT_EQ(app->GetBackBufferDesc()->Height, 540u);
        EXPECT_EQ(probe.invalidates, invalidates + 1);
        EXPECT_EQ(probe.restores, restores + 1);
        EXPECT_TRUE(app->IsReady());
    });
    story.Hold("one update after the reset", 10, [] { EXPECT_LE(probe.updates, updatesAtPause + 1); });
    story.Do("check the update", [] { EXPECT_EQ(probe.updates, updatesAtPause + 1); });
    story.Do("Pause/Play resumes", [] { EXPECT_TRUE(qa::ChooseMenuItem(GetPCSystem()->GetHWnd(), IDM_TOGGLESTART)); });
    story.Add("updated again", [] { return GetPCSystem()->IsFrameMoving() && probe.updates >= updatesAtPause + 4; });

    story.Do("Exit", [] { EXPECT_TRUE(qa::ChooseMenuItem(GetPCSystem()->GetHWnd(), IDM_EXIT)); });
    story.AwaitClose();

    EXPECT_EQ(story.Run(&probe, 0), 0);
    EXPECT_FALSE(GetGameEngine()->IsInitialised());
    ExpectCleanEnd(true);
}

}  // namespace
