// Pieces shared by the application shell's end-to-end stories: a probe game that
// counts what the engine asks of it, a runner that plays a list of steps from the
// platform's pump hook (one look at the message queue per call, so the frames run
// between steps), and small readers of what a dialog showed.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
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

// The game's top-level process and a drawable at once: it joins the frame loop
// and the renderer's list, and counts every call it receives.
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
        // A game that asks to quit from its own shut-down (while the window is
        // being closed) must not start a second shut-down.
        if (quitInShutdown) GetGameEngine()->Quit();
    }
    void Update(float dt) override {
        ++updates;
        if (dt <= 0.0f) ++zeroDtUpdates;
        if (quitOnEscape && GetPCSystem()->IsActionDown(ACTION_ESCAPE)) GetGameEngine()->Quit();
    }
    void Render() override { ++renders; }
    void InvalidateDeviceObjects() override { ++invalidates; }
    void RestoreDeviceObjects() override { ++restores; }
    void Activate() override {}
    void Deactivate() override {}

    int inits = 0, shutdowns = 0, updates = 0, zeroDtUpdates = 0, renders = 0, invalidates = 0, restores = 0;
    bool quitOnEscape = false;
    bool quitInShutdown = false;
};

// Plays steps from the pump hook. A step is called on every pump until it returns
// true; the virtual clock moves one 60th of a second per pump so that frames have
// time. A step that never finishes fails the test and closes the application.
class Scenario {
public:
    void Add(const std::string& name, std::function<bool()> step) { m_steps.push_back({name, std::move(step)}); }
    // A step that acts once.
    void Do(const std::string& name, std::function<void()> action) {
        Add(name, [action] {
            action();
            return true;
        });
    }
    // Waits until the probe has been drawn n more times.
    void WaitFrames(const std::string& name, ProbeGame* probe, int n) {
        auto start = std::make_shared<int>(-1);
        Add(name, [probe, n, start] {
            if (*start < 0) *start = probe->renders;
            return probe->renders >= *start + n;
        });
    }

    // The last step: waits for the application to close (the watchdog ends a
    // wait that lasts too long).
    void AwaitClose() {
        m_closeStep = m_steps.size();
        Add("the application closes", [] { return false; });
    }
    // The story got to its closing step and the application closed there.
    bool ClosedAtTheEnd() const { return m_closeStep != (size_t)-1 && m_next == m_closeStep; }

    // While set, the clock stands still: frames then have no elapsed time.
    void FreezeClock(bool on) { m_frozen = on; }

    void Pump() {
        if (!m_frozen) quil_automation::AdvanceClock(1.0 / 60.0);
        ++m_pumps;
        if (m_next >= m_steps.size()) return;
        if (m_steps[m_next].run()) {
            ++m_next;
            m_stepPumps = 0;
        } else if (++m_stepPumps > kMaxPumpsPerStep) {
            ADD_FAILURE() << "step \"" << m_steps[m_next].name << "\" did not finish";
            m_next = m_steps.size();
            HWND hwnd = GetPCSystem()->GetHWnd();
            if (hwnd) PostMessageA(hwnd, WM_CLOSE, 0, 0);
        }
    }
    bool Finished() const { return m_next >= m_steps.size(); }
    std::string Current() const { return m_next < m_steps.size() ? m_steps[m_next].name : "(done)"; }
    int Pumps() const { return m_pumps; }

    // Installs the runner as the pump hook; Uninstall removes it.
    void Install() {
        quil_automation::SetPumpHook([this] { Pump(); });
    }
    static void Uninstall() { quil_automation::SetPumpHook(std::function<void()>()); }

private:
    static constexpr int kMaxPumpsPerStep = 3000;
    struct Step {
        std::string name;
        std::function<bool()> run;
    };
    std::vector<Step> m_steps;
    size_t m_next = 0;
    size_t m_closeStep = (size_t)-1;
    int m_stepPumps = 0;
    bool m_frozen = false;
    int m_pumps = 0;
};

// The platform set up as the tests need it: no display, no sound device, boxes
// answered at once, the virtual clock.
inline void UseHeadlessPlatform() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    quil_automation::SetHeadless(true);
    quil_automation::UseVirtualClock(true);
    quil_automation::ClearMessageBoxesShown();
    quil_automation::ClearDialogsShown();
    std::remove("DebugOutput.Dbg");
}

// The framework's error boxes carry the window title; none may have been shown.
inline void ExpectNoFrameworkBox() {
    for (const auto& box : quil_automation::MessageBoxesShown())
        EXPECT_NE(box.caption, "QUIL-ENGINE") << box.text;
}

inline const quil_automation::ShownControl* Control(const quil_automation::ShownDialog& dialog, int id) {
    for (const auto& c : dialog.controls)
        if (c.id == id) return &c;
    return nullptr;
}

// The selected entry's text of a combo box ("" when none is selected).
inline std::string SelectedText(const quil_automation::ShownDialog& dialog, int id) {
    const auto* c = Control(dialog, id);
    if (!c || c->selection < 0 || c->selection >= (int)c->items.size()) return "";
    return c->items[c->selection];
}

inline std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline int CountOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

inline bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// The mode text the dialog lists for a table entry.
inline std::string ModeText(const ModeEntry& m) {
    const bool bits32 = m.Format == D3DFMT_R8G8B8 || m.Format == D3DFMT_A8R8G8B8 || m.Format == D3DFMT_X8R8G8B8;
    return std::to_string(m.Width) + " x " + std::to_string(m.Height) + " x " + (bits32 ? "32" : "16");
}

inline DeviceEntry* CurrentDevice(D3DApplication* app) {
    AdapterEntry* adapter = app->GetAdapter(app->GetCurrentAdapter());
    return &adapter->devices[adapter->dwCurrentDevice];
}

// Index of the first 800 x 600 16-bit mode of a device, or -1.
inline int First800x600x16(const DeviceEntry& device) {
    for (DWORD m = 0; m < device.dwNumModes; ++m) {
        const ModeEntry& mode = device.modes[m];
        if (mode.Width == 800 && mode.Height == 600 && ModeText(mode) == "800 x 600 x 16") return (int)m;
    }
    return -1;
}

// A child process does not report its failures itself: they are written to
// stderr, which the parent shows, and the exit code says whether there were any.
inline int ReportFailuresToParent() {
    const ::testing::TestResult* result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
    for (int i = 0; i < result->total_part_count(); ++i) {
        const ::testing::TestPartResult& part = result->GetTestPartResult(i);
        if (part.failed())
            std::fprintf(stderr, "%s:%d: %s\n", part.file_name() ? part.file_name() : "?", part.line_number(),
                         part.message());
    }
    std::fflush(stderr);
    return result->Failed() ? 1 : 0;
}

}  // namespace shell_e2e
