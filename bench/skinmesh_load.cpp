// Loading and converting a skinned model of 5,000 triangles and 24 bones (a grid of quads,
// each vertex weighted to two neighbouring bones) through the SkinMesh loader, against
// parsing the same file alone. Reports the load's time as a ratio of the parse, and the
// heap the loaded model holds against the file's size.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <string>

#include "dxfile.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "renderdevice.h"
#include "skinmesh.h"
#include "skinmesh_model.h"

namespace {

const char kFile[] = "bench_skinned_model.x";
double g_loadSeconds = 0.0, g_parseSeconds = 0.0;
long g_fileBytes = 0;

// Bytes of heap in use now.
double heapBytes() { return double(mallinfo2().uordblks); }

void BM_ParseOnly(benchmark::State& state) {
    for (auto _ : state) {
        IDirectXFile* file = nullptr;
        DirectXFileCreate(&file);
        IDirectXFileEnumObject* en = nullptr;
        if (SUCCEEDED(file->CreateEnumObject(const_cast<char*>(kFile), DXFILELOAD_FROMFILE, &en))) en->Release();
        file->Release();
    }
}

void BM_LoadAndConvert(benchmark::State& state) {
    double held = 0.0;
    for (auto _ : state) {
        const double before = heapBytes();
        SkinMesh mesh;
        if (FAILED(mesh.LoadMeshHierarchy(kFile))) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(mesh.GetElements());
        held = heapBytes() - before;
    }
    state.counters["file_kb"] = double(g_fileBytes) / 1024.0;
    // What the loaded model keeps on the heap (frames, meshes and their system-memory copies).
    state.counters["held_kb"] = held / 1024.0;
}

}  // namespace

BENCHMARK(BM_LoadAndConvert)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Runs both, then prints the load's time as a ratio of the parse alone.
int main(int argc, char** argv) {
    quil_automation::SetHeadless(true);
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    if (FAILED(quil_automation::CreateOffscreenDevice(64, 64, true, &d3d, &device))) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }
    RenderDevice_Bind(device);
    g_fileBytes = WriteSkinnedModel(kFile);
    benchmark::Initialize(&argc, argv);

    struct Collect : benchmark::ConsoleReporter {
        bool ReportContext(const Context& c) override { return ConsoleReporter::ReportContext(c); }
        void ReportRuns(const std::vector<Run>& runs) override {
            for (const Run& r : runs) {
                const double seconds = r.GetAdjustedRealTime();
                if (r.benchmark_name().find("ParseOnly") != std::string::npos) g_parseSeconds = seconds;
                if (r.benchmark_name().find("LoadAndConvert") != std::string::npos) g_loadSeconds = seconds;
            }
            ConsoleReporter::ReportRuns(runs);
        }
    } reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (g_parseSeconds > 0.0)
        std::printf("skinned model load+convert / parse alone: %.2fx (file %ld KB)\n", g_loadSeconds / g_parseSeconds,
                    g_fileBytes / 1024);
    RenderDevice_Unbind();
    device->Release();
    d3d->Release();
    std::remove(kFile);
    return 0;
}
