// Every generated file the game loads goes once through the engine's own loaders: meshes and
// textures through the renderer, the skinned models through the skinned-mesh loader, sounds and
// tunes through the audio managers. A loader that fails shows a trap message box.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "game_world_support.h"
#include "music.h"
#include "quil_audio_output.h"
#include "quil_automation.h"
#include "recording_device.h"
#include "renderdevice.h"
#include "renderer.h"
#include "skinmesh.h"
#include "sound.h"

namespace {

// Skinned models need vertex shaders, which this device creates (numbered from 1).
struct ShaderDevice : quiltest::RecordingDevice {
    DWORD nextShader = 1;
    HRESULT CreateVertexShader(const DWORD*, const DWORD*, DWORD* handle, DWORD) override {
        *handle = nextShader++;
        return D3D_OK;
    }
};

}  // namespace

TEST(GeneratedSet, EveryFileLoadsThroughTheEnginesLoaders) {
    namespace fs = std::filesystem;
    const std::string root = quiltest::GeneratedAssetFolder("assets_test");
    quiltest::StartRecordingBoxes();
    for (int i = 0; i < 4; ++i) quil_automation::QueueMessageBoxAnswer(IDYES);  // "Debug": a failed load returns
    quil_audio::UseMemoryOutput(true);
    ShaderDevice device;
    D3DCAPS8 caps = device.caps;
    caps.VertexShaderVersion = 0xFFFE0101;
    RenderDevice_Bind(&device, caps, device.backBuffer);
    SoundManager sounds;
    MusicManager music;
    ASSERT_EQ(sounds.Init(), 0u);
    ASSERT_EQ(music.Init(), 0u);
    Renderer renderer;
    int loaded = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string path = fs::relative(entry.path(), root).generic_string(), ext = entry.path().extension();
        SCOPED_TRACE(path);
        if (path == "gfx/tiny.x" || path == "gfx/goblin.x" || path == "gfx/snowman.x") {
            SkinMesh mesh;
            EXPECT_EQ(mesh.LoadMeshHierarchy(path.c_str()), S_OK);
            EXPECT_NE(mesh.GetElements(), nullptr);
            mesh.InvalidateDeviceObjects();
        } else if (ext == ".x") {
            ID3DXMesh* mesh = renderer.LoadMesh(path.c_str());
            ASSERT_NE(mesh, nullptr);
            mesh->Release();
        } else if (ext == ".tga") {
            IDirect3DTexture8* texture = renderer.LoadTexture(path.c_str());
            ASSERT_NE(texture, nullptr);
            texture->Release();
        } else if (ext == ".wav") {
            Sound* sound = sounds.LoadSound(path.c_str(), 2);
            ASSERT_NE(sound, nullptr);
            sounds.FreeSound(sound);
        } else if (ext == ".mid") {
            MusicTrack* track = music.LoadMusic(std::wstring(path.begin(), path.end()).c_str());
            ASSERT_NE(track, nullptr);
            music.FreeMusic(track);
        } else {
            continue;
        }
        ++loaded;
    }
    EXPECT_GE(loaded, 30);
    EXPECT_EQ(quiltest::MessageBoxTexts(), std::vector<std::string>{});
    renderer.ReleaseCaches();
    music.Shutdown();
    sounds.Shutdown();
    RenderDevice_Unbind();
    quil_audio::UseMemoryOutput(false);
}
