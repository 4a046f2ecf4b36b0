#include "editor_test_support.h"

#include "EnemyManager.h"
#include "LightMan.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "renderdevice.h"
#include "windows.h"

namespace editor_test {

void EditorTest::SetUp() {
    AssetRoot();
    quiltest::StartRecordingBoxes();
    RenderDevice_Bind(&device, device.caps, device.backBuffer);
    ReleaseAllKeys();
    *GetPCSystem()->GetMouse() = MouseState{0, 0, 0, 0, 0};
    GetLevel()->Load("gfx/Level0.dat");
    GetEnemyManager()->Load("gfx/Enemy0.dat");
    GetEnemyManager()->Start();
    editor = std::make_unique<Editor>();
    editor->Init();
    editor->Activate();
    g_fTotalTime += 10.0f;  // well past every repeat guard left by an earlier test
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
