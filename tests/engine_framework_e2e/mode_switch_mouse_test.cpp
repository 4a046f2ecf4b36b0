// A mode switch moves the window under a still pointer: F1 to full screen and back
// changes the pointer's client position, which must not show as mouse movement;
// the pointer's own moves after the switch still count in full. A pointer the
// window leaves outside is brought to its edge by a desktop that holds it there,
// and across by the edge warp: no movement either.
#include <algorithm>

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
RECT windowPlace;     // the window's rectangle on the screen, frame included

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

POINT ownMove;  // the pointer's own move after a switch

// The pointer's own move counts exactly, and the next one too (half of it back
// across, on).
void OwnMovesCount(Scenario& story, const std::string& name) {
    story.Do(name + ": no movement; then the pointer moves", [] {
        EXPECT_EQ(probe.dx, 0);
        EXPECT_EQ(probe.dy, 0);
        MovePointer(ownMove.x, ownMove.y);
    });
    story.WaitFrames(name + ": frames after the move", &probe, 3);
    story.Do(name + ": the move counted", [] {
        EXPECT_EQ(probe.dx, ownMove.x);
        EXPECT_EQ(probe.dy, ownMove.y);
        probe.dx = probe.dy = 0;
        MovePointer(-ownMove.x / 2, ownMove.y / 2);
    });
    story.WaitFrames(name + ": frames after another move", &probe, 3);
    story.Do(name + ": that move counted", [] {
        EXPECT_EQ(probe.dx, -ownMove.x / 2);
        EXPECT_EQ(probe.dy, ownMove.y / 2);
    });
}

// After the switch the still pointer is reported where it now is in the window
// (which moved: else this story proves nothing), then moved by (sysX, sysY) as a
// desktop moves a held pointer along while the window changes; frames pass (over
// the quarter second in which the system's moves are expected), nothing moved;
// then the pointer's own move by (byX, byY) counts exactly.
void SwitchWithTheMouseStill(Scenario& story, const std::string& name, bool windowed, int byX, int byY,
                             int sysX = 0, int sysY = 0) {
    static POINT client;
    story.Do(name + ": F1", [] {
        client = pointer;
        ScreenToClient(GetPCSystem()->GetHWnd(), &client);
        qa::KeyPress(VK_F1);
    });
    story.Add(name + ": switched", Ready(windowed, [](PCSystem*) {}));
    story.Do(name + ": the pointer reported in the moved window", [byX, byY] {
        POINT now = pointer;
        ScreenToClient(GetPCSystem()->GetHWnd(), &now);
        EXPECT_TRUE(now.x != client.x || now.y != client.y) << "the window did not move";
        probe.dx = probe.dy = 0;
        ReportStillPointer();
        ownMove = POINT{byX, byY};
    });
    story.Do(name + ": the desktop moves the pointer", [sysX, sysY] { MovePointer(sysX, sysY); });
    story.WaitFrames(name + ": frames with the pointer still", &probe, 20);
    OwnMovesCount(story, name);
}

// Back to the window with the pointer held (as a desktop holds a captured pointer
// in its window) and left outside the window's place, beyond corner (sx, sy) of
// it: the desktop brings the pointer to the window's edge (a slow one only after
// the quarter second), the game's edge warp takes it across; frames pass, nothing
// moved; then the pointer's own moves count.
void BackToTheWindowFromOutside(Scenario& story, const std::string& name, int sx, int sy, bool slow) {
    story.Do(name + ": in full screen, the pointer beyond the window's place", [sx, sy] {
        qa::HoldPointer(true);
        pointer.x = sx < 0 ? windowPlace.left - 30 : windowPlace.right + 30;
        pointer.y = sy < 0 ? windowPlace.top - 20 : windowPlace.bottom + 20;
        ReportStillPointer();
    });
    story.WaitFrames(name + ": frames at that place", &probe, 3);
    story.Do(name + ": F1", [] {
        probe.dx = probe.dy = 0;
        qa::KeyPress(VK_F1);
    });
    story.Add(name + ": switched", Ready(true, [](PCSystem*) {}));
    if (slow) story.WaitFrames(name + ": the desktop is slow", &probe, 20);
    story.Do(name + ": the desktop holds the pointer at the window's edge", [] {
        HWND hwnd = GetPCSystem()->GetHWnd();
        POINT c = pointer;
        ScreenToClient(hwnd, &c);
        RECT client;
        GetClientRect(hwnd, &client);
        EXPECT_TRUE(c.x < 0 || c.y < 0 || c.x >= client.right || c.y >= client.bottom) << "the pointer was inside";
        qa::MouseMove(hwnd, std::clamp<int>(c.x, 0, client.right - 1), std::clamp<int>(c.y, 0, client.bottom - 1));
    });
    story.WaitFrames(name + ": frames with the pointer still", &probe, 20);
    // The edge warp took the pointer in, by an edge: its own moves go towards the middle.
    story.Do(name + ": the pointer in the window", [] {
        HWND hwnd = GetPCSystem()->GetHWnd();
        GetCursorPos(&pointer);
        POINT c = pointer;
        ScreenToClient(hwnd, &c);
        RECT client;
        GetClientRect(hwnd, &client);
        EXPECT_TRUE(c.x > 0 && c.y > 0 && c.x < client.right - 1 && c.y < client.bottom - 1)
            << "the edge warp did not take the pointer in: " << c.x << ", " << c.y;
        ownMove = POINT{c.x < client.right / 2 ? 8 : -8, c.y < client.bottom / 2 ? 6 : -6};
    });
    OwnMovesCount(story, name);
    story.Do(name + ": to full screen again", [] {
        qa::HoldPointer(false);
        qa::KeyPress(VK_F1);
    });
    story.Add(name + ": full screen", Ready(false, [](PCSystem*) {}));
}

TEST(ApplicationShell, ModeSwitchesLeaveTheMouseStill) {
    UseHeadlessPlatform();
    static Scenario story;
    qa::QueueDialogScript([](HWND dialog) { qa::DialogCloseBox(dialog); });  // starts in a window
    story.Add("windowed and ready", Ready(true, [](PCSystem* app) {
                  app->SetMouseCapture(true);
                  GetWindowRect(app->GetHWnd(), &windowPlace);
                  pointer = POINT{200, 150};
                  ClientToScreen(app->GetHWnd(), &pointer);
                  ReportStillPointer();
              }));
    story.WaitFrames("frames at the first place", &probe, 3);
    SwitchWithTheMouseStill(story, "to full screen", false, 9, -6);
    SwitchWithTheMouseStill(story, "back to the window", true, -5, 4);
    SwitchWithTheMouseStill(story, "to full screen, the pointer moved along", false, 6, 2, -40, -30);
    BackToTheWindowFromOutside(story, "held beyond the bottom right", 1, 1, false);
    BackToTheWindowFromOutside(story, "held beyond the top left", -1, -1, true);
    story.Do("close", [] { PostMessageA(GetPCSystem()->GetHWnd(), WM_CLOSE, 0, 0); });
    story.AwaitClose();
    EXPECT_EQ(story.Run(&probe, GAMEENGINE_NOSOUND), 0);
}

}  // namespace
