// One Dear ImGui context per window, drawn with ImGui's OpenGL 3 backend into the
// window's current GL context.
#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>
#include "win32_internal.h"

namespace w32 {

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
    if (host.ctx) {
        ImGui::SetCurrentContext(host.ctx);
        if (host.glReady && w.gl && SDL_GL_GetCurrentContext() == w.gl) ImGui_ImplOpenGL3_Shutdown();
        ImGui::DestroyContext(host.ctx);
        ImGui::SetCurrentContext(nullptr);
    }
    w.imgui.reset();
}

}  // namespace w32
