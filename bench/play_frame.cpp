// Main-thread CPU of a play frame of the first level, played through the game's own framework in
// its window (update, draw, Present with the menu strip of the windowed mode), against the same
// frame's draws replayed straight to OpenGL right after it: the same vertices, indices, programs,
// textures, blend and depth-write changes, sent as a hand-written renderer sends them (vertex
// shaders' vertices drawn unskinned). The view turns slowly; five passes of frames.
#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "bench_util.h"
#include "game.h"
#include "game_world_support.h"
#include "d3dapp.h"
#include "gameengine.h"
#include "pcsystem.h"
#include "windows.h"

namespace {
namespace qa = quil_automation;

constexpr double kFrameSeconds = 1.0 / 60.0;
constexpr int kWarmupFrames = 60, kPasses = 5, kFramesPerPass = 150;

// The replay: its own context and framebuffer of the back buffer's size.
class Replay : bench_util::GlSide {
public:
    bool Open(int width, int height) {
        const char* vs =
            "#version 330 core\nlayout(location=0) in vec4 p; uniform mat4 m; out vec2 vt;"
            "void main(){ gl_Position = m * vec4(p.xyz, 1.0); vt = p.xy * 0.01; }";
        const char* fs =
            "#version 330 core\nin vec2 vt; uniform sampler2D s; out vec4 o; void main(){ o = texture(s, vt); }";
        if (!OpenGl("play frame replay", width, height, vs, fs)) return false;
        m_vs = vs;
        m_fs = fs;
        m_width = float(width);
        m_height = float(height);
        m_fbo = bench_util::BindColorDepthFramebuffer(width, height);
        glGenBuffers(1, &m_stream);
        glBindBuffer(GL_ARRAY_BUFFER, m_stream);
        glBufferData(GL_ARRAY_BUFFER, kStreamBytes, nullptr, GL_STREAM_DRAW);
        glEnableVertexAttribArray(0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        return true;
    }

    // Draws the log's frame and waits for it.
    void Frame(const qa::DrawLog& log) {
        BeginFrame();
        m_streamPos = 0;
        GLuint program = 0, texture = ~0u, arrayBuffer = ~0u, elementBuffer = ~0u;
        int blend = -1, depthWrite = -1;
        const float* lastMatrix = nullptr;
        for (const qa::DrawRecord& d : log.draws) {
            const Program& p = ProgramFor(d);
            if (p.id != program) {
                glUseProgram(program = p.id);
                lastMatrix = nullptr;
            }
            if (!lastMatrix || std::memcmp(lastMatrix, d.clipFromModel, sizeof(d.clipFromModel)) != 0)
                glUniformMatrix4fv(p.matrix, 1, GL_FALSE, d.pretransformed ? m_screen : d.clipFromModel);
            lastMatrix = d.clipFromModel;
            const GLuint t = TextureFor(d.texture);
            if (t != texture) glBindTexture(GL_TEXTURE_2D, texture = t);
            if (int(d.blend) != blend) (blend = d.blend) ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
            if (int(d.depthWrite) != depthWrite) glDepthMask((depthWrite = d.depthWrite) ? GL_TRUE : GL_FALSE);
            size_t offset = d.positionOffset;
            GLuint vb = m_stream;
            if (d.vertexData) {
                vb = BufferFor(d.vertexData, d.vertexBytes, d.vertexVersion, GL_ARRAY_BUFFER);
            } else {
                if (m_streamPos + d.vertexBytes > kStreamBytes) {
                    glBindBuffer(GL_ARRAY_BUFFER, m_stream);
                    glBufferData(GL_ARRAY_BUFFER, kStreamBytes, nullptr, GL_STREAM_DRAW);
                    m_streamPos = 0;
                }
                m_streamPos = (m_streamPos + d.stride - 1) / d.stride * d.stride;
                glBindBuffer(GL_ARRAY_BUFFER, m_stream);
                glBufferSubData(GL_ARRAY_BUFFER, GLintptr(m_streamPos), d.vertexBytes, &log.userBytes[d.userOffset]);
                offset += m_streamPos;
                m_streamPos += d.vertexBytes;
                arrayBuffer = ~0u;
            }
            if (vb != arrayBuffer || d.vertexData == nullptr) {
                glBindBuffer(GL_ARRAY_BUFFER, arrayBuffer = vb);
                glVertexAttribPointer(0, d.pretransformed ? 4 : 3, GL_FLOAT, GL_FALSE, GLsizei(d.stride),
                                      reinterpret_cast<const void*>(offset));
            }
            if (d.indexSize) {
                const GLuint ib = BufferFor(d.indexData, d.indexBytes, d.indexVersion, GL_ELEMENT_ARRAY_BUFFER);
                if (ib != elementBuffer) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elementBuffer = ib);
                glDrawElementsBaseVertex(d.glMode, GLsizei(d.count), d.indexSize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                                         reinterpret_cast<const void*>(size_t(d.first) * d.indexSize), d.baseVertex);
            } else {
                glDrawArrays(d.glMode, d.vertexData ? GLint(d.first) : 0, GLsizei(d.count));
            }
        }
        glFinish();
    }

private:
    static constexpr GLsizeiptr kStreamBytes = 4 << 20;
    struct Program {
        GLuint id = 0;
        GLint matrix = -1;
    };
    struct Buffer {
        GLuint id = 0;
        uint64_t version = ~0ull;
    };

    // One program of the replay for each program of the device (and way of placing vertices).
    const Program& ProgramFor(const qa::DrawRecord& d) {
        Program& p = m_programs[{d.program, d.pretransformed}];
        if (!p.id) {
            const GLuint keep = m_program;
            OpenProgram();
            p.id = m_program;
            m_program = keep;
            p.matrix = glGetUniformLocation(p.id, "m");
            // Screen positions to clip space, as the device places pre-transformed vertices.
            const float screen[16] = {2.0f / m_width, 0, 0, 0, 0, -2.0f / m_height, 0, 0, 0, 0, 2, 0, -1, 1, -1, 1};
            std::memcpy(m_screen, screen, sizeof(screen));
        }
        return p;
    }
    void OpenProgram() {
        m_program = glCreateProgram();
        for (auto [type, src] : {std::pair<GLenum, const char*>{GL_VERTEX_SHADER, m_vs}, {GL_FRAGMENT_SHADER, m_fs}}) {
            GLuint shader = glCreateShader(type);
            glShaderSource(shader, 1, &src, nullptr);
            glCompileShader(shader);
            glAttachShader(m_program, shader);
        }
        glLinkProgram(m_program);
    }
    // A small texture standing for each texture of the device.
    GLuint TextureFor(uint32_t deviceTexture) {
        GLuint& t = m_textures[deviceTexture];
        if (!t && deviceTexture) {
            std::vector<uint32_t> texels(64 * 64, 0xFF808080u);
            glGenTextures(1, &t);
            glBindTexture(GL_TEXTURE_2D, t);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 64, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
            glGenerateMipmap(GL_TEXTURE_2D);
        }
        return t;
    }
    // The replay's copy of a device buffer, filled again whenever the device's changed.
    GLuint BufferFor(const void* data, uint32_t bytes, uint64_t version, GLenum target) {
        Buffer& b = m_buffers[{data, bytes}];
        if (!b.id) glGenBuffers(1, &b.id);
        if (b.version != version) {
            glBindBuffer(target, b.id);
            glBufferData(target, bytes, data, GL_DYNAMIC_DRAW);
            b.version = version;
        }
        return b.id;
    }

    const char* m_vs = nullptr;
    const char* m_fs = nullptr;
    float m_width = 0, m_height = 0;
    float m_screen[16] = {};
    GLuint m_fbo = 0, m_stream = 0;
    GLsizeiptr m_streamPos = 0;
    std::map<std::pair<uint32_t, bool>, Program> m_programs;
    std::map<uint32_t, GLuint> m_textures;
    std::map<std::pair<const void*, uint32_t>, Buffer> m_buffers;
};

// Drives the game from the platform's pump hook: into the first level, then frames of play
// timed on the main thread, each followed by its replay.
class Player {
public:
    void Pump() {
        const double now = bench_util::ThreadCpuSeconds();
        if (m_measuring) m_engineCpu += now - m_hookLeft;
        qa::AdvanceClock(kFrameSeconds);
        if (g_uFrameCount != m_frame) {
            m_frame = g_uFrameCount;
            Step();
        }
        m_hookLeft = bench_util::ThreadCpuSeconds();
    }

    struct Pass {
        double engineMs, replayMs;
    };
    std::vector<Pass> passes;
    size_t drawsPerFrame = 0;

private:
    void Step() {
        Game* game = GetGame();
        if (m_stage == 0) {  // the menu: START GAME, then EASY
            if (game->GetState() != GAMESTATE_MENU && m_keys == 0) return;
            const int t = m_keys++;
            // Held long enough to act once: the menu acts on a key held past its repeat time.
            if (t == 0 || t == 50) qa::KeyDown(VK_RETURN);
            if (t == 25 || t == 75) qa::KeyUp(VK_RETURN);
            if (t > 90) m_stage = 1;
            return;
        }
        if (game->GetState() != GAMESTATE_PLAY) {
            if (m_stage >= 2 || ++m_waited > 2000) Finish();  // play ended early, or never began
            return;
        }
        // A slow turn: the pointer moves right and jumps back to the middle near the edge.
        m_mouseX = m_mouseX > 520 ? 320 : m_mouseX + 3;
        qa::MouseMove(GetPCSystem()->GetHWnd(), m_mouseX, 240);
        ++m_playFrames;
        if (m_stage == 1 && m_playFrames >= kWarmupFrames) Begin();
        else if (m_stage == 2) Measured();
    }
    void Begin() {
        m_device = RenderDevice_GetDevice();
        const D3DSURFACE_DESC* bb = RenderDevice_GetBackBufferDesc();
        SDL_Window* window = SDL_GL_GetCurrentWindow();
        SDL_GLContext context = SDL_GL_GetCurrentContext();
        const bool opened = m_replay.Open(int(bb->Width), int(bb->Height));
        SDL_GL_MakeCurrent(window, context);
        if (!opened) return Finish();
        qa::RecordDraws(m_device, &m_log);
        m_stage = 2;
        m_measuring = true;
    }
    // After a measured frame: its replay, timed; the device's context made current again, so
    // that the device finds its own state as it left it.
    void Measured() {
        SDL_Window* window = SDL_GL_GetCurrentWindow();
        SDL_GLContext context = SDL_GL_GetCurrentContext();
        const double start = bench_util::ThreadCpuSeconds();
        m_replay.Frame(m_log);
        m_replayCpu += bench_util::ThreadCpuSeconds() - start;
        drawsPerFrame = m_log.draws.size();
        m_log.Clear();
        SDL_GL_MakeCurrent(window, context);
        if (++m_passFrames < kFramesPerPass) return;
        passes.push_back({m_engineCpu * 1e3 / kFramesPerPass, m_replayCpu * 1e3 / kFramesPerPass});
        m_engineCpu = m_replayCpu = 0;
        m_passFrames = 0;
        if (int(passes.size()) == kPasses) Finish();
    }
    void Finish() {
        if (m_device) qa::RecordDraws(m_device, nullptr);
        m_measuring = false;
        m_stage = 3;
        GetGameEngine()->Quit();
        PostMessageA(GetPCSystem()->GetHWnd(), WM_NULL, 0, 0);
    }

    Replay m_replay;
    qa::DrawLog m_log;
    IDirect3DDevice8* m_device = nullptr;
    int m_stage = 0, m_keys = 0, m_waited = 0, m_playFrames = 0, m_passFrames = 0, m_mouseX = 320;
    uint32_t m_frame = ~0u;
    bool m_measuring = false;
    double m_engineCpu = 0, m_replayCpu = 0, m_hookLeft = 0;
};

// min/median/max of values, as text.
std::string Spread(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    char text[64];
    std::snprintf(text, sizeof(text), "%.3f/%.3f/%.3f", v.front(), v[v.size() / 2], v.back());
    return text;
}

void BM_PlayFrame(benchmark::State& state) {
    quiltest::GeneratedAssetFolder("bench_play_frame");
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    qa::UseVirtualClock(true);
    qa::SetHeadless(true);
    // Windowed, as the menu strip is drawn in a window only.
    qa::QueueDialogScript([](HWND dialog) {
        qa::DialogClickButton(dialog, IDC_WINDOW);
        qa::DialogClickButton(dialog, IDOK);
    });
    Player player;
    for (auto _ : state) {
        qa::SetPumpHook([&player] { player.Pump(); });
        GetGameEngine()->Run(GetModuleHandleA(nullptr), GetGame(), 0);
        qa::SetPumpHook(std::function<void()>());
    }
    if (player.passes.size() != size_t(kPasses)) {
        state.SkipWithError("the level was not played through every pass");
        return;
    }
    std::vector<double> engine, replay, ratio;
    for (const Player::Pass& p : player.passes) {
        engine.push_back(p.engineMs);
        replay.push_back(p.replayMs);
        ratio.push_back(p.engineMs / p.replayMs);
    }
    state.counters["draws"] = double(player.drawsPerFrame);
    std::printf("play frame, main-thread CPU ms (min/median/max of %d passes of %d frames): game %s, replay %s\n",
                kPasses, kFramesPerPass, Spread(engine).c_str(), Spread(replay).c_str());
    std::sort(ratio.begin(), ratio.end());
    bench_util::PrintRatio("play_frame: game frame / its draws straight to OpenGL (" + Spread(ratio) + ", median)",
                           ratio[ratio.size() / 2]);
}
BENCHMARK(BM_PlayFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
