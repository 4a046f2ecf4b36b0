// Modes and controls: mode keys, the repeat guards, moving and sizing the
// selection, the arrows as the camera sees them, and the edits of every mode.
#include <cmath>
#include <tuple>

#include "EnemyManager.h"
#include "LevelRenderer.h"
#include "editor_test_support.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "windows.h"

using editor_test::EditorTest;

namespace {

constexpr float kPi = 3.14159265f;

class EditorControlsTest : public EditorTest {
protected:
    // Puts the selection at (x, y) with the given size, from the initial 1 by 1 at (0, 0).
    void Select(uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
        Tap(VK_SPACE);
        for (uint32_t i = 0; i < y; ++i) Tap(VK_UP);
        for (uint32_t i = 0; i < x; ++i) Tap(VK_RIGHT);
        Tap('Q');
        for (uint32_t i = 1; i < w; ++i) Tap(VK_RIGHT);
        for (uint32_t i = 1; i < h; ++i) Tap(VK_DOWN);
        ASSERT_EQ(std::make_tuple(editor->GetSelectionX(), editor->GetSelectionY(), editor->GetSelectionWidth(),
                                  editor->GetSelectionHeight()),
                  std::make_tuple(x, y, w, h));
    }
};

TEST_F(EditorControlsTest, ArrowsFollowTheCameraQuadrantAndSide) {
    Drag(1, 314, 0);  // left button drag: yaw += dx * 0.01, height += dy
    EXPECT_NEAR(editor->GetYaw(), 3.14f, 1e-4f);
    // Quadrant 2 from above: Left is +x, Down is +z.
    Tap(VK_LEFT);
    EXPECT_EQ(editor->GetSelectionX(), 1u);
    Tap(VK_DOWN);
    EXPECT_EQ(editor->GetSelectionY(), 1u);
    // From below the floor, +z and -z swap in quadrant 2.
    Drag(1, 0, -300);
    ASSERT_LT(editor->GetCameraHeight(), 0.0f);
    Tap(VK_UP);
    EXPECT_EQ(editor->GetSelectionY(), 2u);
    // Quadrant 1 from below: +x and -x swap, so Up is +x.
    Drag(1, -157, 0);
    Tap(VK_UP);
    EXPECT_EQ(editor->GetSelectionX(), 2u);
    // A huge mouse jump keeps the yaw inside 0..2 pi.
    Drag(1, -100000, 0);
    EXPECT_GE(editor->GetYaw(), 0.0f);
    EXPECT_LT(editor->GetYaw(), 2.0f * kPi);
    // Middle button pulls the camera in or out; the camera is placed on its
    // orbit in the next frame.
    Drag(2, 0, 25);
    Frame();
    const Vec3* eye = g_pCurrentCamera ? g_pCurrentCamera->GetPosition() : GetGameEngine()->GetCamera()->GetPosition();
    EXPECT_NEAR(eye->y, editor->GetCameraHeight(), 1e-3f);
    EXPECT_NEAR(std::sqrt(eye->x * eye->x + eye->z * eye->z), 175.0f, 1e-2f);
}

}  // namespace
