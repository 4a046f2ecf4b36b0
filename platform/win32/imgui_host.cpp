// One Dear ImGui context per window, drawn with ImGui's OpenGL 3 backend into the
// window's current GL context.
#include <epoxy/gl.h>
#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include <cmath>
#include <cstring>
#include "win32_internal.h"

namespace w32 {
namespace {
// The whole file of the face the GDI stand-in picks for name; empty when none.
std::vector<char> FaceFile(const std::string& name, int cellHeight) {
    std::vector<char> data;
    HFONT font = CreateFontA(-cellHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, name.c_str());
    HDC dc = font ? CreateCompatibleDC(nullptr) : nullptr;
    if (dc) {
        HGDIOBJ old = SelectObject(dc, font);
        const DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
        if (size != GDI_ERROR && size > 0) {
            data.resize(size);
            if (GetFontData(dc, 0, 0, data.data(), size) != size) data.clear();
        }
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    if (font) DeleteObject(font);
    return data;
}

// The template's face at the largest size up to its cell height whose average
// letter width keeps within the template's horizontal base unit, so that every
// text fits the layout the template's dialog units give. Without the face file
// ImGui's own font stays.
void AddTemplateFont(ImGuiIO& io, const ImGuiHost& host) {
    const std::vector<char> data = FaceFile(host.fontFace, host.fontCell);
    // ImGui reads TrueType and OpenType files only (not Type 1 nor collections).
    static const char* const kSignatures[] = {"\x00\x01\x00\x00", "true", "OTTO"};
    bool readable = false;
    for (const char* sig : kSignatures)
        readable = readable || (data.size() > 4 && std::memcmp(data.data(), sig, 4) == 0);
    if (!readable) return;
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    float size = static_cast<float>(host.fontCell);
    for (int attempt = 0; attempt < 2; ++attempt) {
        io.Fonts->Clear();
        void* copy = IM_ALLOC(data.size());  // the atlas frees it
        std::memcpy(copy, data.data(), data.size());
        ImFont* font = io.Fonts->AddFontFromMemoryTTF(copy, static_cast<int>(data.size()), size);
        if (!font || !io.Fonts->Build()) {
            io.Fonts->Clear();
            io.Fonts->AddFontDefault();
            return;
        }
        const float average = font->CalcTextSizeA(size, FLT_MAX, 0.0f, kLetters).x / 52.0f;
        if (average <= static_cast<float>(host.fontAverage)) return;
        size = std::floor(size * static_cast<float>(host.fontAverage) / average * 2.0f) / 2.0f;
    }
}
}  // namespace

ImGuiHost::~ImGuiHost() = default;

ImGuiHost& HostFor(Window& w) {
    if (!w.imgui) w.imgui = std::make_unique<ImGuiHost>();
    return *w.imgui;
}

bool BeginImGuiFrame(Window& w, int width, int height) {
    if (!w.gl || width <= 0 || height <= 0) return false;
    ImGuiHost& host = HostFor(w);
    if (!host.ctx) {
        host.ctx = ImGui::CreateContext();
        ImGui::SetCurrentContext(host.ctx);
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.LogFilename = nullptr;
        ImGui::StyleColorsLight();
        ImGuiStyle& style = ImGui::GetStyle();
        style.WindowRounding = 0.0f;
        style.FrameRounding = 0.0f;
        style.WindowBorderSize = 0.0f;
        if (!host.fontFace.empty()) AddTemplateFont(io, host);
    }
    ImGui::SetCurrentContext(host.ctx);
    if (!host.glReady) {
        if (!ImGui_ImplOpenGL3_Init("#version 330 core")) return false;
        host.glReady = true;
    }
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
    io.DeltaTime = 1.0f / 60.0f;
    io.MousePos = host.mouseX >= 0 ? ImVec2(static_cast<float>(host.mouseX), static_cast<float>(host.mouseY))
                                   : ImVec2(-FLT_MAX, -FLT_MAX);
    // One button transition per frame, so a quick click is never lost.
    if (!host.clicks.empty()) {
        auto c = host.clicks.front();
        host.clicks.pop_front();
        host.mouseDown[c.first] = c.second;
    }
    for (int i = 0; i < 3; ++i) io.MouseDown[i] = host.mouseDown[i];
    ImGui_ImplOpenGL3_NewFrame();
    ImGui::NewFrame();
    return true;
}

void EndImGuiFrame(Window& w) {
    ImGuiHost& host = HostFor(w);
    ImGui::SetCurrentContext(host.ctx);
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

// Drops the window's ImGui state; its GL objects go with the current context.
void ReleaseImGui(Window& w) {
    if (!w.imgui) return;
    ImGuiHost& host = *w.imgui;
    const bool current = w.gl && SDL_GL_GetCurrentContext() == w.gl;
    if (current && host.strip.framebuffer) glDeleteFramebuffers(1, &host.strip.framebuffer);
    if (current && host.strip.texture) glDeleteTextures(1, &host.strip.texture);
    if (host.ctx) {
        ImGui::SetCurrentContext(host.ctx);
        if (host.glReady && current) ImGui_ImplOpenGL3_Shutdown();
        ImGui::DestroyContext(host.ctx);
        ImGui::SetCurrentContext(nullptr);
    }
    w.imgui.reset();
}

}  // namespace w32
