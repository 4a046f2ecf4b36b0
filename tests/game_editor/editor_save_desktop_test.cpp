// The editor's failed save on the real program under Xvfb, with real keys, on a
// bare X server and under openbox: one box per S press, the file on disk kept,
// and a save that can be made is made without a box. drive_editor_save.sh says
// what it does and reports.
#include <gtest/gtest.h>

#include <string>

#include "xvfb_driver.h"

namespace {

class EditorSaveDesktop : public ::testing::TestWithParam<const char*> {};

TEST_P(EditorSaveDesktop, AFailedSaveIsToldOncePerPressAndTheFileStays) {
    const quiltest::DriverReport run =
        quiltest::RunXvfbDriver(DRIVER_SCRIPT, quiltest::ProgramRunDir(RUN_DIR), "1024x768", 200, GetParam());
    const std::string& report = run.report;
    const std::string& program = run.program;
    if (!run.Has("XSTARTED")) GTEST_SKIP() << "Xvfb is not usable here (exit " << run.rc << ")";
    auto has = [&](const char* tag) { return report.find(std::string("\n") + tag + "\n") != std::string::npos; };
    for (const char* tag : {"ENGINEUP", "PLAYING", "EDITOR", "BOX1", "BOX2", "UNCHANGED", "SAVED", "LOGGED"})
        EXPECT_TRUE(has(tag)) << tag << " not seen\n" << report << program;
    for (const char* tag : {"NOWM", "EXTRABOX", "BOXSTAYS", "BOXONSAVE"})
        EXPECT_FALSE(has(tag)) << tag << "\n" << report << program;
}

INSTANTIATE_TEST_SUITE_P(Desktops, EditorSaveDesktop, ::testing::Values("bare", "openbox"));

}  // namespace
