// The real program from its run folder under Xvfb, driven with xdotool as a person
// would (real pointer, real keys): in the dialog's desktop window and in its default
// full screen. What the driver does and reports is told in drive_frostwick.sh.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

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
    void Drive(const char* mode) {
        const std::string file = ::testing::TempDir() + "frostwick_smoke_" + std::to_string(::getpid()) + ".txt";
        const std::string cmd = std::string("timeout 150 xvfb-run -a -s '-screen 0 1024x768x24' sh '") +
                                DRIVER_SCRIPT + "' '" + RUN_DIR + "' '" + file + "' " + mode + " > /dev/null 2>&1";
        const int rc = std::system(cmd.c_str());
        report = "\n" + ReadFile(file);
        program = ReadFile(file + ".program");
        std::remove(file.c_str());
        std::remove((file + ".program").c_str());
        if (!Has(report, "XSTARTED")) GTEST_SKIP() << "Xvfb is not usable here (exit " << rc << "): " << report;
        pictures = !Has(report, "NOPICTURES");
        EXPECT_TRUE(Has(report, "\nAPPLIED")) << "the settings dialog did not close\n" << report << program;
        EXPECT_TRUE(Has(report, "ENGINEUP")) << report << program;
    }
    // The numbers of the report line "TAG n n ...", which must have count of them
    // (-1 for each missing).
    std::vector<int> Line(const std::string& tag, size_t count) {
        const size_t at = report.find("\n" + tag + " "), from = at + tag.size() + 2;
        std::istringstream line(at == std::string::npos ? "" : report.substr(from, report.find('\n', from) - from));
        std::vector<int> n;
        for (int v = 0; line >> v;) n.push_back(v);
        EXPECT_EQ(n.size(), count) << tag << "\n" << report << program;
        n.resize(count, -1);
        return n;
    }
    // A line "TAG x y x y": the pointer is where it was put.
    void ExpectPointerKept(const char* tag) {
        const std::vector<int> n = Line(tag, 4);
        EXPECT_TRUE(n[0] == n[2] && n[1] == n[3]) << tag << ": the pointer moved away\n" << report;
    }
    std::string report, program;
    bool pictures = false;
};

TEST_F(Smoke, DesktopWindowWithTheRealPointerAndKeys) {
    Drive("window");
    if (IsSkipped()) return;
    std::vector<int> n = Line("WINDOW", 2);
    EXPECT_EQ(n[0], 640) << report;
    EXPECT_GT(n[1], 480) << "no menu bar\n" << report;
    // No warp chases the pointer across the screen; past the right edge the
    // captured pointer comes back in at the left.
    ExpectPointerKept("POINTER");
    ExpectPointerKept("TURNPOINTER");
    n = Line("EDGE", 3);
    EXPECT_TRUE(n[0] > n[2] - 10 && n[0] < n[2] + 100) << "no edge warp to the left\n" << report;
    EXPECT_TRUE(Has(report, "F2DIALOG")) << "F2 did not open the dialog\n" << report;
    EXPECT_TRUE(Has(report, "F2CLOSED")) << report;
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
    const std::string debugLog = ReadFile(std::string(RUN_DIR) + "/DebugOutput.Dbg");
    EXPECT_TRUE(Has(debugLog, "Destroying Velmarune GameEngine\n")) << debugLog;
}

TEST_F(Smoke, FullScreenFromTheFirstDialogDrawsTogglesAndQuitsOnEscape) {
    Drive("full");
    if (IsSkipped()) return;
    EXPECT_EQ(Line("FULL", 2), (std::vector<int>{1024, 768})) << report;
    EXPECT_EQ(Line("FULLPOINTER", 2), (std::vector<int>{500, 400})) << "the pointer ran away\n" << report;
    // F1 and then Alt+Enter: each to the window and back to full screen.
    EXPECT_EQ(Count(report, "\nWINDOWED 640 "), 2u) << report;
    EXPECT_EQ(Count(report, "\nBACK 1024 768\n"), 2u) << report;
    EXPECT_TRUE(Has(report, "STATUS 0\n")) << "a tap of Escape did not quit\n" << report << program;
    if (!pictures) return;
    for (const char* tag : {"FULLFRAME", "BACKFRAME"})
        EXPECT_GT(Line(tag, 1)[0], 150) << tag << ": a black frame\n" << report;
}

}  // namespace
