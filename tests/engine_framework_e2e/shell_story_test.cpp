// The application shell from start to exit, as a player meets it, through the
// platform's automation interface: the first "Game Settings" dialog, the device,
// frames, a resize, full screen and back by F1 and Alt+Enter, a lost device,
// minimising, F2 with cancel and with apply, Pause/Play and Exit.
// The application object, its pause counter and the dialog's first-opening flag
// live once per process, so the whole story is one test.
#include "shell_scenario.h"

#include <memory>

namespace {
using namespace shell_e2e;
namespace qa = quil_automation;

constexpr LONG kFullScreenStyle = (LONG)(WS_POPUP | WS_SYSMENU | WS_VISIBLE);

// What the window looked like before a switch to full screen.
struct WindowLook {
    LONG style = 0;
    RECT bounds{};
    HMENU menu = nullptr;
};

WindowLook LookOf(HWND hwnd) {
    WindowLook look;
    look.style = GetWindowLongA(hwnd, GWL_STYLE);
    GetWindowRect(hwnd, &look.bounds);
    look.menu = GetMenu(hwnd);
    return look;
}

// Full screen on the current mode: popup style, no menu, the mode's size and format.
void ExpectFullScreen(PCSystem* app, const char* how) {
    SCOPED_TRACE(how);
    HWND hwnd = app->GetHWnd();
    const DeviceEntry* device = CurrentDevice(app);
    const ModeEntry& mode = device->modes[device->dwCurrentMode];
    EXPECT_FALSE(app->IsWindowed());
    EXPECT_FALSE(device->bWindowed);
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_STYLE), kFullScreenStyle);
    EXPECT_EQ(GetMenu(hwnd), nullptr);
    EXPECT_FALSE(app->GetPresentParameters().Windowed);
    EXPECT_EQ(app->GetPresentParameters().FullScreen_PresentationInterval, (UINT)D3DPRESENT_INTERVAL_IMMEDIATE);
    EXPECT_EQ(app->GetBackBufferDesc()->Width, mode.Width);
    EXPECT_EQ(app->GetBackBufferDesc()->Height, mode.Height);
    EXPECT_EQ(app->GetBackBufferDesc()->Format, mode.Format);
}

// A display switch makes the full-screen window cover the screen; without a
// display the device leaves the window where it was, so the test moves it as the
// switch would, and the way back must restore the saved bounds.
void CoverTheScreen(PCSystem* app) {
    const DeviceEntry* device = CurrentDevice(app);
    const ModeEntry& mode = device->modes[device->dwCurrentMode];
    SetWindowPos(app->GetHWnd(), nullptr, 0, 0, (int)mode.Width, (int)mode.Height, SWP_NOZORDER);
}

// Back in the window: the style, bounds and menu it had, a back buffer of the
// client size in the desktop format.
void ExpectWindowRestored(PCSystem* app, const WindowLook& before, UINT width, UINT height, const char* how) {
    SCOPED_TRACE(how);
    HWND hwnd = app->GetHWnd();
    const WindowLook now = LookOf(hwnd);
    EXPECT_TRUE(app->IsWindowed());
    EXPECT_TRUE(CurrentDevice(app)->bWindowed);
    EXPECT_EQ(now.style, before.style);
    EXPECT_TRUE(SameRect(now.bounds, before.bounds)) << RectText(now.bounds) << " was " << RectText(before.bounds);
    EXPECT_EQ(now.menu, before.menu);
    EXPECT_NE(now.menu, nullptr);
    EXPECT_TRUE(app->GetPresentParameters().Windowed);
    EXPECT_EQ(app->GetPresentParameters().FullScreen_PresentationInterval, 0u);
    EXPECT_EQ(app->GetBackBufferDesc()->Width, width);
    EXPECT_EQ(app->GetBackBufferDesc()->Height, height);
    EXPECT_EQ(app->GetBackBufferDesc()->Format,
              app->GetAdapter(app->GetCurrentAdapter())->d3ddmDesktop.Format);
}

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
    story.Add(name + " reaches full screen", [name] {
        PCSystem* app = GetPCSystem();
        if (app->IsWindowed() || !app->IsReady()) return false;
        ExpectFullScreen(app, name.c_str());
        CoverTheScreen(app);
        return true;
    });
    story.WaitFrames(name + " draws in full screen", probe, 3);
    story.Do(name + " back to the window", press);
    story.Add(name + " is back in the window", [before, size, name] {
        PCSystem* app = GetPCSystem();
        if (!app->IsWindowed() || !app->IsReady()) return false;
        ExpectWindowRestored(app, *before, size->first, size->second, name.c_str());
        return true;
    });
    story.WaitFrames(name + " draws in the window", probe, 3);
}

TEST(ApplicationShell, FromTheSettingsDialogToExit) {
    UseHeadlessPlatform();
    static ProbeGame probe;
    static Scenario story;
    PCSystem* app = GetPCSystem();

    // The first dialog: full screen offered in the first 800 x 600 16-bit mode;
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
        EXPECT_FALSE(deviceBeforeDialog) << "the dialog opened after the device was created";
        EXPECT_EQ(firstLook.templateId, IDD_SELECTDEVICE);
        EXPECT_EQ(firstLook.caption, "Game Settings");
        const std::pair<int, const char*> texts[] = {
            {IDC_FULLSCREEN, "&Fullscreen Mode:"}, {IDC_WINDOW, "Use desktop &window"}, {IDOK, "Apply"}};
        for (const auto& t : texts) {
            const auto* c = Control(firstLook, t.first);
            EXPECT_TRUE(c && c->text == t.second) << "control " << t.first;
        }
        const DeviceEntry* device = CurrentDevice(app);
        const int expectedMode = First800x600x16(*device);
        EXPECT_GE(expectedMode, 0) << "the platform offers no 800 x 600 16-bit mode";
        const auto* fullscreen = Control(firstLook, IDC_FULLSCREEN);
        const auto* window = Control(firstLook, IDC_WINDOW);
        const auto* modes = Control(firstLook, IDC_FULLSCREENMODES_COMBO);
        if (fullscreen && window && modes) {
            EXPECT_TRUE(fullscreen->checked);
            EXPECT_FALSE(window->checked);
            EXPECT_TRUE(window->enabled);
            EXPECT_TRUE(modes->enabled);
            EXPECT_EQ(modes->selection, expectedMode);
            EXPECT_EQ(SelectedText(firstLook, IDC_FULLSCREENMODES_COMBO), "800 x 600 x 16");
            EXPECT_EQ(modes->items.size(), (size_t)device->dwNumModes);
            for (DWORD m = 0; m < device->dwNumModes && m < modes->items.size(); ++m)
                EXPECT_EQ(modes->items[m], ModeText(device->modes[m]));
        } else {
            ADD_FAILURE() << "the dialog lacks its radio buttons or mode list";
        }
        EXPECT_EQ(SelectedText(firstLook, IDC_ADAPTER_COMBO),
                  app->GetAdapter(app->GetCurrentAdapter())->d3dAdapterIdentifier.Description);
        EXPECT_EQ(SelectedText(firstLook, IDC_DEVICE_COMBO), device->strDesc);
        // Choosing the window disables the mode list.
        const auto* windowAfter = Control(afterWindowClick, IDC_WINDOW);
        const auto* modesAfter = Control(afterWindowClick, IDC_FULLSCREENMODES_COMBO);
        EXPECT_TRUE(windowAfter && windowAfter->checked);
        EXPECT_TRUE(modesAfter && !modesAfter->enabled);

        // The choice is kept: windowed, the 800 x 600 mode remembered for full screen.
        EXPECT_TRUE(app->IsWindowed());
        EXPECT_TRUE(device->bWindowed);
        EXPECT_EQ((int)device->dwCurrentMode, expectedMode);
        const D3DPRESENT_PARAMETERS& pp = app->GetPresentParameters();
        RECT client;
        GetClientRect(app->GetHWnd(), &client);
        EXPECT_TRUE(pp.Windowed);
        EXPECT_EQ(app->GetBackBufferDesc()->Width, (UINT)(client.right - client.left));
        EXPECT_EQ(app->GetBackBufferDesc()->Height, (UINT)(client.bottom - client.top));
        EXPECT_EQ(app->GetBackBufferDesc()->Width, 640u);
        EXPECT_EQ(app->GetBackBufferDesc()->Height, 480u);
        EXPECT_EQ(pp.BackBufferFormat, app->GetAdapter(app->GetCurrentAdapter())->d3ddmDesktop.Format);
        EXPECT_NE(GetMenu(app->GetHWnd()), nullptr);
        EXPECT_EQ(probe.inits, 1);
        return true;
    });
    story.WaitFrames("frames run", &probe, 10);
    story.Do("frame updates have time", [] {
        EXPECT_GE(probe.updates, 9);
        EXPECT_EQ(probe.zeroDtUpdates, 0);
        EXPECT_GT(g_uFrameCount, 0u);
    });

    // Frames without elapsed time are skipped entirely.
    static int rendersFrozen = 0, updatesFrozen = 0, pumpsFrozen = 0;
    story.Do("clock stopped", [] { story.FreezeClock(true); });
    story.Add("no frame without time", [] {
        // The frame right after the stop still had the time of this pump.
        if (pumpsFrozen == 0) {
            rendersFrozen = probe.renders;
            updatesFrozen = probe.updates;
        }
        EXPECT_EQ(probe.renders, rendersFrozen);
        EXPECT_EQ(probe.updates, updatesFrozen);
        return ++pumpsFrozen >= 10;
    });
    story.Do("clock runs again", [] { story.FreezeClock(false); });
    story.WaitFrames("frames with time again", &probe, 3);

    // The context menu of the window: "&Change Device" opens the dialog.
    static size_t dialogsBeforeContext = 0;
    story.Do("right-click menu", [] {
        dialogsBeforeContext = qa::DialogsShown().size();
        qa::QueueMenuAnswer(IDM_CHANGEDEVICE);
        qa::QueueDialogScript([](HWND dialog) { qa::DialogPressKey(dialog, VK_ESCAPE); });
        qa::Click(GetPCSystem()->GetHWnd(), 2, 100, 100);
    });
    story.Add("context menu chose Change Device", [] {
        if (qa::DialogsShown().size() == dialogsBeforeContext || !GetPCSystem()->IsReady()) return false;
        EXPECT_EQ(qa::DialogsShown().back().templateId, IDD_SELECTDEVICE);
        return true;
    });
    story.WaitFrames("frames after the context menu", &probe, 3);

    // A user resize resets the device at the new client size.
    story.Do("user resize", [] {
        PCSystem* app = GetPCSystem();
        const int invalidates = probe.invalidates, restores = probe.restores;
        qa::UserResize(app->GetHWnd(), 720, 540);
        RECT client;
        GetClientRect(app->GetHWnd(), &client);
        EXPECT_EQ(client.right - client.left, 720);
        EXPECT_EQ(client.bottom - client.top, 540);
        EXPECT_EQ(app->GetBackBufferDesc()->Width, 720u);
        EXPECT_EQ(app->GetBackBufferDesc()->Height, 540u);
        EXPECT_EQ(app->GetPresentParameters().BackBufferWidth, 720u);
        EXPECT_EQ(app->GetPresentParameters().BackBufferHeight, 540u);
        EXPECT_EQ(probe.invalidates, invalidates + 1);
        EXPECT_EQ(probe.restores, restores + 1);
        EXPECT_TRUE(app->IsReady());
    });
    story.WaitFrames("frames after the resize", &probe, 3);

    AddFullScreenRoundTrip(story, &probe, "F1", [] { qa::KeyPress(VK_F1); });
    AddFullScreenRoundTrip(story, &probe, "Alt+Enter", [] {
        qa::KeyDown(VK_MENU);
        qa::KeyPress(VK_RETURN);
        qa::KeyUp(VK_MENU);
    });

    // A lost device skips frames until it can be reset; the reset frame draws nothing.
    struct Counts {
        int updates, renders, restores;
    };
    static Counts atLoss;
    story.Do("device lost", [] {
        qa::MakeDeviceLost(GetPCSystem()->GetDevice());
        atLoss = {probe.updates, probe.renders, probe.restores};
    });
    static bool firstLookAfterLoss = true;
    story.Add("lost device is reset without drawing", [] {
        if (firstLookAfterLoss) {
            // The frame that found the device lost did nothing else.
            firstLookAfterLoss = false;
            EXPECT_EQ(probe.restores, atLoss.restores) << "the device was reset while still lost";
        }
        if (probe.restores == atLoss.restores) {
            EXPECT_EQ(probe.renders, atLoss.renders) << "a frame was drawn on a lost device";
            return false;
        }
        EXPECT_EQ(probe.renders, atLoss.renders) << "the reset frame was drawn";
        EXPECT_EQ(probe.updates, atLoss.updates);
        EXPECT_EQ(GetPCSystem()->GetDevice()->TestCooperativeLevel(), D3D_OK);
        return true;
    });
    story.WaitFrames("frames after the reset", &probe, 3);

    // Minimised, the application waits for messages and draws nothing.
    static int rendersAtMinimise = 0;
    static int pumpsMinimised = 0;
    story.Do("minimise", [] {
        qa::Minimise(GetPCSystem()->GetHWnd());
        rendersAtMinimise = probe.renders;
    });
    story.Add("nothing drawn while minimised", [] {
        EXPECT_FALSE(GetPCSystem()->IsActive());
        EXPECT_EQ(probe.renders, rendersAtMinimise);
        return ++pumpsMinimised >= 20;
    });
    story.Do("restore", [] { qa::Restore(GetPCSystem()->GetHWnd()); });
    story.WaitFrames("frames after restoring", &probe, 3);

    // The mouse, captured: positions left of and above the client area stay
    // negative; past the window's edge the cursor is warped back inside, but only
    // while the program has the focus.
    story.Do("mouse captured", [] {
        GetPCSystem()->SetMouseCapture(true);
        qa::MouseMove(GetPCSystem()->GetHWnd(), -5, -7);
    });
    story.Add("negative positions", [] {
        const MouseState* mouse = GetPCSystem()->GetMouse();
        if (mouse->x != -5) return false;
        EXPECT_EQ(mouse->y, -7);
        return true;
    });
    static RECT windowRect;
    story.Do("cursor past the right edge", [] {
        GetWindowRect(GetPCSystem()->GetHWnd(), &windowRect);
        qa::MouseMove(GetPCSystem()->GetHWnd(), windowRect.right - windowRect.left + 50, 100);
    });
    story.Add("cursor warped to the left edge", [] {
        POINT p;
        GetCursorPos(&p);
        if (p.x != windowRect.left + 3) return false;
        EXPECT_EQ(GetPCSystem()->GetMouse()->x, 3);
        return true;
    });
    static int pumpsWithoutFocus = 0;
    story.Do("focus lost, cursor past the edge", [] {
        qa::FocusLoss(GetPCSystem()->GetHWnd());
        qa::MouseMove(GetPCSystem()->GetHWnd(), windowRect.right - windowRect.left + 50, 100);
    });
    story.Add("no warp without the focus", [] {
        POINT p;
        GetCursorPos(&p);
        EXPECT_GE(p.x, windowRect.right) << "the cursor was held while another program is active";
        return ++pumpsWithoutFocus >= 10;
    });
    story.Do("focus back, capture off", [] {
        qa::FocusGain(GetPCSystem()->GetHWnd());
        GetPCSystem()->SetMouseCapture(false);
    });
    story.WaitFrames("frames with the focus back", &probe, 3);

    // Pauses nest: only the last resume makes the application ready; while paused
    // nothing is drawn and F2, F1 and Alt+Enter do nothing.
    static int rendersAtPauses = 0;
    static size_t dialogsAtPauses = 0;
    static int pumpsPaused = 0;
    story.Do("nested pauses", [] {
        PCSystem* app = GetPCSystem();
        app->Pause(TRUE);
        app->Pause(TRUE);
        app->Pause(FALSE);
        EXPECT_FALSE(app->IsReady());
        rendersAtPauses = probe.renders;
        dialogsAtPauses = qa::DialogsShown().size();
        qa::KeyPress(VK_F2);
        qa::KeyPress(VK_F1);
        qa::KeyDown(VK_MENU);
        qa::KeyPress(VK_RETURN);
        qa::KeyUp(VK_MENU);
    });
    story.Add("nothing happens while paused", [] {
        PCSystem* app = GetPCSystem();
        EXPECT_FALSE(app->IsReady());
        EXPECT_TRUE(app->IsWindowed());
        EXPECT_EQ(probe.renders, rendersAtPauses);
        EXPECT_EQ(qa::DialogsShown().size(), dialogsAtPauses);
        return ++pumpsPaused >= 20;
    });
    story.Do("last resume", [] {
        GetPCSystem()->Pause(FALSE);
        EXPECT_TRUE(GetPCSystem()->IsReady());
    });
    story.WaitFrames("frames after the pauses", &probe, 3);

    // F2: the dialog shows the table's state; choosing another device shows that
    // device's own choice; cancelling changes nothing.
    static qa::ShownDialog secondLook, otherDevice, backToFirst, fullscreenPicked;
    static IDirect3DDevice8* deviceBeforeCancel = nullptr;
    static DeviceEntry tableBeforeCancel;
    static bool dialogRan = false;
    story.Do("F2 opens the dialog", [] {
        PCSystem* app = GetPCSystem();
        deviceBeforeCancel = app->GetDevice();
        tableBeforeCancel = *CurrentDevice(app);
        dialogRan = false;
        qa::QueueDialogScript([](HWND dialog) {
            dialogRan = true;
            secondLook = qa::DescribeDialog(dialog);
            const auto* devices = Control(secondLook, IDC_DEVICE_COMBO);
            if (devices && devices->items.size() > 1) {
                qa::DialogChooseComboEntry(dialog, IDC_DEVICE_COMBO, 1);
                otherDevice = qa::DescribeDialog(dialog);
                qa::DialogChooseComboEntry(dialog, IDC_DEVICE_COMBO, 0);
                backToFirst = qa::DescribeDialog(dialog);
            }
            qa::DialogClickButton(dialog, IDC_FULLSCREEN);
            qa::DialogChooseComboEntry(dialog, IDC_FULLSCREENMODES_COMBO, 0);
            fullscreenPicked = qa::DescribeDialog(dialog);
            qa::DialogPressKey(dialog, VK_ESCAPE);
        });
        qa::KeyPress(VK_F2);
    });
    story.Add("F2 dialog cancelled", [] {
        PCSystem* app = GetPCSystem();
        if (!dialogRan || !app->IsReady()) return false;
        const DeviceEntry* device = CurrentDevice(app);
        EXPECT_EQ(secondLook.templateId, IDD_SELECTDEVICE);
        EXPECT_TRUE(Control(secondLook, IDC_WINDOW) && Control(secondLook, IDC_WINDOW)->checked);
        EXPECT_TRUE(Control(secondLook, IDC_FULLSCREEN) && !Control(secondLook, IDC_FULLSCREEN)->checked);
        EXPECT_TRUE(Control(secondLook, IDC_FULLSCREENMODES_COMBO) &&
                    !Control(secondLook, IDC_FULLSCREENMODES_COMBO)->enabled);
        EXPECT_EQ(SelectedText(secondLook, IDC_FULLSCREENMODES_COMBO),
                  ModeText(tableBeforeCancel.modes[tableBeforeCancel.dwCurrentMode]));
        EXPECT_EQ(SelectedText(secondLook, IDC_DEVICE_COMBO), tableBeforeCancel.strDesc);

        AdapterEntry* adapter = app->GetAdapter(app->GetCurrentAdapter());
        if (adapter->dwNumDevices > 1) {
            const DeviceEntry& other = adapter->devices[adapter->dwCurrentDevice == 0 ? 1 : 0];
            EXPECT_EQ(SelectedText(otherDevice, IDC_DEVICE_COMBO), "REF");
            EXPECT_EQ(Control(otherDevice, IDC_WINDOW)->checked, other.bWindowed != FALSE);
            EXPECT_EQ(Control(otherDevice, IDC_WINDOW)->enabled, other.bCanDoWindowed != FALSE);
            EXPECT_EQ(SelectedText(otherDevice, IDC_FULLSCREENMODES_COMBO),
                      ModeText(other.modes[other.dwCurrentMode]));
            EXPECT_EQ(Control(otherDevice, IDC_FULLSCREENMODES_COMBO)->items.size(), (size_t)other.dwNumModes);
            EXPECT_EQ(SelectedText(backToFirst, IDC_DEVICE_COMBO), "HAL");
            EXPECT_TRUE(Control(backToFirst, IDC_WINDOW)->checked);
        }
        EXPECT_TRUE(Control(fullscreenPicked, IDC_FULLSCREEN)->checked);
        EXPECT_TRUE(Control(fullscreenPicked, IDC_FULLSCREENMODES_COMBO)->enabled);
        EXPECT_EQ(Control(fullscreenPicked, IDC_FULLSCREENMODES_COMBO)->selection, 0);

        // Nothing was taken over.
        EXPECT_EQ(app->GetDevice(), deviceBeforeCancel);
        EXPECT_TRUE(app->IsWindowed());
        EXPECT_TRUE(device->bWindowed);
        EXPECT_EQ(device->dwCurrentMode, tableBeforeCancel.dwCurrentMode);
        return true;
    });
    story.WaitFrames("frames after the cancelled dialog", &probe, 3);

    // F2 and Apply on a full-screen mode: the device is created anew in that mode.
    static int pickedMode = -1;
    static int restoresBeforeApply = 0;
    story.Do("F2 applies a full-screen mode", [] {
        PCSystem* app = GetPCSystem();
        const DeviceEntry* device = CurrentDevice(app);
        pickedMode = -1;
        for (DWORD m = 0; m < device->dwNumModes; ++m)
            if (device->modes[m].Width == 640 && device->modes[m].Height == 480) pickedMode = (int)m;
        if (pickedMode < 0) pickedMode = 0;
        restoresBeforeApply = probe.restores;
        qa::QueueDialogScript([](HWND dialog) {
            qa::DialogClickButton(dialog, IDC_FULLSCREEN);
            qa::DialogChooseComboEntry(dialog, IDC_FULLSCREENMODES_COMBO, pickedMode);
            qa::DialogClickButton(dialog, IDOK);
        });
        qa::KeyPress(VK_F2);
    });
    story.Add("device recreated in full screen", [] {
        PCSystem* app = GetPCSystem();
        if (probe.restores == restoresBeforeApply || !app->IsReady()) return false;
        EXPECT_EQ((int)CurrentDevice(app)->dwCurrentMode, pickedMode);
        ExpectFullScreen(app, "dialog");
        return true;
    });
    story.WaitFrames("frames in the chosen mode", &probe, 3);

    // F2 in full screen first returns to a window; the dialog then shows it.
    static qa::ShownDialog fromFullScreen;
    story.Do("F2 from full screen", [] {
        dialogRan = false;
        qa::QueueDialogScript([](HWND dialog) {
            dialogRan = true;
            fromFullScreen = qa::DescribeDialog(dialog);
            qa::DialogClickButton(dialog, IDOK);
        });
        qa::KeyPress(VK_F2);
    });
    story.Add("back in a window after the dialog", [] {
        PCSystem* app = GetPCSystem();
        if (!dialogRan || !app->IsReady()) return false;
        EXPECT_TRUE(Control(fromFullScreen, IDC_WINDOW) && Control(fromFullScreen, IDC_WINDOW)->checked);
        EXPECT_TRUE(app->IsWindowed());
        EXPECT_NE(GetMenu(app->GetHWnd()), nullptr);
        EXPECT_TRUE(app->GetPresentParameters().Windowed);
        EXPECT_EQ(app->GetBackBufferDesc()->Width, 720u);
        EXPECT_EQ(app->GetBackBufferDesc()->Height, 540u);
        return true;
    });
    story.WaitFrames("frames in the window again", &probe, 3);

    // Pause/Play: frames are still drawn, the scene is not updated.
    static int updatesAtPause = 0, rendersAtPause = 0;
    story.Do("Pause/Play stops", [] { EXPECT_TRUE(qa::ChooseMenuItem(GetPCSystem()->GetHWnd(), IDM_TOGGLESTART)); });
    story.Add("paused", [] {
        if (GetPCSystem()->IsFrameMoving() || !GetPCSystem()->IsReady()) return false;
        updatesAtPause = probe.updates;
        rendersAtPause = probe.renders;
        return true;
    });
    story.Add("drawn but not updated", [] {
        EXPECT_EQ(probe.updates, updatesAtPause);
        return probe.renders >= rendersAtPause + 10;
    });
    // A reset while the scene is halted updates it exactly once.
    static int updatesBeforeResets = 0, pumpsAfterReset = 0;
    story.Do("resize while halted", [] {
        updatesBeforeResets = probe.updates;
        qa::UserResize(GetPCSystem()->GetHWnd(), 700, 520);
        EXPECT_EQ(GetPCSystem()->GetBackBufferDesc()->Width, 700u);
    });
    story.Add("one update after the reset", [] {
        EXPECT_LE(probe.updates, updatesBeforeResets + 1);
        if (++pumpsAfterReset < 10) return false;
        EXPECT_EQ(probe.updates, updatesBeforeResets + 1);
        return true;
    });
    story.Do("size back while halted", [] {
        qa::UserResize(GetPCSystem()->GetHWnd(), 720, 540);
        EXPECT_EQ(GetPCSystem()->GetBackBufferDesc()->Width, 720u);
    });
    story.WaitFrames("frames while halted", &probe, 5);
    story.Do("still halted", [] { EXPECT_EQ(probe.updates, updatesBeforeResets + 2); });
    story.Do("Pause/Play resumes", [] { EXPECT_TRUE(qa::ChooseMenuItem(GetPCSystem()->GetHWnd(), IDM_TOGGLESTART)); });
    story.Add("updated again", [] {
        return GetPCSystem()->IsFrameMoving() && probe.updates >= updatesAtPause + 3;
    });
    story.Add("frame statistics", [] {
        // Rebuilt once a second of frames: frames per second, the back buffer's
        // size and depth, the depth-stencil format.
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

    story.Install();
    const int result = GetGameEngine()->Run(GetModuleHandleA(nullptr), &probe, 0);
    Scenario::Uninstall();

    EXPECT_TRUE(story.ClosedAtTheEnd()) << "stopped at: " << story.Current();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(app->GetDevice(), nullptr);
    EXPECT_EQ(app->GetHWnd(), nullptr);
    EXPECT_EQ(probe.shutdowns, 1);
    EXPECT_FALSE(GetGameEngine()->IsInitialised());

    const std::string log = ReadFile("DebugOutput.Dbg");
    EXPECT_EQ(CountOf(log, "Initialising Velmarune GameEngine\n"), 1) << log;
    EXPECT_EQ(CountOf(log, "Destroying Velmarune GameEngine\n"), 1) << log;
    EXPECT_LT(log.find("Initialising Velmarune GameEngine"), log.find("Destroying Velmarune GameEngine"));

    ExpectNoFrameworkBox();
}

}  // namespace
