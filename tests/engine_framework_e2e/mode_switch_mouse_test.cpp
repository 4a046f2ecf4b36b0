// A mode switch moves the window under a still pointer: F1 to full screen and back
// changes the pointer's client position, which must not show as mouse movement;
// the pointer's own moves after the switch still count in full.
#include "shell_scenario.h"

namespace {
using namespace shell_e2e;

// Adds up the frames' mouse movement, as the game reads it.
class MouseProbe : public ProbeGame {
public:
    void Update(float dt) override {
        ProbeGame::Update(dt);
        dx += GetPCSystem()->GetMouse()->dx;
        dy += GetPCSystem()->GetMouse()->dy;
    }
    int dx = 0, dy = 0;
};

MouseProbe probe;
POINT pointer{0, 0};  // the pointer's place on the screen

// The pointer's place read anew in the window's client coordinates, as the
// window system reports it after the window moved under it.
void ReportStillPointer() {
    POINT c = pointer;
    HWND hwnd = GetPCSystem()->GetHWnd();
    ScreenToClient(hwnd, &c);
    qa::MouseMove(hwnd, c.x, c.y);
}

void MovePointer(int byX, int byY) {
    pointer.x += byX;
    pointer.y += byY;
    ReportStillPointer();
}

// After the switch the still pointer is reported where it now is in the window
// (which moved: else this story proves nothing); frames pass, nothing moved; then
// the pointer's own move counts exactly.
void SwitchWithTheMouseStill(Scenario& story, const char* name, bool windowed, int byX, int byY) {
    static POINT client;
    story.Do(std::string(name) + ": F1", [] {
        client = pointer;
        ScreenToClient(GetPCSystem()->GetHWnd(), &client);
        qa::KeyPress(VK_F1);
    });
    story.Add(std::string(name) + ": switched", Ready(windowed, [](PCSystem*) {}));
    story.Do(std::string(name) + ": the pointer reported in the moved window", [] {
        POINT now = pointer;
        ScreenToClient(GetPCSystem()->GetHWnd(), &now);
        EXPECT_TRUE(now.x != client.x || now.y != client.y) << "the window did not move";
        probe.dx = probe.dy = 0;
        ReportStillPointer();
    });
    story.WaitFrames(std::string(name) + ": frames with the pointer still", &probe, 5);
    story.Do(std::string(name) + ": no movement, then the pointer moves", [byX, byY] {
        EXPECT_EQ(probe.dx, 0);
        EXPECT_EQ(probe.dy, 0);
        MovePointer(byX, byY);
    });
    story.WaitFrames(std::string(name) + ": frames after the move", &probe, 3);
    story.Do(std::string(name) + ": the move counted", [byX, byY] {
        EXPECT_EQ(probe.dx, byX);
        EXPECT_EQ(probe.dy, byY);
        // And from here on the usual rules: the next move counts too.
        probe.dx = probe.dy = 0;
        MovePointer(-3, 2);
    });
    story.WaitFrames(std::string(name) + ": frames after another move", &probe, 3);
    story.Do(std::string(name) + ": that move counted", [] {
        EXPECT_EQ(probe.dx, -3);
        EXPECT_EQ(probe.dy, 2);
    });
}

TEST(ApplicationShell, ModeSwitchesLeaveTheMouseStill) {
    UseHeadlessPlatform();
    static Scenario story;
    qa::QueueDialogScript([](HWND dialog) { qa::DialogCloseBox(dialog); });  // starts in a window
    story.Add("windowed and ready", Ready(true, [](PCSystem* app) {
                  app->SetMouseCapture(true);
                  pointer = POINT{200, 150};
                  ClientToScreen(app->GetHWnd(), &pointer);
                  ReportStillPointer();
              }));
    story.WaitFrames("frames at the first place", &probe, 3);
    SwitchWithTheMouseStill(story, "to full screen", false, 9, -6);
    SwitchWithTheMouseStill(story, "back to the window", true, -5, 4);
    story.Do("close", [] { PostMessageA(GetPCSystem()->GetHWnd(), WM_CLOSE, 0, 0); });
    story.AwaitClose();
    EXPECT_EQ(story.Run(&probe, GAMEENGINE_NOSOUND), 0);
}

}  // namespace
