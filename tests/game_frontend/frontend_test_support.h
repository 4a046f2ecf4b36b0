// Shared set-up of the front-end tests: a game stand-in that records what the
// title scene asks of it, and the scene started over it.
#pragma once
#include <gtest/gtest.h>

#include "FrontEndScene.h"
#include "Player.h"
#include "SnowStorm.h"
#include "TextOverlay.h"
#include "camera.h"
#include "game_test_support.h"
#include "windows.h"

namespace frontend_test {

inline void ReleaseKeys() {
    for (int vk : {VK_UP, VK_DOWN, VK_RETURN}) quiltest::KeyUp(vk);
}

// The game as the title scene sees it.
class RecordingHost : public FrontEndHost {
public:
    void StartGame() override { ++startGameCalls; }
    void Quit() override { ++quitCalls; }
    void SetDifficulty(uint32_t) override {}
    uint32_t GetHiscore() override { return hiscore; }
    Player* GetPlayer() override { return &player; }
    SnowStorm* GetSnowStorm() override { return &snow; }
    TextOverlay* GetTextOverlay() override { return &texts; }

    int startGameCalls = 0, quitCalls = 0;
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

}  // namespace frontend_test
