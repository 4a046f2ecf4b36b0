// The whole engine started as the program starts it, with the statistics text
// switched on: after the settings dialog, the frames show the text in the font.
#include <gtest/gtest.h>

#include <cstdlib>

#include "gameengine.h"
#include "pcsystem.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "windows.h"

namespace {

// A game that does nothing: the frame holds only what the renderer draws itself.
class EmptyGame : public Process {
public:
    void Init() override {}
    void Shutdown() override {}
    void Update(float) override {}
    void Activate() override {}
    void Deactivate() override {}
};

TEST(EngineFrame, StatisticsTextAppearsInTheFont) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    quil_automation::SetHeadless(true);
    quil_automation::QueueDialogScript([](HWND dialog) { quil_automation::DialogClickButton(dialog, IDOK); });

    static quil_automation::RgbaImage frame;
    static int pumps = 0;
    static bool captured = false;
    quil_automation::SetPumpHook([] {
        ++pumps;
        PCSystem* system = GetPCSystem();
        // A few frames in, read the last frame and close; give up after a long wait.
        if (!captured && g_uFrameCount >= 5 && system->GetDevice()) {
            captured = quil_automation::ReadBackBuffer(system->GetDevice(), &frame);
            GetGameEngine()->Quit();
            PostMessageA(system->GetHWnd(), WM_NULL, 0, 0);
        } else if (pumps == 20000) {
            GetGameEngine()->Quit();
            PostMessageA(system->GetHWnd(), WM_NULL, 0, 0);
        }
    });

    EmptyGame game;
    GetGameEngine()->Run(GetModuleHandleA(nullptr), &game, GAMEENGINE_SHOWSTATS);
    quil_automation::SetPumpHook(std::function<void()>());
    ASSERT_TRUE(captured) << "no frame was drawn";

    // Yellow text in the top-left corner; black elsewhere.
    int yellow = 0;
    for (int y = 0; y < 12 * frame.height / 480 + 2; ++y)
        for (int x = 0; x < frame.width / 3; ++x) {
            const uint32_t p = frame.At(x, y);
            yellow += ((p >> 16) & 0xFF) > 0xA0 && ((p >> 8) & 0xFF) > 0xA0 && (p & 0xFF) < 0x60;
        }
    EXPECT_GT(yellow, 20);
    EXPECT_EQ(frame.At(frame.width / 2, frame.height / 2) & 0xFFFFFF, 0u);
    quil_automation::WritePng(::testing::TempDir() + "engine_stats_frame.png", frame);
}

}  // namespace
