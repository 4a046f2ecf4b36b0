// The renderer's frame, lists, device defaults and debug lines.
#include <cstring>

#include "render_test_support.h"

namespace quiltest {
namespace {

class FrameTest : public RenderTest {
protected:
    // The calls between BeginScene and EndScene of the last frame.
    Lines SceneCalls() const {
        Lines out;
        bool in = false;
        for (const auto& line : device.log) {
            if (line == "EndScene") in = false;
            if (in) out.push_back(line);
            if (line == "BeginScene") in = true;
        }
        return out;
    }
};

TEST_F(FrameTest, ListsDrawLastAddedFirstObjectListBeforeOverlay) {
    Renderer renderer;
    std::vector<std::string> journal;
    JournalObject a(&journal, "A"), b(&journal, "B"), c(&journal, "C"), hidden(&journal, "H");
    renderer.AddObject(&a);
    renderer.AddObject(&b);
    renderer.AddOverlayObject(&c);
    renderer.AddObject(&hidden);
    hidden.SetRenderFlags(1);
    renderer.Render();
    EXPECT_EQ(journal, (Lines{"B.Render", "A.Render", "C.Render"}));

    // The switched-off object still hears the device events, in list order.
    journal.clear();
    renderer.InvalidateDeviceObjects();
    renderer.RestoreDeviceObjects();
    EXPECT_EQ(journal, (Lines{"H.Invalidate", "B.Invalidate", "A.Invalidate", "C.Invalidate", "H.Restore",
                              "B.Restore", "A.Restore", "C.Restore"}));

    // Removing what is not listed changes nothing; removing the head promotes its successor.
    renderer.RemoveOverlayObject(&a);
    renderer.RemoveObject(&c);
    EXPECT_EQ(renderer.GetObjectList(), &hidden);
    renderer.RemoveObject(&hidden);
    EXPECT_EQ(renderer.GetObjectList(), &b);
    EXPECT_EQ(hidden.GetNextObject(), nullptr);
    renderer.RemoveObject(&a);
    EXPECT_EQ(b.GetNextObject(), nullptr);
}

TEST_F(FrameTest, ObjectRemovingItselfEndsOnlyItsOwnListsWalk) {
    static Renderer* current;
    Renderer renderer;
    current = &renderer;
    std::vector<std::string> journal;
    JournalObject a(&journal, "A"), b(&journal, "B"), c(&journal, "C");
    renderer.AddObject(&a);
    renderer.AddObject(&b);  // drawn first, removes itself
    renderer.AddOverlayObject(&c);
    b.onRender = [](JournalObject* self) { current->RemoveObject(self); };
    renderer.Render();
    EXPECT_EQ(journal, (Lines{"B.Render", "C.Render"}));
    journal.clear();
    renderer.Render();
    EXPECT_EQ(journal, (Lines{"A.Render", "C.Render"}));
}

TEST_F(FrameTest, FailedBeginSceneEndsTheFrameAndKeepsTheDebugLines) {
    Renderer renderer;
    std::vector<std::string> journal;
    JournalObject a(&journal, "A");
    renderer.AddObject(&a);
    Vec3 p0(0, 0, 0), p1(1, 1, 1);
    renderer.AddDebugLine(&p0, &p1, 0xFFFFFFFF, 0xFFFFFFFF);
    device.beginSceneResult = D3DERR_INVALIDCALL;
    renderer.Render();
    EXPECT_TRUE(journal.empty());
    EXPECT_TRUE(device.Matching("EndScene").empty());
    EXPECT_FALSE(renderer.IsRendering());
    device.beginSceneResult = D3D_OK;
    renderer.Render();
    EXPECT_EQ(device.Matching("DrawUP"), Lines{"DrawUP 2 1 16"});
}

TEST_F(FrameTest, DebugLinesAtMost511AFrameInOneDrawOverEverything) {
    Renderer renderer;
    for (int i = 0; i < 600; ++i) {
        Vec3 s(float(i), 0, 0), e(float(i), 1, 0);
        renderer.AddDebugLine(&s, &e, 0xFF00FF00, 0xFFFF0000);
    }
    EXPECT_EQ(renderer.GetDebugVertexCount(), 1022u);
    renderer.Render();
    const Lines scene = SceneCalls();
    ASSERT_FALSE(scene.empty());
    EXPECT_EQ(scene.front(), RS(D3DRS_ZFUNC, D3DCMP_ALWAYS));
    EXPECT_EQ(scene.back(), RS(D3DRS_ZFUNC, D3DCMP_LESSEQUAL));
    ASSERT_EQ(device.Matching("DrawUP"), Lines{"DrawUP 2 511 16"});
    // The last line drawn is the 511th added, with its two colours.
    LineVertex last[2];
    std::memcpy(last, device.draws.back().vertices.data() + 1020 * sizeof(LineVertex), sizeof(last));
    EXPECT_EQ(last[0].x, 510.0f);
    EXPECT_EQ(last[1].colour, 0xFFFF0000u);

    // The next frame starts empty and touches neither z function nor world.
    device.Clear();
    renderer.Render();
    EXPECT_EQ(renderer.GetDebugVertexCount(), 0u);
    EXPECT_TRUE(SceneCalls().empty());
}

TEST_F(FrameTest, RestoreResendsTheDefaultsButTheModeCachesSurviveIt) {
    Renderer renderer;
    renderer.RestoreDeviceObjects();
    const size_t first = device.log.size();
    EXPECT_EQ(renderer.GetRenderMode(), 0u);
    // A second restore (after a reset) re-sends the defaults but not mode 0 or wrap.
    device.Clear();
    renderer.RestoreDeviceObjects();
    EXPECT_LT(device.log.size(), first);
    EXPECT_EQ(device.log.back(), "Material");
    EXPECT_TRUE(device.Matching(RS(D3DRS_SRCBLEND, D3DBLEND_ONE)).empty());
    EXPECT_TRUE(device.Matching(TSS(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP)).empty());
}

}  // namespace
}  // namespace quiltest
