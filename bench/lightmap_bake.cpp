// A room's lightmap bake on each of the five generated houses: the straightforward bake against
// the fast bake on one thread and on every core.
#include <sched.h>

#include <algorithm>
#include <string>
#include <thread>

#include "bench_util.h"
#include "game_world_support.h"
#include "lightmap_reference.h"
#include "recording_device.h"

namespace {

// The cores this run may use (taskset narrows them).
uint32_t AllowedCores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof(set), &set) != 0) return std::max(std::thread::hardware_concurrency(), 1u);
    return static_cast<uint32_t>(std::max(CPU_COUNT(&set), 1));
}
const uint32_t kCores = AllowedCores();

// Loads house n (its props with their collision meshes) unless it is loaded.
void UseHouse(int n) {
    static int loaded = -1;
    if (loaded == n) return;
    GetLevel()->Load(("gfx/Level" + std::to_string(n) + ".dat").c_str());
    loaded = n;
}

// House range(0) baked by the reference (range(1) 0), or by the fast bake on 1 thread (1) or on
// every core (2).
void BM_Bake(benchmark::State& state) {
    UseHouse(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (state.range(1) == 0) {
            benchmark::DoNotOptimize(lightmap_reference::BakeRoom(lightmap_reference::ReferenceSampler(), 1));
            continue;
        }
        const LightBake bake(GetLevel()->GetCurrentRoom());
        benchmark::DoNotOptimize(lightmap_reference::BakeRoom(bake, state.range(1) == 2 ? kCores : 1));
    }
}
// CPU time of every thread: what the workers cost beyond the work itself.
BENCHMARK(BM_Bake)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Jobs that share nothing, on the same workers: the speed-up the machine gives
// right now (others' load included), against which the bake's is read.
void BM_Ideal(benchmark::State& state) {
    const std::vector<BakeChain> chains = {{{kCores * 64, [](uint32_t i) {
        float x = static_cast<float>(i);
        for (int k = 0; k < 100000; ++k) x = x * 0.999f + 1.0f;
        benchmark::DoNotOptimize(x);
    }}}};
    LightMapWorkers workers;
    for (auto _ : state) workers.Run(chains, state.range(0) ? kCores : 1);
}
BENCHMARK(BM_Ideal)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    quiltest::GeneratedAssetFolder("bench_lightmap_bake");
    quiltest::RecordingDevice device;
    RenderDevice_Bind(&device, device.caps, device.backBuffer);
    GetLevel()->Init();  // the prop types load their meshes and collision meshes
    bench_util::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const std::string cores = std::to_string(kCores) + " threads";
    bench_util::PrintRatio("jobs that share nothing, 1 thread / " + cores, reporter.Ratio("BM_Ideal/0", "BM_Ideal/1"));
    for (int n = 0; n < 5; ++n) {
        const std::string h = "BM_Bake/" + std::to_string(n), one = h + "/1", all = h + "/2";
        if (reporter.seconds[one] <= 0 || reporter.seconds[all] <= 0) continue;
        const std::string house = "house " + std::to_string(n);
        bench_util::PrintRatio(house + ": reference / fast bake", reporter.Ratio(h + "/0", one));
        bench_util::PrintRatio(house + ": fast bake on 1 thread / on " + cores, reporter.Ratio(one, all), 0.7 * kCores,
                               true);
        bench_util::PrintRatio(house + ": CPU time on " + cores + " / on 1", reporter.cpu[all] / reporter.cpu[one]);
    }
    GetLevel()->Free();
    RenderDevice_Unbind();
    benchmark::Shutdown();
    return 0;
}
