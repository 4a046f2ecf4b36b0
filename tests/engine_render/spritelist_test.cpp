// Sprite lists against the recording device: buffers, records to quads, one
// draw per frame, the lists they join, device loss and the mended faults.
#include <cmath>
#include <cstring>

#include "camera.h"
#include "gameengine.h"
#include "memorycontroller.h"
#include "render_test_support.h"
#include "spritelist2d.h"
#include "spritelist3d.h"

namespace quiltest {
namespace {

using Lines = std::vector<std::string>;

int CountInProcessList(Process* p) {
    int n = 0, guard = 0;
    for (Process* q = GetGameEngine()->GetProcessList(); q && guard < 1000; q = q->GetNext(), ++guard) n += q == p;
    return n;
}

int CountInOverlayList(Object* o) {
    int n = 0, guard = 0;
    for (Object* q = GetRenderer()->GetOverlayList(); q && guard < 1000; q = q->GetNextObject(), ++guard) n += q == o;
    return n;
}

class SpriteTest : public RenderTest {
protected:
    SpriteTest() : RenderTest(800, 600) {}
    void SetUp() override {
        RenderTest::SetUp();
        texturePath = ::testing::TempDir() + "sprite_test.tga";
        otherPath = ::testing::TempDir() + "sprite_other.tga";
        ASSERT_TRUE(WriteTga(texturePath, 4, 4, 255, 255, 255));
        ASSERT_TRUE(WriteTga(otherPath, 8, 8, 255, 0, 0));
        GetRenderer()->RestoreDeviceObjects();  // screen scale 1.25
        device.Clear();
    }
    std::vector<std::string> TrapTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : quil_automation::MessageBoxesShown()) texts.push_back(box.text);
        return texts;
    }
    bool Trapped(const std::string& message) const {
        for (const auto& t : TrapTexts())
            if (t.find(message) != std::string::npos) return true;
        return false;
    }
    std::string texturePath, otherPath;
};

TEST_F(SpriteTest, BuildActivatesOnceAndJoinsBothLists) {
    SpriteList3D list;
    Sprite3D* sprites = list.Build(10, texturePath.c_str());
    ASSERT_NE(sprites, nullptr);
    EXPECT_EQ(list.GetCapacity(), 10u);
    EXPECT_EQ(list.GetCount(), 10u);
    EXPECT_EQ(MemoryController::GetBlockCount("Sprites3D"), 1u);
    EXPECT_EQ(CountInProcessList(&list), 1);
    EXPECT_EQ(CountInOverlayList(&list), 1);

    // Built again while active: a new record block, but still one entry per list.
    sprites = list.Build(20, texturePath.c_str());
    ASSERT_NE(sprites, nullptr);
    EXPECT_EQ(list.GetCapacity(), 20u);
    EXPECT_EQ(MemoryController::GetBlockCount("Sprites3D"), 1u);
    EXPECT_EQ(CountInProcessList(&list), 1);
    EXPECT_EQ(CountInOverlayList(&list), 1);
    list.Activate();
    EXPECT_EQ(CountInOverlayList(&list), 1);

    list.Shutdown();
    EXPECT_EQ(MemoryController::GetBlockCount("Sprites3D"), 0u);
    EXPECT_EQ(CountInProcessList(&list), 0);
    EXPECT_EQ(CountInOverlayList(&list), 0);
    list.Shutdown();  // twice is harmless
}

TEST_F(SpriteTest, CapacitiesThatSixteenBitIndicesCannotAddressAreRefused) {
    SpriteList2D list;
    EXPECT_EQ(list.Build(16385, texturePath.c_str()), nullptr);
    EXPECT_TRUE(Trapped("Too many sprites given to Build sprite list"));
    EXPECT_EQ(list.GetCapacity(), 0u);
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

TEST_F(SpriteTest, EmptyBuildReportsAndDrawsNothing) {
    SpriteList3D list;
    list.Build(0, texturePath.c_str());
    EXPECT_TRUE(Trapped("No sprites given to Build sprite list"));
    device.Clear();
    list.Update(0.016f);
    list.Render();
    EXPECT_TRUE(device.Matching("Create").empty());
    EXPECT_TRUE(device.Matching("DrawIndexed").empty());
    list.Shutdown();
}

TEST_F(SpriteTest, FirstRenderCreatesBuffersAndDrawsTheActiveRecordsOnce) {
    SpriteList3D list;
    Sprite3D* s = list.Build(4, texturePath.c_str());
    for (int i = 0; i < 4; ++i) s[i] = {float(i), 0, 0, 1, 1, 0xFFFFFFFF, 0, 0, 1, 1};
    list.SetCount(3);
    list.SetBlendMode(7);
    list.Render();
    EXPECT_EQ(device.Matching("CreateVB"), Lines{"CreateVB 384 520 322 0"});
    EXPECT_EQ(device.Matching("CreateIB"), Lines{"CreateIB 48 8 101 1"});
    EXPECT_EQ(device.Matching("CreateTexture").size(), 1u);
    EXPECT_EQ(device.Matching("DrawIndexed"), Lines{"DrawIndexed 4 0 12 0 6"});
    EXPECT_EQ(device.Matching("VertexShader"), Lines{"VertexShader 322"});
    EXPECT_EQ(device.Matching("Stream"), Lines{"Stream 0 vb 24"});
    EXPECT_EQ(device.Matching("Indices"), Lines{"Indices ib 0"});
    // Clamped addressing and the chosen mode before the draw.
    EXPECT_EQ(device.Matching(TSS(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP)).size(), 1u);
    EXPECT_EQ(GetRenderer()->GetRenderMode(), 7u);

    auto* ib = static_cast<FakeIndexBuffer*>(device.indices);
    std::vector<uint16_t> indices(ib->bytes.size() / 2);
    std::memcpy(indices.data(), ib->bytes.data(), ib->bytes.size());
    EXPECT_EQ(indices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7, 8, 9, 10, 8, 10, 11,
                                             12, 13, 14, 12, 14, 15}));

    // Later frames: one draw each, no new resources, one discarding lock per update.
    device.Clear();
    list.Update(0.016f);
    list.Render();
    EXPECT_TRUE(device.Matching("Create").empty());
    EXPECT_EQ(device.Matching("VB.Lock"), Lines{"VB.Lock 0 0 8192"});
    EXPECT_EQ(device.Matching("DrawIndexed").size(), 1u);

    // No active records: the states are still set, nothing is drawn or filled.
    list.SetCount(0);
    device.Clear();
    list.Update(0.016f);
    list.Render();
    EXPECT_TRUE(device.Matching("VB.Lock").empty());
    EXPECT_TRUE(device.Matching("DrawIndexed").empty());
    EXPECT_EQ(device.Matching("VertexShader").size(), 1u);
    list.Shutdown();
}

TEST_F(SpriteTest, WorldSpritesFaceTheCameraWithTheirHalfSizes) {
    // A camera turned about y and tilted: the quad must lie across its view.
    Camera camera;
    mat_FromYawPitchRoll(camera.GetMatrix(), 0.7f, 0.3f, 0.0f);
    camera.SetPosition(5, 6, -40);
    GetRenderer()->SetCamera(&camera);
    SpriteList3D list;
    Sprite3D* s = list.Build(1, texturePath.c_str());
    s[0] = {10, 20, 30, 1.0f, 2.0f, 0xFF00FF00, 0.25f, 0.5f, 0.75f, 1.0f};
    list.Render();
    const auto* v = reinterpret_cast<const SpriteVertex3D*>(device.draws.back().vertices.data());
    auto dist = [](const SpriteVertex3D& a, const SpriteVertex3D& b) {
        return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
    };
    EXPECT_NEAR(dist(v[0], v[1]), 2.0f, 1e-4);  // width along the camera's right
    EXPECT_NEAR(dist(v[1], v[2]), 4.0f, 1e-4);  // height along its up
    const Matrix& cm = *camera.GetMatrix();
    const Vec3 forward(cm.m[2][0], cm.m[2][1], cm.m[2][2]);
    for (int i = 1; i < 4; ++i) {
        Vec3 edge(v[i].x - v[0].x, v[i].y - v[0].y, v[i].z - v[0].z);
        EXPECT_NEAR(edge.Dot(forward), 0.0f, 1e-4) << i;
    }
    // Corner 2 is the top-left: up and to the left of the centre, with (u_left, v_top).
    const Vec3 up(cm.m[1][0], cm.m[1][1], cm.m[1][2]);
    Vec3 toCorner(v[2].x - 10, v[2].y - 20, v[2].z - 30);
    EXPECT_NEAR(toCorner.Dot(up), 2.0f, 1e-4);
    EXPECT_EQ(v[2].u, 0.25f);
    EXPECT_EQ(v[2].v, 0.5f);
    EXPECT_EQ(v[0].u, 0.75f);
    EXPECT_EQ(v[0].v, 1.0f);
    EXPECT_EQ(v[3].colour, 0xFF00FF00u);
    list.Shutdown();
    GetRenderer()->SetDefaultCamera();
}

TEST_F(SpriteTest, ScreenSpritesScaleWithTheBackBufferAndDrawOverEverything) {
    SpriteList2D list;
    Sprite2D* s = list.Build(1, texturePath.c_str());
    s[0] = {320, 240, 640, 0xFFFFFFFF, 0, 0, 1, 1};
    list.SetBlendMode(1);
    list.Render();
    const auto* v = reinterpret_cast<const ScreenVertex*>(device.draws.back().vertices.data());
    EXPECT_FLOAT_EQ(v[0].x, 0.0f);
    EXPECT_FLOAT_EQ(v[0].y, -100.0f);
    EXPECT_FLOAT_EQ(v[2].x, 800.0f);
    EXPECT_FLOAT_EQ(v[2].y, 700.0f);
    EXPECT_FLOAT_EQ(v[1].x, 800.0f);
    EXPECT_FLOAT_EQ(v[3].y, 700.0f);
    EXPECT_FLOAT_EQ(v[0].z, 0.9f);
    EXPECT_FLOAT_EQ(v[0].rhw, 1.0f);
    EXPECT_EQ(device.Matching("CreateVB"), Lines{"CreateVB 112 520 324 0"});
    const Lines z = device.Matching("RS 23");
    EXPECT_EQ(z, (Lines{RS(D3DRS_ZFUNC, D3DCMP_ALWAYS), RS(D3DRS_ZFUNC, D3DCMP_LESSEQUAL)}));
    const auto at = [&](const std::string& line) {
        return std::find(device.log.begin(), device.log.end(), line) - device.log.begin();
    };
    EXPECT_LT(at(RS(D3DRS_ZFUNC, D3DCMP_ALWAYS)), at("Transform 256"));
    EXPECT_LT(at("DrawIndexed 4 0 4 0 2"), at(RS(D3DRS_ZFUNC, D3DCMP_LESSEQUAL)));
    list.Shutdown();
}

TEST_F(SpriteTest, SetTextureReloadsOnlyTheTexture) {
    SpriteList2D list;
    list.Build(2, texturePath.c_str());
    list.Render();
    device.Clear();
    list.SetTexture(otherPath.c_str());
    EXPECT_STREQ(list.GetTextureName(), otherPath.c_str());
    list.Render();
    EXPECT_EQ(device.Matching("CreateTexture").size(), 1u);
    EXPECT_TRUE(device.Matching("CreateVB").empty());
    EXPECT_TRUE(device.Matching("CreateIB").empty());
    list.Shutdown();
}

TEST_F(SpriteTest, DeviceLossReleasesOnceAndRestoreRefillsFromTheRecords) {
    SpriteList3D list;
    Sprite3D* s = list.Build(2, texturePath.c_str());
    s[0] = {1, 2, 3, 1, 1, 0xFFFFFFFF, 0, 0, 1, 1};
    s[1] = {4, 5, 6, 1, 1, 0xFFFFFFFF, 0, 0, 1, 1};
    list.Render();
    const int withList = device.liveResources;
    EXPECT_EQ(withList, 3);
    GetRenderer()->InvalidateDeviceObjects();
    GetRenderer()->InvalidateDeviceObjects();  // the framework asks twice
    EXPECT_EQ(device.liveResources, 0);

    s[1].x = 40;  // changed while the device was away
    device.Clear();
    GetRenderer()->RestoreDeviceObjects();
    EXPECT_EQ(device.Matching("CreateVB").size(), 1u);
    list.Render();
    auto* vb = static_cast<FakeVertexBuffer*>(device.stream);
    ASSERT_NE(vb, nullptr);
    SpriteVertex3D corner;
    std::memcpy(&corner, vb->bytes.data() + 4 * sizeof(SpriteVertex3D), sizeof(corner));
    EXPECT_NEAR(corner.x, 41.0f, 1e-4);  // refilled before the draw: centre 40 plus the half width
    list.Shutdown();
    EXPECT_EQ(device.liveResources, 0);
}

TEST_F(SpriteTest, TooManyActiveRecordsAreReportedAndCutToCapacity) {
    SpriteList2D list;
    Sprite2D* s = list.Build(2, texturePath.c_str());
    s[0] = s[1] = {10, 10, 4, 0xFFFFFFFF, 0, 0, 1, 1};
    list.Render();
    list.SetCount(5);
    device.Clear();
    list.Update(0.016f);
    list.Render();
    EXPECT_TRUE(Trapped("Too many active sprites in 2D Sprites list"));
    EXPECT_EQ(device.Matching("DrawIndexed"), Lines{"DrawIndexed 4 0 8 0 4"});
    list.Shutdown();
}

TEST_F(SpriteTest, IndexBufferThatCannotBeLockedIsReportedAndLeftUnfilled) {
    device.failIndexLocks = true;
    SpriteList3D list;
    list.Build(3, texturePath.c_str());
    list.Render();
    EXPECT_TRUE(Trapped("Could not lock index buffer for 3D sprites"));
    list.Shutdown();
}

TEST_F(SpriteTest, DeactivatedListsLeaveBothListsAndReleaseTheirResources) {
    SpriteList2D list;
    list.Build(2, texturePath.c_str());
    list.Render();
    list.Deactivate();
    EXPECT_EQ(device.liveResources, 0);
    EXPECT_EQ(CountInProcessList(&list), 0);
    EXPECT_EQ(CountInOverlayList(&list), 0);
    list.Activate();
    EXPECT_EQ(CountInOverlayList(&list), 1);
    device.Clear();
    list.Render();
    EXPECT_EQ(device.Matching("CreateVB").size(), 1u);
    list.Shutdown();
}

}  // namespace
}  // namespace quiltest
