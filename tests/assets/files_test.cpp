// The generated set as a whole: every file the game loads is there, in a format its loaders read,
// and a second generation gives the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <unistd.h>

#include "generated_set.h"

namespace fs = std::filesystem;
using assets_test::GeneratedRoot;
using assets_test::ReadGenerated;
using assets_test::U16;
using assets_test::U32;

namespace {

// Every data file the game opens, as the game names it.
const char* const kGameFiles[] = {
    "gfx/lamp.x", "gfx/table.x", "gfx/tv.x", "gfx/shade.x", "gfx/picture.x", "gfx/door.x", "gfx/picture2.x",
    "gfx/chairs.x", "gfx/sofa.x", "gfx/sofachair.x", "gfx/draws.x", "gfx/arc1.x", "gfx/tree.x",
    "gfx/lamp.tga", "gfx/table.tga", "gfx/tv.tga", "gfx/shade.tga", "gfx/picture2.tga", "gfx/door1.tga",
    "gfx/picture1.tga", "gfx/sofa.tga", "gfx/draws.tga", "gfx/arc.tga", "gfx/tree.tga",
    "gfx\\present.x", "gfx\\health.x", "gfx\\time.x", "gfx\\star.x",
    "gfx\\present.tga", "gfx\\health.tga", "gfx\\time.tga", "gfx\\star.tga",
    "gfx\\northpole.x", "gfx\\house.x", "gfx\\trees.x", "gfx\\tiny.x", "gfx\\goblin.x", "gfx\\snowman.x",
    "gfx\\house.tga", "gfx\\sky.tga", "gfx\\snow.tga", "gfx\\trees.tga", "gfx\\bar.tga", "gfx\\title.tga",
    "gfx\\snowman.tga", "gfx\\tiny.tga", "gfx\\goblin.tga",
    "gfx/walls.tga", "gfx/floor.tga", "gfx/ceil.tga", "gfx/hud.tga", "gfx/icons.tga", "gfx/flare.tga",
    "gfx/snowstorm2.tga", "gfx/bullets.tga",
    "sfx/footsteps/hard1.wav", "sfx/footsteps/hard2.wav", "sfx/footsteps/hard3.wav", "sfx/footsteps/hard4.wav",
    "sfx/footsteps/normal1.wav", "sfx/footsteps/normal2.wav", "sfx/footsteps/normal3.wav", "sfx/footsteps/normal4.wav",
    "sfx/footsteps/snow1.wav", "sfx/footsteps/snow2.wav", "sfx/footsteps/soft1.wav", "sfx/footsteps/soft2.wav",
    "sfx/footsteps/soft3.wav", "sfx/footsteps/soft4.wav", "sfx/heartbeat.wav", "sfx/hit.wav",
    "sfx/evilfire1.wav", "sfx/evilfire2.wav", "sfx/fire1.wav", "sfx/fire2.wav", "sfx\\goblindeath.wav",
    "sfx/spawn1.wav", "sfx/spawn2.wav", "sfx/gotpresent.wav", "sfx/dopresent.wav", "sfx/levelstart.wav",
    "sfx/levelcomplete.wav", "sfx/gameover.wav", "sfx\\menumove.wav", "sfx\\menuselect.wav",
    "sfx/quil_xmas_theme.mid", "sfx/letitsnow.mid", "sfx/whitexmas.mid",
    "gfx/Level0.dat", "gfx/Level1.dat", "gfx/Level2.dat", "gfx/Level3.dat", "gfx/Level4.dat",
    "gfx/Enemy0.dat", "gfx/Enemy1.dat", "gfx/Enemy2.dat", "gfx/Enemy3.dat", "gfx/Enemy4.dat",
};

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

std::vector<uint8_t> ReadAbs(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(AssetSet, EveryFileTheGameLoadsIsWritten) {
    const auto files = FilesOf(GeneratedRoot());
    for (const char* name : kGameFiles) EXPECT_TRUE(files.count(Normalise(name))) << name;
    EXPECT_TRUE(fs::is_directory(fs::path(GeneratedRoot()) / "gfx" / "lightmaps"));
    EXPECT_TRUE(fs::is_empty(fs::path(GeneratedRoot()) / "gfx" / "lightmaps"));
    // Two files differing only in case would make the set ambiguous on a case-blind file system.
    size_t count = 0;
    for (const auto& e : fs::recursive_directory_iterator(GeneratedRoot())) count += e.is_regular_file();
    EXPECT_EQ(count, files.size());
}

TEST(AssetSet, GenerationIsDeterministic) {
    const fs::path again = fs::temp_directory_path() / ("mkassets_again_" + std::to_string(getpid()));
    fs::remove_all(again);
    assets_test::GenerateInto(again.string());
    const auto first = FilesOf(GeneratedRoot()), second = FilesOf(again.string());
    ASSERT_EQ(first.size(), second.size());
    for (const auto& [key, rel] : first) {
        ASSERT_TRUE(second.count(key)) << rel;
        EXPECT_TRUE(ReadAbs(fs::path(GeneratedRoot()) / rel) == ReadAbs(again / second.at(key))) << rel << " differs";
    }
    fs::remove_all(again);
}

// TGA: uncompressed true colour, top-left origin, power-of-two sides, alpha where it is drawn with it.
TEST(AssetSet, TexturesAreUncompressedTrueColourTga) {
    const std::vector<std::string> withAlpha = {"gfx/title.tga", "gfx/icons.tga", "gfx/trees.tga", "gfx/goblin.tga"};
    for (const auto& [key, rel] : FilesOf(GeneratedRoot())) {
        if (key.size() < 4 || key.substr(key.size() - 4) != ".tga") continue;
        const std::vector<uint8_t> b = ReadGenerated(rel);
        ASSERT_GE(b.size(), 18u) << rel;
        EXPECT_EQ(b[2], 2) << rel;
        const uint32_t w = U16(b, 12), h = U16(b, 14), bpp = b[16];
        EXPECT_TRUE(bpp == 24 || bpp == 32) << rel;
        EXPECT_EQ(b.size(), 18u + w * h * (bpp / 8)) << rel;
        EXPECT_TRUE(w && (w & (w - 1)) == 0 && h && (h & (h - 1)) == 0) << rel << " " << w << "x" << h;
        const bool alpha = std::find(withAlpha.begin(), withAlpha.end(), key) != withAlpha.end();
        EXPECT_EQ(bpp, alpha ? 32u : 24u) << rel;
    }
    // The goblin is ghostly: its texture is partly transparent but never below the alpha-test cut.
    const std::vector<uint8_t> g = ReadGenerated("gfx/goblin.tga");
    int minA = 255, maxA = 0;
    for (size_t i = 18 + 3; i < g.size(); i += 4) {
        minA = std::min<int>(minA, g[i]);
        maxA = std::max<int>(maxA, g[i]);
    }
    EXPECT_GE(minA, 8);
    EXPECT_LT(minA, 230);
    // The title carries lettering: a good share of opaque pixels in every one of its four tiles.
    const std::vector<uint8_t> t = ReadGenerated("gfx/title.tga");
    for (int tile = 0; tile < 4; ++tile) {
        int opaque = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = tile * 256; x < tile * 256 + 256; ++x) opaque += t[18 + (y * 1024 + x) * 4 + 3] > 200;
        EXPECT_GT(opaque, 1500) << "title tile " << tile;
    }
}

// WAV: RIFF/WAVE with a PCM fmt chunk and a data chunk that fits the file; the heartbeat loops
// without a click (silent at both ends).
TEST(AssetSet, SoundsArePcmWavThatLoopCleanly) {
    for (const auto& [key, rel] : FilesOf(GeneratedRoot())) {
        if (key.substr(key.size() - 4) != ".wav") continue;
        const std::vector<uint8_t> b = ReadGenerated(rel);
        ASSERT_GE(b.size(), 44u) << rel;
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF") << rel;
        EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "WAVE") << rel;
        EXPECT_EQ(U32(b, 4), b.size() - 8) << rel;
        EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), "fmt ") << rel;
        EXPECT_EQ(U16(b, 20), 1) << rel;
        EXPECT_EQ(U16(b, 34), 16) << rel;
        EXPECT_EQ(U16(b, 32), U16(b, 22) * 2) << rel;
        EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data") << rel;
        EXPECT_EQ(U32(b, 40), b.size() - 44) << rel;
        EXPECT_GT(U32(b, 40), 400u) << rel;
    }
    const std::vector<uint8_t> hb = ReadGenerated("sfx/heartbeat.wav");
    const size_t n = (hb.size() - 44) / 2;
    auto sample = [&](size_t i) { return std::abs(static_cast<int16_t>(U16(hb, 44 + 2 * i))); };
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_LT(sample(i), 300) << "start " << i;
        EXPECT_LT(sample(n - 1 - i), 300) << "end " << i;
    }
}

// MIDI: a format 1 file whose track chunks fill it exactly, each ending with its end-of-track event
// and holding notes; the tunes last long enough to be music.
TEST(AssetSet, MusicIsStandardMidi) {
    for (const char* name : {"sfx/quil_xmas_theme.mid", "sfx/letitsnow.mid", "sfx/whitexmas.mid"}) {
        const std::vector<uint8_t> b = ReadGenerated(name);
        ASSERT_GE(b.size(), 14u) << name;
        auto be32 = [&](size_t at) { return (b[at] << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3]; };
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "MThd");
        EXPECT_EQ(be32(4), 6);
        const int tracks = (b[10] << 8) | b[11];
        size_t at = 14;
        int notes = 0;
        uint32_t longest = 0;
        for (int t = 0; t < tracks; ++t) {
            ASSERT_LE(at + 8, b.size()) << name;
            EXPECT_EQ(std::string(b.begin() + at, b.begin() + at + 4), "MTrk");
            const size_t len = be32(at + 4), end = at + 8 + len;
            ASSERT_LE(end, b.size()) << name;
            EXPECT_EQ(b[end - 3], 0xFF);
            EXPECT_EQ(b[end - 2], 0x2F);
            size_t p = at + 8;
            uint32_t tick = 0;
            uint8_t status = 0;
            while (p < end) {
                uint32_t d = 0;
                do d = (d << 7) | (b[p] & 0x7F); while (b[p++] & 0x80);
                tick += d;
                status = b[p++];
                if (status == 0xFF) { p += 1; p += 1 + b[p]; continue; }
                const int kind = status & 0xF0;
                if (kind == 0x90 && b[p + 1] > 0) ++notes;
                p += (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            }
            EXPECT_EQ(p, end) << name;
            longest = std::max(longest, tick);
            at = end;
        }
        EXPECT_EQ(at, b.size()) << name;
        EXPECT_GT(notes, 150) << name;
        EXPECT_GT(longest, 480u * 60) << name;  // more than sixty beats
    }
}
