#include "game_test_support.h"

#include <algorithm>
#include <cmath>

#include "pcsystem.h"
#include "quil_audio_output.h"
#include "sound.h"
#include "windows.h"

namespace quiltest {

namespace {

bool g_soundStarted = false;

class SoundCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        if (!g_soundStarted) return;
        GetSoundManager()->Shutdown();
        quil_audio::UseMemoryOutput(false);
    }
};
::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new SoundCleanup);

}  // namespace

void PrepareGameWorld(const std::string& programName) {
    GeneratedAssetFolder(programName);
    if (!g_soundStarted) {
        g_soundStarted = true;
        quil_audio::UseMemoryOutput(true);
        ASSERT_EQ(GetSoundManager()->Init(), 0u);
    }
    StartRecordingBoxes();
}

void LoadRoom(const std::vector<Vec3>& points, void (*edit)(Room*)) {
    Level* level = GetLevel();
    level->New();
    Room* room = level->GetRoom(0);
    ASSERT_NE(room, nullptr);
    room->startX = 3;
    room->startZ = 3;
    room->pointCount = static_cast<uint32_t>(points.size());
    std::copy(points.begin(), points.end(), room->points);
    if (edit) edit(room);
    level->Save("test_room.dat");
    level->Load("test_room.dat");
    ASSERT_TRUE(level->IsLoaded());
}

void KeyDown(int vk) { GetPCSystem()->MsgProc(nullptr, WM_KEYDOWN, WPARAM(vk), 0); }
void KeyUp(int vk) { GetPCSystem()->MsgProc(nullptr, WM_KEYUP, WPARAM(vk), 0); }

bool Playing(const Sound* s) {
    DWORD status = 0;
    if (s) s->ppBuffers[s->dwLast]->GetStatus(&status);
    return (status & DSBSTATUS_PLAYING) != 0;
}

float MixPeak(double seconds) {
    float peak = 0.0f;
    std::vector<float> block(2 * quil_audio::kMaxBlockFrames);
    for (int left = static_cast<int>(seconds * quil_audio::kOutputRate); left > 0; left -= quil_audio::kMaxBlockFrames) {
        const int n = std::min(left, quil_audio::kMaxBlockFrames);
        std::fill(block.begin(), block.end(), 0.0f);
        quil_audio::Render(block.data(), n);
        for (int i = 0; i < 2 * n; ++i) peak = std::max(peak, std::fabs(block[i]));
    }
    return peak;
}

}  // namespace quiltest
