// What the engine benchmarks share: the engine's render device on an off-screen
// window, and a reporter that keeps the time per iteration of the measured run and
// of its baseline so that main can print their ratio.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <utility>
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

// Keeps the real seconds per iteration of the two benchmarks whose names start with
// the given prefixes, while printing every run as the console reporter does.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter(std::string measured, std::string baseline)
        : m_measured(std::move(measured)), m_baseline(std::move(baseline)) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            const double seconds = run.real_accumulated_time / double(run.iterations);
            if (run.benchmark_name().find(m_measured) == 0) measuredSeconds = seconds;
            if (run.benchmark_name().find(m_baseline) == 0) baselineSeconds = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double measuredSeconds = 0.0, baselineSeconds = 0.0;

private:
    std::string m_measured, m_baseline;
};

}  // namespace bench_util
