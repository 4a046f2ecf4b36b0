// The renderer's frame, lists, device defaults, camera, projection and debug lines.
#include <cmath>
#include <cstring>

#include "camera.h"
#include "render_test_support.h"

namespace quiltest {
namespace {

using Lines = std::vector<std::string>;

// Restores the engine's current camera after a test changed it.
class FrameTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        m_savedCamera = g_pCurrentCamera;
        camera.MakeCurrent();
    }
    void TearDown() override {
        g_pCurrentCamera = m_savedCamera;
        RenderTest::TearDown();
    }
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

    Camera camera;

private:
    Camera* m_savedCamera = nullptr;
};

TEST_F(FrameTest, EmptyFrameClearsSetsUpTheCameraAndBracketsTheScene) {
    Renderer renderer;
    renderer.Render();
    const Lines& log = device.log;
    ASSERT_GE(log.size(), 8u);
    EXPECT_EQ(log.front(), "Clear 0 3 FF000000 1.0 0");
    // Mode 0, then view and projection, the projection for the shaders, wrap on, the scene.
    auto at = [&](const std::string& line) { return std::find(log.begin(), log.end(), line) - log.begin(); };
    EXPECT_LT(at(RS(D3DRS_SRCBLEND, D3DBLEND_ONE)), at("Transform 2"));
    EXPECT_LT(at("Transform 2"), at("Transform 3"));
    EXPECT_LT(at("Transform 3"), at("VSConst 2 4"));
    EXPECT_LT(at("VSConst 2 4"), at(TSS(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP)));
    EXPECT_LT(at(TSS(1, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP)), at("BeginScene"));
    EXPECT_EQ(log.back(), "EndScene");
    EXPECT_TRUE(SceneCalls().empty());  // no lines, no statistics
    EXPECT_FALSE(renderer.IsRendering());

    // c2..c5 hold the transposed projection.
    const D3DMATRIX& proj = device.transforms[D3DTS_PROJECTION];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(device.vsConstants[2 + r][c], proj.m[c][r]);

    // A second frame sends no mode or wrap states: the caches hold.
    device.Clear();
    renderer.Render();
    EXPECT_TRUE(device.Matching("RS ").empty());
    EXPECT_TRUE(device.Matching("TSS ").empty());
}

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
    EXPECT_EQ(renderer.GetDebugVertexCount(), 2u);
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
    EXPECT_EQ(scene[1], "Transform 256");
    EXPECT_EQ(scene.back(), RS(D3DRS_ZFUNC, D3DCMP_LESSEQUAL));
    EXPECT_EQ(device.Matching("VertexShader"), Lines{"VertexShader 66"});
    ASSERT_EQ(device.Matching("DrawUP"), Lines{"DrawUP 2 511 16"});
    // The last line drawn is the 511th added, with its two colours.
    const auto& draw = device.draws.back();
    LineVertex last[2];
    std::memcpy(last, draw.vertices.data() + 1020 * sizeof(LineVertex), sizeof(last));
    EXPECT_EQ(last[0].x, 510.0f);
    EXPECT_EQ(last[0].colour, 0xFF00FF00u);
    EXPECT_EQ(last[1].y, 1.0f);
    EXPECT_EQ(last[1].colour, 0xFFFF0000u);
    const D3DMATRIX& world = device.transforms[256];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(world.m[r][c], r == c ? 1.0f : 0.0f);

    // The next frame starts empty and touches neither z function nor world.
    device.Clear();
    renderer.Render();
    EXPECT_EQ(renderer.GetDebugVertexCount(), 0u);
    EXPECT_TRUE(SceneCalls().empty());
}

TEST_F(FrameTest, DefaultStatesOnRestoreAndCachesThatSurviveIt) {
    Renderer renderer;
    renderer.RestoreDeviceObjects();
    const Lines first = device.log;
    const Lines head = {RS(D3DRS_FILLMODE, D3DFILL_SOLID),
                        RS(D3DRS_CULLMODE, D3DCULL_CCW),
                        RS(D3DRS_CLIPPING, TRUE),
                        RS(D3DRS_EDGEANTIALIAS, FALSE),
                        RS(D3DRS_CLIPPLANEENABLE, 0),
                        RS(D3DRS_VERTEXBLEND, D3DVBF_DISABLE),
                        RS(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE),
                        RS(D3DRS_FOGENABLE, FALSE),
                        TSS(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE),
                        TSS(1, D3DTSS_COLOROP, D3DTOP_DISABLE),
                        TSS(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
                        TSS(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR),
                        TSS(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR),
                        TSS(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR),
                        TSS(1, D3DTSS_MINFILTER, D3DTEXF_LINEAR),
                        TSS(1, D3DTSS_MAGFILTER, D3DTEXF_LINEAR),
                        TSS(1, D3DTSS_MIPFILTER, D3DTEXF_LINEAR),
                        RS(D3DRS_DITHERENABLE, TRUE),
                        RS(D3DRS_SPECULARENABLE, FALSE),
                        RS(D3DRS_ZENABLE, TRUE),
                        RS(D3DRS_LIGHTING, TRUE),
                        RS(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL),
                        RS(D3DRS_ALPHAREF, 8)};
    ASSERT_GT(first.size(), head.size());
    EXPECT_EQ(Lines(first.begin(), first.begin() + long(head.size())), head);
    EXPECT_EQ(first.back(), "Material");
    EXPECT_FLOAT_EQ(device.material.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(device.material.Ambient.r, 1.0f);
    EXPECT_FLOAT_EQ(device.material.Ambient.a, 0.0f);
    EXPECT_FLOAT_EQ(device.material.Power, 0.0f);
    EXPECT_EQ(renderer.GetRenderMode(), 0u);

    // A second restore (after a reset) re-sends the defaults but not mode 0 or wrap.
    device.Clear();
    renderer.RestoreDeviceObjects();
    EXPECT_EQ(device.log.size(), head.size() + 1);
    EXPECT_TRUE(device.Matching(RS(D3DRS_SRCBLEND, D3DBLEND_ONE)).empty());

    // Without linear mip filtering both stages fall back to point mips.
    device.caps.TextureFilterCaps &= ~0x00020000u;
    Rebind();
    device.Clear();
    renderer.RestoreDeviceObjects();
    EXPECT_EQ(device.Matching(TSS(0, D3DTSS_MIPFILTER, D3DTEXF_POINT)).size(), 1u);
    EXPECT_EQ(device.Matching(TSS(1, D3DTSS_MIPFILTER, D3DTEXF_POINT)).size(), 1u);
}

TEST_F(FrameTest, ScreenScaleIsOneUntilTheFirstRestoreThenFollowsTheBackBuffer) {
    Renderer renderer;
    EXPECT_EQ(renderer.GetScreenScaleX(), 1.0f);
    EXPECT_EQ(renderer.GetScreenScaleY(), 1.0f);
    device.backBuffer.Width = 800;
    device.backBuffer.Height = 600;
    Rebind();
    renderer.RestoreDeviceObjects();
    EXPECT_FLOAT_EQ(renderer.GetScreenScaleX(), 1.25f);
    EXPECT_FLOAT_EQ(renderer.GetScreenScaleY(), 1.25f);
    device.backBuffer.Width = 1280;
    device.backBuffer.Height = 720;
    Rebind();
    renderer.RestoreDeviceObjects();
    EXPECT_FLOAT_EQ(renderer.GetScreenScaleX(), 2.0f);
    EXPECT_FLOAT_EQ(renderer.GetScreenScaleY(), 1.5f);
}

TEST_F(FrameTest, DefaultCameraViewIsATranslationByEighty) {
    Renderer renderer;
    renderer.Init();
    const Matrix& v = *renderer.GetViewMatrix();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(v.m[r][c], r == c ? 1.0f : 0.0f);
    EXPECT_EQ(v.m[3][0], 0.0f);
    EXPECT_EQ(v.m[3][1], 0.0f);
    EXPECT_EQ(v.m[3][2], 80.0f);
    EXPECT_EQ(v.m[3][3], 1.0f);
    // Projection: 60 degrees vertical on a 4:3 back buffer, near 1, far 1000.
    const Matrix& p = *renderer.GetProjectionMatrix();
    const float yScale = 1.0f / std::tan(1.0471976f / 2);
    EXPECT_NEAR(p.m[1][1], yScale, 1e-5);
    EXPECT_NEAR(p.m[0][0], yScale * 0.75f, 1e-5);
    EXPECT_NEAR(p.m[2][2], 1000.0f / 999.0f, 1e-5);
}

TEST_F(FrameTest, ProjectedLookAtPointIsTheCentreOfTheBackBuffer) {
    device.backBuffer.Width = 800;
    device.backBuffer.Height = 600;
    Rebind();
    Renderer renderer;
    camera.SetPosition(30.0f, 12.0f, -50.0f);
    Matrix target;
    mat_Identity(&target);
    target.m[3][0] = -20.0f;
    target.m[3][1] = 40.0f;
    target.m[3][2] = 90.0f;
    camera.LookAt(&target);
    renderer.SetCamera(&camera);
    Vec3 at(-20.0f, 40.0f, 90.0f), out;
    renderer.ProjectToScreen(&at, &out);
    EXPECT_NEAR(out.x, 400.0f, 0.01f);
    EXPECT_NEAR(out.y, 300.0f, 0.01f);
    EXPECT_GT(out.z, 0.0f);
    EXPECT_LT(out.z, 1.0f);
    // A point up and to the camera's right lands above and right of centre.
    const Matrix& cm = *camera.GetMatrix();
    Vec3 offset(at.x + cm.m[0][0] * 5 + cm.m[1][0] * 5, at.y + cm.m[0][1] * 5 + cm.m[1][1] * 5,
                at.z + cm.m[0][2] * 5 + cm.m[1][2] * 5);
    renderer.ProjectToScreen(&offset, &out);
    EXPECT_GT(out.x, 400.0f);
    EXPECT_LT(out.y, 300.0f);
}

TEST_F(FrameTest, WithoutACurrentCameraTheLastViewStays) {
    Renderer renderer;
    renderer.SetDefaultCamera();
    g_pCurrentCamera = nullptr;
    renderer.Render();
    EXPECT_EQ(renderer.GetViewMatrix()->m[3][2], 80.0f);
}

}  // namespace
}  // namespace quiltest
