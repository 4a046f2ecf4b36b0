// Drawing 30 skinned models of 5,000 triangles and 24 bones a frame through SkinMesh (frame
// matrices, palettes in vertex-shader constants, the vs.1.1 skinning shaders), against the
// same vertices blended once on the CPU and drawn straight to OpenGL in a context of its own.
// Reports the engine's frame time as a ratio of the baseline.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "d3dx8.h"
#include "quil_automation.h"
#include "quil_automation_d3d.h"
#include "renderdevice.h"
#include "renderer.h"
#include "skinmesh.h"
#include "skinmesh_model.h"

namespace {

const int kWidth = 640, kHeight = 480, kModels = 30;
const char kFile[] = "bench_skinned_draw.x";
double g_engineSeconds = 0.0, g_glSeconds = 0.0;

// The first model's vertices blended on the CPU (camera space) and its triangle list.
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
    g_blended.assign(size_t(c->pMesh->GetNumVertices()) * 3, 0.0f);
    for (DWORD s = 0; s < c->uSubsetCount; ++s) {
        for (DWORD v = combos[s].VertexStart; v < combos[s].VertexStart + combos[s].VertexCount; ++v) {
            const BYTE* p = vb + size_t(v) * stride;
            Vec3 pos;
            std::memcpy(&pos, p, 12);
            DWORD packed;
            std::memcpy(&packed, p + 12 + 4 * (n - 1), 4);
            float rest = 1.0f;
            for (DWORD k = 0; k < n; ++k) {
                float w = rest;
                if (k + 1 < n) {
                    std::memcpy(&w, p + 12 + 4 * k, 4);
                    rest -= w;
                }
                const DWORD bone = combos[s].BoneId[(packed >> (8 * k)) & 0xFF];
                Vec3 q;
                mat_TransformPoint(&pos, &c->pBoneOffsetMatrices[bone], &q);
                mat_TransformPoint(&q, c->ppBoneMatrices[bone], &q);
                g_blended[size_t(v) * 3 + 0] += q.x * w;
                g_blended[size_t(v) * 3 + 1] += q.y * w;
                g_blended[size_t(v) * 3 + 2] += q.z * w;
            }
        }
    }
    g_indices.resize(size_t(c->pMesh->GetNumFaces()) * 3);
    for (size_t i = 0; i < g_indices.size(); ++i) {
        WORD w;
        std::memcpy(&w, ib + i * 2, 2);
        g_indices[i] = w;
    }
    c->pMesh->UnlockIndexBuffer();
    c->pMesh->UnlockVertexBuffer();
}

void BM_SkinMeshFrame(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    quil_automation::SetHeadless(true);
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    if (quil_automation::CreateOffscreenDevice(kWidth, kHeight, true, &d3d, &device) != D3D_OK) {
        state.SkipWithError("no device");
        return;
    }
    RenderDevice_Bind(device);
    Renderer* renderer = GetRenderer();
    renderer->RestoreDeviceObjects();
    std::vector<std::unique_ptr<SkinMesh>> meshes;
    for (int i = 0; i < kModels; ++i) {
        meshes.push_back(std::make_unique<SkinMesh>());
        meshes.back()->Setup(kFile, "");
        meshes.back()->SetRenderMode(RENDERMODE_DIFFUSE);
        *meshes.back()->GetMatrix() = ModelMatrix(i);
        meshes.back()->Activate();
    }
    mat_Identity(renderer->GetViewMatrix());
    renderer->Render();  // loads the models
    if (!meshes[0]->GetElements()) {
        state.SkipWithError("model did not load");
    } else {
        BlendOnCpu(*meshes[0]);
        g_projection = *renderer->GetProjectionMatrix();
        for (auto _ : state) {
            for (auto& m : meshes) m->Update(0.016f);
            renderer->Render();
            glFinish();
        }
        // How much of the frame the models cover, to show that both sides draw alike.
        quil_automation::RgbaImage image;
        quil_automation::ReadBackBuffer(device, &image);
        int covered = 0;
        for (size_t i = 0; i + 3 < image.pixels.size(); i += 4)
            covered += image.pixels[i] > 40 || image.pixels[i + 1] > 40 || image.pixels[i + 2] > 40;
        state.counters["covered_px"] = covered;
    }
    for (auto& m : meshes) m->Shutdown();
    renderer->ClearLists();
    RenderDevice_Unbind();
    device->Release();
    d3d->Release();
}

// Straight OpenGL: the CPU-blended vertices in one buffer, drawn 30 times with a fixed
// colour, each with its model's position and the same projection.
class GlBaseline {
public:
    bool Open() {
        m_window = SDL_CreateWindow("skin bench", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!m_window) return false;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        m_context = SDL_GL_CreateContext(m_window);
        if (!m_context) return false;
        SDL_GL_MakeCurrent(m_window, m_context);
        const char* vs =
            "#version 330 core\nlayout(location=0) in vec3 p; uniform vec3 offset; uniform mat4 proj;"
            " out vec4 vc; void main(){ gl_Position = proj * vec4(p + offset, 1.0); vc = vec4(0.8, 0.8, 0.8, 1.0); }";
        const char* fs = "#version 330 core\nin vec4 vc; out vec4 o; void main(){ o = vc; }";
        m_program = glCreateProgram();
        for (auto [type, src] : {std::pair<GLenum, const char*>{GL_VERTEX_SHADER, vs}, {GL_FRAGMENT_SHADER, fs}}) {
            GLuint shader = glCreateShader(type);
            glShaderSource(shader, 1, &src, nullptr);
            glCompileShader(shader);
            glAttachShader(m_program, shader);
        }
        glLinkProgram(m_program);
        glGenVertexArrays(1, &m_vao);
        glBindVertexArray(m_vao);
        GLuint buffers[2];
        glGenBuffers(2, buffers);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(g_blended.size() * 4), g_blended.data(), GL_STATIC_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(g_indices.size() * 4), g_indices.data(), GL_STATIC_DRAW);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
        glEnableVertexAttribArray(0);
        glViewport(0, 0, kWidth, kHeight);
        glEnable(GL_DEPTH_TEST);
        // Row vectors times the engine's projection = column vectors times its transpose.
        glUseProgram(m_program);
        glUniformMatrix4fv(glGetUniformLocation(m_program, "proj"), 1, GL_FALSE, &g_projection.m[0][0]);
        m_offset = glGetUniformLocation(m_program, "offset");
        return true;
    }
    void Frame() {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (int i = 0; i < kModels; ++i) {
            const Matrix m = ModelMatrix(i);
            glUniform3f(m_offset, m.m[3][0], m.m[3][1], m.m[3][2]);
            glDrawElements(GL_TRIANGLES, GLsizei(g_indices.size()), GL_UNSIGNED_INT, nullptr);
        }
        glFinish();
    }
    ~GlBaseline() {
        if (m_context) SDL_GL_DeleteContext(m_context);
        if (m_window) SDL_DestroyWindow(m_window);
    }

private:
    SDL_Window* m_window = nullptr;
    SDL_GLContext m_context = nullptr;
    GLuint m_program = 0, m_vao = 0;
    GLint m_offset = -1;
};

void BM_PreblendedGL(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    GlBaseline gl;
    if (g_blended.empty() || !gl.Open()) {
        state.SkipWithError("no blended model or no OpenGL context");
        return;
    }
    for (auto _ : state) gl.Frame();
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int covered = 0;
    for (size_t i = 0; i + 3 < pixels.size(); i += 4) covered += pixels[i] > 40 || pixels[i + 1] > 40 || pixels[i + 2] > 40;
    state.counters["covered_px"] = covered;
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            const double seconds = run.real_accumulated_time / double(run.iterations);
            if (run.benchmark_name().find("BM_SkinMeshFrame") == 0) g_engineSeconds = seconds;
            if (run.benchmark_name().find("BM_PreblendedGL") == 0) g_glSeconds = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

BENCHMARK(BM_SkinMeshFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PreblendedGL)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    WriteSkinnedModel(kFile);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (g_glSeconds > 0.0)
        std::printf("30 skinned models, shader skinning / pre-blended straight OpenGL: %.2fx\n",
                    g_engineSeconds / g_glSeconds);
    std::remove(kFile);
    return 0;
}
