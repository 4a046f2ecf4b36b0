// The generated set as a whole: a second generation gives the same bytes, and the content
// checks that the loaders cannot make.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <unistd.h>

#include "assets.h"
#include "game_world_support.h"

namespace fs = std::filesystem;

namespace {

// The game's names use either separator and any case; the set is found the way its loaders look.
std::string Normalise(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

std::map<std::string, std::string> FilesOf(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) {
            const std::string rel = fs::relative(e.path(), root).generic_string();
            files[Normalise(rel)] = rel;
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
    // A second generation writes the same bytes.
    const fs::path again = fs::temp_directory_path() / ("mkassets_again_" + std::to_string(getpid()));
    fs::remove_all(again);
    mkassets::WriteAll(again.string());
    const auto second = FilesOf(again.string());
    ASSERT_EQ(files.size(), second.size());
    for (const auto& [key, rel] : files) {
        ASSERT_TRUE(second.count(key)) << rel;
        EXPECT_TRUE(quiltest::ReadBytes(root + "/" + rel) == quiltest::ReadBytes((again / second.at(key)).string()))
            << rel << " differs";
    }
    fs::remove_all(again);
}

// Alpha where the texture is drawn with it; the goblin is ghostly (partly transparent but never
// below the alpha-test cut) and the title carries lettering in every one of its four tiles.
TEST(AssetSet, TexturesCarryAlphaWhereItIsDrawn) {
    const std::vector<std::string> withAlpha = {"gfx/title.tga", "gfx/icons.tga", "gfx/trees.tga", "gfx/goblin.tga"};
    for (const auto& [key, rel] : FilesOf(quiltest::GeneratedAssetFolder("assets_test"))) {
        if (key.size() < 4 || key.substr(key.size() - 4) != ".tga") continue;
        const bool alpha = std::find(withAlpha.begin(), withAlpha.end(), key) != withAlpha.end();
        EXPECT_EQ(quiltest::ReadBytes(rel).at(16), alpha ? 32 : 24) << rel;
    }
    const std::vector<uint8_t> g = quiltest::ReadBytes("gfx/goblin.tga");
    int minA = 255;
    for (size_t i = 18 + 3; i < g.size(); i += 4) minA = std::min<int>(minA, g[i]);
    EXPECT_GE(minA, 8);
    EXPECT_LT(minA, 230);
    const std::vector<uint8_t> t = quiltest::ReadBytes("gfx/title.tga");
    for (int tile = 0; tile < 4; ++tile) {
        int opaque = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = tile * 256; x < tile * 256 + 256; ++x) opaque += t[18 + (y * 1024 + x) * 4 + 3] > 200;
        EXPECT_GT(opaque, 1500) << "title tile " << tile;
    }
}

// The heartbeat loops without a click: silent at both ends.
TEST(AssetSet, HeartbeatLoopsCleanly) {
    quiltest::GeneratedAssetFolder("assets_test");
    const std::vector<uint8_t> hb = quiltest::ReadBytes("sfx/heartbeat.wav");
    ASSERT_GT(hb.size(), 44u + 80);
    const size_t n = (hb.size() - 44) / 2;
    auto sample = [&](size_t i) { return std::abs(static_cast<int16_t>(hb[44 + 2 * i] | hb[45 + 2 * i] << 8)); };
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_LT(sample(i), 300) << "start " << i;
        EXPECT_LT(sample(n - 1 - i), 300) << "end " << i;
    }
}
