#include "gameplay_test_support.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "assets.h"
#include "quil_audio_output.h"
#include "quil_automation.h"
#include "sound.h"

namespace gameplay_test {

namespace {

namespace fs = std::filesystem;

fs::path g_home, g_folder;

// Stops the sound service and removes the scratch folder after the last test.
class Cleanup : public ::testing::Environment {
public:
    void TearDown() override {
        if (g_folder.empty()) return;
        GetSoundManager()->Shutdown();
        quil_audio::UseMemoryOutput(false);
        std::error_code ec;
        fs::current_path(g_home, ec);
        fs::remove_all(g_folder, ec);
    }
};
::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new Cleanup);

}  // namespace

void PrepareWorld() {
    if (g_folder.empty()) {
        g_home = fs::current_path();
        g_folder = fs::temp_directory_path() / ("game_pickups_test_" + std::to_string(getpid()));
        fs::remove_all(g_folder);
        fs::create_directories(g_folder);
        mkassets::WriteAll(g_folder.string());
        fs::current_path(g_folder);
        quil_audio::UseMemoryOutput(true);
        ASSERT_EQ(GetSoundManager()->Init(), 0u);
    }
    quil_automation::SetHeadless(true);
    quil_automation::ClearMessageBoxesShown();
}

void RemoveAllWalls(Room* room) {
    for (Node& node : room->nodes) std::memset(node.walls, NODE_EMPTY, sizeof(node.walls));
}

void LoadRoom(const std::vector<Vec3>& points, void (*edit)(Room*)) {
    Level* level = GetLevel();
    level->New();
    Room* room = level->GetRoom(0);
    ASSERT_NE(room, nullptr);
    room->pointCount = static_cast<uint32_t>(points.size());
    std::copy(points.begin(), points.end(), room->points);
    if (edit) edit(room);
    level->Save("test_room.dat");
    level->Load("test_room.dat");
    ASSERT_TRUE(level->IsLoaded());
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

void DrainSound() { MixPeak(5.0); }

std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const auto& box : quil_automation::MessageBoxesShown()) texts.push_back(box.text);
    return texts;
}

}  // namespace gameplay_test
