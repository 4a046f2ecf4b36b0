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

TEST_F(EditorControlsTest, WallsGoOnBothSidesOfInnerBordersOnly) {
    GetLevel()->New();
    Select(2, 7, 2, 2);  // columns 2..3, rows 0..1
    Tap('W');
    Tap('A');  // wall tile 1
    Tap(VK_UP);  // +z border of row 0: no row above
    Tap(VK_DOWN);  // -z border of row 1: also row 2's +z side
    Tap(VK_RIGHT);
    Tap(VK_LEFT);
    for (uint32_t i : {0u, 1u}) {
        EXPECT_EQ(NodeAt(2 + i, 0).walls[WALL_POS_Z], 1);
        EXPECT_EQ(NodeAt(2 + i, 1).walls[WALL_NEG_Z], 1);
        EXPECT_EQ(NodeAt(2 + i, 2).walls[WALL_POS_Z], 1);
        EXPECT_EQ(NodeAt(3, i).walls[WALL_POS_X], 1);
        EXPECT_EQ(NodeAt(4, i).walls[WALL_NEG_X], 1);
        EXPECT_EQ(NodeAt(2, i).walls[WALL_NEG_X], 1);
        EXPECT_EQ(NodeAt(1, i).walls[WALL_POS_X], 1);
    }
    EXPECT_EQ(NodeAt(2, 2).walls[WALL_NEG_X], 255);  // outside the selection
    // Tile "none" takes walls away again.
    Tap('Z');
    Tap('Z');
    Tap(VK_RIGHT);
    EXPECT_EQ(NodeAt(3, 0).walls[WALL_POS_X], 255);
    EXPECT_EQ(NodeAt(4, 1).walls[WALL_NEG_X], 255);
}

TEST_F(EditorControlsTest, PropsArePlacedTurnedClearedAndTheirTypeWraps) {
    GetLevel()->New();
    LevelRenderer* props = GetLevel()->GetLevelRenderer();
    Select(4, 5, 1, 1);  // node (4, 2)
    Tap('D');
    Tap('Z');
    EXPECT_EQ(editor->GetPropType(), 12);
    Tap('A');
    Tap('A');
    Tap(VK_RETURN);
    Node& node = NodeAt(4, 2);
    ASSERT_EQ(node.propType[0], 1);
    const uint32_t index = node.propIndex[0];
    ASSERT_NE(index, 255u);
    EXPECT_EQ(props->GetObject(index)->GetType(), props->GetDetailObjectType(1));
    // Enter held on the same type turns it a quarter each 0.15 s.
    const float before = props->GetObject(index)->GetMatrix()->m[0][0];
    KeyDown(VK_RETURN);
    Frame(1.0f);
    Frame(0.1f);
    Frame(0.1f);
    KeyUp(VK_RETURN);
    EXPECT_FLOAT_EQ(node.propAngle[0], kPi);
    EXPECT_NEAR(props->GetObject(index)->GetMatrix()->m[0][0], -before, 1e-4f);
    // Another type goes into the next free slot; Delete clears them all.
    Tap('A');
    Tap(VK_RETURN);
    EXPECT_EQ(node.propType[1], 2);
    Tap(VK_DELETE);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(node.propType[s], 255) << s;
        EXPECT_EQ(node.propIndex[s], 255) << s;
    }
}

}  // namespace
