// Props drawn by the real device from the generated asset set.
#include <gtest/gtest.h>

#include <vector>

#include "LevelRenderer.h"
#include "level_device_test.h"

namespace {

namespace qa = quil_automation;

constexpr uint32_t kVillage = 4, kWreath = 6;  // two pictures hung on the same wall plane

class PropsRender : public quiltest::LevelDeviceTest {
protected:
    void SetUp() override {
        quiltest::GeneratedAssetFolder("game_geometry_render");
        Open(160, 120);
        RenderDevice_Bind(device);
        GetRenderer()->RestoreDeviceObjects();
        saved = g_pCurrentCamera;
        camera.SetPosition(-16.0f, 18.0f, -40.0f);  // in node (3, 3), looking along +z at its +z wall
        camera.MakeCurrent();
        GetLevel()->New();
        GetLevel()->UpdateVisibleBlocks(Vec3(0, 10, 0), Vec3(0, 10, 0), Vec3(0.7f, 0.0f, 0.7f));  // all blocks
        GetLightMan()->AddLight(LightDesc{-16.0f, 20.0f, -30.0f, 200.0f, 0xFFFFFF, 0});  // a white light by the camera
        GetLightMan()->Apply();
        props.Init();
        props.Activate();
    }
    void TearDown() override {
        props.Deactivate();
        props.Shutdown();
        CloseLevel();
    }

    // A frame of the room with the given props placed in list order, each as {type, col, row}.
    qa::RgbaImage Draw(const std::vector<std::vector<uint32_t>>& placed) {
        props.Clear();
        for (const auto& p : placed) props.AddObject(p[0], p[1], p[2], 0);
        GetRenderer()->Render();
        return Frame();
    }

    LevelRenderer props;
};

// Two pictures on one plane: the later in the list covers the earlier (the depth test passes on
// equal depths), whatever else the list holds out of view.
TEST_F(PropsRender, PropsMeetingOnOnePlaneShowTheLaterInTheList) {
    const qa::RgbaImage villageOnTop = Draw({{kWreath, 3, 3}, {kVillage, 3, 3}});
    const qa::RgbaImage wreathOnTop = Draw({{kVillage, 3, 3}, {kWreath, 3, 3}});
    ASSERT_GT(qa::CountDifferentPixels(villageOnTop, wreathOnTop, 24), 400);  // the order shows
    // A picture of the same type earlier in the list, behind the camera.
    const qa::RgbaImage withOneBehind = Draw({{kVillage, 3, 7}, {kWreath, 3, 3}, {kVillage, 3, 3}});
    EXPECT_EQ(qa::CountDifferentPixels(withOneBehind, villageOnTop, 0), 0);
}

}  // namespace
