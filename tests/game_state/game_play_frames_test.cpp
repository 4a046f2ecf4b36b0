// Play on the real device builds no program after a level's load, from the
// first frame of the first level of a run on: goblins spawning, flashing and
// dying, shots of both sides, the player hit, a walk over the whole room,
// level complete, the next level and game over.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Bullets.h"
#include "GoblinManager.h"
#include "HUD.h"
#include "Level.h"
#include "Player.h"
#include "engine_binding.h"
#include "game_test_support.h"
#include "game.h"
#include "game_world_support.h"
#include "gameengine.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "renderer.h"
#include "skinmesh.h"

namespace {

constexpr float kDt = 1.0f / 20.0f;

class PlayFrames : public ::testing::Test {
protected:
    void SetUp() override {
        quiltest::GeneratedAssetFolder("game_play_frames");
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        quil_automation::SetHeadless(true);
        ASSERT_EQ(D3D_OK, quil_automation::CreateOffscreenDevice(320, 240, true, &d3d, &device));
    }
    void TearDown() override {
        if (device) device->Release();
        if (d3d) d3d->Release();
    }

    uint64_t Programs() const { return quil_automation::GetShaderCacheStats(device).builds; }

    // One frame of the game; a frame that built programs is noted under what was going on.
    void Frame(const char* what) {
        const uint64_t before = Programs();
        GetGameEngine()->Update(kDt);
        GetRenderer()->Render();
        const uint64_t built = Programs() - before;
        if (built && GetGame()->GetState() != GAMESTATE_MENU) {
            char line[160];
            std::snprintf(line, sizeof(line), "level %u, %s: %u program(s)", GetGame()->GetLevelNumber(), what,
                          static_cast<unsigned>(built));
            builtInPlay.push_back(line);
        }
    }
    void Frames(const char* what, int n) {
        for (int i = 0; i < n; ++i) Frame(what);
    }
    // Frames until the game reaches state (at most limit frames).
    void FramesUntil(const char* what, uint32_t state, int limit = 400) {
        for (int i = 0; i < limit && GetGame()->GetState() != state; ++i) Frame(what);
        ASSERT_EQ(GetGame()->GetState(), state) << what;
    }

    // Into play on the level just loaded, then a goblin spawned by its manager
    // as when the player is spotted, a shot from each side, both hit.
    Goblin* IntoPlayWithGoblin() {
        FramesUntil("get ready", GAMESTATE_PLAY);
        Frames("play", 3);
        GoblinManager* goblins = GetGoblinManager();
        for (int i = 0; i < 200 && goblins->GetSpawnTimer() < GoblinManager::SPAWN_INTERVAL; ++i) Frame("play");
        goblins->Spawn();
        Goblin* goblin = goblins->GetGoblin(0);
        EXPECT_NE(goblin, nullptr);
        if (!goblin) return nullptr;
        // In front of the player, so that it is drawn.
        Game* game = GetGame();
        Player* player = game->GetPlayer();
        Vec3 from = *player->GetPosition();
        Vec3 dir;
        player->GetViewDirXZ(&dir);
        goblin->SetX(from.x + dir.x * 15.0f);
        goblin->SetZ(from.z + dir.z * 15.0f);
        Frames("goblin spawned", 3);
        EXPECT_FALSE(goblin->GetMesh()->IsHidden());

        GetBullets()->Fire(BULLET_PLAYER, from, dir, Player::SHOT_SPEED);
        Frames("player shot", 2);
        Vec3 at = *goblin->GetPosition();
        Vec3 toPlayer = *player->GetPosition();
        toPlayer -= at;
        GetBullets()->Fire(BULLET_GOBLIN, at, toPlayer, Player::SHOT_SPEED);
        Frames("goblin shot", 2);
        game->GoblinTakeHit(0);
        Frames("goblin hit", 2);
        game->PlayerTakeHit();
        Frames("player hit", 2);
        return goblin;
    }
    // Every floor node of the room, so that every block comes into view.
    void WalkTheRoom() {
        Player* player = GetGame()->GetPlayer();
        Level* level = GetLevel();
        for (uint32_t row = 0; row < 8; ++row)
            for (uint32_t col = 0; col < 8; ++col) {
                const Node* node = level->GetNode(col, row);
                if (!node || node->floorTile == NODE_EMPTY) continue;
                player->SetPosition(Vec3(quiltest::CentreX(static_cast<int>(col)), player->GetPosition()->y,
                                         quiltest::CentreZ(static_cast<int>(row))));
                Frame("walk");
            }
    }
    // The last present delivered; frames up to the next level's get ready.
    void CompleteLevel() {
        Game* game = GetGame();
        while (game->GetState() == GAMESTATE_PLAY) game->PresentDelivered();
        ASSERT_EQ(game->GetState(), GAMESTATE_LEVEL_COMPLETE);
        FramesUntil("level complete", GAMESTATE_GET_READY);
    }

    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    std::vector<std::string> builtInPlay;
};

std::string Lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += "\n  " + l;
    return s;
}

TEST_F(PlayFrames, NoFrameOfPlayBuildsAProgram) {
    quiltest::EngineBinding engine(device);
    Game* game = GetGame();
    game->Init();
    Frames("menu", 3);  // frames of the menu are not counted

    game->StartGame();  // level 0, on a device that has drawn no level yet
    // The play screen's device objects are made by the load, not by its first frame.
    EXPECT_NE(GetHUD()->GetMapTexture(), nullptr);
    EXPECT_NE(GetHUD()->GetQuadVertexBuffer(), nullptr);
    // The spare goblin drawn inside the load left nothing behind: none in
    // play, no score, its mesh unlisted and released as before.
    EXPECT_EQ(GetGoblinManager()->GetCount(), 0u);
    EXPECT_EQ(game->GetPlayer()->GetScore(), 0u);
    SkinMesh* spare = GetGoblinManager()->FindFree()->GetMesh();
    EXPECT_TRUE(spare->IsReleased());
    for (Object* o = GetRenderer()->GetOverlayList(); o; o = o->GetNextObject()) EXPECT_NE(o, spare);
    ASSERT_NE(IntoPlayWithGoblin(), nullptr);
    WalkTheRoom();
    CompleteLevel();  // the goblin still alive under the texts

    ASSERT_EQ(game->GetLevelNumber(), 1u);
    Goblin* goblin = IntoPlayWithGoblin();
    ASSERT_NE(goblin, nullptr);
    goblin->SetHealth(0);
    Frames("goblin killed", 2);
    WalkTheRoom();
    CompleteLevel();

    ASSERT_NE(IntoPlayWithGoblin(), nullptr);  // level 2
    WalkTheRoom();
    for (uint32_t level = 3; level < Game::LEVEL_COUNT; ++level) {
        quiltest::KeyDown(VK_F7);  // the next level inside play
        Frame("next level");
        quiltest::KeyUp(VK_F7);
        ASSERT_EQ(game->GetLevelNumber(), level);
        Frames("play", 3);
        WalkTheRoom();
        for (int i = 0; i < 10; ++i) Frame("play");  // F7 repeats after 0.5 s
    }
    ASSERT_NE(IntoPlayWithGoblin(), nullptr);  // level 4
    GetLevel()->SetTimeLeft(0.0f);
    FramesUntil("game over", GAMESTATE_MENU);

    EXPECT_TRUE(builtInPlay.empty()) << "frames of play that built programs:" << Lines(builtInPlay);
    game->Shutdown();
    GetRenderer()->DeleteDeviceObjects();
}

}  // namespace
