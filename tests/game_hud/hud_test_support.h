// Shared set-up of the HUD tests: a scratch working directory with a small
// gfx/hud.tga, one empty room, a recording device bound (800x600, so the
// screen scale is 1.25), headless message boxes, and a source of game values
// the test sets directly.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "HUD.h"
#include "HUDSource.h"
#include "Level.h"
#include "LightMan.h"
#include "game_world_support.h"
#include "quil_automation.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "renderer.h"
#include "windows.h"

namespace hud_test {

// What the game would report, as plain fields.
struct FakeSource : HudSource {
    struct Spot { float x, z, heading; };
    float playerX = 0.0f, playerZ = 0.0f;
    uint32_t score = 0;
    int32_t health = 100;
    bool spotted = false;
    uint32_t delivered = 0;
    bool presentActive = false, starActive = false;
    Spot present{}, star{};
    std::vector<Spot> walkers, goblins;

    float GetPlayerX() override { return playerX; }
    float GetPlayerZ() override { return playerZ; }
    uint32_t GetScore() override { return score; }
    int32_t GetHealth() override { return health; }
    bool IsPlayerSpotted() override { return spotted; }
    uint32_t GetDelivered() override { return delivered; }
    bool GetPickup(uint32_t slot, float* x, float* z) override {
        const bool active = slot == 0 ? presentActive : slot == 3 ? starActive : false;
        if (!active) return false;
        const Spot& s = slot == 0 ? present : star;
        *x = s.x;
        *z = s.z;
        return true;
    }
    uint32_t GetWalkerCount() override { return uint32_t(walkers.size()); }
    bool GetWalker(uint32_t i, float* x, float* z, float* heading) override {
        if (i >= walkers.size()) return false;
        *x = walkers[i].x;
        *z = walkers[i].z;
        *heading = walkers[i].heading;
        return true;
    }
    uint32_t GetGoblinCount() override { return uint32_t(goblins.size()); }
    bool GetGoblin(uint32_t i, float* x, float* z) override {
        if (i >= goblins.size()) return false;
        *x = goblins[i].x;
        *z = goblins[i].z;
        return true;
    }
};

class HudTest : public ::testing::Test {
protected:
    HudTest() : device(800, 600) {}

    void SetUp() override {
        m_scratch.emplace("hud");
        ASSERT_TRUE(m_scratch->Made());
        quiltest::WriteTga("gfx/hud.tga", 16, 16, 255, 255, 255);

        quiltest::StartRecordingBoxes();
        // The room is made before the device is bound, so its surfaces make no device objects.
        GetLevel()->New();
        GetLevel()->SetTimeLeft(100.0f);
        RenderDevice_Bind(&device, device.caps, device.backBuffer);
        GetRenderer()->SetDefaultStates();  // screen scale 1.25 x 1.25
        hud.SetSource(&source);
        hud.Init();
        device.Clear();
    }

    void TearDown() override {
        hud.Shutdown();
        RenderDevice_Unbind();
        GetLevel()->Free();
        GetLightMan()->Clear();
        m_scratch.reset();
    }

    static bool AnyBoxSays(const std::string& message) { return quiltest::AnyMessageBoxSays(message); }
    static size_t BoxCount() { return quiltest::MessageBoxCount(); }

    // The vertices written into a vertex buffer of the recording device.
    static std::vector<ScreenVertex> Vertices(IDirect3DVertexBuffer8* buffer) {
        std::vector<ScreenVertex> out;
        auto* vb = static_cast<quiltest::FakeVertexBuffer*>(buffer);
        if (!vb) return out;
        out.resize(vb->bytes.size() / sizeof(ScreenVertex));
        std::memcpy(out.data(), vb->bytes.data(), out.size() * sizeof(ScreenVertex));
        return out;
    }
    // Texel (x, y) of the map texture.
    uint32_t MapTexel(int x, int y) const {
        return static_cast<quiltest::FakeTexture*>(hud.GetMapTexture())->Texel(x, y);
    }

    quiltest::RecordingDevice device;
    FakeSource source;
    HUD hud;

private:
    std::optional<quiltest::ScratchFolder> m_scratch;
};

}  // namespace hud_test
