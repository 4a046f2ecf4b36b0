// File names matched without regard to case and with either separator.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "quil_path.h"

namespace {

TEST(ResolvePath, MatchesEachComponentAndKeepsUnmatchedTail) {
    char cwd[4096];  // the case's own scratch working folder, as an absolute path
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    const std::string dir = cwd;
    ASSERT_EQ(mkdir((dir + "/Gfx").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir + "/Gfx/LightMaps").c_str(), 0755), 0);
    FILE* f = std::fopen((dir + "/Gfx/House.X").c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);

    EXPECT_EQ(quil_platform::ResolvePath((dir + "\\gfx\\house.x").c_str()), dir + "/Gfx/House.X");
    EXPECT_EQ(quil_platform::ResolvePath((dir + "/GFX/./HOUSE.x").c_str()), dir + "/Gfx/./House.X");
    // A new file in an existing folder: the folder is matched, the name kept as written.
    EXPECT_EQ(quil_platform::ResolvePath((dir + "\\gfx\\lightmaps\\Room1.lmp").c_str()),
              dir + "/Gfx/LightMaps/Room1.lmp");
    // A missing folder: the rest stays as written.
    EXPECT_EQ(quil_platform::ResolvePath((dir + "\\nothere\\gfx").c_str()), dir + "/nothere/gfx");
    EXPECT_EQ(quil_platform::ResolvePath(""), "");
    EXPECT_EQ(quil_platform::ResolvePath(nullptr), "");

    FILE* w = quil_platform::OpenFile((dir + "\\GFX\\lightmaps\\new.bin").c_str(), "wb");
    ASSERT_NE(w, nullptr);
    std::fclose(w);
    struct stat st;
    EXPECT_EQ(stat((dir + "/Gfx/LightMaps/new.bin").c_str(), &st), 0);
}

}  // namespace
