// The debug log file: nothing before start-up, a fresh file, over-long lines cut.
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include "trap.h"

namespace {
std::string ReadLog() {
    std::stringstream ss;
    ss << std::ifstream(DEBUG_LOG_FILE, std::ios::binary).rdbuf();
    return ss.str();
}
}  // namespace

// Registered first in the program, so logging is still off at its start.
TEST(DebugLog, StartsFreshAppendsAndCutsLongLines) {
    std::remove(DEBUG_LOG_FILE);
    DebugLog("too early\n");
    EXPECT_FALSE(std::ifstream(DEBUG_LOG_FILE).good());

    std::ofstream(DEBUG_LOG_FILE) << "old session\n";
    DebugLog_Start();
    DebugLog("first ");
    DebugLog("half, %s %d\n", "second", 2);
    const std::string longText(1000, 'x');
    DebugLog("%s\n", longText.c_str());
    DebugLog("%s", longText.c_str());
    DebugLog("after\n");
    EXPECT_EQ(ReadLog(), "Starting Debug Session\n\nfirst half, second 2\n" + std::string(254, 'x') + "\n" +
                             std::string(255, 'x') + "after\n");
}
