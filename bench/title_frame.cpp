// Main-thread CPU of a title-screen frame (update, draw, present: the scene, the falling
// snow, the menu and the overlay texts) at 1280x1024 and 640x480, against a frame of the
// same device that is only cleared and presented, measured in turn with it. On Mesa's
// software renderer the pixels are shaded on the main thread, so this is the fill cost.
#include <algorithm>
#include <string>
#include <vector>

#include "bench_util.h"
#include "title_screen_run.h"

namespace {

// Each pass: two seconds of the title not drawn (the snow spreads out from where it starts),
// then frames a fifteenth of a second apart over four seconds.
constexpr int kLeadSteps = 120, kPasses = 5, kFramesPerPass = 60;
constexpr float kLeadStep = 1.0f / 60.0f, kFrameStep = 1.0f / 15.0f;

struct Sizes {
    UINT width, height;
};

// min/median/max of values, as text, and the median.
std::string Spread(std::vector<double> v, double* median) {
    std::sort(v.begin(), v.end());
    *median = v[v.size() / 2];
    char text[64];
    std::snprintf(text, sizeof(text), "%.2f/%.2f/%.2f", v.front(), v[v.size() / 2], v.back());
    return text;
}

void BM_TitleFrame(benchmark::State& state) {
    const Sizes size = {UINT(state.range(0)), UINT(state.range(1))};
    std::vector<double> title, cleared;
    for (auto _ : state) {
        // Every pass plays the same frames from the start, so passes differ by the machine's load only.
        for (int pass = 0; pass < kPasses; ++pass) {
            frontend_test::TitleScreenRun run;
            if (!run.Open(size.width, size.height)) {
                state.SkipWithError("no device or no assets");
                return;
            }
            IDirect3DDevice8* device = RenderDevice_GetDevice();
            for (int i = 0; i < kLeadSteps; ++i) run.Advance(kLeadStep);
            run.Frame(kLeadStep);  // the device objects made before timing
            glFinish();
            double titleCpu = 0, clearedCpu = 0;
            for (int i = 0; i < kFramesPerPass; ++i) {
                double t0 = bench_util::ThreadCpuSeconds();
                run.Frame(kFrameStep);
                glFinish();
                titleCpu += bench_util::ThreadCpuSeconds() - t0;
                t0 = bench_util::ThreadCpuSeconds();
                device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
                device->Present(nullptr, nullptr, nullptr, nullptr);
                glFinish();
                clearedCpu += bench_util::ThreadCpuSeconds() - t0;
            }
            title.push_back(titleCpu * 1e3 / kFramesPerPass);
            cleared.push_back(clearedCpu * 1e3 / kFramesPerPass);
        }
    }
    double titleMs = 0, clearedMs = 0;
    const std::string titleText = Spread(title, &titleMs), clearedText = Spread(cleared, &clearedMs);
    std::printf("title frame %ux%u, main-thread CPU ms (min/median/max of %d passes of %d frames): "
                "title %s, cleared %s\n",
                size.width, size.height, kPasses, kFramesPerPass, titleText.c_str(), clearedText.c_str());
    state.counters["title_ms"] = titleMs;
    state.counters["cleared_ms"] = clearedMs;
    bench_util::PrintRatio("title_frame " + std::to_string(size.width) + "x" + std::to_string(size.height) +
                               ": title frame / a cleared frame (median)",
                           titleMs / clearedMs);
}
BENCHMARK(BM_TitleFrame)->Args({1280, 1024})->Args({640, 480})->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
