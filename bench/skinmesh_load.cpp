// Loading and converting the walker model and a generated 5,000-triangle, 24-bone model through
// SkinMesh, against parsing the file alone and reading it; and the heap the model holds.
#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "dxfile.h"
#include "skinmesh.h"
#include "skinmesh_model.h"

namespace {

const char kGenerated[] = "bench_skinned_model.x";

double heapBytes() { return double(mallinfo2().uordblks); }

long FileBytes(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return n;
}

void ReadWhole(benchmark::State& state, std::string path) {
    std::vector<char> buffer;
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        buffer.resize(size_t(FileBytes(path.c_str())));
        benchmark::DoNotOptimize(std::fread(buffer.data(), 1, buffer.size(), f));
        std::fclose(f);
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
    state.counters["file_kb"] = double(FileBytes(path.c_str())) / 1024.0;
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
    if (FileBytes(QUIL_WALKER_MODEL) > 0) models.insert(models.begin(), {"walker", QUIL_WALKER_MODEL});
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
    for (const auto& [name, path] : models) {
        const double load = reporter.Seconds("load/" + name);
        if (load <= 0.0) continue;
        std::printf("%s model (%ld KB): load+convert %.2f ms = %.2fx parse alone = %.1fx reading the file; "
                    "parse = %.1fx reading\n",
                    name.c_str(), FileBytes(path.c_str()) / 1024, load * 1e3,
                    reporter.Ratio("load/" + name, "parse/" + name), reporter.Ratio("load/" + name, "read/" + name),
                    reporter.Ratio("parse/" + name, "read/" + name));
    }
    engine.Close();
    std::remove(kGenerated);
    return 0;
}
