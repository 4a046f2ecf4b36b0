// The title screen played on an off-screen device of its own: the scene with its
// snow and texts over a game stand-in, from the default asset set, moved on by
// fixed steps of the engine's clock. Shared by the picture test and the bench.
#pragma once
#include <cstdlib>
#include <memory>

#include "assets.h"
#include "engine_binding.h"
#include "frontend_test_support.h"
#include "gameengine.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "renderer.h"

namespace frontend_test {

class TitleScreenRun {
public:
    // Writes the assets, opens a width x height device and shows the main screen at time 0,
    // the random sequence started afresh as in a new program; false when something is missing.
    bool Open(UINT width, UINT height) {
        if (!m_scratch.Made()) return false;
        mkassets::WriteFrontEnd(m_scratch.Path());
        mkassets::WriteCharacters(m_scratch.Path());
        mkassets::WriteAtlases(m_scratch.Path());
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        quil_automation::SetHeadless(true);
        if (quil_automation::CreateOffscreenDevice(width, height, true, &m_d3d, &m_device) != D3D_OK) return false;
        m_engine = std::make_unique<quiltest::EngineBinding>(m_device);
        if (!m_engine->FontReady()) return false;
        m_saved = g_pCurrentCamera;
        m_camera.MakeCurrent();
        ReleaseKeys();
        std::srand(1);
        g_fTotalTime = 0.0f;
        m_host.hiscore = 1250;
        StartScene(m_host, m_scene);
        m_scene.Activate();
        m_open = true;
        return true;
    }
    ~TitleScreenRun() {
        if (m_open) {
            StopScene(m_host, m_scene);
            g_pCurrentCamera = m_saved;
        }
        m_engine.reset();
        if (m_device) m_device->Release();
        if (m_d3d) m_d3d->Release();
    }

    // One engine update of dt seconds (scene, snow, texts), not drawn.
    void Advance(float dt) { GetGameEngine()->Update(dt); }
    // One engine update of dt seconds (scene, snow, texts), then the frame drawn and presented.
    void Frame(float dt) {
        GetGameEngine()->Update(dt);
        GetRenderer()->Render();
        m_device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    // The frame drawn last, before it was presented.
    quil_automation::RgbaImage Picture() {
        quil_automation::RgbaImage image;
        quil_automation::ReadBackBuffer(m_device, &image);
        return image;
    }
    FrontEndScene& Scene() { return m_scene; }

private:
    quiltest::ScratchFolder m_scratch{"title_run", false};
    IDirect3D8* m_d3d = nullptr;
    IDirect3DDevice8* m_device = nullptr;
    std::unique_ptr<quiltest::EngineBinding> m_engine;
    Camera m_camera;
    Camera* m_saved = nullptr;
    RecordingHost m_host;
    FrontEndScene m_scene;
    bool m_open = false;
};

}  // namespace frontend_test
