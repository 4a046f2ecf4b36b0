// Main-thread CPU time of each level's load and first frame against a steady frame of that level,
// cold (first load: lightmaps baked, files read) and warm (second). Goal: first frame <= 3x steady.
#include <epoxy/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "assets.h"
#include "bench_util.h"
#include "d3dfont.h"
#include "game.h"
#include "gameengine.h"
#include "renderer.h"

namespace {

constexpr float kDt = 1.0f / 60.0f;
constexpr int kSteadyFrames = 30;

double ThreadMs() { return bench_util::ThreadCpuSeconds() * 1e3; }

// n game frames as the framework runs them (update, draw, wait for the device);
// their main-thread CPU time in ms.
double Frames(int n) {
    const double start = ThreadMs();
    for (int i = 0; i < n; ++i) {
        GetGameEngine()->Update(kDt);
        GetRenderer()->Render();
        glFinish();
    }
    return ThreadMs() - start;
}

struct Sample {
    double load, first, steady;
};

// Times a load, the first frame after it and the steady frames that follow a
// few settling ones.
template <class Load>
Sample Measure(Load&& load) {
    const double start = ThreadMs();
    load();
    Sample s{ThreadMs() - start, Frames(1), 0.0};
    Frames(5);
    s.steady = Frames(kSteadyFrames) / kSteadyFrames;
    return s;
}

void Print(uint32_t level, bool warm, const Sample& s) {
    std::printf("%-6u %-5s %9.2f %9.2f %9.3f %11.1f %11.2f\n", level, warm ? "warm" : "cold", s.load, s.first,
                s.steady, (s.load + s.first) / s.steady, s.first / s.steady);
}

void BM_LevelLoad(benchmark::State& state) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("level_load_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    mkassets::WriteAll(dir.string());
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(dir);

    bench_util::EngineDevice engine;
    if (!engine.Open(640, 480)) {
        state.SkipWithError("no device");
        return;
    }
    auto font = std::make_unique<D3DFont>("Arial Black", 32, D3DFONT_BOLD);
    font->InitDeviceObjects(engine.device());
    font->RestoreDeviceObjects();
    RenderDevice_SetFont(font.get());
    GetRenderer()->RestoreDeviceObjects();
    Game* game = GetGame();
    game->Init();
    Frames(10);
    double worst = 0.0;
    for (auto _ : state) {
        std::printf("%-6s %-5s %9s %9s %9s %11s %11s\n", "level", "cache", "load ms", "first ms", "steady ms",
                    "load+first", "first");
        // Level 0 comes with the start of the game; its steady frames are those of
        // the get-ready wait, with the world frozen.
        Print(0, false, Measure([&] { game->StartGame(); }));
        for (int i = 0; i < 300 && game->GetState() != GAMESTATE_PLAY; ++i) Frames(1);
        for (int pass = 0; pass < 2; ++pass) {
            for (uint32_t l = pass ? 0 : 1; l < Game::LEVEL_COUNT; ++l) {
                const Sample s = Measure([&] { game->NextLevel(); });
                Print(game->GetLevelNumber(), pass != 0, s);
                if (pass) worst = std::max(worst, s.first / s.steady);
            }
        }
    }
    std::printf("worst warm first frame / steady frame: %.2f (goal <= 3)\n", worst);

    game->Shutdown();
    GetRenderer()->DeleteDeviceObjects();
    font.reset();
    RenderDevice_SetFont(nullptr);
    engine.Close();
    std::filesystem::current_path(home);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LevelLoad)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
