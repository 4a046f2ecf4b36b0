// The straight OpenGL baselines' common part: a hidden window with a 3.3 core context, one shader
// program and one vertex array.
#pragma once
#include <SDL.h>
#include <epoxy/gl.h>

#include <initializer_list>
#include <utility>

namespace bench_util {

class GlSide {
public:
    ~GlSide() {
        if (m_context) SDL_GL_DeleteContext(m_context);
        if (m_window) SDL_DestroyWindow(m_window);
    }

protected:
    // Creates the window and its context, links the two shader texts (the baselines' own, known
    // to compile) and binds the program and a vertex array.
    bool OpenGl(const char* title, int width, int height, const char* vertexShader, const char* fragmentShader) {
        m_window = SDL_CreateWindow(title, 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!m_window) return false;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        m_context = SDL_GL_CreateContext(m_window);
        if (!m_context) return false;
        SDL_GL_MakeCurrent(m_window, m_context);
        m_program = glCreateProgram();
        for (auto [type, src] : {std::pair<GLenum, const char*>{GL_VERTEX_SHADER, vertexShader},
                                 {GL_FRAGMENT_SHADER, fragmentShader}}) {
            GLuint shader = glCreateShader(type);
            glShaderSource(shader, 1, &src, nullptr);
            glCompileShader(shader);
            glAttachShader(m_program, shader);
        }
        glLinkProgram(m_program);
        glUseProgram(m_program);
        GLuint vao = 0;
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glViewport(0, 0, width, height);
        return true;
    }
    // Makes the context current, clears to black and uses the program.
    void BeginFrame() {
        SDL_GL_MakeCurrent(m_window, m_context);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUseProgram(m_program);
    }
    GLuint m_program = 0;

private:
    SDL_Window* m_window = nullptr;
    SDL_GLContext m_context = nullptr;
};

}  // namespace bench_util
