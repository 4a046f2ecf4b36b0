// The generated set as a whole: a second generation gives the same bytes; and content that no
// loader checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
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

namespace {

uint64_t Fnv1a(const std::string& text) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : text) h = (h ^ c) * 0x100000001B3ull;
    return h;
}

void WriteText(const fs::path& path, const std::string& text) {
    quiltest::WriteBytes(path.string(), std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace

// The asset step on a run folder: what is missing is written, what someone
// changed stays (under any letter case), and an older default nobody changed
// is replaced by the new one.
TEST(AssetSet, RestoringARunFolderWritesWhatIsMissingAndKeepsWhatWasChanged) {
    const std::string defaults = quiltest::GeneratedAssetFolder("assets_test");
    const fs::path run = fs::temp_directory_path() / ("mkassets_run_" + std::to_string(getpid()));
    fs::remove_all(run);
    auto same = [&](const std::string& rel) {
        return quiltest::ReadBytes((run / rel).string()) == quiltest::ReadBytes(defaults + "/" + rel);
    };
    mkassets::RestoreReport r = mkassets::RestoreDefaults(run.string());
    EXPECT_EQ(static_cast<size_t>(r.written), FilesOf(defaults).size());
    EXPECT_TRUE(same("gfx/Level0.dat") && same("gfx/icons.tga"));

    WriteText(run / "gfx/Level0.dat", "saved by the editor");
    fs::remove(run / "gfx/Level1.dat");
    fs::remove(run / "gfx/Enemy1.dat");
    fs::remove(run / "gfx/goblin.tga");
    fs::remove(run / "gfx/Level2.dat");
    WriteText(run / "gfx/level2.dat", "saved by the editor after the default was deleted");
    // An older default of the sky, as the record says this tool wrote it.
    WriteText(run / "gfx/sky.tga", "older sky");
    std::string record;
    for (uint8_t c : quiltest::ReadBytes((run / ".mkassets").string())) record += static_cast<char>(c);
    const size_t at = record.find(" gfx/sky.tga\n");
    ASSERT_NE(at, std::string::npos);
    char hex[17];
    std::snprintf(hex, sizeof(hex), "%016llx", static_cast<unsigned long long>(Fnv1a("older sky")));
    record.replace(at - 16, 16, hex);
    WriteText(run / ".mkassets", record);

    r = mkassets::RestoreDefaults(run.string());
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(r.updated, 1);
    EXPECT_EQ(r.kept, 2);
    EXPECT_TRUE(same("gfx/Level1.dat") && same("gfx/Enemy1.dat") && same("gfx/goblin.tga") && same("gfx/sky.tga"));
    EXPECT_EQ(quiltest::ReadBytes((run / "gfx/Level0.dat").string()).size(), 19u);
    EXPECT_FALSE(fs::exists(run / "gfx/Level2.dat"));  // the lower-case one is the game's level 2

    // A folder written whole before there was a record: levels and enemy files
    // that differ are kept, other files are defaults.
    fs::remove(run / ".mkassets");
    WriteText(run / "gfx/Enemy3.dat", "edited walkers");
    WriteText(run / "gfx/bar.tga", "older bar");
    r = mkassets::RestoreDefaults(run.string());
    EXPECT_EQ(r.written, 0);
    EXPECT_EQ(r.updated, 1);
    EXPECT_EQ(r.kept, 3);
    EXPECT_TRUE(same("gfx/bar.tga"));
    EXPECT_EQ(quiltest::ReadBytes((run / "gfx/Enemy3.dat").string()).size(), 14u);
    fs::remove_all(run);
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
