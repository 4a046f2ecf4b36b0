// What the engine benchmarks share: the render device off screen, a reporter that keeps each
// run's times for main's ratios, and a clock for two sides timed within one iteration.
#pragma once
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "renderdevice.h"

namespace bench_util {

// An off-screen device bound as the engine's render device until Close.
class EngineDevice {
public:
    bool Open(UINT width, UINT height) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        quil_automation::SetHeadless(true);
        if (quil_automation::CreateOffscreenDevice(width, height, true, &m_d3d, &m_device) != D3D_OK) return false;
        RenderDevice_Bind(m_device);
        return true;
    }
    // Unbinds and releases the device; a second call does nothing.
    void Close() {
        if (m_device) {
            RenderDevice_Unbind();
            m_device->Release();
            m_device = nullptr;
        }
        if (m_d3d) {
            m_d3d->Release();
            m_d3d = nullptr;
        }
    }
    ~EngineDevice() { Close(); }
    IDirect3DDevice8* device() const { return m_device; }

private:
    IDirect3D8* m_d3d = nullptr;
    IDirect3DDevice8* m_device = nullptr;
};

// Prints every run as the console reporter does and keeps its real and CPU seconds per
// iteration by name (without the min_time suffix).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                const std::string name = run.benchmark_name(), key = name.substr(0, name.find("/min_time"));
                seconds[key] = run.real_accumulated_time / double(run.iterations);
                cpu[key] = run.cpu_accumulated_time / double(run.iterations);
            }
        ConsoleReporter::ReportRuns(runs);
    }
    // Seconds per iteration of the first run whose name starts with prefix, or 0.
    double Seconds(const std::string& prefix) const {
        for (const auto& [name, s] : seconds)
            if (name.compare(0, prefix.size(), prefix) == 0) return s;
        return 0.0;
    }
    double Ratio(const std::string& measured, const std::string& baseline) const {
        const double b = Seconds(baseline);
        return b > 0.0 ? Seconds(measured) / b : 0.0;
    }

    std::map<std::string, double> seconds, cpu;
};

// Main-thread CPU seconds so far.
inline double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Wall and main-thread CPU time of two sides run in turn within each iteration, so that the
// machine's load falls on both alike. Time the sides with Side(0, ...) and Side(1, ...), then
// Report once the loop ends.
class PairClock {
public:
    template <class F>
    void Side(int side, F&& work) {
        const double wall0 = Wall(), cpu0 = ThreadCpuSeconds();
        work();
        m_wall[side] += Wall() - wall0;
        m_cpu[side] += ThreadCpuSeconds() - cpu0;
    }
    // Counters per iteration in microseconds and the two ratios, printed as well.
    void Report(benchmark::State& state, const char* measured, const char* baseline) {
        const double n = double(state.iterations() ? state.iterations() : 1);
        state.counters[std::string(measured) + "_wall_us"] = m_wall[0] / n * 1e6;
        state.counters[std::string(measured) + "_cpu_us"] = m_cpu[0] / n * 1e6;
        state.counters[std::string(baseline) + "_wall_us"] = m_wall[1] / n * 1e6;
        state.counters[std::string(baseline) + "_cpu_us"] = m_cpu[1] / n * 1e6;
        wallRatio = m_wall[1] > 0 ? m_wall[0] / m_wall[1] : 0.0;
        cpuRatio = m_cpu[1] > 0 ? m_cpu[0] / m_cpu[1] : 0.0;
        state.counters["ratio_wall"] = wallRatio;
        state.counters["ratio_cpu"] = cpuRatio;
    }
    double wallRatio = 0.0, cpuRatio = 0.0;

private:
    static double Wall() {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    double m_wall[2] = {0, 0}, m_cpu[2] = {0, 0};
};

// Opens both sides, then times a frame of each in turn every iteration and reports;
// false (the run skipped) when a side does not open.
template <class Engine, class Baseline>
bool TimePair(benchmark::State& state, Engine& engine, Baseline& baseline, PairClock& clock) {
    if (!engine.Open() || !baseline.Open()) {
        state.SkipWithError("no device, no OpenGL context or no model");
        return false;
    }
    int frame = 0;
    for (auto _ : state) {
        clock.Side(0, [&] { engine.Frame(frame); });
        clock.Side(1, [&] { baseline.Frame(frame); });
        ++frame;
    }
    clock.Report(state, "engine", "gl");
    return true;
}

}  // namespace bench_util
