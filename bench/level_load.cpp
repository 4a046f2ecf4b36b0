// Main-thread CPU time of each level's load and first frame against a steady frame of that level,
// cold (first load: lightmaps baked, files read) and warm (second). Goal: first frame <= 3x steady.
#include <algorithm>
#include <cstdio>

#include "bench_util.h"
#include "game.h"
#include "game_world_support.h"
#include "gameengine.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;
constexpr int kSteadyFrames = 30;

double ThreadMs() { return bench_util::ThreadCpuSeconds() * 1e3; }

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
// prints them as a row and returns first frame / steady frame.
template <class Load>
double Measure(bool warm, Load&& load) {
    const double start = ThreadMs();
    load();
    const double loaded = ThreadMs() - start, first = Frames(1);
    Frames(5);
    const double steady = Frames(kSteadyFrames) / kSteadyFrames;
    std::printf("%-6u %-5s %9.2f %9.2f %9.3f %11.1f %11.2f\n", GetGame()->GetLevelNumber(), warm ? "warm" : "cold",
                loaded, first, steady, (loaded + first) / steady, first / steady);
    return first / steady;
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
    for (auto _ : state) {
        std::printf("%-6s %-5s %9s %9s %9s %11s %11s\n", "level", "cache", "load ms", "first ms", "steady ms",
                    "load+first", "first");
        // Level 0 comes with the start of the game; its steady frames are those of
        // the get-ready wait, with the world frozen.
        Measure(false, [&] { game->StartGame(); });
        for (int i = 0; i < 300 && game->GetState() != GAMESTATE_PLAY; ++i) Frames(1);
        for (int pass = 0; pass < 2; ++pass) {
            for (uint32_t l = pass ? 0 : 1; l < Game::LEVEL_COUNT; ++l) {
                const double firstBySteady = Measure(pass != 0, [&] { game->NextLevel(); });
                if (pass) worst = std::max(worst, firstBySteady);
            }
        }
    }
    bench_util::PrintRatio("level_load: worst warm first frame / steady frame", worst, 3.0);
    game->Shutdown();
    GetRenderer()->DeleteDeviceObjects();
}
BENCHMARK(BM_LevelLoad)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
