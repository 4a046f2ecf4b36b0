// Drawing: the selection quad and its buffers, the render states left behind,
// the prop preview, and the surface clip flags.
#include <cstring>

#include "Ceil.h"
#include "Floor.h"
#include "LightMan.h"
#include "editor_test_support.h"
#include "renderer.h"
#include "windows.h"

using editor_test::EditorTest;

namespace {

class EditorDrawTest : public EditorTest {
protected:
    std::vector<LineVertex> QuadVertices() {
        std::vector<LineVertex> out(4);
        auto* vb = static_cast<quiltest::FakeVertexBuffer*>(editor->GetVertexBuffer());
        if (!vb || vb->bytes.size() < sizeof(LineVertex) * 4) return {};
        std::memcpy(out.data(), vb->bytes.data(), sizeof(LineVertex) * 4);
        return out;
    }
};

TEST_F(EditorDrawTest, QuadLiesOnTheSelectionAboveTheFloorOrUnderTheCeiling) {
    editor->Render();  // makes the buffers
    // The whole grid: x 0, y 7, 8 by 8.
    for (int i = 0; i < 7; ++i) Tap(VK_UP);
    Tap('Q');
    for (int i = 0; i < 7; ++i) {
        Tap(VK_RIGHT);
        Tap(VK_DOWN);
    }
    const float floorY = GetLevel()->GetRoomBaseY(GetLevel()->GetCurrentRoom());
    std::vector<LineVertex> v = QuadVertices();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_FLOAT_EQ(v[0].x, -128.0f);
    EXPECT_FLOAT_EQ(v[0].z, 96.0f);
    EXPECT_FLOAT_EQ(v[2].x, 128.0f);
    EXPECT_FLOAT_EQ(v[2].z, -160.0f);
    EXPECT_FLOAT_EQ(v[0].y, floorY + 1.0f);
    Tap('C');
    EXPECT_FLOAT_EQ(QuadVertices()[3].y, floorY + 39.0f);
}

TEST_F(EditorDrawTest, ThePaintedSurfaceIsSeenFromTheCameraSide) {
    Room* room = GetLevel()->GetRoom(GetLevel()->GetCurrentRoom());
    ASSERT_NE(room, nullptr);
    Tap('C');
    EXPECT_EQ(room->pCeil->GetClip(), 1u);
    Tap('F');
    EXPECT_EQ(room->pCeil->GetClip() + room->pFloor->GetClip(), 0u);
    Drag(1, 0, -300);  // below the floor
    EXPECT_EQ(room->pFloor->GetClip(), 1u);
    editor->Deactivate();  // closing clears the flags
    EXPECT_EQ(room->pFloor->GetClip(), 0u);
    editor->Activate();
}

}  // namespace
