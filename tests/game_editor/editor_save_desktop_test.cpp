// The editor's failed save on the real program under Xvfb, with real keys, on a
// bare X server and under openbox: one box per S press, the file on disk kept,
// and a save that can be made is made without a box. drive_editor_save.sh says
// what it does and reports.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class EditorSaveDesktop : public ::testing::TestWithParam<const char*> {};

TEST_P(EditorSaveDesktop, AFailedSaveIsToldOncePerPressAndTheFileStays) {
    const std::string file = ::testing::TempDir() + "editor_save_" + std::to_string(::getpid()) + ".txt";
    const std::string cmd = std::string("timeout 200 xvfb-run -a -s '-screen 0 1024x768x24' sh '") + DRIVER_SCRIPT +
                            "' '" + RUN_DIR + "' '" + file + "' " + GetParam() + " > /dev/null 2>&1";
    const int rc = std::system(cmd.c_str());
    const std::string report = "\n" + ReadFile(file), program = ReadFile(file + ".program");
    std::remove(file.c_str());
    std::remove((file + ".program").c_str());
    if (report.find("XSTARTED") == std::string::npos) GTEST_SKIP() << "Xvfb is not usable here (exit " << rc << ")";
    auto has = [&](const char* tag) { return report.find(std::string("\n") + tag + "\n") != std::string::npos; };
    for (const char* tag : {"ENGINEUP", "PLAYING", "EDITOR", "BOX1", "BOX2", "UNCHANGED", "SAVED", "LOGGED"})
        EXPECT_TRUE(has(tag)) << tag << " not seen\n" << report << program;
    for (const char* tag : {"NOWM", "EXTRABOX", "BOXSTAYS", "BOXONSAVE"})
        EXPECT_FALSE(has(tag)) << tag << "\n" << report << program;
}

INSTANTIATE_TEST_SUITE_P(Desktops, EditorSaveDesktop, ::testing::Values("bare", "openbox"));

}  // namespace
