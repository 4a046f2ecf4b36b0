// Starts the demo program under Xvfb and drives it with xdotool, as a person
// would: F2 must arrive as WM_COMMAND 40001 (which opens the settings dialog,
// answered with a click on "Apply"), and "E&xit" from the menu bar must close it.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {
bool OnPath(const char* tool) {
    std::string cmd = std::string("command -v ") + tool + " > /dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

TEST(Win32Demo, F2AndTheExitMenuItemUnderXvfb) {
    if (!OnPath("xvfb-run") || !OnPath("xdotool")) GTEST_SKIP() << "xvfb-run or xdotool is not installed";
    std::string out = std::string(::testing::TempDir()) + "win32_demo_" + std::to_string(::getpid()) + ".txt";
    std::string cmd = std::string("timeout 90 xvfb-run -a -s '-screen 0 1024x768x24' sh '") + DRIVER_SCRIPT + "' '" +
                      DEMO_PROGRAM + "' '" + out + "' > /dev/null 2>&1";
    int rc = std::system(cmd.c_str());
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    std::string log = text.str();
    std::remove(out.c_str());
    if (log.find("READY") == std::string::npos)
        GTEST_SKIP() << "Xvfb is not usable here (exit " << rc << "): " << log;
    size_t f2 = log.find("COMMAND 40001");
    EXPECT_NE(log.find("DIALOGSHOWN"), std::string::npos) << log;
    EXPECT_NE(log.find("DIALOGCOMMAND 1 0"), std::string::npos) << "Apply clicked with the mouse\n" << log;
    EXPECT_NE(log.find("DIALOG 1\n"), std::string::npos) << log;
    size_t exitCmd = log.find("COMMAND 40002");
    size_t exited = log.find("EXIT\n");
    EXPECT_NE(f2, std::string::npos) << log;
    EXPECT_NE(exitCmd, std::string::npos) << log;
    EXPECT_NE(exited, std::string::npos) << log;
    if (f2 != std::string::npos && exitCmd != std::string::npos) {
        EXPECT_LT(f2, exitCmd);
    }
    EXPECT_NE(log.find("STATUS 0"), std::string::npos) << log;
}
}  // namespace
