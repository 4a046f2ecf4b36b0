// Drawing 30 skinned models of 5,000 triangles and 24 bones a frame through SkinMesh (frame
// matrices, palettes in vertex-shader constants, the vs.1.1 skinning shaders), against the
// same vertices blended once on the CPU and drawn straight to OpenGL in a context of its own.
// Reports the engine's frame time as a ratio of the baseline.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_gl.h"
#include "bench_util.h"
#include "d3dx8.h"
#include "renderer.h"
#include "skinmesh.h"
#include "skinmesh_model.h"

namespace {

const int kWidth = 640, kHeight = 480, kModels = 30;
const char kFile[] = "bench_skinned_draw.x";

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

// Pixels of an RGBA picture with a colour channel above 40: how much of it the models cover.
int CoveredPixels(const std::vector<uint8_t>& rgba) {
    int covered = 0;
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) covered += rgba[i] > 40 || rgba[i + 1] > 40 || rgba[i + 2] > 40;
    return covered;
}

void BM_SkinMeshFrame(benchmark::State& state) {
    bench_util::EngineDevice engine;
    if (!engine.Open(kWidth, kHeight)) {
        state.SkipWithError("no device");
        return;
    }
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
        quil_automation::ReadBackBuffer(engine.device(), &image);
        state.counters["covered_px"] = CoveredPixels(image.pixels);
    }
    for (auto& m : meshes) m->Shutdown();
    renderer->ClearLists();
    engine.Close();
}

// Straight OpenGL: the CPU-blended vertices in one buffer, drawn 30 times with a fixed
// colour, each with its model's position and the same projection.
class GlBaseline {
public:
    bool Open() {
        if (!m_window.Open("skin bench", kWidth, kHeight)) return false;
        const char* vs =
            "#version 330 core\nlayout(location=0) in vec3 p; uniform vec3 offset; uniform mat4 proj;"
            " out vec4 vc; void main(){ gl_Position = proj * vec4(p + offset, 1.0); vc = vec4(0.8, 0.8, 0.8, 1.0); }";
        const char* fs = "#version 330 core\nin vec4 vc; out vec4 o; void main(){ o = vc; }";
        m_program = bench_util::LinkProgram(vs, fs);
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

private:
    bench_util::GlWindow m_window;
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
    state.counters["covered_px"] = CoveredPixels(pixels);
}

}  // namespace

BENCHMARK(BM_SkinMeshFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PreblendedGL)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    WriteSkinnedModel(kFile);
    benchmark::Initialize(&argc, argv);
    bench_util::RatioReporter reporter("BM_SkinMeshFrame", "BM_PreblendedGL");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (reporter.baselineSeconds > 0.0)
        std::printf("30 skinned models, shader skinning / pre-blended straight OpenGL: %.2fx\n",
                    reporter.measuredSeconds / reporter.baselineSeconds);
    std::remove(kFile);
    return 0;
}
