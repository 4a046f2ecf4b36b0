// What the benchmarks share: the engine's device off screen, the OpenGL baselines' window, paired
// timing, a reporter that keeps each run's times, and the one form in which ratios are printed.
#pragma once
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine_binding.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "renderdevice.h"
#include "renderer.h"

namespace bench_util {

// An off-screen render device with the game's font and the renderer's device objects, while it lives.
class EngineDevice {
public:
    bool Open(UINT width, UINT height) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        quil_automation::SetHeadless(true);
        if (quil_automation::CreateOffscreenDevice(width, height, true, &m_d3d, &m_device) != D3D_OK) return false;
        m_engine = std::make_unique<quiltest::EngineBinding>(m_device);
        return m_engine->FontReady();
    }
    ~EngineDevice() {
        m_engine.reset();
        if (m_device) m_device->Release();
        if (m_d3d) m_d3d->Release();
    }

private:
    IDirect3D8* m_d3d = nullptr;
    IDirect3DDevice8* m_device = nullptr;
    std::unique_ptr<quiltest::EngineBinding> m_engine;
};

// A straight OpenGL baseline's hidden window with a 3.3 core context, one program and one vertex array.
class GlSide {
public:
    ~GlSide() {
        if (m_context) SDL_GL_DeleteContext(m_context);
        if (m_window) SDL_DestroyWindow(m_window);
    }

protected:
    // Window, context, the program of the two shader texts (known to compile) and a vertex array.
    bool OpenGl(const char* title, int width, int height, const char* vertexShader, const char* fragmentShader) {
        m_window = SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!m_window) return false;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        m_context = SDL_GL_CreateContext(m_window);
        if (!m_context) return false;
        SDL_GL_MakeCurrent(m_window, m_context);
        m_program = glCreateProgram();
        for (auto [type, src] : {std::pair<GLenum, const char*>{GL_VERTEX_SHADER, vertexShader},
                                 {GL_FRAGMENT_SHADER, fragmentShader}}) {
            GLuint shader = glCreateShader(type);
            glShaderSource(shader, 1, &src, nullptr);
            glCompileShader(shader);
            glAttachShader(m_program, shader);
        }
        glLinkProgram(m_program);
        glUseProgram(m_program);
        GLuint vao = 0;
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glViewport(0, 0, width, height);
        return true;
    }
    // Makes the context current, clears to black and uses the program.
    void BeginFrame() {
        SDL_GL_MakeCurrent(m_window, m_context);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUseProgram(m_program);
    }
    GLuint m_program = 0;

private:
    SDL_Window* m_window = nullptr;
    SDL_GLContext m_context = nullptr;
};

// A result line: the ratio, and against a goal (none when 0; a floor when atLeast) met or SHORT.
inline void PrintRatio(const std::string& what, double ratio, double goal = 0.0, bool atLeast = false) {
    std::printf("%-72s %9.3fx", what.c_str(), ratio);
    if (goal > 0.0)
        std::printf("  goal %s %.2f: %s", atLeast ? ">=" : "<=", goal,
                    (atLeast ? ratio >= goal : ratio <= goal) ? "met" : "SHORT");
    std::printf("\n");
}

// The console reporter, keeping each run's real and CPU seconds per iteration by name (sans min_time).
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
    // measured / baseline in seconds per iteration, or 0 when the baseline did not run.
    double Ratio(const std::string& measured, const std::string& baseline) {
        return seconds[baseline] > 0.0 ? seconds[measured] / seconds[baseline] : 0.0;
    }

    std::map<std::string, double> seconds, cpu;
};

// A framebuffer of a colour texture and a depth-stencil buffer of width x height,
// made and bound, as the device draws into: the straight-OpenGL sides draw there too.
inline GLuint BindColorDepthFramebuffer(int width, int height) {
    GLuint color = 0, depth = 0, fbo = 0;
    glGenTextures(1, &color);
    glBindTexture(GL_TEXTURE_2D, color);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
    return fbo;
}

// Main-thread CPU seconds so far.
inline double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Wall and main-thread CPU ratios of the engine's side to the baseline's in the last TimePair.
inline double g_wallRatio = 0.0, g_cpuRatio = 0.0;

// Opens both sides, then times a frame of each in turn every iteration, so that the machine's
// load falls on both alike; false (the run skipped) when a side does not open.
template <class Engine, class Baseline>
bool TimePair(benchmark::State& state, Engine& engine, Baseline& baseline) {
    if (!engine.Open() || !baseline.Open()) {
        state.SkipWithError("no device, no OpenGL context or no model");
        return false;
    }
    double wall[2] = {0, 0}, cpu[2] = {0, 0};
    auto side = [&](int s, auto&& work) {
        const auto wall0 = std::chrono::steady_clock::now();
        const double cpu0 = ThreadCpuSeconds();
        work();
        wall[s] += std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        cpu[s] += ThreadCpuSeconds() - cpu0;
    };
    int frame = 0;
    for (auto _ : state) {
        side(0, [&] { engine.Frame(frame); });
        side(1, [&] { baseline.Frame(frame); });
        ++frame;
    }
    const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    for (int s = 0; s < 2; ++s) {
        state.counters[std::string(s ? "gl" : "engine") + "_wall_us"] = wall[s] / n * 1e6;
        state.counters[std::string(s ? "gl" : "engine") + "_cpu_us"] = cpu[s] / n * 1e6;
    }
    state.counters["ratio_wall"] = g_wallRatio = wall[1] > 0 ? wall[0] / wall[1] : 0.0;
    state.counters["ratio_cpu"] = g_cpuRatio = cpu[1] > 0 ? cpu[0] / cpu[1] : 0.0;
    return true;
}

// Runs the benchmarks (through reporter, or the console's) and prints the last TimePair's ratios.
inline int RunPairs(int argc, char** argv, const std::string& what, double goal,
                    benchmark::BenchmarkReporter* reporter = nullptr) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(reporter);
    PrintRatio(what + ", wall", g_wallRatio, goal);
    PrintRatio(what + ", main-thread CPU", g_cpuRatio, goal);
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench_util
