// Shared set-up of the game-state tests: the generated asset set in a scratch
// folder (the working directory), sound mixed into memory, a recording device,
// and the game itself started and shut down around each test, driven with keys
// through the application object's message handler and frames of the engine.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "game.h"
#include "game_world_support.h"
#include "recording_device.h"

namespace game_state_test {

// The folder with the generated assets; made the working directory on first use.
const std::string& AssetRoot();
using quiltest::ReadBytes;
using quiltest::WriteBytes;
bool FileExists(const std::string& path);
void RemoveFile(const std::string& path);

// Position of p in the engine's process list, or -1.
int ProcessIndex(const Process* p);
bool Frozen(const Process* p);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the game (its Init), with the hiscore file holding bytes, or no
    // file when bytes is null.
    void StartUp(const std::vector<uint8_t>* hiscoreFile = nullptr);
    void ShutDown();

    static void KeyDown(int vk);
    static void KeyUp(int vk);
    static void ReleaseKeys();
    // One engine frame of dt seconds (a binary fraction, so timers reach 0 exactly).
    void Frame(float dt = kDt);
    void Frames(int n, float dt = kDt);
    // Holds a key for one frame and lets it go the next.
    void Tap(int vk);
    // From the menu into play: StartGame and the whole get-ready sequence.
    void IntoPlay();

    static constexpr float kDt = 0.0625f;
    Game* game = GetGame();
    quiltest::RecordingDevice device;
    bool started = false;
};

}  // namespace game_state_test
