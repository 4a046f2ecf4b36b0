#include "game_state_support.h"

#include <filesystem>

#include "gameengine.h"
#include "renderdevice.h"
#include "renderer.h"
#include "windows.h"

namespace game_state_test {

namespace {

void RemoveHiscoreFile() {
    std::error_code ec;
    std::filesystem::remove(Game::HiscoreFile, ec);
}

void ReleaseKeys() {
    for (int vk : {VK_ESCAPE, VK_F5, VK_F6, VK_F7, VK_RETURN, VK_UP, VK_DOWN, int('W'), int('T')})
        quiltest::KeyUp(vk);
}

}  // namespace

int ProcessIndex(const Process* p) {
    int i = 0;
    for (Process* q = GetGameEngine()->GetProcessList(); q; q = q->GetNext(), ++i)
        if (q == p) return i;
    return -1;
}

bool Frozen(const Process* p) { return p->TestFlags(1) != 0; }

void GameTest::SetUp() {
    quiltest::PrepareGameWorld("game_state_test");
    RenderDevice_Bind(&device, device.caps, device.backBuffer);
    ReleaseKeys();
    g_fTotalTime += 10.0f;  // well past every key guard left by an earlier test
    RemoveHiscoreFile();
}

void GameTest::TearDown() {
    ReleaseKeys();
    if (started) ShutDown();
    // A run ends with the engine; here the next test starts from empty lists.
    GameEngine* engine = GetGameEngine();
    while (Process* p = engine->GetProcessList()) engine->RemoveProcess(p);
    Renderer* renderer = GetRenderer();
    while (Object* o = renderer->GetObjectList()) renderer->RemoveObject(o);
    while (Object* o = renderer->GetOverlayList()) renderer->RemoveOverlayObject(o);
    RenderDevice_Unbind();
    RemoveHiscoreFile();
}

void GameTest::StartUp(const std::vector<uint8_t>* hiscoreFile) {
    if (hiscoreFile) WriteBytes(Game::HiscoreFile, *hiscoreFile);
    game->Init();
    started = true;
}

void GameTest::ShutDown() {
    game->Shutdown();
    started = false;
}


void GameTest::Frames(int n, float dt) {
    for (int i = 0; i < n; ++i) GetGameEngine()->Update(dt);
}

void GameTest::Tap(int vk) {
    KeyDown(vk);
    Frames();
    KeyUp(vk);
    Frames();
}

void GameTest::IntoPlay() {
    game->StartGame();
    ASSERT_EQ(game->GetState(), GAMESTATE_GET_READY);
    Frames(66);  // the entry step, 4 s counted down, then the end test sees 0
    ASSERT_EQ(game->GetState(), GAMESTATE_PLAY);
}

}  // namespace game_state_test
