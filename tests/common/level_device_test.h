// A level drawn by the real device: the engine bound to an off-screen device, the
// renderer's device objects made, the test's camera current and the first level
// loaded, all undone again when the test ends.
#pragma once
#include <string>

#include "Level.h"
#include "LightMan.h"
#include "camera.h"
#include "game_world_support.h"
#include "offscreen_device.h"
#include "renderdevice.h"
#include "renderer.h"

namespace quiltest {

class LevelDeviceTest : public OffscreenDeviceTest {
protected:
    // Call first in SetUp: the asset set of the named program, a 640 x 480 device, gfx/Level0.dat.
    void OpenLevel(const std::string& assets) {
        GeneratedAssetFolder(assets);
        StartRecordingBoxes();
        Open(640, 480);
        RenderDevice_Bind(device);
        GetRenderer()->RestoreDeviceObjects();
        saved = g_pCurrentCamera;
        camera.MakeCurrent();
        GetLevel()->Load("gfx/Level0.dat");
    }
    // Call last in TearDown, after the test's own objects are shut down.
    void CloseLevel() {
        GetLevel()->Free();
        GetLightMan()->Clear();
        g_pCurrentCamera = saved;
        GetRenderer()->InvalidateDeviceObjects();
        RenderDevice_Unbind();
        OffscreenDeviceTest::TearDown();
    }

    Camera camera;
    Camera* saved = nullptr;
};

}  // namespace quiltest
