#include "player_test_support.h"

#include "gameengine.h"
#include "pcsystem.h"
#include "quil_audio_output.h"
#include "sound.h"
#include "windows.h"

namespace player_test {

namespace {

// Stops the sound service the tests started.
class SoundCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        if (!started) return;
        GetSoundManager()->Shutdown();
        quil_audio::UseMemoryOutput(false);
    }
    static inline bool started = false;
};
::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new SoundCleanup);

}  // namespace

void PrepareWorld() {
    if (!SoundCleanup::started) {
        quiltest::GeneratedAssetFolder("game_player_test");
        quil_audio::UseMemoryOutput(true);
        ASSERT_EQ(GetSoundManager()->Init(), 0u);
        SoundCleanup::started = true;
    }
    quiltest::StartRecordingBoxes();
}

void LoadRoom(void (*edit)(Room*)) {
    Level* level = GetLevel();
    level->New();
    Room* room = level->GetRoom(0);
    ASSERT_NE(room, nullptr);
    room->startX = 3;
    room->startZ = 3;
    room->pointCount = 1;
    if (edit) edit(room);
    level->Save("test_room.dat");
    level->Load("test_room.dat");
    ASSERT_TRUE(level->IsLoaded());
}

void KeyDown(int vk) { GetPCSystem()->MsgProc(nullptr, WM_KEYDOWN, WPARAM(vk), 0); }
void KeyUp(int vk) { GetPCSystem()->MsgProc(nullptr, WM_KEYUP, WPARAM(vk), 0); }

void ReleaseKeys() {
    for (int vk : {int('A'), int('D'), int('W'), int('S'), int('T'), VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}) KeyUp(vk);
    SetMouse(0, 0, 0);
}

void SetMouse(int dx, int dy, uint32_t buttons) {
    MouseState* m = GetPCSystem()->GetMouse();
    m->dx = dx;
    m->dy = dy;
    m->buttons = buttons;
}

bool Playing(const Sound* s) {
    if (!s) return false;
    DWORD status = 0;
    s->ppBuffers[s->dwLast]->GetStatus(&status);
    return (status & DSBSTATUS_PLAYING) != 0;
}

void Silence(const Sound* s) {
    for (DWORD i = 0; s && i < s->dwBufferCount; ++i) s->ppBuffers[i]->Stop();
}

}  // namespace player_test
