// Shared set-up of the front-end tests: a scratch folder holding the menu
// sounds, sound mixed into memory, a game stand-in that records what the title
// scene asks of it, keys through the application object, and engine frames.
#pragma once
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "FrontEndScene.h"
#include "Player.h"
#include "SnowStorm.h"
#include "TextOverlay.h"
#include "assets.h"
#include "camera.h"
#include "game_test_support.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "quil_audio_output.h"
#include "quil_automation.h"
#include "sound.h"
#include "windows.h"

namespace frontend_test {

using quiltest::KeyDown;
using quiltest::KeyUp;
using quiltest::Playing;
inline void ReleaseKeys() {
    for (int vk : {VK_UP, VK_DOWN, VK_RETURN}) KeyUp(vk);
}

// The game as the title scene sees it.
class RecordingHost : public FrontEndHost {
public:
    void StartGame() override { ++startGameCalls; }
    void Quit() override { ++quitCalls; }
    void SetDifficulty(uint32_t d) override { difficulties.push_back(d); }
    uint32_t GetHiscore() override { return hiscore; }
    Player* GetPlayer() override { return &player; }
    SnowStorm* GetSnowStorm() override { return &snow; }
    TextOverlay* GetTextOverlay() override { return &texts; }

    int startGameCalls = 0, quitCalls = 0;
    std::vector<uint32_t> difficulties;
    uint32_t hiscore = 0;
    Player player;
    SnowStorm snow;
    TextOverlay texts;
};

// Starts the host's snow and texts and the title scene over them; StopScene undoes it.
inline void StartScene(RecordingHost& host, FrontEndScene& scene) {
    host.snow.Init();
    host.texts.Init();
    host.texts.Activate();
    scene.SetHost(&host);
    scene.Init();
}
inline void StopScene(RecordingHost& host, FrontEndScene& scene) {
    scene.Shutdown();
    host.texts.Shutdown();
    host.snow.Shutdown();
}

// A title scene over a recording game, in a folder with the menu sounds.
class FrontEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        quil_automation::SetHeadless(true);
        m_scratch.emplace("frontend", false);
        ASSERT_TRUE(m_scratch->Made());
        mkassets::WriteSounds(m_scratch->Path());
        quil_audio::UseMemoryOutput(true);
        ASSERT_EQ(GetSoundManager()->Init(), 0u);
        m_pOldCamera = g_pCurrentCamera;
        g_pCurrentCamera = &camera;
        g_fTotalTime = 10.0f;
        ReleaseKeys();
        StartScene(host, scene);
    }
    void TearDown() override {
        ReleaseKeys();
        StopScene(host, scene);
        g_pCurrentCamera = m_pOldCamera;
        GetSoundManager()->Shutdown();
        quil_audio::UseMemoryOutput(false);
        m_scratch.reset();
    }

    // Engine frames of dt seconds (the running time moves on first).
    void Frames(int n = 1, float dt = 0.0625f) {
        for (int i = 0; i < n; ++i) GetGameEngine()->Update(dt);
    }
    // A key pressed for one frame and let go in the next.
    void Tap(int vk) {
        KeyDown(vk);
        Frames();
        KeyUp(vk);
        Frames();
    }
    // Moves the selection down to item (on the current screen), then presses Enter.
    void Choose(uint32_t item) {
        for (int guard = 0; scene.GetSelected() != item && guard < 30; ++guard) Tap(VK_DOWN);
        ASSERT_EQ(scene.GetSelected(), item);
        Tap(VK_RETURN);
    }

    Camera camera;
    RecordingHost host;
    FrontEndScene scene;

private:
    std::optional<quiltest::ScratchFolder> m_scratch;
    Camera* m_pOldCamera = nullptr;
};

}  // namespace frontend_test
