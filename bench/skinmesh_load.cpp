// Loading and converting a skinned model of 5,000 triangles and 24 bones (a grid of quads,
// each vertex weighted to two neighbouring bones) through the SkinMesh loader, against
// parsing the same file alone. Reports the load's time as a ratio of the parse, and the
// heap the loaded model holds against the file's size.
#include <malloc.h>

#include <cstdio>
#include <string>

#include "bench_util.h"
#include "dxfile.h"
#include "skinmesh.h"
#include "skinmesh_model.h"

namespace {

const char kFile[] = "bench_skinned_model.x";
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
    bench_util::EngineDevice engine;
    if (!engine.Open(64, 64)) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }
    g_fileBytes = WriteSkinnedModel(kFile);
    benchmark::Initialize(&argc, argv);

    bench_util::RatioReporter reporter("BM_LoadAndConvert", "BM_ParseOnly");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (reporter.baselineSeconds > 0.0)
        std::printf("skinned model load+convert / parse alone: %.2fx (file %ld KB)\n",
                    reporter.measuredSeconds / reporter.baselineSeconds, g_fileBytes / 1024);
    engine.Close();
    std::remove(kFile);
    return 0;
}
