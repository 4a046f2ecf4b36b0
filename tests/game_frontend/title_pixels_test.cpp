// The title screen's pictures, byte for byte: frames at fixed times on the main
// screen and while the camera slides to the difficulty screen, at 640x480 and
// 1280x1024. Anything that changes how the title is drawn must leave these
// bytes as they are; a frame that differs is written out for a look.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "title_screen_run.h"

namespace {

// 64-bit FNV-1a of the pixels.
uint64_t Hash(const quil_automation::RgbaImage& image) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : image.pixels) h = (h ^ b) * 1099511628211ull;
    return h;
}

// Steps of 1/16 s (exact in binary) before each kept frame, and when START GAME is chosen.
struct Shot {
    int steps;
    bool selectFirst;
};
const Shot kShots[] = {{1, false}, {8, false}, {16, false}, {16, false}, {12, true}, {20, false}};

std::vector<uint64_t> PlayTitle(UINT width, UINT height) {
    frontend_test::TitleScreenRun run;
    EXPECT_TRUE(run.Open(width, height));
    std::vector<uint64_t> hashes;
    int n = 0;
    for (const Shot& s : kShots) {
        if (s.selectFirst) run.Scene().Select();
        for (int i = 0; i < s.steps; ++i) run.Frame(0.0625f);
        const quil_automation::RgbaImage image = run.Picture();
        hashes.push_back(Hash(image));
        char name[64];
        std::snprintf(name, sizeof(name), "title_%ux%u_%d.png", width, height, n++);
        quil_automation::WritePng(::testing::TempDir() + name, image);
    }
    return hashes;
}

std::string Hex(const std::vector<uint64_t>& hashes) {
    std::string text;
    for (uint64_t h : hashes) {
        char word[24];
        std::snprintf(word, sizeof(word), "0x%016llxull, ", static_cast<unsigned long long>(h));
        text += word;
    }
    return text;
}

TEST(TitlePixels, FramesAt640x480AreUnchanged) {
    const std::vector<uint64_t> expected = {0x272fb7644b5a303eull, 0xdb6c5e2f7cdde3e1ull, 0x852aa62844e3ffb2ull,
                                            0xd58b3205e48006d1ull, 0x4f94c82b5cf56497ull, 0xa56bf4a47e3f17f9ull};
    const std::vector<uint64_t> got = PlayTitle(640, 480);
    EXPECT_EQ(got, expected) << "got " << Hex(got) << "; frames in " << ::testing::TempDir();
}

TEST(TitlePixels, FramesAt1280x1024AreUnchanged) {
    const std::vector<uint64_t> expected = {0x5fb844160e291fd3ull, 0x3e8a3dde969ce0dbull, 0xb6f6f25c2ba31db6ull,
                                            0x2124de5c358cbc3aull, 0xbe98d4641af2440eull, 0xcfebe925e15e9ab9ull};
    const std::vector<uint64_t> got = PlayTitle(1280, 1024);
    EXPECT_EQ(got, expected) << "got " << Hex(got) << "; frames in " << ::testing::TempDir();
}

}  // namespace
