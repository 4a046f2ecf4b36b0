// Level changes one after another, as F7, F6 and the editor's R and S make
// them, with none, some or all of the lightmap cache gone before each: every
// load leaves the three maps of its room in the cache, whatever the number of
// surfaces it had to bake and the threads it baked them on. Run under the
// address and the thread sanitizer.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "Level.h"
#include "LightMap.h"
#include "lighting_test_support.h"
#include "recording_device.h"
#include "renderdevice.h"

namespace {

namespace fs = std::filesystem;

// The three maps of room 0 (the game is on its first level throughout).
const char* const kMaps[3] = {"gfx/lightmaps/LMP0000", "gfx/lightmaps/LMP0001", "gfx/lightmaps/LMP0002"};

bool AllMapsCached() {
    for (const char* map : kMaps)
        if (!fs::exists(std::string(map) + ".tga") || !fs::exists(std::string(map) + ".key")) return false;
    return true;
}

TEST(LevelChanges, EveryLoadBakesWhatTheCacheLacks) {
    quiltest::GeneratedAssetFolder("game_lighting_changes");
    quiltest::RecordingDevice device;
    RenderDevice_Bind(&device, device.caps, device.backBuffer);
    Level* level = GetLevel();
    level->Init();
    LightMap* lightMap = GetLightMap();
    std::mt19937 rng(2112);
    for (uint32_t change = 0; change < 24; ++change) {
        SCOPED_TRACE(change);
        // One, two or three surfaces stale, or the cache wholly current.
        const uint32_t gone = rng() % 4;
        for (uint32_t s = 0; s < 3; ++s)
            if ((rng() % 3 < gone) || gone == 3) fs::remove(std::string(kMaps[s]) + (rng() % 2 ? ".tga" : ".key"));
        lightMap->SetThreadCount(1 + rng() % 8);
        switch (rng() % 5) {
            case 0:  // the editor's R, then S over the first level
                level->New();
                ASSERT_TRUE(level->Save("gfx/level0.dat"));
                break;
            default:  // F7 or F6 to one of the five houses, or the blank one saved above
                level->Load(("gfx/Level" + std::to_string(rng() % 5) + ".dat").c_str());
                ASSERT_TRUE(level->IsLoaded());
                break;
        }
        EXPECT_TRUE(AllMapsCached());
    }
    lightMap->SetThreadCount(0);
    level->Free();
    RenderDevice_Unbind();
}

}  // namespace
