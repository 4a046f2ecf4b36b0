// The real program, started from its run folder under Xvfb and driven with
// xdotool as a person would: the settings dialog, the desktop window and Apply,
// the window with its menu bar, F2 and the dialog closed again, then Game > Exit.
// Skipped where Xvfb or xdotool cannot run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

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

// "Geometry:640x500" from the report line that starts with tag.
bool Geometry(const std::string& report, const std::string& tag, int* w, int* h) {
    const size_t at = report.find(tag + " Geometry:");
    if (at == std::string::npos) return false;
    return std::sscanf(report.c_str() + at + tag.size() + 10, "%dx%d", w, h) == 2;
}

TEST(Smoke, SettingsDialogWindowF2AndExitUnderXvfb) {
    if (!OnPath("xvfb-run") || !OnPath("xdotool")) GTEST_SKIP() << "xvfb-run or xdotool is not installed";
    const std::string report = ::testing::TempDir() + "frostwick_smoke_" + std::to_string(::getpid()) + ".txt";
    const std::string cmd = std::string("timeout 120 xvfb-run -a -s '-screen 0 1024x768x24' sh '") + DRIVER_SCRIPT +
                            "' '" + RUN_DIR + "' '" + report + "' > /dev/null 2>&1";
    const int rc = std::system(cmd.c_str());
    const std::string log = ReadFile(report);
    const std::string program = ReadFile(report + ".program");
    std::remove(report.c_str());
    std::remove((report + ".program").c_str());
    if (!Has(log, "XSTARTED")) GTEST_SKIP() << "Xvfb is not usable here (exit " << rc << "): " << log;

    EXPECT_TRUE(Has(log, "DIALOG ")) << "no settings dialog\n" << log << program;
    EXPECT_TRUE(Has(log, "APPLIED")) << log;
    EXPECT_TRUE(Has(log, "WINDOW ")) << "no window \"QUIL-ENGINE\"\n" << log << program;
    int w = 0, h = 0;
    if (Geometry(log, "WINDOW", &w, &h)) {
        // The 640 x 480 client area with the menu bar strip above it.
        EXPECT_EQ(w, 640) << log;
        EXPECT_GT(h, 480) << "no menu bar\n" << log;
    }
    EXPECT_TRUE(Has(log, "F2DIALOG")) << "F2 did not open the dialog\n" << log;
    EXPECT_TRUE(Has(log, "F2CLOSED")) << log;
    EXPECT_TRUE(Has(log, "MENUEXIT")) << "Game > Exit did not close the program\n" << log << program;
    EXPECT_TRUE(Has(log, "STATUS 0\n")) << "the program did not exit 0 after Exit\n" << log << program;

    const std::string debugLog = ReadFile(std::string(RUN_DIR) + "/DebugOutput.Dbg");
    EXPECT_TRUE(Has(debugLog, "Initialising Velmarune GameEngine\n")) << debugLog;
    EXPECT_TRUE(Has(debugLog, "Destroying Velmarune GameEngine\n")) << debugLog;
}

}  // namespace
