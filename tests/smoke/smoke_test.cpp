// The real program from its run folder under Xvfb (1280x1024), driven with xdotool
// as a person would (real pointer, real keys), on a bare X server and under openbox:
// in the dialog's desktop window, in its default full screen, with its window
// (or full screen) destroyed by another program, and with no display at all. What the driver does
// and reports is told in drive_frostwick.sh.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "xvfb_driver.h"

namespace {

std::string RunDir() { return quiltest::ProgramRunDir(RUN_DIR); }

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class Smoke : public ::testing::Test {
protected:
    // Runs the driver in the given mode; skips when Xvfb, xdotool or xwininfo cannot run
    // (the driver then never reports XSTARTED).
    void Drive(const char* mode, const char* wm) {
        run = quiltest::RunXvfbDriver(DRIVER_SCRIPT, RunDir(), "1280x1024", 240, std::string(mode) + " " + wm);
        report = run.report;
        program = run.program;
        if (!Has(report, "XSTARTED")) GTEST_SKIP() << "Xvfb is not usable here (exit " << run.rc << "): " << report;
        if (Has(report, "NOWM")) GTEST_SKIP() << wm << " does not start here";
        pictures = !Has(report, "NOPICTURES");
        EXPECT_TRUE(Has(report, "\nAPPLIED")) << "the settings dialog did not close\n" << report << program;
        EXPECT_TRUE(Has(report, "ENGINEUP")) << report << program;
    }
    std::vector<int> Line(const std::string& tag, size_t count) { return run.Line(tag, count); }
    // A line "TAG x y x y": the pointer is where it was put.
    void ExpectPointerKept(const char* tag) {
        const std::vector<int> n = Line(tag, 4);
        EXPECT_TRUE(n[0] == n[2] && n[1] == n[3]) << tag << ": the pointer moved away\n" << report;
    }
    void CheckWindow();
    void ExpectEdges();
    void CheckFullScreen();
    void CheckClosed();
    quiltest::DriverReport run;
    std::string report, program;
    bool pictures = false;
};

// The desktop window: menu bar, pointer, keys, the settings dialog, mouse look
// and the captured pointer at the four edges, the editor, Exit.
void Smoke::CheckWindow() {
    std::vector<int> n = Line("WINDOW", 2);
    EXPECT_EQ(n[0], 640) << report;
    EXPECT_GT(n[1], 480) << "no menu bar\n" << report;
    // No warp chases the pointer across the screen.
    ExpectPointerKept("POINTER");
    EXPECT_TRUE(Has(report, "F2DIALOG")) << "F2 did not open the dialog\n" << report;
    EXPECT_TRUE(Has(report, "F2CLOSED")) << report;
    EXPECT_TRUE(Has(report, "\nPLAYING")) << "START GAME, EASY did not lead to play\n" << report;
    ExpectPointerKept("TURNPOINTER");
    ExpectEdges();
    // Held inside the window: sent to the screen's corner, it stays on the window
    // (its client area or the menu bar above it).
    const std::vector<int> client = Line("CLIENT", 4), grab = Line("GRAB", 2);
    EXPECT_TRUE(grab[0] >= client[0] && grab[0] < client[2] && grab[1] >= client[1] - 20 && grab[1] < client[3])
        << "the pointer left the window\n" << report;
    EXPECT_TRUE(Has(report, "MENUEXIT")) << "Game > Exit did not close the program\n" << report << program;
    EXPECT_TRUE(Has(report, "STATUS 0\n")) << report << program;
    if (!pictures) return;

    // Every text of the settings dialog ends clear of its neighbour and of the
    // combo boxes' arrows.
    for (int darkest : Line("DIALOGGAPS", 4)) EXPECT_GT(darkest, 800) << "a dialog text runs on\n" << report;
    // A tap of 5 ms moves the red highlight from "START GAME" to "OPTIONS" (the
    // rows' backgrounds differ, so each row is compared with itself).
    n = Line("TAP", 4);
    EXPECT_GT(n[3], n[1] + 40) << "the tap did not move the selection\n" << report;
    // A click on "Game" opens its menu: light rows where the dark banner was.
    n = Line("MENUBAR", 2);
    EXPECT_GT(n[1], n[0] + 300) << report;
    // 628 pixels at 0.01 radians a pixel are one full turn: back to the first
    // picture, far closer to it than the half turn's.
    n = Line("TURN", 2);
    EXPECT_LT(n[1] * 3, n[0]) << "half turn / full turn differences\n" << report;
    // The clicked walls icon takes the tint from the move icon.
    n = Line("ICONS", 4);
    EXPECT_LT(n[2] + 60, n[0]) << "the move icon kept its tint\n" << report;
    EXPECT_GT(n[3], n[1] + 60) << "the walls icon was not chosen\n" << report;
    const std::string debugLog = quiltest::ReadWholeFile(RunDir() + "/DebugOutput.Dbg");
    EXPECT_TRUE(Has(debugLog, "Destroying Velmarune GameEngine\n")) << debugLog;
}

// Pushed past each edge, the captured pointer comes back in at the other side of
// the client area (never on a frame, a menu bar or another window), and the click
// made there leaves it where it is, moves no window and keeps the game in front.
void Smoke::ExpectEdges() {
    const std::vector<int> c = Line("CLIENT", 4), place = Line("PLACE", 2);
    const int nearLeft = c[0] + 100, nearTop = c[1] + 100, nearRight = c[2] - 100, nearBottom = c[3] - 100;
    for (const char* side : {"right", "left", "down", "up"}) {
        const std::vector<int> at = Line(std::string("EDGE") + side, 2);
        const std::vector<int> click = Line(std::string("CLICK") + side, 5);
        const std::string s = side;
        const bool across = s == "right" ? at[0] < nearLeft : s == "left" ? at[0] >= nearRight
                          : s == "down"  ? at[1] < nearTop  : at[1] >= nearBottom;
        EXPECT_TRUE(across) << "past the " << side << " edge the pointer did not come back at the other side\n" << report;
        EXPECT_TRUE(at[0] >= c[0] && at[0] < c[2] && at[1] >= c[1] && at[1] < c[3])
            << "past the " << side << " edge the pointer left the client area\n" << report;
        EXPECT_TRUE(click[0] == at[0] && click[1] == at[1]) << "the click after the " << side << " warp moved the pointer\n" << report;
        EXPECT_TRUE(click[2] == place[0] && click[3] == place[1]) << "the click after the " << side << " warp moved the window\n" << report;
        EXPECT_EQ(click[4], 1) << "the click after the " << side << " warp took the keyboard from the game\n" << report;
    }
}

// Full screen from the dialog's default: the pointer stays put, wraps at the
// screen's four edges, F1 and Alt+Enter go to the window and back, Escape quits.
void Smoke::CheckFullScreen() {
    EXPECT_EQ(Line("FULL", 2), (std::vector<int>{1280, 1024})) << report;
    EXPECT_EQ(Line("FULLPOINTER", 2), (std::vector<int>{500, 400})) << "the pointer ran away\n" << report;
    ExpectEdges();
    EXPECT_EQ(Count(report, "\nWINDOWED 640 "), 2u) << report;
    EXPECT_EQ(Count(report, "\nBACK 1280 1024\n"), 2u) << report;
    EXPECT_TRUE(Has(report, "STATUS 0\n")) << "a tap of Escape did not quit\n" << report << program;
    if (!pictures) return;
    for (const char* tag : {"FULLFRAME", "BACKFRAME"}) {
        const int brightness = Line(tag, 1)[0];
        EXPECT_TRUE(brightness > 150 && brightness < 700) << tag << ": a black or blank frame\n" << report;
    }
}

// Another program destroys the window (xdotool windowclose: the X window is
// gone, no close request) while the game draws: the program shuts down cleanly,
// as its close box would have it, hiscore stored, instead of dying on X errors,
// drawing into the missing window or spinning on without one.
void Smoke::CheckClosed() {
    EXPECT_TRUE(Has(report, "STATUS 0\n")) << report << program;
    EXPECT_FALSE(Has(report, "STILLRUNNING")) << report;
    const std::string debugLog = quiltest::ReadWholeFile(RunDir() + "/DebugOutput.Dbg");
    EXPECT_TRUE(Has(debugLog, "File Saved: frostwick.dat\n")) << debugLog;
    EXPECT_TRUE(Has(debugLog, "Destroying Velmarune GameEngine\n")) << debugLog;
}

TEST_F(Smoke, DesktopWindowWithTheRealPointerAndKeys) {
    Drive("window", "bare");
    if (!IsSkipped()) CheckWindow();
}

TEST_F(Smoke, DesktopWindowUnderAWindowManager) {
    Drive("window", "openbox");
    if (!IsSkipped()) CheckWindow();
}

TEST_F(Smoke, FullScreenFromTheFirstDialogDrawsTogglesAndQuitsOnEscape) {
    Drive("full", "bare");
    if (!IsSkipped()) CheckFullScreen();
}

TEST_F(Smoke, FullScreenUnderAWindowManager) {
    Drive("full", "openbox");
    if (!IsSkipped()) CheckFullScreen();
}

TEST_F(Smoke, AWindowDestroyedByAnotherProgramEndsTheProgramCleanly) {
    Drive("closed", "bare");
    if (!IsSkipped()) CheckClosed();
}

TEST_F(Smoke, AWindowDestroyedUnderAWindowManagerEndsTheProgramCleanly) {
    Drive("closed", "openbox");
    if (!IsSkipped()) CheckClosed();
}

TEST_F(Smoke, AFullScreenWindowDestroyedByAnotherProgramEndsTheProgramCleanly) {
    Drive("closedfull", "bare");
    if (!IsSkipped()) CheckClosed();
}

TEST_F(Smoke, AFullScreenWindowDestroyedUnderAWindowManagerEndsTheProgramCleanly) {
    Drive("closedfull", "openbox");
    if (!IsSkipped()) CheckClosed();
}

// With DISPLAY naming a display where no X server answers, and no driver chosen,
// the program says so at once and fails; a driver chosen in SDL_VIDEODRIVER (the
// tests' offscreen one) still runs without any display.
TEST(NoDisplay, IsNamedOnStandardErrorAndEndsTheProgramUnlessADriverIsChosen) {
    int number = 990;
    while (::access(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), F_OK) == 0 ||
           ::access(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), F_OK) == 0)
        ++number;
    const std::string display = ":" + std::to_string(number);
    const std::string err = ::testing::TempDir() + "frostwick_nodisplay_" + std::to_string(::getpid()) + ".txt";
    const std::string run = "cd '" + RunDir() + "' && env -u SDL_VIDEODRIVER -u WAYLAND_DISPLAY DISPLAY=" + display +
                            " timeout 20 ./frostwick 2> '" + err + "' > /dev/null";
    const int status = std::system(run.c_str());
    const std::string said = quiltest::ReadWholeFile(err);
    std::remove(err.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "124: it ran on without a display\n" << said;
    EXPECT_TRUE(Has(said, "cannot open display \"" + display + "\"")) << said;

    // Chosen: the offscreen driver runs the game (the settings dialog answered
    // by its default) until the engine has started; then it is stopped.
    const std::string chosen = "cd '" + RunDir() + "' && rm -f DebugOutput.Dbg && (SDL_VIDEODRIVER=offscreen DISPLAY=" +
                               display + " ./frostwick > /dev/null 2>&1 & p=$!; i=0; "
                               "while [ $i -lt 600 ] && kill -0 $p 2>/dev/null && ! grep -q 'Initialising Game' DebugOutput.Dbg 2>/dev/null; "
                               "do i=$((i + 1)); sleep 0.1; done; kill -0 $p 2>/dev/null && r=0 || r=1; kill $p; wait $p; exit $r)";
    EXPECT_EQ(std::system(chosen.c_str()), 0) << "the offscreen driver did not run the game";
}

}  // namespace
