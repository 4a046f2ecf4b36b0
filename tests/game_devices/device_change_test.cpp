// The whole game on recording devices: every file parsed once and shared, and a
// device change that releases every device object and makes them again on the
// new device while the game goes on where it was.
#include <gtest/gtest.h>

#include "EnemyManager.h"
#include "Level.h"
#include "game.h"
#include "game_world_support.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "quil_automation.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "renderer.h"
#include "skinmesh.h"
#include "windows.h"

namespace {

using quiltest::RecordingDevice;

class DeviceGameTest : public ::testing::Test {
protected:
    void SetUp() override {
        quiltest::GeneratedAssetFolder("game_devices_test");
        quil_automation::SetHeadless(true);
        Bind(first);
        game->Init();
    }
    void TearDown() override {
        game->Shutdown();
        GetRenderer()->InvalidateDeviceObjects();
        RenderDevice_Unbind();
    }
    static void Bind(RecordingDevice& d) { RenderDevice_Bind(&d, d.caps, d.backBuffer); }
    // Engine frames, each one drawn.
    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            GetGameEngine()->Update(0.0625f);
            GetRenderer()->Render();
        }
    }
    void IntoPlay() {
        game->StartGame();
        Frames(70);
        ASSERT_EQ(game->GetState(), GAMESTATE_PLAY);
    }
    // The framework's change of device: release and delete everything made for
    // `from`, which must be left with nothing, then restore on `to`.
    void ChangeDevice(RecordingDevice& from, RecordingDevice& to) {
        PCSystem* pc = GetPCSystem();
        pc->InvalidateDeviceObjects();
        pc->DeleteDeviceObjects();
        EXPECT_EQ(from.liveResources, 0);
        EXPECT_EQ(GetRenderer()->GetCachedObjectCount(), 0u);
        Bind(to);
        GetRenderer()->RestoreDeviceObjects();
    }

    Game* game = GetGame();
    RecordingDevice first, second;
};

const SkinMeshContainer* FirstContainer(const SkinFrame* f) {
    for (; f; f = f->pSibling)
        if (const SkinMeshContainer* c = f->pMeshContainers ? f->pMeshContainers : FirstContainer(f->pFirstChild))
            return c;
    return nullptr;
}

const SkinMeshContainer* ContainerOf(const SkinMesh& m) {
    return m.GetElements() ? FirstContainer(m.GetElements()->pRoot) : nullptr;
}

// Two users of one model share its meshes and skin but animate their own frames;
// a reset keeps the model, and it goes with its last user once the cache lets go.
TEST_F(DeviceGameTest, SkinnedModelIsSharedAcrossAResetAndFreedWithItsLastUser) {
    SkinModelCache* cache = SkinModelCache::Get();
    SkinMesh a, b;
    a.Setup("gfx\\tiny.x", "gfx\\tiny.tga");
    b.Setup("GFX/Tiny.x", "gfx/tiny.tga");
    a.Activate();
    b.Activate();
    const uint32_t parses = cache->ParseCount();
    ASSERT_TRUE(ContainerOf(a) && ContainerOf(b));
    EXPECT_EQ(ContainerOf(a)->pSkinMesh, ContainerOf(b)->pSkinMesh);
    EXPECT_EQ(ContainerOf(a)->pMesh, ContainerOf(b)->pMesh);
    a.Update(0.5f);
    EXPECT_NE(a.GetElements()->fTime, b.GetElements()->fTime);

    GetRenderer()->InvalidateDeviceObjects();  // a reset: released and restored
    EXPECT_TRUE(a.IsReleased());
    GetRenderer()->RestoreDeviceObjects();
    EXPECT_FLOAT_EQ(a.GetElements()->fTime, 0.0f);  // animation starts again
    EXPECT_EQ(ContainerOf(a)->pSkinMesh, ContainerOf(b)->pSkinMesh);
    EXPECT_EQ(cache->ParseCount(), parses);

    a.Deactivate();
    b.Deactivate();
    GetRenderer()->ReleaseCaches();
    const size_t models = cache->ModelCount();
    a.InvalidateDeviceObjects();
    EXPECT_EQ(cache->ModelCount(), models);
    b.InvalidateDeviceObjects();
    EXPECT_EQ(cache->ModelCount(), models - 1);
}

// A model or texture that cannot be loaded is reported once; the object goes on
// without it, frame after frame, with no further report.
TEST_F(DeviceGameTest, MissingSkinnedFilesAreReportedOnceAndDrawnWithout) {
    quil_automation::ClearMessageBoxesShown();
    SkinMesh a, b;
    for (SkinMesh* m : {&a, &b}) m->Setup("gfx/no_such_model.x", "gfx/no_such_skin.tga");
    for (int i = 0; i < 4; ++i) quil_automation::QueueMessageBoxAnswer(IDYES);  // "Debug": go on
    a.Activate();
    const size_t reports = quil_automation::MessageBoxesShown().size();
    EXPECT_GE(reports, 2u);  // the model and the texture
    b.Activate();
    Frames(3);
    a.InvalidateDeviceObjects();
    a.RestoreDeviceObjects();
    EXPECT_EQ(quil_automation::MessageBoxesShown().size(), reports);
    EXPECT_EQ(a.GetElements(), nullptr);
    a.Deactivate();
    b.Deactivate();
}

// The walker and goblin models are parsed once for all walkers, goblins and
// levels. A device change, in the menu and in play, leaves the old device with
// nothing, gives the new one the game's objects, and the game goes on where it was.
TEST_F(DeviceGameTest, FilesAreParsedOnceAndADeviceChangeKeepsTheGameGoing) {
    Frames(4);
    ChangeDevice(first, second);
    Frames(2);
    EXPECT_EQ(game->GetState(), GAMESTATE_MENU);
    EXPECT_GT(second.liveResources, 0);

    const uint32_t parses = SkinModelCache::Get()->ParseCount();
    IntoPlay();
    ASSERT_GE(GetEnemyManager()->GetCount(), 2u);
    GetGame()->AddScore(150);
    for (int i = 0; i < 2; ++i) {
        game->NextLevel();
        Frames(2);
    }
    // The walker and goblin models (the load draws a goblin unseen), if not loaded before.
    EXPECT_LE(SkinModelCache::Get()->ParseCount() - parses, 2u);
    const uint32_t level = game->GetLevelNumber(), score = game->GetPlayer()->GetScore();
    const float timeLeft = GetLevel()->GetTimeLeft();
    ChangeDevice(second, first);
    Frames(1);
    EXPECT_EQ(game->GetState(), GAMESTATE_PLAY);
    EXPECT_EQ(game->GetLevelNumber(), level);
    EXPECT_EQ(game->GetPlayer()->GetScore(), score);
    EXPECT_NEAR(GetLevel()->GetTimeLeft(), timeLeft, 0.2f);
    EXPECT_GT(first.liveResources, 0);
    EXPECT_FALSE(GetEnemyManager()->GetEnemy(0)->GetMesh()->IsReleased());
}

}  // namespace
