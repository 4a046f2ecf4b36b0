#include "editor_test_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "EnemyManager.h"
#include "LightMan.h"
#include "assets.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "quil_automation.h"
#include "renderdevice.h"
#include "windows.h"

namespace editor_test {

namespace {

namespace fs = std::filesystem;

// Returns to the first working directory and removes the scratch folder.
class Cleanup : public ::testing::Environment {
public:
    void TearDown() override {
        if (folder().empty()) return;
        std::error_code ec;
        fs::current_path(home(), ec);
        fs::remove_all(folder(), ec);
    }
    static std::string& folder() {
        static std::string f;
        return f;
    }
    static std::string& home() {
        static std::string h;
        return h;
    }
};
const ::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new Cleanup);

}  // namespace

const std::string& AssetRoot() {
    static const std::string root = [] {
        const fs::path dir = fs::temp_directory_path() / ("game_editor_test_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        Cleanup::home() = fs::current_path().string();
        Cleanup::folder() = dir.string();
        mkassets::WriteAll(dir.string());
        fs::current_path(dir);
        return dir.string();
    }();
    return root;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void EditorTest::SetUp() {
    AssetRoot();
    quil_automation::SetHeadless(true);
    quil_automation::ClearMessageBoxesShown();
    RenderDevice_Bind(&device, device.caps, device.backBuffer);
    ReleaseAllKeys();
    *GetPCSystem()->GetMouse() = MouseState{0, 0, 0, 0, 0};
    GetLevel()->Load("gfx/Level0.dat");
    GetEnemyManager()->Load("gfx/Enemy0.dat");
    GetEnemyManager()->Start();
    editor = std::make_unique<Editor>();
    editor->Init();
    editor->Activate();
    // Well past every repeat guard left by an earlier test.
    g_fTotalTime += 10.0f;
}

void EditorTest::TearDown() {
    ReleaseAllKeys();
    editor->Shutdown();
    editor.reset();
    GetEnemyManager()->Stop();
    GetEnemyManager()->Free();
    GetLevel()->Free();
    GetLightMan()->Clear();
    RenderDevice_Unbind();
}

void EditorTest::KeyDown(int vk) { GetPCSystem()->MsgProc(nullptr, WM_KEYDOWN, WPARAM(vk), 0); }
void EditorTest::KeyUp(int vk) { GetPCSystem()->MsgProc(nullptr, WM_KEYUP, WPARAM(vk), 0); }

void EditorTest::ReleaseAllKeys() {
    for (int vk = 1; vk < 256; ++vk)
        if (vk != VK_F1 && GetPCSystem()->IsKeyDown(uint8_t(vk))) KeyUp(vk);
}

void EditorTest::Frame(float dt) {
    g_fTotalTime += dt;
    editor->Update(dt);
}

void EditorTest::Tap(int vk) {
    g_fTotalTime += 1.0f;
    KeyDown(vk);
    Frame();
    KeyUp(vk);
    Frame();
}

void EditorTest::Drag(uint32_t buttons, int dx, int dy) {
    MouseState* mouse = GetPCSystem()->GetMouse();
    mouse->buttons = buttons;
    mouse->dx = dx;
    mouse->dy = dy;
    Frame();
    mouse->buttons = 0;
    mouse->dx = 0;
    mouse->dy = 0;
}

}  // namespace editor_test
