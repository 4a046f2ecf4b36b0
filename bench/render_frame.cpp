// Frame cost of 2,000 screen sprites in 20 lists and 40 lines of text through the renderer, against
// the same quads and batches drawn straight to OpenGL; the two sides take turns each iteration.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "spritelist2d.h"

namespace {

const int kWidth = 640, kHeight = 480;
const int kLists = 20, kSpritesPerList = 100, kTextLines = 40;
const char kLine[] = "SCORE 012345 TIME 1:05 LEVEL 3";

// Writes a small white TGA with alpha that the sprite lists load.
std::string SpriteTexture() {
    const std::string path = (std::filesystem::temp_directory_path() / "render_bench.tga").string();
    std::vector<unsigned char> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 16, 0, 32, 8};
    tga.resize(18 + 16 * 16 * 4, 255);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(tga.data()), std::streamsize(tga.size()));
    return path;
}

// Where sprite i of list l sits and moves with the frame number.
Sprite2D SpriteAt(int l, int i, int frame) {
    const float t = float(frame) * 0.01f + float(l * kSpritesPerList + i);
    return {320.0f + 300.0f * std::sin(t * 0.37f), 240.0f + 220.0f * std::cos(t * 0.23f), 12.0f, 0xFFFFFFFF,
            0, 0, 1, 1};
}

// The 40 lines of text, drawn in the overlay pass.
class TextPage : public Object {
public:
    void Activate() override { GetRenderer()->AddOverlayObject(this); }
    void Deactivate() override { GetRenderer()->RemoveOverlayObject(this); }
    void Render() override {
        for (int i = 0; i < kTextLines; ++i)
            RenderDevice_GetFont()->DrawText(4.0f, 11.0f * float(i), 0xFFFFFFFF, kLine, 0.3f);
    }
    void InvalidateDeviceObjects() override {}
    void RestoreDeviceObjects() override {}
};

// The engine's side: the sprite lists, the text page and the renderer on the engine device.
class EngineScene {
public:
    bool Open() {
        if (!m_engine.Open(kWidth, kHeight)) return false;
        const std::string texture = SpriteTexture();
        for (int l = 0; l < kLists; ++l) {
            m_lists.push_back(std::make_unique<SpriteList2D>());
            m_lists.back()->Build(kSpritesPerList, texture.c_str());
            m_lists.back()->SetBlendMode(RENDERMODE_MODULATE_ALPHA);
        }
        m_page.Activate();
        return true;
    }
    void Frame(int frame) {
        for (int l = 0; l < kLists; ++l) {
            Sprite2D* s = m_lists[size_t(l)]->GetSprites();
            for (int i = 0; i < kSpritesPerList; ++i) s[i] = SpriteAt(l, i, frame);
            m_lists[size_t(l)]->Update(0.016f);
        }
        GetRenderer()->Render();
        glFinish();
    }
    ~EngineScene() {
        m_page.Deactivate();
        for (auto& list : m_lists) list->Shutdown();
        GetRenderer()->ClearLists();
    }

private:
    bench_util::EngineDevice m_engine;
    std::vector<std::unique_ptr<SpriteList2D>> m_lists;
    TextPage m_page;
};

// The four corners of a screen quad from (x, y), w by h, with texture corner (0, 0) to (tu, tv).
void Quad(ScreenVertex* v, float x, float y, float w, float h, DWORD colour, float tu, float tv) {
    v[0] = {x, y, 0.9f, 1, colour, 0, 0};
    v[1] = {x + w, y, 0.9f, 1, colour, tu, 0};
    v[2] = {x + w, y + h, 0.9f, 1, colour, tu, tv};
    v[3] = {x, y + h, 0.9f, 1, colour, 0, tv};
}

// Straight OpenGL: one program, one texture per list, the sprite quads rebuilt on
// the CPU and streamed with one draw per list; text in batches of 50 quads.
class GlBaseline : bench_util::GlSide {
public:
    bool Open() {
        const char* vs =
            "#version 330 core\nlayout(location=0) in vec4 p; layout(location=1) in vec4 c; layout(location=2) in vec2 t;"
            "out vec4 vc; out vec2 vt; void main(){ gl_Position = vec4(p.x/320.0-1.0, 1.0-p.y/240.0, p.z*2.0-1.0, 1.0);"
            " vc=c; vt=t; }";
        const char* fs =
            "#version 330 core\nin vec4 vc; in vec2 vt; uniform sampler2D s; out vec4 o;"
            " void main(){ vec4 x = texture(s, vt) * vc; if (x.a < 8.0/255.0) discard; o = x; }";
        if (!OpenGl("render bench", kWidth, kHeight, vs, fs)) return false;
        glGenBuffers(1, &m_vbo);
        glGenBuffers(1, &m_ibo);
        std::vector<GLushort> indices;
        for (int k = 0; k < kSpritesPerList; ++k)
            for (int j : {0, 1, 2, 0, 2, 3}) indices.push_back(GLushort(4 * k + j));
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ibo);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * 2), indices.data(), GL_STATIC_DRAW);
        glBindBuffer(GL_ARRAY_BUFFER, m_vbo);
        glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, sizeof(ScreenVertex), nullptr);
        glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(ScreenVertex), (void*)16);
        glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(ScreenVertex), (void*)20);
        for (int a = 0; a < 3; ++a) glEnableVertexAttribArray(GLuint(a));
        m_textures.resize(kLists + 1);
        glGenTextures(GLsizei(m_textures.size()), m_textures.data());
        // Sprite textures with full mip chains and trilinear filtering, the glyph
        // texture with one 16-bit level: as the engine's textures are.
        std::vector<uint32_t> white(16 * 16, 0xFFFFFFFF);
        for (int i = 0; i < kLists; ++i) {
            glBindTexture(GL_TEXTURE_2D, m_textures[size_t(i)]);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 16, 16, 0, GL_BGRA, GL_UNSIGNED_BYTE, white.data());
            glGenerateMipmap(GL_TEXTURE_2D);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        }
        std::vector<uint16_t> glyphs(512 * 256, 0xFFFF);
        glBindTexture(GL_TEXTURE_2D, m_textures[kLists]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA4, 512, 256, 0, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, glyphs.data());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        // Glyph cell sizes as the font measures them, for quads of the same size.
        m_cells.assign(256, SIZE{0, 0});
        for (const char* c = kLine; *c; ++c) {
            const char glyph[2] = {*c, 0};
            RenderDevice_GetFont()->GetTextExtent(glyph, &m_cells[static_cast<unsigned char>(*c)]);
        }
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_ALWAYS);
        return true;
    }
    void Frame(int frame) {
        BeginFrame();
        std::vector<ScreenVertex> v(kSpritesPerList * 4);
        for (int l = 0; l < kLists; ++l) {
            for (int i = 0; i < kSpritesPerList; ++i) {
                const Sprite2D s = SpriteAt(l, i, frame);
                const float h = s.size * 0.5f;
                Quad(&v[size_t(i) * 4], s.x - h, s.y - h, s.size, s.size, s.colour, 1, 1);
            }
            glBindTexture(GL_TEXTURE_2D, m_textures[size_t(l)]);
            glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(v.size() * sizeof(ScreenVertex)), v.data(), GL_STREAM_DRAW);
            glDrawElements(GL_TRIANGLES, kSpritesPerList * 6, GL_UNSIGNED_SHORT, nullptr);
        }
        // Text: one quad per character, 50 to a batch, as the font batches them.
        glBindTexture(GL_TEXTURE_2D, m_textures[kLists]);
        std::vector<ScreenVertex> batch;
        auto flush = [&] {
            if (batch.empty()) return;
            glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(batch.size() * sizeof(ScreenVertex)), batch.data(),
                         GL_STREAM_DRAW);
            glDrawElements(GL_TRIANGLES, GLsizei(batch.size() / 4 * 6), GL_UNSIGNED_SHORT, nullptr);
            batch.clear();
        };
        for (int line = 0; line < kTextLines; ++line) {
            float x = 4.0f;
            for (const char* c = kLine; *c; ++c) {
                const SIZE cell = m_cells[static_cast<unsigned char>(*c)];
                const float w = float(cell.cx) * 0.3f, h = float(cell.cy) * 0.3f, y = 11.0f * float(line);
                const float tw = float(cell.cx) / 512.0f, th = float(cell.cy) / 256.0f;
                if (*c != ' ') {
                    batch.resize(batch.size() + 4);
                    Quad(&batch[batch.size() - 4], x, y, w, h, 0xFFFFFFFF, tw, th);
                    if (batch.size() == 200) flush();
                }
                x += w;
            }
        }
        flush();
        glFinish();
    }

private:
    GLuint m_vbo = 0, m_ibo = 0;
    std::vector<GLuint> m_textures;
    std::vector<SIZE> m_cells;
};

void BM_EngineAgainstGL(benchmark::State& state) {
    EngineScene engine;
    GlBaseline gl;
    bench_util::TimePair(state, engine, gl);
}

}  // namespace

BENCHMARK(BM_EngineAgainstGL)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

int main(int argc, char** argv) {
    return bench_util::RunPairs(argc, argv, "render_frame: engine / straight OpenGL", 1.30);
}
