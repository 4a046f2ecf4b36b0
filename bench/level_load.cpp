// Main-thread CPU time of each level's load and first frame against a steady frame of that level,
// cold (first load of the run: lightmaps baked, files read, programs new) and warm (second).
// Goal: first frame <= 3x steady, cold and warm. Then the wall time of a cold load of one room
// against one of sixteen.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Level.h"
#include "bench_util.h"
#include "game.h"
#include "game_world_support.h"
#include "gameengine.h"
#include "quil_automation_d3d.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;
constexpr int kSteadyFrames = 30;

double ThreadMs() { return bench_util::ThreadCpuSeconds() * 1e3; }

double WallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Programs the device has linked so far.
uint64_t Links() { return quil_automation::GetShaderCacheStats(RenderDevice_GetDevice()).builds; }

// The main-thread CPU ms of n game frames as the framework runs them (update, draw, wait for the device).
double Frames(int n) {
    const double start = ThreadMs();
    for (int i = 0; i < n; ++i) {
        GetGameEngine()->Update(kDt);
        GetRenderer()->Render();
        glFinish();
    }
    return ThreadMs() - start;
}

// Times a load, the first frame after it and the steady frames that follow a few settling ones;
// prints them as a row (with the programs linked by the load and by the first frame) and returns
// first frame / steady frame.
template <class Load>
double Measure(bool warm, Load&& load) {
    const uint64_t links0 = Links();
    const double start = ThreadMs();
    load();
    const double loaded = ThreadMs() - start;
    const uint64_t links1 = Links();
    const double first = Frames(1);
    const uint64_t links2 = Links();
    Frames(5);
    const double steady = Frames(kSteadyFrames) / kSteadyFrames;
    std::printf("%-6u %-5s %9.2f %9.2f %9.3f %11.1f %11.2f %6u %6u\n", GetGame()->GetLevelNumber(),
                warm ? "warm" : "cold", loaded, first, steady, (loaded + first) / steady, first / steady,
                unsigned(links1 - links0), unsigned(links2 - links1));
    return first / steady;
}

// A house of rooms copied from the five levels' rooms in turn (their walls and tiles); the
// props stay in room 0, the played one, since every prop stands in the played room.
std::vector<uint8_t> ManyRoomHouse(uint32_t rooms) {
    std::vector<std::vector<uint8_t>> levels;
    for (int n = 0; n < 5; ++n) levels.push_back(quiltest::ReadBytes("gfx/Level" + std::to_string(n) + ".dat"));
    const size_t header = LEVEL_FILE_HEADER_SIZE, record = ROOM_RECORD_SIZE;
    std::vector<uint8_t> out(levels[0].begin(), levels[0].begin() + header);
    out[4] = static_cast<uint8_t>(rooms);
    for (uint32_t r = 0; r < rooms; ++r) {
        const std::vector<uint8_t>& from = levels[r % 5];
        std::vector<uint8_t> room(from.begin() + header, from.begin() + header + record);
        for (size_t n = 0; r != 0 && n < LEVEL_NODE_COUNT; ++n)
            for (size_t s = 0; s < NODE_PROP_SLOTS; ++s) room[272 + n * NODE_RECORD_SIZE + 15 + s] = NODE_EMPTY;
        out.insert(out.end(), room.begin(), room.end());
    }
    return out;
}

void ClearLightmapCache() {
    for (const auto& entry : std::filesystem::directory_iterator("gfx/lightmaps"))
        std::filesystem::remove(entry.path());
}

// The wall-clock ms of a load of the house file (median of five), cold (the cache emptied
// first) or warm.
double HouseLoadMs(const std::string& file, bool cold) {
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i) {
        if (cold) ClearLightmapCache();
        const double start = WallMs();
        GetLevel()->Load(file.c_str());
        ms.push_back(WallMs() - start);
    }
    std::sort(ms.begin(), ms.end());
    return ms[2];
}

void BM_LevelLoad(benchmark::State& state) {
    quiltest::GeneratedAssetFolder("bench_level_load");  // a fresh set: no lightmaps baked yet
    bench_util::EngineDevice engine;
    if (!engine.Open(640, 480)) {
        state.SkipWithError("no device");
        return;
    }
    Game* game = GetGame();
    game->Init();
    Frames(10);
    double worst = 0.0;
    double houseMs[2][2] = {};
    for (auto _ : state) {
        std::printf("%-6s %-5s %9s %9s %9s %11s %11s %6s %6s\n", "level", "cache", "load ms", "first ms",
                    "steady ms", "load+first", "first", "links", "links");
        std::printf("%-6s %-5s %9s %9s %9s %11s %11s %6s %6s\n", "", "", "", "", "", "/ steady", "/ steady", "load",
                    "first");
        // Level 0 comes with the start of the game; its steady frames are those of
        // the get-ready wait, with the world frozen.
        worst = Measure(false, [&] { game->StartGame(); });
        for (int i = 0; i < 300 && game->GetState() != GAMESTATE_PLAY; ++i) Frames(1);
        for (int pass = 0; pass < 2; ++pass) {
            for (uint32_t l = pass ? 0 : 1; l < Game::LEVEL_COUNT; ++l)
                worst = std::max(worst, Measure(pass != 0, [&] { game->NextLevel(); }));
        }
        const uint32_t rooms[2] = {1, 16};
        for (int h = 0; h < 2; ++h) {
            const std::string file = "gfx/house" + std::to_string(rooms[h]) + ".dat";
            quiltest::WriteBytes(file, ManyRoomHouse(rooms[h]));
            houseMs[h][0] = HouseLoadMs(file, true);
            houseMs[h][1] = HouseLoadMs(file, false);
            std::printf("house of %2u rooms: cold load %8.1f ms wall, warm load %8.1f ms wall\n", rooms[h],
                        houseMs[h][0], houseMs[h][1]);
        }
    }
    bench_util::PrintRatio("level_load: worst first frame / steady frame, cold and warm", worst, 3.0);
    // Rooms loaded one after another would take sixteen one-room loads at best.
    bench_util::PrintRatio("level_load: cold load of 16 rooms / 16 x a cold load of 1 room",
                           houseMs[1][0] / (16.0 * houseMs[0][0]), 0.5);
    game->Shutdown();
    GetRenderer()->DeleteDeviceObjects();
}
BENCHMARK(BM_LevelLoad)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
