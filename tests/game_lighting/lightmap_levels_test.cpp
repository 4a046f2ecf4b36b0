// The map baked at load, the straightforward bake and the fast bake on one and
// several threads agree texel for texel in all five generated houses.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>

#include "LevelRenderer.h"
#include "lightmap_reference.h"
#include "lighting_test_support.h"
#include "recording_device.h"
#include "renderdevice.h"

namespace {

TEST(LightmapLevels, BlurIsTheTexelByTexelBlur) {
    std::vector<uint32_t> map(256 * 256), reference;
    for (uint32_t i = 0; i < map.size(); ++i) map[i] = i * 2654435761u;
    reference = map;
    GetLightMap()->Blur(map.data(), 256, 256);
    lightmap_reference::Blur(reference.data(), 256, 256);
    EXPECT_TRUE(map == reference);
    GetLightMap()->Blur(map.data(), 2, 256);  // no inside: left alone
    EXPECT_TRUE(map == reference);
}

TEST(LightmapLevels, WorkersStartAStepWhenTheOneBeforeIsDone) {
    LightMapWorkers workers;
    std::vector<std::atomic<int>> done(40);
    std::vector<BakeChain> chains;
    for (int c = 0; c < 4; ++c)
        chains.push_back({{10, [&, c](uint32_t i) { done[c * 10 + i] = 1; }},
                          {3, [&, c](uint32_t) { EXPECT_EQ(std::count(&done[c * 10], &done[c * 10 + 10], 1), 10); }}});
    for (uint32_t threads : {4u, 2u, 4u}) {
        for (std::atomic<int>& d : done) d = 0;
        workers.Run(chains, threads);
    }
    EXPECT_EQ(workers.GetStartedCount(), 3u);  // started once, kept
}

TEST(LightmapLevels, EveryBakeOfEveryHouseIsTheSame) {
    quiltest::GeneratedAssetFolder("game_lighting_levels");
    quiltest::RecordingDevice device;
    RenderDevice_Bind(&device, device.caps, device.backBuffer);
    Level* level = GetLevel();
    level->Init();  // the prop types load their meshes and collision meshes
    for (int n = 0; n < 5; ++n) {
        SCOPED_TRACE(n);
        level->Load(("gfx/Level" + std::to_string(n) + ".dat").c_str());
        ASSERT_TRUE(level->IsLoaded());
        ASSERT_TRUE(level->GetLevelRenderer()->GetObject(0)->GetType()->GetCollisionMesh()->IsBuilt());
        std::vector<uint32_t> loaded(3 * LIGHTMAP_SIZE * LIGHTMAP_SIZE);
        for (uint32_t s = 0; s < 3; ++s)
            ASSERT_TRUE(GetLightMap()->Read(0, 0, s == 0 ? 1 : s == 1 ? 0 : 2, &loaded[s * LIGHTMAP_SIZE * LIGHTMAP_SIZE],
                                            LIGHTMAP_SIZE, LIGHTMAP_SIZE));

        const std::vector<uint32_t> reference =
            lightmap_reference::BakeRoom(lightmap_reference::ReferenceSampler(), 1);
        const LightBake bake(level->GetCurrentRoom());
        EXPECT_TRUE(lightmap_reference::BakeRoom(bake, 1) == reference);
        EXPECT_TRUE(lightmap_reference::BakeRoom(bake, 4) == reference);
        EXPECT_TRUE(loaded == reference);
        // Walls shadow: some texel is darker than without them.
        EXPECT_GT(std::count(reference.begin(), reference.end(), 0xFF1E1E1Eu), 0);
    }
    // The bakes at load and the ones above shared the threads started first.
    const uint32_t most = std::max(GetLightMap()->GetThreadCount(), 4u);
    EXPECT_EQ(GetLightMap()->GetWorkers().GetStartedCount(), most - 1);
    level->Free();
    RenderDevice_Unbind();
}

// Every level of a texture, read through locks.
std::vector<std::vector<uint32_t>> Levels(IDirect3DTexture8* texture) {
    std::vector<std::vector<uint32_t>> levels;
    for (DWORD i = 0; texture && i < texture->GetLevelCount(); ++i) {
        D3DSURFACE_DESC desc;
        D3DLOCKED_RECT locked;
        if (FAILED(texture->GetLevelDesc(i, &desc)) || FAILED(texture->LockRect(i, &locked, nullptr, D3DLOCK_READONLY)))
            return {};
        std::vector<uint32_t>& level = levels.emplace_back(size_t(desc.Width) * desc.Height);
        for (UINT y = 0; y < desc.Height; ++y)
            std::memcpy(&level[size_t(y) * desc.Width], static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch,
                        desc.Width * 4);
        texture->UnlockRect(i);
    }
    return levels;
}

// The rooms of a house are baked side by side at load: each room's maps are the reference bake of
// that room, and each texture made from a map just baked is the one the loader makes of the saved
// file, level for level.
TEST(LightmapLevels, RoomsBakedSideBySideAreTheReferenceAndTheirTexturesTheSavedOnes) {
    quiltest::GeneratedAssetFolder("game_lighting_levels");
    quiltest::RecordingDevice device;
    RenderDevice_Bind(&device, device.caps, device.backBuffer);
    Level* level = GetLevel();
    level->Init();
    for (const auto& entry : std::filesystem::directory_iterator("gfx/lightmaps")) std::filesystem::remove(entry.path());
    quiltest::WriteBytes("house.dat", quiltest::HouseOfGeneratedRooms(3, 0));
    level->Load("house.dat");
    ASSERT_EQ(level->GetRoomCount(), 3u);
    std::vector<std::vector<uint32_t>> baked(3);
    for (uint32_t r = 0; r < 3; ++r) {
        Room* room = level->GetRoom(r);
        for (LevelSurface* surface : {static_cast<LevelSurface*>(room->pFloor), static_cast<LevelSurface*>(room->pCeil),
                                      static_cast<LevelSurface*>(room->pWalls)}) {
            SCOPED_TRACE(r);
            const std::vector<uint32_t> texels(surface->GetTexels(), surface->GetTexels() + LIGHTMAP_SIZE * LIGHTMAP_SIZE);
            baked[r].insert(baked[r].end(), texels.begin(), texels.end());
            IDirect3DTexture8* saved = GetLightMap()->Load(0, r, surface == room->pFloor ? 1 : surface == room->pCeil ? 0 : 2);
            ASSERT_NE(saved, nullptr);
            const std::vector<std::vector<uint32_t>> fresh = Levels(surface->GetLightmapTexture());
            EXPECT_EQ(fresh.size(), 9u);
            EXPECT_TRUE(fresh == Levels(saved));
            saved->Release();
        }
    }
    for (uint32_t r = 0; r < 3; ++r) {
        SCOPED_TRACE(r);
        quiltest::WriteBytes("house.dat", quiltest::HouseOfGeneratedRooms(3, r));
        level->Load("house.dat");
        ASSERT_EQ(level->GetCurrentRoom(), r);
        EXPECT_TRUE(lightmap_reference::BakeRoom(lightmap_reference::ReferenceSampler(), 1) == baked[r]);
    }
    level->Free();
    RenderDevice_Unbind();
}

}  // namespace
