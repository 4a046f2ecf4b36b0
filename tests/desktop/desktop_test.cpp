// The real program from its run folder on an X desktop (Xvfb at 1280x1024), on a
// bare X server and under openbox, driven with xdotool's real pointer and keys:
// a message box over full screen, F1 and Alt+Enter round trips, the settings
// dialog from a window and from full screen, keys at a message box, and the X
// server lost under one. drive_desktop.sh tells what it does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xvfb_driver.h"

namespace {

class Desktop : public ::testing::TestWithParam<const char*> {
protected:
    // Runs one scenario under the parameter's desktop; skips when Xvfb (or the
    // window manager asked for) cannot run here.
    void Drive(const char* scenario) {
        run = quiltest::RunXvfbDriver(DRIVER_SCRIPT, quiltest::ProgramRunDir(RUN_DIR), "1280x1024", 240,
                                      std::string(scenario) + " " + GetParam());
        report = run.report;
        program = run.program;
        if (!Has("XSTARTED")) GTEST_SKIP() << "Xvfb is not usable here (exit " << run.rc << "): " << report;
        if (Has("NOWM")) GTEST_SKIP() << GetParam() << " does not start here";
        EXPECT_TRUE(Has("APPLIED")) << "the first settings dialog did not close\n" << report << program;
    }
    bool Has(const std::string& part) const { return run.Has(part); }
    std::vector<int> Line(const std::string& tag, size_t count) const { return run.Line(tag, count); }
    bool UnderWindowManager() const { return std::string(GetParam()) != "bare"; }
    quiltest::DriverReport run;
    std::string report, program;
};

// The sound system's box over the full-screen game (no sound device) takes the
// keyboard by itself; after Return (OK) the game is full screen again, draws,
// and a tap of Escape on the title quits (the Return did not reach the game).
TEST_P(Desktop, MessageBoxOverFullScreenGivesTheGameBack) {
    Drive("box");
    if (IsSkipped()) return;
    EXPECT_TRUE(Has("BOX\n")) << "no sound box\n" << report << program;
    EXPECT_TRUE(Has("BOXKEYBOARD")) << "the box did not get the keyboard\n" << report;
    EXPECT_TRUE(Has("BOXGONE")) << report;
    EXPECT_TRUE(Has("AFTERBOX shown 1280 1024\n")) << "not full screen after the box\n" << report;
    EXPECT_TRUE(Has("DRAWING")) << "nothing drawn after the box\n" << report;
    EXPECT_TRUE(Has("STATUS 0\n")) << "Escape did not reach the game\n" << report << program;
}

// Escape and Return typed at the game's window while the box is up, then
// Escape at the box, which answers it: the game heard none of them (it neither
// quit nor left the title), and quits on the next Escape.
TEST_P(Desktop, KeysMeantForAMessageBoxNeverReachTheGame) {
    Drive("boxkeys");
    if (IsSkipped()) return;
    ASSERT_TRUE(Has("BOX\n") && Has("GAMEKEYBOARD")) << report << program;
    EXPECT_TRUE(Has("BOXKEYBOARD")) << report;
    EXPECT_TRUE(Has("BOXGONE")) << "Escape did not answer the box\n" << report;
    EXPECT_TRUE(Has("DRAWING") && Has("ALIVE")) << "the game quit on the box's Escape\n" << report << program;
    EXPECT_TRUE(Has("STATUS 0\n")) << "the game was not on its title after the box\n" << report << program;
}

// The X server killed while the lightmap box ("Could not save lightmap!") is up
// in a level: the program and the box's own process end by themselves within
// ten seconds, without a crash (Xlib's exit status for a lost display, 1).
TEST_P(Desktop, XServerLostUnderAMessageBoxLeavesNoProcess) {
    Drive("xgone");
    if (IsSkipped()) return;
    ASSERT_TRUE(Has("BOX\n")) << "no lightmap box\n" << report << program;
    EXPECT_TRUE(Has("CHILDREN 1\n")) << "the box has no process of its own\n" << report;
    ASSERT_TRUE(Has("XGONE")) << report;
    EXPECT_FALSE(Has("LEFT")) << report << program;
    EXPECT_TRUE(Has("STATUS 1\n")) << report << program;
}

// F1 and then Alt+Enter, each to full screen and back, in play with the mouse
// still: the frame the window had comes back, and the view turns nowhere (in
// full screen either). Difference of the view's middle, in 1/1000: about 20-40
// for a still view with walkers about, above 250 for the view a window's move
// turned and tilted.
TEST_P(Desktop, FullScreenRoundTripsKeepFrameAndView) {
    Drive("toggle");
    if (IsSkipped()) return;
    EXPECT_FALSE(Has("NOPLAY") || Has("NOGO")) << "play did not start\n" << report << program;
    const std::vector<int> frame = Line("FRAME0", 4);
    if (UnderWindowManager()) {
        EXPECT_GT(frame[2], 0) << "no title bar to start with\n" << report;
    }
    for (const char* round : {"1", "2"}) {
        EXPECT_FALSE(Has(std::string("NOFULL") + round) || Has(std::string("NOWINDOW") + round)) << report;
        EXPECT_EQ(Line(std::string("FRAME") + round, 4), frame) << "the frame changed\n" << report;
        EXPECT_LT(Line(std::string("FULLVIEW") + round, 1)[0], 120) << "full screen moved the view\n" << report;
        EXPECT_LT(Line(std::string("BACKVIEW") + round, 1)[0], 120) << "the window moved the view\n" << report;
    }
    EXPECT_TRUE(Has("STATUS 0\n")) << report << program;
}

// F2 -> Apply and F2 -> Cancel: while the dialog is up the window shows the
// picture from before at its size (left of the dialog, compared in blocks of 16
// pixels: about 5-105 when scaled, about 250 for an unscaled corner of the
// full-screen picture); after it the game draws in its window.
TEST_P(Desktop, SettingsDialogFromAWindow) {
    Drive("f2window");
    if (IsSkipped()) return;
    for (const char* answer : {"Return", "Escape"}) {
        EXPECT_LT(Line(std::string("DURING") + answer, 1)[0], 160) << answer << "\n" << report;
        EXPECT_TRUE(Has(std::string("CLOSED") + answer)) << report;
        EXPECT_EQ(Line(std::string("DRAWING") + answer, 2), (std::vector<int>{640, 500})) << report;
    }
    EXPECT_TRUE(Has("STATUS 0\n")) << report << program;
}

TEST_P(Desktop, SettingsDialogFromFullScreen) {
    Drive("f2full");
    if (IsSkipped()) return;
    for (const char* answer : {"Return", "Escape"}) {
        EXPECT_FALSE(Has(std::string("NOFULL") + answer)) << report;
        EXPECT_LT(Line(std::string("DURING") + answer, 1)[0], 160) << answer << ": a corner of the picture\n"
                                                                     << report;
        EXPECT_TRUE(Has(std::string("CLOSED") + answer)) << report;
        EXPECT_EQ(Line(std::string("DRAWING") + answer, 2), (std::vector<int>{640, 500})) << report;
        // Out of full screen into a window with a title bar.
        const int titleBar = Line(std::string("FRAME") + answer, 4)[2];
        if (UnderWindowManager()) {
            EXPECT_GT(titleBar, 0) << answer << ": a window without its frame\n" << report;
        }
    }
    EXPECT_TRUE(Has("STATUS 0\n")) << report << program;
}

INSTANTIATE_TEST_SUITE_P(Desktops, Desktop, ::testing::Values("bare", "openbox"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
