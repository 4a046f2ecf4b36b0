// Sprite lists against the recording device: buffers, the lists they join,
// device loss and bad input (the real device draws them in the frame test).
#include <cstring>

#include "engine_lists.h"
#include "memorycontroller.h"
#include "render_test_support.h"
#include "spritelist2d.h"
#include "spritelist3d.h"

namespace quiltest {
namespace {

class SpriteTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        WriteTga(texturePath, 4, 4, 255, 255, 255);
        GetRenderer()->RestoreDeviceObjects();
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
