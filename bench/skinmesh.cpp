// Skinned meshes on a generated 5,000-triangle, 24-bone model: loading and converting it (and the
// game's walker model) through SkinMesh against parsing the file alone and reading it, with the heap
// a loaded model holds; and 30 of them drawn through shader skinning against the same vertices
// blended once on the CPU and drawn lit straight to OpenGL, the two sides taking turns.
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "blended_vertex.h"
#include "d3dx8.h"
#include "dxfile.h"
#include "skinmesh.h"

namespace {

const int kWidth = 640, kHeight = 480, kModels = 30, kColumns = 50, kRows = 50, kBones = 24;
const char kModel[] = "bench_skinned_model.x", kWalker[] = QUIL_RUN_DIR "/gfx/tiny.x";

// Writes the model: a 50 x 50 quad grid (5,000 triangles) in x-y over a chain of 24 bones, each
// row of vertices weighted to two neighbouring bones.
void WriteSkinnedModel(const char* path) {
    std::string frames, closing;
    for (int b = 0; b < kBones; ++b) {
        frames += "Frame Bone" + std::to_string(b) + " { FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,0," +
                  (b ? "-1" : "0") + ",0,1;; }\n";
        closing += "}\n";
    }
    const int verts = (kColumns + 1) * (kRows + 1);
    std::string mesh = "Mesh Body {\n" + std::to_string(verts) + ";\n";
    for (int r = 0; r <= kRows; ++r)
        for (int c = 0; c <= kColumns; ++c)
            mesh += std::to_string(c * 0.5f) + ";" + std::to_string(-r * 0.5f) + ";0;" +
                    (r == kRows && c == kColumns ? ";\n" : ",");
    mesh += std::to_string(kColumns * kRows * 2) + ";\n";
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            const int a = r * (kColumns + 1) + c, b = a + 1, d = a + kColumns + 1, e = d + 1;
            // Clockwise as seen from -z, the side the normals face.
            mesh += "3;" + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(d) + ";,3;" +
                    std::to_string(b) + "," + std::to_string(e) + "," + std::to_string(d) + ";" +
                    (r == kRows - 1 && c == kColumns - 1 ? ";\n" : ",");
        }
    mesh += "MeshNormals { 1; 0;0;-1;; " + std::to_string(kColumns * kRows * 2) + ";";
    for (int f = 0; f < kColumns * kRows * 2; ++f) mesh += std::string("3;0,0,0;") + (f + 1 == kColumns * kRows * 2 ? ";" : ",");
    mesh += " }\nMeshTextureCoords { " + std::to_string(verts) + ";";
    for (int v = 0; v < verts; ++v) mesh += std::string("0;0;") + (v + 1 == verts ? ";" : ",");
    mesh += " }\n";
    // Each row belongs to bone row * bones / rows, shared half and half with the next bone.
    for (int b = 0; b < kBones; ++b) {
        std::string idx, w;
        int n = 0;
        for (int r = 0; r <= kRows; ++r) {
            const float pos = float(r) * (kBones - 1) / kRows;
            const int lo = int(pos);
            const float t = pos - float(lo);
            float weight = 0.0f;
            if (lo == b) weight = 1.0f - t;
            if (lo + 1 == b) weight = t;
            if (weight <= 0.0f) continue;
            for (int c = 0; c <= kColumns; ++c) {
                idx += (n ? "," : "") + std::to_string(r * (kColumns + 1) + c);
                w += (n ? "," : "") + std::to_string(weight);
                ++n;
            }
        }
        mesh += "SkinWeights { \"Bone" + std::to_string(b) + "\"; " + std::to_string(n) + "; " + idx + "; " + w +
                "; 1,0,0,0,0,1,0,0,0,0,1,0,0," + std::to_string(b) + ",0,1;; }\n";
    }
    std::ofstream(path, std::ios::binary) << "xof 0303txt 0032\n" << frames << mesh << "}\n" << closing;
}

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
    bench_util::EngineDevice engine;
    if (!engine.Open(64, 64)) return state.SkipWithError("no device");
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

// The first model's vertices blended on the CPU (position and normal, camera space) and its triangles.
std::vector<float> g_blended;
std::vector<uint32_t> g_indices;
Matrix g_projection;

// Where model i stands, in front of the camera.
Matrix ModelMatrix(int i) {
    Matrix m;
    mat_Identity(&m);
    m.m[3][0] = float(i % 6) * 30.0f - 75.0f;
    m.m[3][1] = float(i / 6) * 26.0f - 40.0f;
    m.m[3][2] = 150.0f;
    return m;
}

// Blends the converted mesh of a loaded model on the CPU with its current palette.
void BlendOnCpu(SkinMesh& mesh) {
    SkinFrame* frame = mesh.GetElements()->FindFrame("Bone23");
    SkinMeshContainer* c = frame ? frame->pMeshContainers : nullptr;
    if (!c || !c->pMesh) return;
    const auto* combos = static_cast<const D3DXBONECOMBINATION*>(c->pBoneCombinations->GetBufferPointer());
    const UINT stride = D3DXGetFVFVertexSize(c->pMesh->GetFVF());
    const DWORD n = c->uInfluences;
    BYTE* vb = nullptr;
    BYTE* ib = nullptr;
    c->pMesh->LockVertexBuffer(D3DLOCK_READONLY, &vb);
    c->pMesh->LockIndexBuffer(D3DLOCK_READONLY, &ib);
    g_blended.assign(size_t(c->pMesh->GetNumVertices()) * 6, 0.0f);
    for (DWORD s = 0; s < c->uSubsetCount; ++s) {
        for (DWORD v = combos[s].VertexStart; v < combos[s].VertexStart + combos[s].VertexCount; ++v) {
            const BYTE* p = vb + size_t(v) * stride;
            Vec3 pos, normal;
            std::memcpy(&pos, p, 12);
            std::memcpy(&normal, quiltest::NormalOf(p, n), 12);
            for (const auto& [bone, w] : quiltest::BlendOf(p, n, combos[s])) {
                // The normal as the difference of two transformed points (the bones do not scale).
                Vec3 q, tip = {pos.x + normal.x, pos.y + normal.y, pos.z + normal.z};
                mat_TransformPoint(&pos, &c->pBoneOffsetMatrices[bone], &q);
                mat_TransformPoint(&q, c->ppBoneMatrices[bone], &q);
                mat_TransformPoint(&tip, &c->pBoneOffsetMatrices[bone], &tip);
                mat_TransformPoint(&tip, c->ppBoneMatrices[bone], &tip);
                const float out[6] = {q.x, q.y, q.z, tip.x - q.x, tip.y - q.y, tip.z - q.z};
                for (int k6 = 0; k6 < 6; ++k6) g_blended[size_t(v) * 6 + size_t(k6)] += out[k6] * w;
            }
        }
    }
    const WORD* idx = reinterpret_cast<const WORD*>(ib);
    g_indices.assign(idx, idx + size_t(c->pMesh->GetNumFaces()) * 3);
    c->pMesh->UnlockIndexBuffer();
    c->pMesh->UnlockVertexBuffer();
}

// Pixels of an RGBA picture with a colour channel above 40: how much of it the models cover.
int CoveredPixels(const std::vector<uint8_t>& rgba) {
    int covered = 0;
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) covered += rgba[i] > 40 || rgba[i + 1] > 40 || rgba[i + 2] > 40;
    return covered;
}

// The engine's side: 30 SkinMesh objects in the renderer on the engine device.
class EngineScene {
public:
    bool Open() {
        if (!m_engine.Open(kWidth, kHeight)) return false;
        Renderer* renderer = GetRenderer();
        for (int i = 0; i < kModels; ++i) {
            m_meshes.push_back(std::make_unique<SkinMesh>());
            m_meshes.back()->Setup(kModel, "");
            m_meshes.back()->SetRenderMode(RENDERMODE_DIFFUSE);
            *m_meshes.back()->GetMatrix() = ModelMatrix(i);
            m_meshes.back()->Activate();
        }
        mat_Identity(renderer->GetViewMatrix());
        renderer->Render();  // loads the models
        if (!m_meshes[0]->GetElements()) return false;
        BlendOnCpu(*m_meshes[0]);
        g_projection = *renderer->GetProjectionMatrix();
        return true;
    }
    void Frame(int) {
        for (auto& m : m_meshes) m->Update(0.016f);
        GetRenderer()->Render();
        glFinish();
    }
    int Covered() {
        quil_automation::RgbaImage image;
        quil_automation::ReadBackBuffer(RenderDevice_GetDevice(), &image);
        return CoveredPixels(image.pixels);
    }
    ~EngineScene() {
        for (auto& m : m_meshes) m->Shutdown();
        GetRenderer()->ClearLists();
    }

private:
    bench_util::EngineDevice m_engine;
    std::vector<std::unique_ptr<SkinMesh>> m_meshes;
};

// Straight OpenGL: the CPU-blended vertices in one buffer, drawn 30 times, each with its
// model's position and the same projection, lit per vertex by one directional light.
class GlBaseline : bench_util::GlSide {
public:
    bool Open() {
        const char* vs =
            "#version 330 core\nlayout(location=0) in vec3 p; layout(location=1) in vec3 n; uniform vec3 offset;"
            " uniform mat4 proj; out vec4 vc; void main(){ gl_Position = proj * vec4(p + offset, 1.0);"
            " float d = max(dot(normalize(n), normalize(vec3(0.3, 0.5, -1.0))), 0.0);"
            " vc = vec4(vec3(0.2) + vec3(0.8) * d, 1.0); }";
        const char* fs = "#version 330 core\nin vec4 vc; out vec4 o; void main(){ o = vc; }";
        if (!OpenGl("skin bench", kWidth, kHeight, vs, fs)) return false;
        GLuint buffers[2];
        glGenBuffers(2, buffers);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(g_blended.size() * 4), g_blended.data(), GL_STATIC_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(g_indices.size() * 4), g_indices.data(), GL_STATIC_DRAW);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 24, nullptr);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 24, reinterpret_cast<void*>(12));
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(1);
        glEnable(GL_DEPTH_TEST);
        // Row vectors times the engine's projection = column vectors times its transpose.
        glUniformMatrix4fv(glGetUniformLocation(m_program, "proj"), 1, GL_FALSE, &g_projection.m[0][0]);
        m_offset = glGetUniformLocation(m_program, "offset");
        return true;
    }
    void Frame(int) {
        BeginFrame();
        for (int i = 0; i < kModels; ++i) {
            const Matrix m = ModelMatrix(i);
            glUniform3f(m_offset, m.m[3][0], m.m[3][1], m.m[3][2]);
            glDrawElements(GL_TRIANGLES, GLsizei(g_indices.size()), GL_UNSIGNED_INT, nullptr);
        }
        glFinish();
    }
    int Covered() {
        std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return CoveredPixels(pixels);
    }

private:
    GLint m_offset = -1;
};

void BM_SkinMeshAgainstGL(benchmark::State& state) {
    EngineScene engine;
    GlBaseline gl;
    if (!bench_util::TimePair(state, engine, gl)) return;
    // How much of the frame the models cover, to show that both sides draw alike.
    state.counters["gl_covered_px"] = gl.Covered();
    state.counters["engine_covered_px"] = engine.Covered();
}

}  // namespace

BENCHMARK(BM_SkinMeshAgainstGL)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    WriteSkinnedModel(kModel);
    std::vector<std::pair<std::string, std::string>> models = {{"generated", kModel}};
    if (std::filesystem::exists(kWalker)) models.insert(models.begin(), {"walker", kWalker});
    using Timed = void (*)(benchmark::State&, std::string);
    for (const auto& [name, path] : models)
        for (const auto& [kind, timed] : {std::pair<std::string, Timed>{"load/", LoadAndConvert}, {"parse/", ParseOnly},
                                          {"read/", ReadWhole}})
            benchmark::RegisterBenchmark((kind + name).c_str(), timed, path)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
    bench_util::RatioReporter reporter;
    bench_util::RunPairs(argc, argv, "skinmesh draw: engine / CPU-blended straight OpenGL", 0, &reporter);
    // load = load and convert; parse = the file parsed alone; read = the file read into memory.
    for (const auto& model : models)
        for (const auto& [a, b] :
             {std::pair<std::string, std::string>{"load", "parse"}, {"load", "read"}, {"parse", "read"}})
            bench_util::PrintRatio(model.first + " model: " + a + " / " + b,
                                   reporter.Ratio(a + "/" + model.first, b + "/" + model.first));
    std::remove(kModel);
    return 0;
}
