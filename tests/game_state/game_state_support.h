// Shared set-up of the game-state tests: the generated asset set as the working
// directory, sound mixed into memory, a recording device, and the game started
// and shut down around each test, driven by keys and engine frames.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "game.h"
#include "game_test_support.h"
#include "recording_device.h"

namespace game_state_test {

using quiltest::ReadBytes;
using quiltest::WriteBytes;

// Position of p in the engine's process list, or -1.
int ProcessIndex(const Process* p);
bool Frozen(const Process* p);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the game with the hiscore file holding bytes (no file when null).
    void StartUp(const std::vector<uint8_t>* hiscoreFile = nullptr);
    void ShutDown();

    static void KeyDown(int vk) { quiltest::KeyDown(vk); }
    static void KeyUp(int vk) { quiltest::KeyUp(vk); }
    // One engine frame of dt seconds (a binary fraction, so timers reach 0 exactly).
    void Frames(int n = 1, float dt = kDt);
    void Tap(int vk);  // held for one frame, let go the next
    // From the menu into play: StartGame and the whole get-ready sequence.
    void IntoPlay();

    static constexpr float kDt = 0.0625f;
    Game* game = GetGame();
    quiltest::RecordingDevice device;
    bool started = false;
};

}  // namespace game_state_test
