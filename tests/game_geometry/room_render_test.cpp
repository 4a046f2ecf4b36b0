// A lit room drawn by the real device: each surface shows its atlas through its lightmap.
#include <gtest/gtest.h>

#include "Level.h"
#include "LightMan.h"
#include "camera.h"
#include "game_world_support.h"
#include "offscreen_device.h"
#include "renderdevice.h"
#include "renderer.h"

namespace {

uint32_t Channel(uint32_t argb, int shift) { return (argb >> shift) & 0xFF; }

using RoomRender = quiltest::OffscreenDeviceTest;

TEST_F(RoomRender, SurfacesShowTheirAtlasLitByTheirLightmaps) {
    quiltest::ScratchFolder scratch("room");
    ASSERT_TRUE(scratch.Made());
    quiltest::WriteTga("gfx/floor.tga", 16, 16, 220, 40, 40);
    quiltest::WriteTga("gfx/walls.tga", 16, 16, 40, 220, 40);
    quiltest::WriteTga("gfx/ceil.tga", 16, 16, 40, 40, 220);
    Open(160, 120);
    RenderDevice_Bind(device);
    GetRenderer()->RestoreDeviceObjects();
    Camera* saved = g_pCurrentCamera;
    Camera camera;
    camera.SetPosition(0, 20, -150);  // near the -z wall, looking along +z
    camera.MakeCurrent();
    auto frame = [&] {
        GetRenderer()->Render();
        return Frame();
    };

    GetLevel()->New();       // ambient-only lightmaps
    GetLightMan()->Apply();  // the ambient colour
    const auto dark = frame();
    // Floor at the bottom, ceiling at the top, the far wall in the middle.
    const uint32_t floorPx = dark.At(80, 115), ceilPx = dark.At(80, 4), wallPx = dark.At(80, 60);
    EXPECT_GT(Channel(floorPx, 16), Channel(floorPx, 8));
    EXPECT_GT(Channel(ceilPx, 0), Channel(ceilPx, 16));
    EXPECT_GT(Channel(wallPx, 8), Channel(wallPx, 0));
    EXPECT_GT(Channel(wallPx, 8), 5u);
    EXPECT_LT(Channel(wallPx, 8), 60u);  // 220 x 32 / 255 is about 28

    // A white light in front of the far wall, baked into all three maps.
    GetLightMan()->AddLight(LightDesc{0.0f, 20.0f, 60.0f, 400.0f, 0xFFFFFF, 0});
    GetLevel()->BuildRoomLighting(0, 1);
    GetLevel()->SetRoomIndex(0);
    const auto lit = frame();
    EXPECT_GT(Channel(lit.At(80, 60), 8), 120u);
    EXPECT_GT(Channel(lit.At(80, 60), 8), Channel(wallPx, 8) * 3);
    EXPECT_GT(Channel(lit.At(80, 4), 0), Channel(ceilPx, 0));

    GetLevel()->Free();
    GetLightMan()->Clear();
    g_pCurrentCamera = saved;
    GetRenderer()->InvalidateDeviceObjects();
    RenderDevice_Unbind();
}

}  // namespace
