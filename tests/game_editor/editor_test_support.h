// Shared set-up of the editor tests: the generated asset set as the working
// directory, a recording device, level 0 and its walkers loaded, a fresh
// editor, and keys, mouse and clock driven as the player would.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "Editor.h"
#include "Level.h"
#include "game_world_support.h"
#include "recording_device.h"

namespace editor_test {

using quiltest::ReadBytes;
using quiltest::WriteBytes;
// The folder with the generated assets; made the working directory on first use.
inline const std::string& AssetRoot() { return quiltest::GeneratedAssetFolder("game_editor_test"); }

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static void KeyDown(int vk);
    static void KeyUp(int vk);
    static void ReleaseAllKeys();
    // Moves the clock on by dt seconds (the editor's "now") and runs one update.
    void Frame(float dt = 0.02f);
    // Holds a key for one frame and releases it, well past every repeat guard.
    void Tap(int vk);
    // Moves the mouse by (dx, dy) with the given buttons held for one frame.
    void Drag(uint32_t buttons, int dx, int dy);

    static Node& NodeAt(uint32_t col, uint32_t row) { return GetLevel()->GetNodeMap(0)[col + row * 8]; }

    std::unique_ptr<Editor> editor;
    quiltest::RecordingDevice device;
};

}  // namespace editor_test
