// Sprite lists against the recording device: buffers, records to quads, one
// draw per frame, the lists they join, device loss and bad input.
#include <cmath>
#include <cstring>

#include "camera.h"
#include "engine_lists.h"
#include "memorycontroller.h"
#include "render_test_support.h"
#include "spritelist2d.h"
#include "spritelist3d.h"

namespace quiltest {
namespace {

class SpriteTest : public RenderTest {
protected:
    SpriteTest() : RenderTest(800, 600) {}
    void SetUp() override {
        RenderTest::SetUp();
        WriteTga(texturePath, 4, 4, 255, 255, 255);
        GetRenderer()->RestoreDeviceObjects();  // screen scale 1.25
        device.Clear();
    }
    int Listed(Object* list) const {
        return TimesInProcessList(list) * 10 + TimesInObjectList(GetRenderer()->GetOverlayList(), list);
    }
    const std::string texturePath = "sprite_test.tga";  // in the case's own working folder
};

TEST_F(SpriteTest, BuildWhileActiveJoinsEachListOnceAndShutdownLeavesBoth) {
    SpriteList3D list;
    ASSERT_NE(list.Build(10, texturePath.c_str()), nullptr);
    EXPECT_EQ(Listed(&list), 11);
    ASSERT_NE(list.Build(20, texturePath.c_str()), nullptr);
    EXPECT_EQ(list.GetCapacity(), 20u);
    EXPECT_EQ(MemoryController::GetBlockCount("Sprites3D"), 1u);
    list.Activate();
    EXPECT_EQ(Listed(&list), 11);
    list.Shutdown();
    EXPECT_EQ(MemoryController::GetBlockCount("Sprites3D"), 0u);
    EXPECT_EQ(Listed(&list), 0);
    list.Shutdown();  // twice is harmless
}

TEST_F(SpriteTest, CapacitiesThatSixteenBitIndicesCannotAddressAreRefused) {
    SpriteList2D list;
    EXPECT_EQ(list.Build(16385, texturePath.c_str()), nullptr);
    EXPECT_TRUE(AnyMessageBoxSays("Too many sprites given to Build sprite list"));
    EXPECT_FALSE(list.IsActive());
    EXPECT_EQ(MemoryController::GetBlockCount("Sprites2D"), 0u);

    // The largest capacity still fits: its last quad's indices reach 65535.
    ASSERT_NE(list.Build(16384, texturePath.c_str()), nullptr);
    list.SetCount(0);
    list.Render();
    auto* ib = static_cast<FakeIndexBuffer*>(device.indices);
    ASSERT_NE(ib, nullptr);
    uint16_t last;
    std::memcpy(&last, ib->bytes.data() + ib->bytes.size() - 2, 2);
    EXPECT_EQ(last, 65535);
    list.Shutdown();
}

// Bad set-ups are reported and draw at most what the records allow.
TEST_F(SpriteTest, BadInputIsReportedNeverOverrun) {
    {
        SpriteList3D list;
        list.Build(0, texturePath.c_str());
        EXPECT_TRUE(AnyMessageBoxSays("No sprites given to Build sprite list"));
        device.Clear();
        list.Update(0.016f);
        list.Render();
        EXPECT_TRUE(device.Matching("DrawIndexed").empty());
        list.Shutdown();
    }
    {
        SpriteList2D list;
        Sprite2D* s = list.Build(2, texturePath.c_str());
        s[0] = s[1] = {10, 10, 4, 0xFFFFFFFF, 0, 0, 1, 1};
        list.SetCount(5);
        device.Clear();
        list.Update(0.016f);
        list.Render();
        EXPECT_TRUE(AnyMessageBoxSays("Too many active sprites in 2D Sprites list"));
        EXPECT_EQ(device.Matching("DrawIndexed"), Lines{"DrawIndexed 4 0 8 0 4"});
        list.Shutdown();
    }
    {
        device.failIndexLocks = true;
        SpriteList3D list;
        list.Build(3, texturePath.c_str());
        list.Render();
        EXPECT_TRUE(AnyMessageBoxSays("Could not lock index buffer for 3D sprites"));
        list.Shutdown();
    }
}

TEST_F(SpriteTest, WorldSpritesFaceTheCameraWithTheirHalfSizes) {
    Camera camera;  // turned about y and tilted
    mat_FromYawPitchRoll(camera.GetMatrix(), 0.7f, 0.3f, 0.0f);
    camera.SetPosition(5, 6, -40);
    GetRenderer()->SetCamera(&camera);
    SpriteList3D list;
    Sprite3D* s = list.Build(1, texturePath.c_str());
    s[0] = {10, 20, 30, 1.0f, 2.0f, 0xFF00FF00, 0.25f, 0.5f, 0.75f, 1.0f};
    list.Render();
    const auto* v = reinterpret_cast<const SpriteVertex3D*>(device.draws.back().vertices.data());
    const Matrix& cm = *camera.GetMatrix();
    const Vec3 right(cm.m[0][0], cm.m[0][1], cm.m[0][2]), up(cm.m[1][0], cm.m[1][1], cm.m[1][2]),
        forward(cm.m[2][0], cm.m[2][1], cm.m[2][2]);
    // Corners run bottom-right, bottom-left, top-left, top-right, across the view;
    // the top-left has (u_left, v_top).
    for (int i = 0; i < 4; ++i) {
        Vec3 toCorner(v[i].x - 10, v[i].y - 20, v[i].z - 30);
        EXPECT_NEAR(toCorner.Dot(right), i == 1 || i == 2 ? -1.0f : 1.0f, 1e-4) << i;
        EXPECT_NEAR(std::fabs(toCorner.Dot(up)), 2.0f, 1e-4) << i;
        EXPECT_NEAR(toCorner.Dot(forward), 0.0f, 1e-4) << i;
    }
    EXPECT_NEAR(Vec3(v[2].x - 10, v[2].y - 20, v[2].z - 30).Dot(up), 2.0f, 1e-4);
    EXPECT_EQ(v[2].u, 0.25f);
    EXPECT_EQ(v[2].v, 0.5f);
    EXPECT_EQ(v[3].colour, 0xFF00FF00u);
    list.Shutdown();
    GetRenderer()->SetDefaultCamera();
}

TEST_F(SpriteTest, ScreenSpritesScaleWithTheBackBufferAndDrawOverEverything) {
    SpriteList2D list;
    Sprite2D* s = list.Build(1, texturePath.c_str());
    s[0] = {320, 240, 640, 0xFFFFFFFF, 0, 0, 1, 1};
    list.Render();
    const auto* v = reinterpret_cast<const ScreenVertex*>(device.draws.back().vertices.data());
    EXPECT_FLOAT_EQ(v[0].x, 0.0f);
    EXPECT_FLOAT_EQ(v[0].y, -100.0f);
    EXPECT_FLOAT_EQ(v[2].x, 800.0f);
    EXPECT_FLOAT_EQ(v[2].y, 700.0f);
    const auto at = [&](const std::string& line) {
        return std::find(device.log.begin(), device.log.end(), line) - device.log.begin();
    };
    EXPECT_LT(at(RS(D3DRS_ZFUNC, D3DCMP_ALWAYS)), at("DrawIndexed 4 0 4 0 2"));
    EXPECT_LT(at("DrawIndexed 4 0 4 0 2"), at(RS(D3DRS_ZFUNC, D3DCMP_LESSEQUAL)));
    list.Shutdown();
}

TEST_F(SpriteTest, DeviceLossReleasesOnceAndRestoreRefillsFromTheRecords) {
    SpriteList3D list;
    Sprite3D* s = list.Build(2, texturePath.c_str());
    s[0] = {1, 2, 3, 1, 1, 0xFFFFFFFF, 0, 0, 1, 1};
    s[1] = {4, 5, 6, 1, 1, 0xFFFFFFFF, 0, 0, 1, 1};
    list.Render();
    EXPECT_EQ(device.liveResources, 3);
    GetRenderer()->InvalidateDeviceObjects();
    GetRenderer()->InvalidateDeviceObjects();  // the framework asks twice
    GetRenderer()->ReleaseCaches();  // shared files stay loaded until the device goes
    EXPECT_EQ(device.liveResources, 0);

    s[1].x = 40;  // changed while the device was away
    GetRenderer()->RestoreDeviceObjects();
    list.Render();
    auto* vb = static_cast<FakeVertexBuffer*>(device.stream);
    ASSERT_NE(vb, nullptr);
    SpriteVertex3D corner;
    std::memcpy(&corner, vb->bytes.data() + 4 * sizeof(SpriteVertex3D), sizeof(corner));
    EXPECT_NEAR(corner.x, 41.0f, 1e-4);  // refilled before the draw
    list.Shutdown();  // leaves both lists and releases everything
    GetRenderer()->ReleaseCaches();
    EXPECT_EQ(device.liveResources, 0);
    EXPECT_EQ(Listed(&list), 0);
}

}  // namespace
}  // namespace quiltest
