// Loading and converting the walker model and a generated 5,000-triangle, 24-bone model through
// SkinMesh, against parsing the file alone and reading it; and the heap the model holds.
#include <malloc.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_util.h"
#include "dxfile.h"
#include "skinmesh.h"
#include "skinmesh_model.h"

namespace {

const char kGenerated[] = "bench_skinned_model.x", kWalker[] = QUIL_RUN_DIR "/gfx/tiny.x";

double heapBytes() { return double(mallinfo2().uordblks); }

void ReadWhole(benchmark::State& state, std::string path) {
    std::vector<char> buffer;
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        buffer.resize(std::filesystem::file_size(path));
        benchmark::DoNotOptimize(in.read(buffer.data(), std::streamsize(buffer.size())));
    }
}

void ParseOnly(benchmark::State& state, std::string path) {
    for (auto _ : state) {
        IDirectXFile* file = nullptr;
        DirectXFileCreate(&file);
        IDirectXFileEnumObject* en = nullptr;
        if (FAILED(file->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &en)))
            state.SkipWithError("parse failed");
        else
            en->Release();
        file->Release();
    }
}

void LoadAndConvert(benchmark::State& state, std::string path) {
    double held = 0.0;
    for (auto _ : state) {
        const double before = heapBytes();
        SkinMesh mesh;
        if (FAILED(mesh.LoadMeshHierarchy(path.c_str()))) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(mesh.GetElements());
        held = heapBytes() - before;
    }
    state.counters["file_kb"] = double(std::filesystem::file_size(path)) / 1024.0;
    // What the loaded model keeps on the heap (frames, meshes and their system-memory copies).
    state.counters["held_kb"] = held / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    bench_util::EngineDevice engine;
    if (!engine.Open(64, 64)) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }
    WriteSkinnedModel(kGenerated);
    std::vector<std::pair<std::string, std::string>> models = {{"generated", kGenerated}};
    if (std::filesystem::exists(kWalker)) models.insert(models.begin(), {"walker", kWalker});
    for (const auto& [name, path] : models) {
        benchmark::RegisterBenchmark(("load/" + name).c_str(), LoadAndConvert, path)
            ->Unit(benchmark::kMillisecond)->MinTime(1.0);
        benchmark::RegisterBenchmark(("parse/" + name).c_str(), ParseOnly, path)
            ->Unit(benchmark::kMillisecond)->MinTime(1.0);
        benchmark::RegisterBenchmark(("read/" + name).c_str(), ReadWhole, path)
            ->Unit(benchmark::kMicrosecond)->MinTime(0.5);
    }
    benchmark::Initialize(&argc, argv);
    bench_util::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // load = load and convert; parse = the file parsed alone; read = the file read into memory.
    for (const auto& model : models)
        for (const auto& [a, b] : {std::pair<std::string, std::string>{"load", "parse"}, {"load", "read"}, {"parse", "read"}})
            bench_util::PrintRatio(model.first + " model: " + a + " / " + b,
                                   reporter.Ratio(a + "/" + model.first, b + "/" + model.first));
    engine.Close();
    std::remove(kGenerated);
    return 0;
}
