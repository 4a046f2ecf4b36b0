// Shared set-up of the game-state tests: the generated asset set as the working
// directory, sound mixed into memory, a recording device, and the game started
// and shut down around each test, driven by keys and engine frames.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "game.h"
#include "game_test_support.h"
#include "gameengine.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "renderer.h"
#include "windows.h"

namespace game_state_test {

using quiltest::ReadBytes;
using quiltest::WriteBytes;

inline bool Frozen(const Process* p) { return p->TestFlags(1) != 0; }

class GameTest : public ::testing::Test {
protected:
    void SetUp() override {
        quiltest::PrepareGameWorld("game_state_test");
        RenderDevice_Bind(&device, device.caps, device.backBuffer);
        ReleaseKeys();
        g_fTotalTime += 10.0f;  // well past every key guard left by an earlier test
        std::filesystem::remove(Game::HiscoreFile);
    }
    void TearDown() override {
        ReleaseKeys();
        if (started) ShutDown();
        // A run ends with the engine; here the next test starts from empty lists.
        GameEngine* engine = GetGameEngine();
        while (Process* p = engine->GetProcessList()) engine->RemoveProcess(p);
        Renderer* renderer = GetRenderer();
        while (Object* o = renderer->GetObjectList()) renderer->RemoveObject(o);
        while (Object* o = renderer->GetOverlayList()) renderer->RemoveOverlayObject(o);
        RenderDevice_Unbind();
        std::filesystem::remove(Game::HiscoreFile);
    }

    // Starts the game with the hiscore file holding bytes (no file when null).
    void StartUp(const std::vector<uint8_t>* hiscoreFile = nullptr) {
        if (hiscoreFile) WriteBytes(Game::HiscoreFile, *hiscoreFile);
        game->Init();
        started = true;
    }
    void ShutDown() {
        game->Shutdown();
        started = false;
    }

    static void KeyDown(int vk) { quiltest::KeyDown(vk); }
    static void KeyUp(int vk) { quiltest::KeyUp(vk); }
    static void ReleaseKeys() {
        for (int vk : {VK_ESCAPE, VK_F5, VK_F6, VK_F7, VK_RETURN, VK_UP, VK_DOWN, int('W'), int('T')}) KeyUp(vk);
    }
    // Engine frames of dt seconds (a binary fraction, so timers reach 0 exactly).
    void Frames(int n = 1, float dt = kDt) {
        for (int i = 0; i < n; ++i) GetGameEngine()->Update(dt);
    }
    // Held for one frame, let go the next.
    void Tap(int vk) {
        KeyDown(vk);
        Frames();
        KeyUp(vk);
        Frames();
    }
    // From the menu into play: StartGame and the whole get-ready sequence.
    void IntoPlay() {
        game->StartGame();
        ASSERT_EQ(game->GetState(), GAMESTATE_GET_READY);
        Frames(66);  // the entry step, 4 s counted down, then the end test sees 0
        ASSERT_EQ(game->GetState(), GAMESTATE_PLAY);
    }

    static constexpr float kDt = 0.0625f;
    Game* game = GetGame();
    quiltest::RecordingDevice device;
    bool started = false;
};

}  // namespace game_state_test
