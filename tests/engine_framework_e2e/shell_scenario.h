// The shell stories' pieces: a probe game counting the engine's calls, a runner
// playing steps from the platform's pump hook, and window checks.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gameengine.h"
#include "pcsystem.h"
#include "process.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "renderer.h"
#include "windows.h"

namespace shell_e2e {
namespace qa = quil_automation;

// The game's top-level process and a drawable at once; counts every call.
class ProbeGame : public Object {
public:
    void Init() override {
        ++inits;
        GetGameEngine()->AddProcess(this);
        GetRenderer()->AddObject(this);
    }
    void Shutdown() override {
        ++shutdowns;
        GetRenderer()->RemoveObject(this);
        GetGameEngine()->RemoveProcess(this);
        // A quit asked while the window is being closed must not shut down twice.
        if (quitInShutdown) GetGameEngine()->Quit();
    }
    void Update(float) override {
        ++updates;
        if (quitOnEscape && GetPCSystem()->IsActionDown(ACTION_ESCAPE)) GetGameEngine()->Quit();
    }
    void Render() override { ++renders; }
    void InvalidateDeviceObjects() override { ++invalidates; }
    void RestoreDeviceObjects() override { ++restores; }
    void Activate() override {}
    void Deactivate() override {}
    int inits = 0, shutdowns = 0, updates = 0, renders = 0, invalidates = 0, restores = 0;
    bool quitOnEscape = false, quitInShutdown = false;
};

// A step runs on every pump until it returns true; the virtual clock moves a 60th
// of a second per pump. A step that never finishes fails and closes.
class Scenario {
public:
    void Add(const std::string& name, std::function<bool()> step) { m_steps.push_back({name, std::move(step)}); }
    void Do(const std::string& name, std::function<void()> action) {
        Add(name, [action] { return action(), true; });
    }
    // Waits until the probe has been drawn n more times.
    void WaitFrames(const std::string& name, ProbeGame* probe, int n) {
        auto start = std::make_shared<int>(-1);
        Add(name, [probe, n, start] {
            if (*start < 0) *start = probe->renders;
            return probe->renders >= *start + n;
        });
    }
    // Counts pumps, checking `each` on every one: for "nothing happens" steps.
    void Hold(const std::string& name, int pumps, std::function<void()> each) {
        auto left = std::make_shared<int>(pumps);
        Add(name, [left, each] { return each(), --*left <= 0; });
    }
    // The last step: waits for the application to close.
    void AwaitClose() {
        m_closeStep = m_steps.size();
        Add("the application closes", [] { return false; });
    }
    void Pump() {
        qa::AdvanceClock(1.0 / 60.0);
        if (m_next >= m_steps.size()) return;
        if (m_steps[m_next].run()) {
            ++m_next;
            m_stepPumps = 0;
        } else if (++m_stepPumps > 3000) {
            ADD_FAILURE() << "step \"" << m_steps[m_next].name << "\" did not finish";
            m_next = m_steps.size();
            if (HWND hwnd = GetPCSystem()->GetHWnd()) PostMessageA(hwnd, WM_CLOSE, 0, 0);
        }
    }
    // Runs the engine with the steps installed; returns its exit code.
    int Run(ProbeGame* probe, DWORD flags) {
        qa::SetPumpHook([this] { Pump(); });
        const int result = GetGameEngine()->Run(GetModuleHandleA(nullptr), probe, flags);
        qa::SetPumpHook(std::function<void()>());
        EXPECT_EQ(m_next, m_closeStep) << "stopped at: " << (m_next < m_steps.size() ? m_steps[m_next].name : "");
        EXPECT_EQ(GetPCSystem()->GetDevice(), nullptr);
        EXPECT_EQ(GetPCSystem()->GetHWnd(), nullptr);
        EXPECT_EQ(probe->shutdowns, 1);
        return result;
    }

private:
    struct Step {
        std::string name;
        std::function<bool()> run;
    };
    std::vector<Step> m_steps;
    size_t m_next = 0, m_closeStep = (size_t)-1;
    int m_stepPumps = 0;
};

// No display, no sound device, boxes answered at once, the virtual clock.
inline void UseHeadlessPlatform() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    qa::SetHeadless(true);
    qa::UseVirtualClock(true);
    qa::ClearMessageBoxesShown();
    qa::ClearDialogsShown();
    std::remove("DebugOutput.Dbg");
}

// Each engine banner is logged once; sound, if started, comes up after the renderer and
// goes before it; no framework error box (titled with the window) shown.
inline void ExpectCleanEnd(bool sound) {
    std::stringstream text;
    text << std::ifstream("DebugOutput.Dbg", std::ios::binary).rdbuf();
    const std::string log = text.str();
    for (const char* banner : {"Initialising Velmarune GameEngine\n", "Destroying Velmarune GameEngine\n"}) {
        EXPECT_NE(log.find(banner), std::string::npos) << log;
        EXPECT_EQ(log.find(banner), log.rfind(banner)) << log;
    }
    EXPECT_LT(log.find("Initialising Velmarune"), log.find("Destroying Velmarune"));
    const size_t soundUp = log.find("Initialising Sound System"), soundDown = log.find("Destroying Sound System");
    EXPECT_EQ(soundUp != std::string::npos && soundDown != std::string::npos, sound) << log;
    if (sound) {
        EXPECT_LT(log.find("Initialising Renderer"), soundUp);
        EXPECT_LT(soundDown, log.find("Destroying Renderer"));
    }
    for (const auto& box : qa::MessageBoxesShown()) EXPECT_NE(box.caption, "QUIL-ENGINE") << box.text;
}

// A control of a shown dialog; a stand-in with nothing checked when it is missing.
inline const qa::ShownControl& Control(const qa::ShownDialog& dialog, int id) {
    for (const auto& c : dialog.controls)
        if (c.id == id) return c;
    static const qa::ShownControl missing{0, "", "", {}, -1, false, false};
    ADD_FAILURE() << "no control " << id;
    return missing;
}

inline DeviceEntry* CurrentDevice(D3DApplication* app) {
    AdapterEntry* adapter = app->GetAdapter(app->GetCurrentAdapter());
    return &adapter->devices[adapter->dwCurrentDevice];
}

// Index of the first 800 x 600 16-bit mode of a device, or -1.
inline int First800x600x16(const DeviceEntry& device) {
    for (DWORD m = 0; m < device.dwNumModes; ++m) {
        const ModeEntry& e = device.modes[m];
        if (e.Width == 800 && e.Height == 600 && e.Format != D3DFMT_X8R8G8B8 && e.Format != D3DFMT_A8R8G8B8 &&
            e.Format != D3DFMT_R8G8B8)
            return (int)m;
    }
    return -1;
}

// What the window looked like before a switch to full screen.
struct WindowLook {
    LONG style = 0;
    RECT bounds{};
    HMENU menu = nullptr;
};

inline WindowLook LookOf(HWND hwnd) {
    WindowLook look;
    look.style = GetWindowLongA(hwnd, GWL_STYLE);
    GetWindowRect(hwnd, &look.bounds);
    look.menu = GetMenu(hwnd);
    return look;
}

// Full screen on the table's mode; then the window covers the screen, as a display
// switch would, so the way back must restore the saved bounds.
inline void ExpectFullScreenAndCover(PCSystem* app) {
    HWND hwnd = app->GetHWnd();
    const DeviceEntry* device = CurrentDevice(app);
    const ModeEntry& mode = device->modes[device->dwCurrentMode];
    EXPECT_FALSE(device->bWindowed);
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_STYLE), (LONG)(WS_POPUP | WS_SYSMENU | WS_VISIBLE));
    EXPECT_EQ(GetMenu(hwnd), nullptr);
    const D3DPRESENT_PARAMETERS& pp = app->GetPresentParameters();
    EXPECT_FALSE(pp.Windowed);
    EXPECT_EQ(pp.FullScreen_PresentationInterval, (UINT)D3DPRESENT_INTERVAL_IMMEDIATE);
    EXPECT_EQ(app->GetBackBufferDesc()->Width, mode.Width);
    EXPECT_EQ(app->GetBackBufferDesc()->Height, mode.Height);
    EXPECT_EQ(app->GetBackBufferDesc()->Format, mode.Format);
    SetWindowPos(hwnd, nullptr, 0, 0, (int)mode.Width, (int)mode.Height, SWP_NOZORDER);
}

// In a window of the given look, with a back buffer of the given size in the desktop format.
inline void ExpectWindow(PCSystem* app, const WindowLook& before, UINT width, UINT height) {
    const WindowLook now = LookOf(app->GetHWnd());
    EXPECT_TRUE(CurrentDevice(app)->bWindowed);
    EXPECT_EQ(now.style, before.style);
    EXPECT_EQ(std::vector<LONG>({now.bounds.left, now.bounds.top, now.bounds.right, now.bounds.bottom}),
              std::vector<LONG>({before.bounds.left, before.bounds.top, before.bounds.right, before.bounds.bottom}));
    EXPECT_EQ(now.menu, before.menu);
    EXPECT_NE(now.menu, nullptr);
    const D3DPRESENT_PARAMETERS& pp = app->GetPresentParameters();
    EXPECT_TRUE(pp.Windowed);
    EXPECT_EQ(pp.FullScreen_PresentationInterval, 0u);
    EXPECT_EQ(app->GetBackBufferDesc()->Width, width);
    EXPECT_EQ(app->GetBackBufferDesc()->Height, height);
    EXPECT_EQ(app->GetBackBufferDesc()->Format, app->GetAdapter(app->GetCurrentAdapter())->d3ddmDesktop.Format);
}

// Waits until the application is ready in full screen (or in a window).
inline std::function<bool()> Ready(bool windowed, std::function<void(PCSystem*)> check) {
    return [windowed, check] {
        PCSystem* app = GetPCSystem();
        if (app->IsWindowed() != windowed || !app->IsReady()) return false;
        check(app);
        return true;
    };
}

}  // namespace shell_e2e
