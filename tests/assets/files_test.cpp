// The generated set as a whole: a second generation gives the same bytes; and content that no
// loader checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <unistd.h>

#include "assets.h"
#include "game_world_support.h"

namespace fs = std::filesystem;

namespace {

// Relative path -> file, keyed by the lower-case path: the game matches names without regard to case.
std::map<std::string, std::string> FilesOf(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) {
            std::string rel = fs::relative(e.path(), root).generic_string(), key = rel;
            std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return char(std::tolower(c)); });
            files[key] = rel;
        }
    return files;
}

}  // namespace

// A second generation writes the same bytes, and no two files differ only in case
// (ambiguous on a case-blind file system).
TEST(AssetSet, GenerationIsDeterministic) {
    const std::string root = quiltest::GeneratedAssetFolder("assets_test");
    const auto files = FilesOf(root);
    size_t count = 0;
    for (const auto& e : fs::recursive_directory_iterator(root)) count += e.is_regular_file();
    EXPECT_EQ(count, files.size());
    const fs::path again = fs::temp_directory_path() / ("mkassets_again_" + std::to_string(getpid()));
    fs::remove_all(again);
    mkassets::WriteAll(again.string());
    ASSERT_EQ(FilesOf(again.string()), files);
    for (const auto& [key, rel] : files)
        EXPECT_TRUE(quiltest::ReadBytes(root + "/" + rel) == quiltest::ReadBytes((again / rel).string())) << rel;
    fs::remove_all(again);
}

// The goblin is ghostly: partly transparent, but never below the alpha-test cut. The heartbeat
// loops without a click: silent at both ends.
TEST(AssetSet, TheGoblinIsGhostlyAndTheHeartbeatLoopsCleanly) {
    quiltest::GeneratedAssetFolder("assets_test");
    const std::vector<uint8_t> g = quiltest::ReadBytes("gfx/goblin.tga");
    ASSERT_EQ(g.at(16), 32);
    int minA = 255;
    for (size_t i = 18 + 3; i < g.size(); i += 4) minA = std::min<int>(minA, g[i]);
    EXPECT_GE(minA, 8);
    EXPECT_LT(minA, 230);
    const std::vector<uint8_t> hb = quiltest::ReadBytes("sfx/heartbeat.wav");
    ASSERT_GT(hb.size(), 44u + 80);
    const size_t n = (hb.size() - 44) / 2;
    auto sample = [&](size_t i) { return std::abs(static_cast<int16_t>(hb[44 + 2 * i] | hb[45 + 2 * i] << 8)); };
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_LT(sample(i), 300) << "start " << i;
        EXPECT_LT(sample(n - 1 - i), 300) << "end " << i;
    }
}
