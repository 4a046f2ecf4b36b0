// The application shell from start to exit, as a player meets it, through the
// platform's automation interface: the first "Game Settings" dialog, the device,
// frames, full screen and back by F1 and Alt+Enter, a lost device, minimising,
// the mouse, pauses, F2 with cancel and with apply, Pause/Play, a resize and Exit.
// The application object, its pause counter and the dialog's first-opening flag
// live once per process, so the whole story is one test.
#include "shell_scenario.h"

namespace {
using namespace shell_e2e;

// Adds the steps of one switch to full screen and back, by the given key press.
void AddFullScreenRoundTrip(Scenario& story, ProbeGame* probe, const std::string& name,
                            std::function<void()> press) {
    auto before = std::make_shared<WindowLook>();
    auto size = std::make_shared<std::pair<UINT, UINT>>();
    story.Do(name + " to full screen", [before, size, press] {
        PCSystem* app = GetPCSystem();
        *before = LookOf(app->GetHWnd());
        *size = {app->GetBackBufferDesc()->Width, app->GetBackBufferDesc()->Height};
        press();
    });
    story.Add(name + " reaches full screen", Ready(false, ExpectFullScreenAndCover));
    story.WaitFrames(name + " draws in full screen", probe, 3);
    story.Do(name + " back to the window", press);
    story.Add(name + " is back in the window",
              Ready(true, [before, size](PCSystem* app) { ExpectWindow(app, *before, size->first, size->second); }));
    story.WaitFrames(name + " draws in the window", probe, 3);
}

void PressAltEnter() {
    qa::KeyDown(VK_MENU);
    qa::KeyPress(VK_RETURN);
    qa::KeyUp(VK_MENU);
}

TEST(ApplicationShell, FromTheSettingsDialogToExit) {
    UseHeadlessPlatform();
    static ProbeGame probe;
    static Scenario story;

    // The first dialog, before any device (its contents are the dialog suite's):
    // the player picks the desktop window and applies.
    static qa::ShownDialog firstLook, afterWindowClick;
    static bool deviceBeforeDialog = true;
    qa::QueueDialogScript([](HWND dialog) {
        deviceBeforeDialog = GetPCSystem()->GetDevice() != nullptr;
        firstLook = qa::DescribeDialog(dialog);
        qa::DialogClickButton(dialog, IDC_WINDOW);
        afterWindowClick = qa::DescribeDialog(dialog);
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
        EXPECT_TRUE(Control(afterWindowClick, IDC_WINDOW).checked);
        EXPECT_FALSE(Control(afterWindowClick, IDC_FULLSCREENMODES_COMBO).enabled);

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
    story.Do("frame updates have time", [] {
        EXPECT_GE(probe.updates, 9);
        EXPECT_EQ(probe.zeroDtUpdates, 0);
    });

    // Frames without elapsed time are skipped entirely (the first pump after the
    // stop still had its time).
    static int rendersFrozen = -1, updatesFrozen = 0;
    story.Do("clock stopped", [] { story.FreezeClock(true); });
    story.Hold("no frame without time", 10, [] {
        if (rendersFrozen < 0) rendersFrozen = probe.renders, updatesFrozen = probe.updates;
        EXPECT_EQ(probe.renders, rendersFrozen);
        EXPECT_EQ(probe.updates, updatesFrozen);
    });
    story.Do("clock runs again", [] { story.FreezeClock(false); });
    story.WaitFrames("frames with time again", &probe, 3);

    AddFullScreenRoundTrip(story, &probe, "F1", [] { qa::KeyPress(VK_F1); });
    AddFullScreenRoundTrip(story, &probe, "Alt+Enter", PressAltEnter);

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

    // Minimised, the application waits for messages and draws nothing.
    static int rendersAtMinimise = 0;
    story.Do("minimise", [] {
        qa::Minimise(GetPCSystem()->GetHWnd());
        rendersAtMinimise = probe.renders;
    });
    story.Hold("nothing drawn while minimised", 20, [] {
        EXPECT_FALSE(GetPCSystem()->IsActive());
        EXPECT_EQ(probe.renders, rendersAtMinimise);
    });
    story.Do("restore", [] { qa::Restore(GetPCSystem()->GetHWnd()); });
    story.WaitFrames("frames after restoring", &probe, 3);

    // The captured mouse: positions left of and above the client area stay
    // negative; past the window's edge the cursor is warped back inside, but only
    // while the program has the focus.
    static RECT windowRect;
    story.Do("mouse captured", [] {
        GetPCSystem()->SetMouseCapture(true);
        qa::MouseMove(GetPCSystem()->GetHWnd(), -5, -7);
    });
    story.Add("negative positions", [] {
        const MouseState* mouse = GetPCSystem()->GetMouse();
        return mouse->x == -5 && mouse->y == -7;
    });
    story.Do("cursor past the right edge", [] {
        GetWindowRect(GetPCSystem()->GetHWnd(), &windowRect);
        qa::MouseMove(GetPCSystem()->GetHWnd(), windowRect.right - windowRect.left + 50, 100);
    });
    story.Add("cursor warped to the left edge", [] {
        POINT p;
        GetCursorPos(&p);
        return p.x == windowRect.left + 3 && GetPCSystem()->GetMouse()->x == 3;
    });
    story.Do("focus lost, cursor past the edge", [] {
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

    // Pauses nest: only the last resume makes the application ready; while paused
    // nothing is drawn and F2, F1 and Alt+Enter do nothing.
    static int rendersAtPauses = 0;
    static size_t dialogsBefore = 0;
    story.Do("nested pauses", [] {
        PCSystem* app = GetPCSystem();
        app->Pause(TRUE);
        app->Pause(TRUE);
        app->Pause(FALSE);
        rendersAtPauses = probe.renders;
        dialogsBefore = qa::DialogsShown().size();
        qa::KeyPress(VK_F2);
        qa::KeyPress(VK_F1);
        PressAltEnter();
    });
    story.Hold("nothing happens while paused", 20, [] {
        EXPECT_FALSE(GetPCSystem()->IsReady());
        EXPECT_TRUE(GetPCSystem()->IsWindowed());
        EXPECT_EQ(probe.renders, rendersAtPauses);
        EXPECT_EQ(qa::DialogsShown().size(), dialogsBefore);
    });
    story.Do("last resume", [] {
        GetPCSystem()->Pause(FALSE);
        EXPECT_TRUE(GetPCSystem()->IsReady());
    });
    story.WaitFrames("frames after the pauses", &probe, 3);

    // The context menu's "&Change Device" shows the table's state; cancelling
    // changes nothing, even after the player picked full screen in the dialog.
    static qa::ShownDialog secondLook;
    static IDirect3DDevice8* deviceBeforeCancel = nullptr;
    static DeviceEntry tableBeforeCancel;
    story.Do("Change Device from the context menu", [] {
        deviceBeforeCancel = GetPCSystem()->GetDevice();
        tableBeforeCancel = *CurrentDevice(GetPCSystem());
        dialogsBefore = qa::DialogsShown().size();
        qa::QueueDialogScript([](HWND dialog) {
            secondLook = qa::DescribeDialog(dialog);
            qa::DialogClickButton(dialog, IDC_FULLSCREEN);
            qa::DialogChooseComboEntry(dialog, IDC_FULLSCREENMODES_COMBO, 0);
            qa::DialogPressKey(dialog, VK_ESCAPE);
        });
        qa::QueueMenuAnswer(IDM_CHANGEDEVICE);
        qa::Click(GetPCSystem()->GetHWnd(), 2, 100, 100);
    });
    story.Add("dialog cancelled", [] {
        PCSystem* app = GetPCSystem();
        if (qa::DialogsShown().size() == dialogsBefore || !app->IsReady()) return false;
        EXPECT_TRUE(Control(secondLook, IDC_WINDOW).checked);
        EXPECT_FALSE(Control(secondLook, IDC_FULLSCREENMODES_COMBO).enabled);
        EXPECT_EQ(SelectedText(secondLook, IDC_FULLSCREENMODES_COMBO),
                  ModeText(tableBeforeCancel.modes[tableBeforeCancel.dwCurrentMode]));
        EXPECT_EQ(SelectedText(secondLook, IDC_DEVICE_COMBO), tableBeforeCancel.strDesc);
        EXPECT_EQ(app->GetDevice(), deviceBeforeCancel);
        EXPECT_TRUE(app->IsWindowed());
        EXPECT_TRUE(CurrentDevice(app)->bWindowed);
        EXPECT_EQ(CurrentDevice(app)->dwCurrentMode, tableBeforeCancel.dwCurrentMode);
        return true;
    });

    // F2 and Apply on a full-screen mode creates the device anew in that mode;
    // F2 in full screen first returns to the window, which the dialog then shows.
    static int restoresBeforeApply = 0;
    static qa::ShownDialog fromFullScreen;
    story.Do("F2 applies a full-screen mode", [] {
        restoresBeforeApply = probe.restores;
        qa::QueueDialogScript([](HWND dialog) {
            qa::DialogClickButton(dialog, IDC_FULLSCREEN);
            qa::DialogChooseComboEntry(dialog, IDC_FULLSCREENMODES_COMBO, 0);
            qa::DialogClickButton(dialog, IDOK);
        });
        qa::KeyPress(VK_F2);
    });
    story.Add("device recreated in full screen", [] {
        PCSystem* app = GetPCSystem();
        if (probe.restores == restoresBeforeApply || !app->IsReady()) return false;
        EXPECT_EQ(CurrentDevice(app)->dwCurrentMode, 0u);
        ExpectFullScreenAndCover(app);
        return true;
    });
    story.WaitFrames("frames in the chosen mode", &probe, 3);
    story.Do("F2 from full screen", [] {
        dialogsBefore = qa::DialogsShown().size();
        qa::QueueDialogScript([](HWND dialog) {
            fromFullScreen = qa::DescribeDialog(dialog);
            qa::DialogClickButton(dialog, IDOK);
        });
        qa::KeyPress(VK_F2);
    });
    story.Add("back in a window after the dialog", [] {
        PCSystem* app = GetPCSystem();
        if (qa::DialogsShown().size() == dialogsBefore || !app->IsReady()) return false;
        EXPECT_TRUE(Control(fromFullScreen, IDC_WINDOW).checked);
        EXPECT_TRUE(app->IsWindowed());
        EXPECT_NE(GetMenu(app->GetHWnd()), nullptr);
        EXPECT_EQ(app->GetBackBufferDesc()->Width, 640u);
        EXPECT_EQ(app->GetBackBufferDesc()->Height, 480u);
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

    // Statistics, rebuilt once a second: frames per second, the back buffer's size
    // and depth, the depth-stencil format.
    story.Add("frame statistics", [] {
        const std::string stats = GetPCSystem()->GetFrameStats();
        const int bits = GetPCSystem()->GetAdapter(0)->d3ddmDesktop.Format == D3DFMT_X8R8G8B8 ? 32 : 16;
        if (stats.find(" FPS (720X540X" + std::to_string(bits) + ")") == std::string::npos) return false;
        const DeviceEntry* device = CurrentDevice(GetPCSystem());
        if (device->modes[device->dwCurrentMode].DepthStencilFormat == D3DFMT_D16) {
            EXPECT_NE(stats.find(") (D16)"), std::string::npos) << stats;
        }
        return true;
    });

    story.Do("Exit", [] { EXPECT_TRUE(qa::ChooseMenuItem(GetPCSystem()->GetHWnd(), IDM_EXIT)); });
    story.AwaitClose();

    EXPECT_EQ(story.Run(&probe, 0), 0);
    EXPECT_FALSE(GetGameEngine()->IsInitialised());
    ExpectCleanEnd();
}

}  // namespace
