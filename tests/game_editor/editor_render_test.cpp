// The editor drawn by the real device over level 0: the selection quad adds
// its mode's colour to the room under it in every mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "Editor.h"
#include "Level.h"
#include "LightMan.h"
#include "camera.h"
#include "game_world_support.h"
#include "gameengine.h"
#include "level_device_test.h"
#include "pcsystem.h"
#include "renderdevice.h"
#include "renderer.h"
#include "windows.h"

namespace {

int Channel(uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

class EditorRender : public quiltest::LevelDeviceTest {
protected:
    void SetUp() override {
        OpenLevel("game_editor_render");
        *GetPCSystem()->GetMouse() = MouseState{0, 0, 0, 0, 0};
        editor = std::make_unique<Editor>();
        editor->Init();
        editor->Activate();
        g_fTotalTime += 10.0f;
    }
    void TearDown() override {
        editor->Shutdown();
        editor.reset();
        CloseLevel();
    }

    void Step() {
        g_fTotalTime += 0.02f;
        editor->Update(0.02f);
    }
    void Tap(int vk) {
        g_fTotalTime += 1.0f;
        GetPCSystem()->MsgProc(nullptr, WM_KEYDOWN, WPARAM(vk), 0);
        Step();
        GetPCSystem()->MsgProc(nullptr, WM_KEYUP, WPARAM(vk), 0);
        Step();
    }
    // Chooses a mode by its key, or by its icon for mode 7, which has none.
    void ChooseMode(uint32_t mode) {
        static const int keys[] = {VK_SPACE, 'Q', 'W', 'F', 'C', 'D', 'L', 0, 'P'};
        if (keys[mode]) {
            Tap(keys[mode]);
        } else {
            *GetPCSystem()->GetMouse() = MouseState{1, 615, 55 + 35 * static_cast<int32_t>(mode), 0, 0};
            Step();
            *GetPCSystem()->GetMouse() = MouseState{0, 0, 0, 0, 0};
            Step();
        }
        ASSERT_EQ(editor->GetMode(), mode);
    }
    // Moves the 1 by 1 selection to (x, y) in move mode (the camera looks along +z,
    // so Right is +x and Up is +z), then returns to the mode.
    void SelectAt(uint32_t x, uint32_t y, uint32_t mode) {
        ChooseMode(EDITOR_MODE_MOVE);
        while (editor->GetSelectionX() < x) Tap(VK_RIGHT);
        while (editor->GetSelectionX() > x) Tap(VK_LEFT);
        while (editor->GetSelectionY() < y) Tap(VK_UP);
        while (editor->GetSelectionY() > y) Tap(VK_DOWN);
        ChooseMode(mode);
    }
    // Draws a frame and reads its pixel at the centre of node (x, y) of the
    // selection grid, just above the floor.
    uint32_t DrawAndRead(uint32_t x, uint32_t y, const char* keepAs = nullptr) {
        GetRenderer()->Render();
        const quil_automation::RgbaImage image = OffscreenDeviceTest::Frame();
        if (keepAs) quil_automation::WritePng(::testing::TempDir() + keepAs, image);  // to look at
        Level* level = GetLevel();
        const float p[4] = {level->GetCellX(static_cast<int>(x)) + 16.0f,
                            level->GetRoomBaseY(level->GetCurrentRoom()) + 1.0f,
                            level->GetCellZ(static_cast<int>(y)) - 16.0f, 1.0f};
        float view[4] = {}, clip[4] = {};
        const Matrix& v = *GetRenderer()->GetViewMatrix();
        const Matrix& proj = *GetRenderer()->GetProjectionMatrix();
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) view[c] += p[r] * v.m[r][c];
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) clip[c] += view[r] * proj.m[r][c];
        const int sx = static_cast<int>((clip[0] / clip[3] * 0.5f + 0.5f) * 640.0f);
        const int sy = static_cast<int>((0.5f - clip[1] / clip[3] * 0.5f) * 480.0f);
        EXPECT_TRUE(sx >= 0 && sx < 640 && sy >= 0 && sy < 480) << sx << "," << sy;
        return image.At(std::min(std::max(sx, 0), 639), std::min(std::max(sy, 0), 479));
    }

    std::unique_ptr<Editor> editor;
};

// The quad is drawn additively: at the centre of the selected node the frame
// gains the mode's colour over the same frame with the selection elsewhere
// (the background there is dark, so nothing saturates).
TEST_F(EditorRender, TheSelectionQuadAddsItsModesColourInEveryMode) {
    for (uint32_t mode = 0; mode <= EDITOR_MODE_PATHS; ++mode) {
        const uint32_t colour = mode == 0 ? 0xFF808080u : mode == 1 ? 0xFF808000u : 0xFF800000u;
        SelectAt(5, 2, mode);
        const std::string name = "editor_mode" + std::to_string(mode) + ".png";
        const uint32_t selected = DrawAndRead(5, 2, name.c_str());
        SelectAt(1, 5, mode);
        const uint32_t behind = DrawAndRead(5, 2);
        for (int shift : {16, 8, 0}) {
            const int want = Channel(colour, shift), got = Channel(selected, shift) - Channel(behind, shift);
            EXPECT_LE(Channel(behind, shift) + want, 255) << "mode " << mode;
            EXPECT_NEAR(got, want, 6) << "mode " << mode << " channel " << shift << std::hex << ": " << selected
                                      << " over " << behind;
        }
    }
}

}  // namespace
