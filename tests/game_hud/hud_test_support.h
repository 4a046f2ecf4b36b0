// Shared set-up of the HUD tests: a scratch working directory with a small
// gfx/hud.tga, one empty room, a recording device bound (800x600, so the
// screen scale is 1.25), headless message boxes, and a source of game values
// the test sets directly.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "HUD.h"
#include "HUDSource.h"
#include "Level.h"
#include "LightMan.h"
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

// Writes an uncompressed 24-bit TGA of one colour.
inline void WriteTga(const std::string& path, int width, int height, unsigned char r, unsigned char g,
                     unsigned char b) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, (unsigned char)width, (unsigned char)(width >> 8),
                                      (unsigned char)height, (unsigned char)(height >> 8), 24, 0x20};
    std::fwrite(header, 1, sizeof(header), f);
    for (int i = 0; i < width * height; ++i) {
        const unsigned char bgr[3] = {b, g, r};
        std::fwrite(bgr, 1, 3, f);
    }
    std::fclose(f);
}

class HudTest : public ::testing::Test {
protected:
    HudTest() : device(800, 600) {}

    void SetUp() override {
        char pattern[] = "/tmp/quil_hud_XXXXXX";
        const char* made = mkdtemp(pattern);
        ASSERT_NE(made, nullptr);
        m_dir = made;
        m_old = std::filesystem::current_path();
        std::filesystem::current_path(m_dir);
        std::filesystem::create_directories("gfx/lightmaps");
        WriteTga("gfx/hud.tga", 16, 16, 255, 255, 255);

        quil_automation::SetHeadless(true);
        quil_automation::ClearMessageBoxesShown();
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
        std::filesystem::current_path(m_old);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    static bool AnyBoxSays(const std::string& message) {
        for (const auto& box : quil_automation::MessageBoxesShown())
            if (box.text.find(message) != std::string::npos) return true;
        return false;
    }
    static size_t BoxCount() { return quil_automation::MessageBoxesShown().size(); }

    // The vertices written into a vertex buffer of the recording device.
    static std::vector<ScreenVertex> Vertices(IDirect3DVertexBuffer8* buffer) {
        std::vector<ScreenVertex> out;
        auto* vb = static_cast<quiltest::FakeVertexBuffer*>(buffer);
        if (!vb) return out;
        out.resize(vb->bytes.size() / sizeof(ScreenVertex));
        std::memcpy(out.data(), vb->bytes.data(), out.size() * sizeof(ScreenVertex));
        return out;
    }
    template <typename T>
    static std::vector<uint16_t> Indices(T* buffer) {
        std::vector<uint16_t> out;
        auto* ib = static_cast<quiltest::FakeIndexBuffer*>(buffer);
        if (!ib) return out;
        out.resize(ib->bytes.size() / 2);
        std::memcpy(out.data(), ib->bytes.data(), out.size() * 2);
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
    std::string m_dir;
    std::filesystem::path m_old;
};

}  // namespace hud_test
