// The display drawn by the real device over a black frame, with the default
// asset set's atlas and the application's font; the frame is kept as
// hud_frame.png in the test's build folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "HUD.h"
#include "HUDSource.h"
#include "Level.h"
#include "LightMan.h"
#include "assets.h"
#include "d3dfont.h"
#include "game_world_support.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "renderdevice.h"
#include "renderer.h"

namespace {

uint32_t Channel(uint32_t argb, int shift) { return (argb >> shift) & 0xFF; }

// A player in the middle of the room, seen, one walker looking at them, the
// present carried and the star at the tree.
struct SceneSource : HudSource {
    float GetPlayerX() override { return 0.0f; }
    float GetPlayerZ() override { return -64.0f; }
    uint32_t GetScore() override { return 1250; }
    int32_t GetHealth() override { return 85; }
    bool IsPlayerSpotted() override { return true; }
    uint32_t GetDelivered() override { return 1; }
    bool GetPickup(uint32_t slot, float* x, float* z) override {
        if (slot != 3) return false;
        *x = -96.0f;
        *z = 64.0f;
        return true;
    }
    uint32_t GetWalkerCount() override { return 1; }
    bool GetWalker(uint32_t i, float* x, float* z, float* heading) override {
        if (i != 0) return false;
        *x = 64.0f;
        *z = -96.0f;
        *heading = -0.785f;  // towards -x, +z: the player
        return true;
    }
    uint32_t GetGoblinCount() override { return 1; }
    bool GetGoblin(uint32_t i, float* x, float* z) override {
        if (i != 0) return false;
        *x = -64.0f;
        *z = -96.0f;
        return true;
    }
};

class HudRender : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        quil_automation::SetHeadless(true);
        m_old = std::filesystem::current_path();
        m_scratch.emplace("hud_render");
        ASSERT_TRUE(m_scratch->Made());
        mkassets::WriteAtlases(m_scratch->Path());
        GetLevel()->New();
        // A wall across the room's middle, with a door in it.
        Node* nodes = GetLevel()->GetNodeMap(0);
        for (int c = 0; c < 8; ++c) {
            if (c == 3) continue;
            nodes[c + 3 * 8].walls[WALL_NEG_Z] = 1;
            nodes[c + 4 * 8].walls[WALL_POS_Z] = 1;
        }
        GetLevel()->SetRoomPointCount(3);
        GetLevel()->SetTimeLeft(59.5f);
        ASSERT_EQ(D3D_OK, quil_automation::CreateOffscreenDevice(640, 480, true, &d3d, &device));
        RenderDevice_Bind(device);
        GetRenderer()->SetDefaultStates();
        font = new D3DFont("Arial Black", 32, 1);
        font->InitDeviceObjects(device);
        font->RestoreDeviceObjects();
        RenderDevice_SetFont(font);
        hud.SetSource(&source);
        hud.Init();
    }
    void TearDown() override {
        hud.Shutdown();
        RenderDevice_SetFont(nullptr);
        delete font;
        RenderDevice_Unbind();
        GetLevel()->Free();
        GetLightMan()->Clear();
        if (device) {
            EXPECT_EQ(device->Release(), 0u);
        }
        if (d3d) d3d->Release();
        m_scratch.reset();
    }

    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    D3DFont* font = nullptr;
    SceneSource source;
    HUD hud;
    std::filesystem::path m_old;  // the test's build folder
    std::optional<quiltest::ScratchFolder> m_scratch;
};

TEST_F(HudRender, DisplayOverABlackFrame) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(D3D_OK, device->BeginScene());
    hud.Update(0.02f);
    hud.Render();
    device->EndScene();
    quil_automation::RgbaImage image;
    ASSERT_TRUE(quil_automation::ReadBackBuffer(device, &image));
    EXPECT_TRUE(quil_automation::WritePng((m_old / "hud_frame.png").string(), image));

    // The scanner's frame: the room's outer walls in white at its edges.
    const uint32_t edge = image.At(555, 321);
    EXPECT_GT(Channel(edge, 16), 200u);
    EXPECT_GT(Channel(edge, 0), 200u);
    // Inside an empty node the map is black.
    EXPECT_LT(Channel(image.At(500, 345), 8), 40u);
    // The player's blip at (555, 414), below the wall, is yellow.
    const uint32_t player = image.At(555, 414);
    EXPECT_GT(Channel(player, 16), 120u);
    EXPECT_GT(Channel(player, 8), 120u);
    EXPECT_LT(Channel(player, 0), 90u);
    // Away from every picture and text the frame stays black.
    EXPECT_EQ(image.At(150, 250) & 0xFFFFFF, 0u);
    // The wedge does not leak outside the scanner: the black world to its left stays black.
    EXPECT_EQ(image.At(470, 400) & 0xFFFFFF, 0u);
}

}  // namespace
