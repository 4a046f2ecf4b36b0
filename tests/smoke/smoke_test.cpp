// The real program, started from its run folder under Xvfb and driven with
// xdotool as a person would, with the real X pointer and real keys: in the
// dialog's desktop window (pointer, key tap, menu bar, F2, mouse look, editor
// icon, Game > Exit) and in its default full screen (frames, F1 and Alt+Enter,
// Escape). Skipped where Xvfb or xdotool cannot run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool OnPath(const char* tool) {
    const std::string cmd = std::string("command -v ") + tool + " > /dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The numbers on the report line that starts with tag (empty when there is none).
std::vector<int> Numbers(const std::string& report, const std::string& tag) {
    std::vector<int> out;
    const size_t at = report.find("\n" + tag + " ");
    if (at == std::string::npos) return out;
    std::istringstream line(report.substr(at + tag.size() + 2, report.find('\n', at + 1) - at - tag.size() - 2));
    std::string word;
    while (line >> word) {
        const size_t digit = word.find_first_of("-0123456789");
        if (digit != std::string::npos) out.push_back(std::atoi(word.c_str() + digit));
        if (word.find('x') != std::string::npos) out.push_back(std::atoi(word.c_str() + word.find('x') + 1));
    }
    return out;
}

class Smoke : public ::testing::Test {
protected:
    // Runs the driver in the given mode; skips when Xvfb or xdotool cannot start.
    void Drive(const char* mode) {
        if (!OnPath("xvfb-run") || !OnPath("xdotool") || !OnPath("xwininfo"))
            GTEST_SKIP() << "xvfb-run, xdotool or xwininfo is not installed";
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
    std::string report, program;
    bool pictures = false;
};

TEST_F(Smoke, DesktopWindowWithTheRealPointerAndKeys) {
    Drive("window");
    if (IsSkipped()) return;
    std::vector<int> n = Numbers(report, "WINDOW");
    ASSERT_EQ(n.size(), 2u) << report << program;
    EXPECT_EQ(n[0], 640) << report;
    EXPECT_GT(n[1], 480) << "no menu bar\n" << report;
    // The pointer stays where it was put (no warp chases it across the screen).
    n = Numbers(report, "POINTER");
    ASSERT_EQ(n.size(), 4u) << report;
    EXPECT_EQ(n[0], n[2]) << report;
    EXPECT_EQ(n[1], n[3]) << report;
    n = Numbers(report, "TURNPOINTER");
    ASSERT_EQ(n.size(), 4u) << report;
    EXPECT_EQ(n[0], n[2]) << report;
    EXPECT_EQ(n[1], n[3]) << report;
    n = Numbers(report, "EDGE");
    ASSERT_EQ(n.size(), 3u) << report;
    EXPECT_GT(n[0], n[2] - 10) << "no edge warp to the left\n" << report;
    EXPECT_LT(n[0], n[2] + 100) << "no edge warp to the left\n" << report;
    EXPECT_TRUE(Has(report, "F2DIALOG")) << "F2 did not open the dialog\n" << report;
    EXPECT_TRUE(Has(report, "F2CLOSED")) << report;
    EXPECT_TRUE(Has(report, "MENUEXIT")) << "Game > Exit did not close the program\n" << report << program;
    EXPECT_TRUE(Has(report, "STATUS 0\n")) << report << program;
    if (!pictures) return;

    // Every text of the settings dialog ends clear of its neighbour and of the
    // combo boxes' arrows.
    n = Numbers(report, "DIALOGGAPS");
    ASSERT_EQ(n.size(), 4u) << report;
    for (int darkest : n) EXPECT_GT(darkest, 800) << "a dialog text runs into its neighbour\n" << report;

    // A tap of 5 ms moves the red highlight from "START GAME" to "OPTIONS".
    n = Numbers(report, "TAP");
    ASSERT_EQ(n.size(), 4u) << report;
    EXPECT_GT(n[0], n[1]) << "START GAME not highlighted first\n" << report;
    EXPECT_GT(n[3], n[2] + 40) << "the tap did not move the selection\n" << report;
    // A click on "Game" opens its menu: light rows where the dark banner was.
    n = Numbers(report, "MENUBAR");
    ASSERT_EQ(n.size(), 2u) << report;
    EXPECT_GT(n[1], n[0] + 300) << report;
    // 628 pixels at 0.01 radians a pixel are one full turn: back to the first
    // picture, far closer to it than the half turn's.
    n = Numbers(report, "TURN");
    ASSERT_EQ(n.size(), 2u) << report;
    EXPECT_LT(n[1] * 3, n[0]) << "half turn / full turn differences\n" << report;
    // The clicked walls icon takes the tint from the move icon.
    n = Numbers(report, "ICONS");
    ASSERT_EQ(n.size(), 4u) << report;
    EXPECT_LT(n[2] + 60, n[0]) << "the move icon kept its tint\n" << report;
    EXPECT_GT(n[3], n[1] + 60) << "the walls icon was not chosen\n" << report;

    const std::string debugLog = ReadFile(std::string(RUN_DIR) + "/DebugOutput.Dbg");
    EXPECT_TRUE(Has(debugLog, "Destroying Velmarune GameEngine\n")) << debugLog;
}

TEST_F(Smoke, FullScreenFromTheFirstDialogDrawsTogglesAndQuitsOnEscape) {
    Drive("full");
    if (IsSkipped()) return;
    std::vector<int> n = Numbers(report, "FULL");
    ASSERT_EQ(n.size(), 2u) << report << program;
    EXPECT_EQ(n[0], 1024) << report;
    EXPECT_EQ(n[1], 768) << report;
    n = Numbers(report, "FULLPOINTER");
    ASSERT_EQ(n.size(), 2u) << report;
    EXPECT_EQ(n[0], 500) << "the pointer ran away in full screen\n" << report;
    EXPECT_EQ(n[1], 400) << report;
    // F1 and then Alt+Enter: each to the window and back to full screen.
    size_t windowed = 0, back = 0;
    for (size_t at = report.find("\nWINDOWED Geometry:640x"); at != std::string::npos;
         at = report.find("\nWINDOWED Geometry:640x", at + 1))
        ++windowed;
    for (size_t at = report.find("\nBACK Geometry:1024x768"); at != std::string::npos;
         at = report.find("\nBACK Geometry:1024x768", at + 1))
        ++back;
    EXPECT_EQ(windowed, 2u) << report;
    EXPECT_EQ(back, 2u) << report;
    EXPECT_TRUE(Has(report, "STATUS 0\n")) << "a tap of Escape did not quit\n" << report << program;
    if (!pictures) return;
    for (const char* tag : {"FULLFRAME", "BACKFRAME"}) {
        n = Numbers(report, tag);
        ASSERT_FALSE(n.empty()) << tag << "\n" << report;
        EXPECT_GT(n[0], 150) << tag << ": a black frame\n" << report;
    }
}

}  // namespace
