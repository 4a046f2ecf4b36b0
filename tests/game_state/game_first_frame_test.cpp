// A level drawn by the real device is ready when its load ends: the play screen's device objects
// are made and no frame of it builds a program, for the first level of a run and the next ones.
#include <gtest/gtest.h>

#include "HUD.h"
#include "engine_binding.h"
#include "game.h"
#include "game_world_support.h"
#include "gameengine.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "renderer.h"

namespace {

uint64_t Programs(IDirect3DDevice8* device) { return quil_automation::GetShaderCacheStats(device).builds; }

void Frames(int n) {
    for (int i = 0; i < n; ++i) {
        GetGameEngine()->Update(1.0f / 60.0f);
        GetRenderer()->Render();
    }
}

TEST(FirstFrame, EveryLevelIsReadyWhenItsLoadEnds) {
    quiltest::GeneratedAssetFolder("game_first_frame");
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    quil_automation::SetHeadless(true);
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(D3D_OK, quil_automation::CreateOffscreenDevice(320, 240, true, &d3d, &device));
    {
        quiltest::EngineBinding engine(device);
        Game* game = GetGame();
        game->Init();
        Frames(3);  // the menu
        for (uint32_t level = 0; level < 3; ++level) {
            SCOPED_TRACE(level);
            if (level == 0)
                game->StartGame();
            else
                game->NextLevel();
            HUD* hud = GetHUD();
            EXPECT_NE(hud->GetMapTexture(), nullptr);
            EXPECT_NE(hud->GetQuadVertexBuffer(), nullptr);
            const uint64_t before = Programs(device);
            Frames(2);
            EXPECT_EQ(Programs(device), before);
        }
        game->Shutdown();
        GetRenderer()->DeleteDeviceObjects();
    }
    device->Release();
    d3d->Release();
}

}  // namespace
