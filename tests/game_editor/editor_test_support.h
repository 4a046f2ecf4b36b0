// Shared set-up of the editor tests: the generated asset set as the working
// directory, a recording device, level 0 and its walkers loaded, a fresh
// editor, and keys and clock driven as the player would.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "Editor.h"
#include "EnemyManager.h"
#include "Level.h"
#include "LightMan.h"
#include "game_world_support.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "windows.h"

namespace editor_test {

using quiltest::ReadBytes;
using quiltest::WriteBytes;
// The folder with the generated assets; made the working directory on first use.
inline const std::string& AssetRoot() { return quiltest::GeneratedAssetFolder("game_editor_test"); }

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        AssetRoot();
        quiltest::StartRecordingBoxes();
        RenderDevice_Bind(&device, device.caps, device.backBuffer);
        ReleaseAllKeys();
        *GetPCSystem()->GetMouse() = MouseState{0, 0, 0, 0, 0};
        GetLevel()->Load("gfx/Level0.dat");
        GetEnemyManager()->Load("gfx/Enemy0.dat");
        GetEnemyManager()->Start();
        editor = std::make_unique<Editor>();
        editor->Init();
        editor->Activate();
        g_fTotalTime += 10.0f;  // well past every repeat guard left by an earlier test
    }
    void TearDown() override {
        ReleaseAllKeys();
        editor->Shutdown();
        editor.reset();
        GetEnemyManager()->Stop();
        GetEnemyManager()->Free();
        GetLevel()->Free();
        GetLightMan()->Clear();
        RenderDevice_Unbind();
    }

    static void KeyDown(int vk) { GetPCSystem()->MsgProc(nullptr, WM_KEYDOWN, WPARAM(vk), 0); }
    static void KeyUp(int vk) { GetPCSystem()->MsgProc(nullptr, WM_KEYUP, WPARAM(vk), 0); }
    static void ReleaseAllKeys() {
        for (int vk = 1; vk < 256; ++vk)
            if (vk != VK_F1 && GetPCSystem()->IsKeyDown(uint8_t(vk))) KeyUp(vk);
    }
    // Moves the clock on by dt seconds (the editor's "now") and runs one update.
    void Frame(float dt = 0.02f) {
        g_fTotalTime += dt;
        editor->Update(dt);
    }
    // Holds a key for one frame and releases it, well past every repeat guard.
    void Tap(int vk) {
        g_fTotalTime += 1.0f;
        KeyDown(vk);
        Frame();
        KeyUp(vk);
        Frame();
    }

    static Node& NodeAt(uint32_t col, uint32_t row) { return GetLevel()->GetNodeMap(0)[col + row * 8]; }

    std::unique_ptr<Editor> editor;
    quiltest::RecordingDevice device;
};

}  // namespace editor_test
