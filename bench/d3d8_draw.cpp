// What the Direct3D stand-in costs per draw: 1,000 small draws with state changes between them,
// and a few large batches, through the device against the same draws straight to OpenGL. The
// two sides take turns each iteration; main-thread CPU is compared. Repetitions (e.g.
// --benchmark_repetitions=5) print the ratios' min/median/max, the median against the goal.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"

namespace {

constexpr int kSize = 256;
constexpr int kSmallDraws = 1000;
constexpr int kBigDraws = 8;
constexpr int kBigTriangles = 30000;

struct Vertex {
    float x, y, z;
    DWORD color;
    float u, v;
};

// One 6-vertex quad a few pixels wide, and a grid of small triangles over most of the view.
// The grid stays clear of the view's edges: the stand-in's half-pixel shift would otherwise push
// the edge triangles out and send whole draws through the clipper.
const std::vector<Vertex>& Quad() {
    static const float s = 0.03f;
    static const std::vector<Vertex> quad = {{0, 0, 0.5f, 0xFFFFFFFF, 0, 0}, {s, 0, 0.5f, 0xFFFFFFFF, 1, 0},
                                             {0, s, 0.5f, 0xFFFFFFFF, 0, 1}, {0, s, 0.5f, 0xFFFFFFFF, 0, 1},
                                             {s, 0, 0.5f, 0xFFFFFFFF, 1, 0}, {s, s, 0.5f, 0xFFFFFFFF, 1, 1}};
    return quad;
}
const std::vector<Vertex>& Mesh() {
    static const std::vector<Vertex> mesh = [] {
        std::vector<Vertex> m;
        const float d = 1.9f / 173;
        for (int t = 0; t < kBigTriangles; ++t) {
            const float x = -0.95f + d * float(t % 173), y = -0.95f + d * float((t / 173) % 173);
            m.push_back({x, y, 0.5f, 0xFF808080, 0, 0});
            m.push_back({x + d, y, 0.5f, 0xFF808080, 1, 0});
            m.push_back({x, y + d, 0.5f, 0xFF808080, 0, 1});
        }
        return m;
    }();
    return mesh;
}
// Where small draw i sits.
float SmallX(int i) { return -0.9f + 0.06f * float(i % 30); }
float SmallY(int i) { return -0.9f + 0.06f * float((i / 30) % 30); }
const DWORD kTexel[2] = {0x80FFFFFF, 0xFFFF8040};

// The stand-in's side: a device, two textures, one small and one big vertex buffer.
class StandIn {
public:
    explicit StandIn(bool small) : m_small(small) {}
    bool Open() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (quil_automation::CreateOffscreenDevice(kSize, kSize, true, &m_d3d, &m_dev) != D3D_OK) return false;
        for (int i = 0; i < 2; ++i) {
            m_dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &m_tex[i]);
            D3DLOCKED_RECT lr;
            m_tex[i]->LockRect(0, &lr, nullptr, 0);
            for (int p = 0; p < 64; ++p) static_cast<DWORD*>(lr.pBits)[p] = kTexel[i];
            m_tex[i]->UnlockRect(0);
        }
        const std::vector<Vertex>& v = m_small ? Quad() : Mesh();
        m_dev->CreateVertexBuffer(UINT(v.size() * sizeof(Vertex)), D3DUSAGE_WRITEONLY,
                                  D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, D3DPOOL_MANAGED, &m_vb);
        BYTE* p = nullptr;
        m_vb->Lock(0, 0, &p, 0);
        std::memcpy(p, v.data(), v.size() * sizeof(Vertex));
        m_vb->Unlock();
        m_dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        m_dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        return true;
    }
    ~StandIn() {
        if (!m_dev) return;
        m_dev->SetTexture(0, nullptr);
        m_dev->SetStreamSource(0, nullptr, 0);
        for (auto* t : m_tex)
            if (t) t->Release();
        if (m_vb) m_vb->Release();
        m_dev->Release();
        m_d3d->Release();
    }
    void Frame(int) {
        m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        m_dev->BeginScene();
        m_dev->SetStreamSource(0, m_vb, sizeof(Vertex));
        if (m_small) {
            for (int i = 0; i < kSmallDraws; ++i) {
                D3DMATRIX w;
                std::memset(&w, 0, sizeof(w));
                w._11 = w._22 = w._33 = w._44 = 1;
                w._41 = SmallX(i);
                w._42 = SmallY(i);
                m_dev->SetTransform(D3DTS_WORLD, &w);
                m_dev->SetTexture(0, m_tex[i & 1]);
                m_dev->SetRenderState(D3DRS_ALPHABLENDENABLE, (i & 2) ? TRUE : FALSE);
                m_dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
                m_dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
                m_dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
            }
        } else {
            m_dev->SetTexture(0, m_tex[1]);
            m_dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
            for (int i = 0; i < kBigDraws; ++i) m_dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, kBigTriangles);
        }
        m_dev->EndScene();
        glFinish();
    }

private:
    bool m_small;
    IDirect3D8* m_d3d = nullptr;
    IDirect3DDevice8* m_dev = nullptr;
    IDirect3DTexture8* m_tex[2] = {};
    IDirect3DVertexBuffer8* m_vb = nullptr;
};

// The same draws written directly against OpenGL with one fixed program, into a framebuffer of
// the device's size and formats.
class RawGl : bench_util::GlSide {
public:
    explicit RawGl(bool small) : m_small(small) {}
    bool Open() {
        const char* vs =
            "#version 330 core\nlayout(location=0) in vec3 p; layout(location=5) in vec4 c; layout(location=7) in vec2 t;\n"
            "uniform mat4 uWorld; out vec4 vc; out vec2 vt;\n"
            "void main(){ gl_Position = uWorld * vec4(p, 1.0); vc = c; vt = t; }\n";
        const char* fs =
            "#version 330 core\nin vec4 vc; in vec2 vt; uniform sampler2D s; out vec4 o;\n"
            "void main(){ o = texture(s, vt) * vc; }\n";
        if (!OpenGl("draw bench", kSize, kSize, vs, fs)) return false;
        m_uWorld = glGetUniformLocation(m_program, "uWorld");
        const std::vector<Vertex>& v = m_small ? Quad() : Mesh();
        GLuint vb = 0;
        glGenBuffers(1, &vb);
        glBindBuffer(GL_ARRAY_BUFFER, vb);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(v.size() * sizeof(Vertex)), v.data(), GL_STATIC_DRAW);
        glGenTextures(2, m_tex);
        for (int i = 0; i < 2; ++i) {
            std::vector<DWORD> px(64, kTexel[i]);
            glBindTexture(GL_TEXTURE_2D, m_tex[i]);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 8, 8, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, px.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        }
        bench_util::BindColorDepthFramebuffer(kSize, kSize);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
        glVertexAttribPointer(5, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), reinterpret_cast<void*>(12));
        glVertexAttribPointer(7, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(16));
        for (GLuint a : {0u, 5u, 7u}) glEnableVertexAttribArray(a);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        return true;
    }
    void Frame(int) {
        BeginFrame();
        if (m_small) {
            for (int i = 0; i < kSmallDraws; ++i) {
                const float w[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, SmallX(i), SmallY(i), 0, 1};
                glUniformMatrix4fv(m_uWorld, 1, GL_FALSE, w);
                glBindTexture(GL_TEXTURE_2D, m_tex[i & 1]);
                if (i & 2) glEnable(GL_BLEND);
                else glDisable(GL_BLEND);
                glDrawArrays(GL_TRIANGLES, 0, 6);
            }
        } else {
            const float w[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
            glUniformMatrix4fv(m_uWorld, 1, GL_FALSE, w);
            glBindTexture(GL_TEXTURE_2D, m_tex[1]);
            glDisable(GL_BLEND);
            for (int i = 0; i < kBigDraws; ++i) glDrawArrays(GL_TRIANGLES, 0, kBigTriangles * 3);
        }
        glFinish();
    }

private:
    bool m_small;
    GLint m_uWorld = -1;
    GLuint m_tex[2] = {};
};

void BM_Draws(benchmark::State& state) {
    const bool small = state.range(0) == 0;
    StandIn device(small);
    RawGl gl(small);
    bench_util::TimePair(state, device, gl);
}
BENCHMARK(BM_Draws)->ArgName("large")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The console reporter, keeping the main-thread CPU ratio of every reported run by case
// (0 small draws, 1 large batches).
class RunsReporter : public benchmark::ConsoleReporter {
public:
    RunsReporter() : ConsoleReporter(OO_Tabular) {}  // no colour codes before the ratio lines
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0 && run.counters.count("ratio_cpu"))
                ratios[run.benchmark_name().find("large:1") != std::string::npos ? 1 : 0].push_back(
                    run.counters.at("ratio_cpu").value);
        ConsoleReporter::ReportRuns(runs);
    }
    std::vector<double> ratios[2];
};

// "min/median/max" of the runs' ratios, then the median against the goal.
void PrintRuns(const char* what, std::vector<double> ratios, double goal) {
    if (ratios.empty()) return;
    std::sort(ratios.begin(), ratios.end());
    char line[160];
    std::snprintf(line, sizeof(line), "%s, main-thread CPU (%zu runs %.3f/%.3f/%.3f, median)", what, ratios.size(),
                  ratios.front(), ratios[ratios.size() / 2], ratios.back());
    bench_util::PrintRatio(line, ratios[ratios.size() / 2], goal);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RunsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRuns("d3d8_draw: 1,000 small draws / straight OpenGL", reporter.ratios[0], 1.15);
    PrintRuns("d3d8_draw: large batches / straight OpenGL", reporter.ratios[1], 1.05);
    benchmark::Shutdown();
    return 0;
}
