// The lightmap cache files: names, exact bytes, round trip, damaged files, staleness.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Level.h"
#include "LightMan.h"
#include "LightMap.h"
#include "lighting_test_support.h"

namespace {

const uint32_t N = LightMap::MAP_SIZE;

using quiltest::ReadBytes;
using quiltest::WriteBytes;

// Every texel different from its neighbours, with stray alpha bits.
std::vector<uint32_t> Pattern() {
    std::vector<uint32_t> texels(N * N);
    for (uint32_t i = 0; i < N * N; ++i) texels[i] = (i * 2654435761u) ^ (i << 7);
    return texels;
}

TEST(LightmapCache, NamesSavedBytesAndRoundTrip) {
    quiltest::ScratchFolder dir("lighting");
    LightMap* lm = GetLightMap();
    EXPECT_STREQ(lm->FileName(4, 12, 2), "gfx\\lightmaps\\LMP04122.tga");  // as many digits as needed
    const std::vector<uint32_t> texels = Pattern();
    lm->Save(3, 0, 1, texels.data(), N, N, 5);

    const std::vector<uint8_t> bytes = ReadBytes("gfx/lightmaps/LMP0301.tga");
    ASSERT_EQ(bytes.size(), 196626u);
    const std::vector<uint8_t> header = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 24, 0x20};
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
    // Blue, green, red per texel, row 0 first; no alpha.
    for (uint32_t i : {0u, 255u, 256u, N * N - 1}) {
        const uint32_t bgr = bytes[18 + i * 3] | (bytes[19 + i * 3] << 8) | (bytes[20 + i * 3] << 16);
        EXPECT_EQ(bgr, texels[i] & 0xFFFFFFu) << i;
    }

    std::vector<uint32_t> back(N * N, 0);
    ASSERT_TRUE(lm->Read(3, 0, 1, back.data(), N, N));
    for (uint32_t i = 0; i < N * N; ++i) ASSERT_EQ(back[i], texels[i] | 0xFF000000u) << i;
    lm->Save(3, 0, 1, back.data(), N, N, 5);
    EXPECT_TRUE(lm->IsCurrent(3, 0, 1, 5));
    EXPECT_FALSE(lm->IsCurrent(3, 0, 1, 6));
    EXPECT_EQ(ReadBytes("gfx/lightmaps/LMP0301.tga"), bytes);
}

TEST(LightmapCache, DamagedFilesAreRefusedSoTheMapIsComputedAgain) {
    quiltest::ScratchFolder dir("lighting");
    LightMap* lm = GetLightMap();
    const std::vector<uint32_t> texels = Pattern();
    lm->Save(0, 0, 2, texels.data(), N, N, 5);
    const char* path = "gfx/lightmaps/LMP0002.tga";
    const std::vector<uint8_t> good = ReadBytes(path);

    std::vector<std::vector<uint8_t>> damaged = {{}, {good.begin(), good.begin() + 18}, {good.begin(), good.end() - 1}};
    damaged.push_back(good);
    damaged.back().push_back(0);  // one byte long
    // Header fields: ID length, image type (RLE), 512 x 128 of the same size, depth, origin.
    for (auto [at, value] : {std::pair{0, 4}, {2, 10}, {13, 2}, {14, 128}, {16, 32}, {17, 0}}) {
        damaged.push_back(good);
        damaged.back()[at] = static_cast<uint8_t>(value);
    }
    damaged.push_back(good);
    damaged.back()[1000] ^= 1;  // a pixel: the header is right, the record's hash is not
    for (size_t i = 0; i < damaged.size(); ++i) {
        WriteBytes(path, damaged[i]);
        EXPECT_FALSE(lm->IsCurrent(0, 0, 2, 5)) << i;
        if (i + 1 == damaged.size()) continue;
        EXPECT_FALSE(lm->Exists(0, 0, 2)) << i;
        std::vector<uint32_t> out(N * N, 7);
        EXPECT_FALSE(lm->Read(0, 0, 2, out.data(), N, N)) << i;
        EXPECT_EQ(out[0], 7u) << i;
    }
}

TEST(LightmapCache, FailedSavesReportOnceAndLeaveNoFile) {
    quiltest::ScratchFolder dir("lighting", false);
    quiltest::StartRecordingBoxes();
    const std::vector<uint32_t> texels = Pattern();
    EXPECT_FALSE(GetLightMap()->Save(0, 0, 1, texels.data(), N, N, 1));  // no gfx/lightmaps folder
    EXPECT_FALSE(GetLightMap()->Save(0, 0, 0, texels.data(), N, N, 1));
    EXPECT_EQ(quiltest::MessageBoxCount(), 1u);  // once a run, not once a map
    EXPECT_TRUE(quiltest::AnyMessageBoxSays("Could not save lightmap!"));
    EXPECT_FALSE(std::filesystem::exists("gfx"));

    // A disk that fills up half way keeps the old file and leaves no scratch file.
    std::filesystem::create_directories("gfx/lightmaps");
    ASSERT_TRUE(GetLightMap()->Save(0, 0, 1, texels.data(), N, N, 1));
    const std::vector<uint8_t> old = ReadBytes("gfx/lightmaps/LMP0001.tga");
    std::filesystem::create_symlink("/dev/full", "gfx/lightmaps/LMP0001.tga.new");
    EXPECT_FALSE(GetLightMap()->Save(0, 0, 1, Pattern().data() + 1, N, N - 1, 2));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status("gfx/lightmaps/LMP0001.tga.new")));
    EXPECT_EQ(ReadBytes("gfx/lightmaps/LMP0001.tga"), old);
    EXPECT_FALSE(GetLightMap()->IsCurrent(0, 0, 1, 1));  // its record went first
    EXPECT_EQ(quiltest::MessageBoxCount(), 1u);
}

// A room whose maps are cached, then changed: each change bakes again.
TEST(LightmapCache, MapsAreUsedOnlyForTheContentTheyWereBakedFrom) {
    quiltest::ScratchFolder dir("lighting");
    const char* floor = "gfx/lightmaps/LMP0001.tga";
    lighting_test::WriteRoomFile("gfx/room.dat");
    Level* level = GetLevel();
    // A missing file makes a new house, whose maps must not serve the real one.
    level->Load("gfx/none.dat");
    GetLightMan()->AddLight(LightDesc{-64.0f, 20.0f, -64.0f, 200.0f, 0x00FFFFFFu, 0});
    level->BuildRoomLighting(0, 0);
    const std::vector<uint8_t> unshadowed = ReadBytes(floor);
    level->Load("gfx/room.dat");
    GetLightMan()->AddLight(LightDesc{-64.0f, 20.0f, -64.0f, 200.0f, 0x00FFFFFFu, 0});
    level->BuildRoomLighting(0, 0);
    const std::vector<uint8_t> shadowed = ReadBytes(floor);
    EXPECT_NE(shadowed, unshadowed);
    level->BuildRoomLighting(0, 0);  // nothing changed: the cache serves
    EXPECT_TRUE(GetLightMap()->IsCurrent(0, 0, 1, LightBake(0).GetContentKey()));

    level->GetNode(3, 2)->walls[WALL_POS_X] = NODE_EMPTY;  // an edit saved without a fill
    EXPECT_FALSE(GetLightMap()->IsCurrent(0, 0, 1, LightBake(0).GetContentKey()));
    level->BuildRoomLighting(0, 0);
    EXPECT_NE(ReadBytes(floor), shadowed);

    std::filesystem::remove("gfx/lightmaps/LMP0001.key");  // a file from before records
    std::filesystem::remove(floor);
    WriteBytes(floor, unshadowed);
    level->BuildRoomLighting(0, 0);
    EXPECT_NE(ReadBytes(floor), unshadowed);
    level->Free();
    GetLightMan()->Clear();
}

// Every room of a house bakes maps of its own, named by that room.
TEST(LightmapCache, EachRoomHasItsOwnMaps) {
    quiltest::ScratchFolder dir("lighting");
    quiltest::FileRoom plain, split;
    for (int row = 0; row < 8; ++row) split.WallEast(3, row, 0);
    WriteBytes("gfx/two.dat", quiltest::EncodeLevel(1, 2, 1, {plain, split}));
    Level* level = GetLevel();
    level->Load("gfx/two.dat");
    for (uint32_t room = 0; room < 2; ++room)
        for (uint32_t surface = 0; surface < 3; ++surface)
            EXPECT_TRUE(GetLightMap()->IsCurrent(0, room, surface, LightBake(room).GetContentKey())) << room << surface;
    EXPECT_NE(ReadBytes("gfx/lightmaps/LMP0002.tga"), ReadBytes("gfx/lightmaps/LMP0012.tga"));
    level->Free();
}

}  // namespace
