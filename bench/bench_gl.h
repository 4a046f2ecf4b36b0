// The straight OpenGL baselines' hidden window with a 3.3 core context, and their shader program.
#pragma once
#include <SDL.h>
#include <epoxy/gl.h>

#include <initializer_list>
#include <utility>

namespace bench_util {

class GlWindow {
public:
    // Creates the window and its context and makes the context current.
    bool Open(const char* title, int width, int height) {
        m_window = SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!m_window) return false;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        m_context = SDL_GL_CreateContext(m_window);
        if (!m_context) return false;
        SDL_GL_MakeCurrent(m_window, m_context);
        return true;
    }
    void MakeCurrent() { SDL_GL_MakeCurrent(m_window, m_context); }
    ~GlWindow() {
        if (m_context) SDL_GL_DeleteContext(m_context);
        if (m_window) SDL_DestroyWindow(m_window);
    }

private:
    SDL_Window* m_window = nullptr;
    SDL_GLContext m_context = nullptr;
};

// A program of the two shader texts (the baselines' own, known to compile).
inline GLuint LinkProgram(const char* vertexShader, const char* fragmentShader) {
    const GLuint program = glCreateProgram();
    for (auto [type, src] :
         {std::pair<GLenum, const char*>{GL_VERTEX_SHADER, vertexShader}, {GL_FRAGMENT_SHADER, fragmentShader}}) {
        GLuint shader = glCreateShader(type);
        glShaderSource(shader, 1, &src, nullptr);
        glCompileShader(shader);
        glAttachShader(program, shader);
    }
    glLinkProgram(program);
    return program;
}

}  // namespace bench_util
