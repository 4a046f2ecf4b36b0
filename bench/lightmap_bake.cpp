// Lightmap bakes on the five generated houses and on a house of sixteen rooms: the straightforward
// bake against the fast bake, and the fast bake's speed-up on every core read against that of jobs
// that share nothing on the same workers, timed in turn with it (and, for the reader, that of the
// bake's sampling alone).
#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "game_world_support.h"
#include "lightmap_reference.h"
#include "recording_device.h"

namespace {

// The cores this run may use (taskset narrows them).
const uint32_t kCores = LightMapWorkers::CoresAvailable();
constexpr int kManyRooms = 5;  // the house number of the sixteen-room house
constexpr uint32_t kRooms = 16;

// Loads house n (its props with their collision meshes) unless it is loaded.
void UseHouse(int n) {
    static int loaded = -1;
    if (loaded == n) return;
    if (n == kManyRooms) {
        quiltest::WriteBytes("gfx/house16.dat", quiltest::HouseOfGeneratedRooms(kRooms, 0));
        GetLevel()->Load("gfx/house16.dat");
    } else {
        GetLevel()->Load(("gfx/Level" + std::to_string(n) + ".dat").c_str());
    }
    loaded = n;
}

// Every room of the level baked side by side, as a load bakes them (without the cache files).
void BakeLevel(uint32_t threads) {
    Level* level = GetLevel();
    std::vector<std::unique_ptr<LightBake>> bakes;
    std::vector<BakeChain> chains;
    for (uint32_t r = 0; r < level->GetRoomCount(); ++r) {
        Room* room = level->GetRoom(r);
        bakes.push_back(std::make_unique<LightBake>(r));
        for (LevelSurface* s : {static_cast<LevelSurface*>(room->pFloor), static_cast<LevelSurface*>(room->pCeil),
                                static_cast<LevelSurface*>(room->pWalls)})
            s->AddBakeChains(*bakes.back(), chains);
    }
    GetLightMap()->SetThreadCount(threads);
    GetLightMap()->Bake(chains);
    GetLightMap()->SetThreadCount(0);
}

// House range(0) baked by the reference (range(1) 0; the played room only), or by the fast bake
// on 1 thread (1).
void BM_Bake(benchmark::State& state) {
    UseHouse(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (state.range(1) == 0)
            benchmark::DoNotOptimize(lightmap_reference::BakeRoom(lightmap_reference::ReferenceSampler(), 1));
        else
            BakeLevel(1);
    }
}
BENCHMARK(BM_Bake)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();

// Jobs that share nothing, about as long as a bake: the speed-up the machine gives right now
// (others' load included), against which the bake's is read.
void IdealJob(LightMapWorkers& workers, uint32_t threads) {
    static const std::vector<BakeChain> chains = {{{kCores * 64, [](uint32_t i) {
        float x = static_cast<float>(i);
        for (int k = 0; k < 50000; ++k) x = x * 0.999f + 1.0f;
        benchmark::DoNotOptimize(x);
    }}}};
    workers.Run(chains, threads);
}

// The bake's own sampling of the first room's floor, three times over (about a room's bake), a few
// rows a job into rows of the job's own, with no step after it: what the cores give work of the
// bake's kind when nothing is shared. It tells a bake that waits from cores that slow each other
// down under such work.
void SamplingJob(LightMapWorkers& workers, uint32_t threads) {
    constexpr uint32_t kTimes = 3, kRows = 4;
    static std::vector<uint32_t> rows;
    rows.assign(kTimes * LIGHTMAP_SIZE * LIGHTMAP_SIZE, 0);
    const LightBake bake(0);
    Level* level = GetLevel();
    const float y = level->GetRoomBaseY(0), x0 = level->GetCellX(0), z0 = level->GetCellZ(0);
    const std::vector<BakeChain> chains = {{{kTimes * LIGHTMAP_SIZE / kRows, [&](uint32_t job) {
        for (uint32_t r = job * kRows; r < (job + 1) * kRows; ++r) {
            const float t = float(r % LIGHTMAP_SIZE);
            for (uint32_t s = 0; s < LIGHTMAP_SIZE; ++s)
                rows[r * LIGHTMAP_SIZE + s] = bake.CalcLight(Vec3(x0 + float(s), y, z0 + t), Vec3(0, 1, 0));
        }
    }}}};
    workers.Run(chains, threads);
}

double g_speedUp[kManyRooms + 1], g_idealSpeedUp[kManyRooms + 1], g_relative[kManyRooms + 1], g_cpuRatio[kManyRooms + 1],
    g_samplingSpeedUp[kManyRooms + 1];

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// House range(0)'s bake and the ideal job, each on 1 thread and on every core, timed in turn in
// every iteration so that the machine's load falls on all four alike; the medians over the
// iterations are kept.
void BM_Parallel(benchmark::State& state) {
    const int house = static_cast<int>(state.range(0));
    UseHouse(house);
    LightMapWorkers workers;
    std::vector<double> speedUps, idealSpeedUps, relative, samplingSpeedUps;
    double cpu[2] = {};
    for (auto _ : state) {
        double wall[6];
        auto time = [&](int slot, auto&& work) {
            const auto start = std::chrono::steady_clock::now();
            const std::clock_t cpu0 = std::clock();
            work();
            wall[slot] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (slot < 2) cpu[slot] += double(std::clock() - cpu0);
        };
        time(0, [] { BakeLevel(1); });
        time(1, [] { BakeLevel(kCores); });
        time(2, [&] { IdealJob(workers, 1); });
        time(3, [&] { IdealJob(workers, kCores); });
        time(4, [&] { SamplingJob(workers, 1); });
        time(5, [&] { SamplingJob(workers, kCores); });
        samplingSpeedUps.push_back(wall[4] / wall[5]);
        speedUps.push_back(wall[0] / wall[1]);
        idealSpeedUps.push_back(wall[2] / wall[3]);
        relative.push_back(speedUps.back() / idealSpeedUps.back());
    }
    g_speedUp[house] = Median(speedUps);
    g_idealSpeedUp[house] = Median(idealSpeedUps);
    g_relative[house] = Median(relative);
    g_samplingSpeedUp[house] = Median(samplingSpeedUps);
    g_cpuRatio[house] = cpu[0] > 0 ? cpu[1] / cpu[0] : 0.0;
    state.counters["bake_speed_up"] = g_speedUp[house];
    state.counters["ideal_speed_up"] = g_idealSpeedUp[house];
}
BENCHMARK(BM_Parallel)->DenseRange(0, kManyRooms)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

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
    for (int n = 0; n <= kManyRooms; ++n) {
        const std::string house = n == kManyRooms ? "house of 16 rooms" : "house " + std::to_string(n);
        const std::string h = "BM_Bake/" + std::to_string(n);
        if (reporter.seconds[h + "/0"] > 0 && reporter.seconds[h + "/1"] > 0)
            bench_util::PrintRatio(house + ": reference / fast bake", reporter.Ratio(h + "/0", h + "/1"));
        if (g_speedUp[n] <= 0 || g_idealSpeedUp[n] <= 0) continue;
        bench_util::PrintRatio(house + ": fast bake on 1 thread / on " + cores, g_speedUp[n]);
        bench_util::PrintRatio(house + ": jobs that share nothing, 1 thread / " + cores, g_idealSpeedUp[n]);
        bench_util::PrintRatio(house + ": the bake's speed-up / theirs (median of turns)", g_relative[n], 0.9, true);
        bench_util::PrintRatio(house + ": sampling alone, 1 thread / " + cores + " (no steps, nothing shared)",
                               g_samplingSpeedUp[n]);
        bench_util::PrintRatio(house + ": CPU time on " + cores + " / on 1", g_cpuRatio[n]);
    }
    GetLevel()->Free();
    RenderDevice_Unbind();
    benchmark::Shutdown();
    return 0;
}
