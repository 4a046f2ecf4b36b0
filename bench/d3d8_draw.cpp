// Cost per draw of the Direct3D stand-in against the same draws issued straight to
// OpenGL, measured in the same run: 1,000 small draws per frame with state changes
// between them, and a few large batches. Also counts shader-cache builds and hits.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <epoxy/gl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench_gl.h"
#include "d3d8.h"
#include "quil_automation_d3d.h"

namespace {

constexpr int kSmallDraws = 1000;
constexpr int kBigDraws = 8;
constexpr int kBigTriangles = 30000;

struct Vertex {
    float x, y, z;
    DWORD color;
    float u, v;
};

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The stand-in side: a device, two textures, one small and one big vertex buffer.
struct StandIn {
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* dev = nullptr;
    IDirect3DTexture8* tex[2] = {};
    IDirect3DVertexBuffer8* small = nullptr;
    IDirect3DVertexBuffer8* big = nullptr;

    bool Open(const std::vector<Vertex>& quad, const std::vector<Vertex>& mesh) {
        if (quil_automation::CreateOffscreenDevice(256, 256, true, &d3d, &dev) != D3D_OK) return false;
        for (int i = 0; i < 2; ++i) {
            dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex[i]);
            D3DLOCKED_RECT lr;
            tex[i]->LockRect(0, &lr, nullptr, 0);
            for (int p = 0; p < 64; ++p) static_cast<DWORD*>(lr.pBits)[p] = i ? 0xFFFF8040 : 0x80FFFFFF;
            tex[i]->UnlockRect(0);
        }
        auto fill = [&](const std::vector<Vertex>& v, IDirect3DVertexBuffer8** vb) {
            dev->CreateVertexBuffer(static_cast<UINT>(v.size() * sizeof(Vertex)), D3DUSAGE_WRITEONLY,
                                    D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, D3DPOOL_MANAGED, vb);
            BYTE* p = nullptr;
            (*vb)->Lock(0, 0, &p, 0);
            std::memcpy(p, v.data(), v.size() * sizeof(Vertex));
            (*vb)->Unlock();
        };
        fill(quad, &small);
        fill(mesh, &big);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        return true;
    }
    void Close() {
        dev->SetTexture(0, nullptr);
        dev->SetStreamSource(0, nullptr, 0);
        for (auto* t : tex) t->Release();
        small->Release();
        big->Release();
        dev->Release();
        d3d->Release();
    }
    void SmallFrame() {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        dev->BeginScene();
        dev->SetStreamSource(0, small, sizeof(Vertex));
        for (int i = 0; i < kSmallDraws; ++i) {
            D3DMATRIX w;
            std::memset(&w, 0, sizeof(w));
            w._11 = w._22 = w._33 = w._44 = 1;
            w._41 = -0.9f + 0.06f * (i % 30);
            w._42 = -0.9f + 0.06f * ((i / 30) % 30);
            dev->SetTransform(D3DTS_WORLD, &w);
            dev->SetTexture(0, tex[i & 1]);
            dev->SetRenderState(D3DRS_ALPHABLENDENABLE, (i & 2) ? TRUE : FALSE);
            dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
        }
        dev->EndScene();
        glFinish();
    }
    void BigFrame() {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        dev->BeginScene();
        dev->SetStreamSource(0, big, sizeof(Vertex));
        dev->SetTexture(0, tex[1]);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        for (int i = 0; i < kBigDraws; ++i) dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, kBigTriangles);
        dev->EndScene();
        glFinish();
    }
};

// The baseline: the same draws written directly against OpenGL with one fixed program.
struct RawGl {
    SDL_Window* window = nullptr;
    SDL_GLContext gl = nullptr;
    GLuint program = 0, vao = 0, vbSmall = 0, vbBig = 0, tex[2] = {}, fbo = 0, color = 0, depth = 0;
    GLint uWorld = -1;

    bool Open(const std::vector<Vertex>& quad, const std::vector<Vertex>& mesh) {
        window = SDL_CreateWindow("baseline", 0, 0, 256, 256, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window) return false;
        gl = SDL_GL_CreateContext(window);
        if (!gl) return false;
        const char* vs =
            "#version 330 core\nlayout(location=0) in vec3 p; layout(location=5) in vec4 c; layout(location=7) in vec2 t;\n"
            "uniform mat4 uWorld; out vec4 vc; out vec2 vt;\n"
            "void main(){ gl_Position = uWorld * vec4(p, 1.0); vc = c; vt = t; }\n";
        const char* fs =
            "#version 330 core\nin vec4 vc; in vec2 vt; uniform sampler2D s; out vec4 o;\n"
            "void main(){ o = texture(s, vt) * vc; }\n";
        program = bench_util::LinkProgram(vs, fs);
        uWorld = glGetUniformLocation(program, "uWorld");
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        auto upload = [](const std::vector<Vertex>& data, GLuint* b) {
            glGenBuffers(1, b);
            glBindBuffer(GL_ARRAY_BUFFER, *b);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(Vertex)), data.data(),
                         GL_STATIC_DRAW);
        };
        upload(quad, &vbSmall);
        upload(mesh, &vbBig);
        glGenTextures(2, tex);
        for (int i = 0; i < 2; ++i) {
            std::vector<DWORD> px(64, i ? 0xFFFF8040 : 0x80FFFFFF);
            glBindTexture(GL_TEXTURE_2D, tex[i]);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 8, 8, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, px.data());
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        }
        glGenTextures(1, &color);
        glBindTexture(GL_TEXTURE_2D, color);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenRenderbuffers(1, &depth);
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, 256, 256);
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
        glViewport(0, 0, 256, 256);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glUseProgram(program);
        return true;
    }
    void Bind(GLuint vb) {
        glBindBuffer(GL_ARRAY_BUFFER, vb);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
        glVertexAttribPointer(5, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), reinterpret_cast<void*>(12));
        glVertexAttribPointer(7, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(16));
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(5);
        glEnableVertexAttribArray(7);
    }
    void SmallFrame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Bind(vbSmall);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        for (int i = 0; i < kSmallDraws; ++i) {
            float w[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -0.9f + 0.06f * (i % 30), -0.9f + 0.06f * ((i / 30) % 30), 0, 1};
            glUniformMatrix4fv(uWorld, 1, GL_FALSE, w);
            glBindTexture(GL_TEXTURE_2D, tex[i & 1]);
            if (i & 2) glEnable(GL_BLEND);
            else glDisable(GL_BLEND);
            glDrawArrays(GL_TRIANGLES, 0, 6);
        }
        glFinish();
    }
    void BigFrame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Bind(vbBig);
        glBindTexture(GL_TEXTURE_2D, tex[1]);
        glDisable(GL_BLEND);
        float w[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        glUniformMatrix4fv(uWorld, 1, GL_FALSE, w);
        for (int i = 0; i < kBigDraws; ++i) glDrawArrays(GL_TRIANGLES, 0, kBigTriangles * 3);
        glFinish();
    }
    void Close() {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(gl);
        SDL_DestroyWindow(window);
    }
};

// Geometry: one 6-vertex quad a few pixels wide, and a grid of small triangles over most of
// the view. The grid stays clear of the view's edges: the stand-in's half-pixel shift would
// otherwise push the edge triangles out and send whole draws through the clipper.
void MakeGeometry(std::vector<Vertex>* quad, std::vector<Vertex>* mesh) {
    const float s = 0.03f;
    *quad = {{0, 0, 0.5f, 0xFFFFFFFF, 0, 0}, {s, 0, 0.5f, 0xFFFFFFFF, 1, 0}, {0, s, 0.5f, 0xFFFFFFFF, 0, 1},
             {0, s, 0.5f, 0xFFFFFFFF, 0, 1}, {s, 0, 0.5f, 0xFFFFFFFF, 1, 0}, {s, s, 0.5f, 0xFFFFFFFF, 1, 1}};
    mesh->clear();
    for (int t = 0; t < kBigTriangles; ++t) {
        float x = -0.95f + 1.9f * (t % 173) / 173, y = -0.95f + 1.9f * ((t / 173) % 173) / 173, d = 1.9f / 173;
        mesh->push_back({x, y, 0.5f, 0xFF808080, 0, 0});
        mesh->push_back({x + d, y, 0.5f, 0xFF808080, 1, 0});
        mesh->push_back({x, y + d, 0.5f, 0xFF808080, 0, 1});
    }
}

template <bool kSmall>
void RunComparison(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    std::vector<Vertex> quad, mesh;
    MakeGeometry(&quad, &mesh);
    RawGl raw;
    StandIn standIn;
    if (!raw.Open(quad, mesh) || !standIn.Open(quad, mesh)) {
        state.SkipWithError("no OpenGL device");
        return;
    }
    double tStandIn = 0, tRaw = 0;
    for (auto _ : state) {
        SDL_GL_MakeCurrent(raw.window, raw.gl);
        double t0 = Now();
        if (kSmall) raw.SmallFrame(); else raw.BigFrame();
        double t1 = Now();
        if (kSmall) standIn.SmallFrame(); else standIn.BigFrame();  // the device makes its context current
        double t2 = Now();
        tRaw += t1 - t0;
        tStandIn += t2 - t1;
        state.SetIterationTime(t2 - t1);
    }
    state.counters["ratio_vs_gl"] = tRaw > 0 ? tStandIn / tRaw : 0;
    state.counters["gl_ms"] = 1000.0 * tRaw / static_cast<double>(state.iterations());
    quil_automation::ShaderCacheStats s = quil_automation::GetShaderCacheStats(standIn.dev);
    state.counters["shader_builds"] = static_cast<double>(s.builds);
    state.counters["shader_hits"] = static_cast<double>(s.hits);
    standIn.Close();
    raw.Close();
}

void BM_SmallDrawsWithStateChanges(benchmark::State& state) { RunComparison<true>(state); }
void BM_LargeBatches(benchmark::State& state) { RunComparison<false>(state); }

// Shader programs built in the first frame against those built in the 99 after it.
void BM_ShaderCacheOverFrames(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    std::vector<Vertex> quad, mesh;
    MakeGeometry(&quad, &mesh);
    for (auto _ : state) {
        StandIn s;
        if (!s.Open(quad, mesh)) {
            state.SkipWithError("no OpenGL device");
            return;
        }
        s.SmallFrame();
        quil_automation::ShaderCacheStats first = quil_automation::GetShaderCacheStats(s.dev);
        for (int f = 0; f < 99; ++f) s.SmallFrame();
        quil_automation::ShaderCacheStats all = quil_automation::GetShaderCacheStats(s.dev);
        state.counters["builds_first_frame"] = static_cast<double>(first.builds);
        state.counters["builds_later_frames"] = static_cast<double>(all.builds - first.builds);
        state.counters["hits"] = static_cast<double>(all.hits);
        s.Close();
    }
}

}  // namespace

BENCHMARK(BM_SmallDrawsWithStateChanges)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LargeBatches)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ShaderCacheOverFrames)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
