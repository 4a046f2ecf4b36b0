// The OpenGL pipeline state the device wants, sent by difference from what was sent last.
#pragma once
#include <epoxy/gl.h>
#include <cstdint>

namespace quil_d3d8 {

constexpr int kTextureUnits = 8;

// Fixed OpenGL state derived from the Direct3D render states.
struct GlPipelineState {
    bool blend = false;
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO, blendEquation = GL_FUNC_ADD;
    bool depthTest = false;
    GLenum depthFunc = GL_LESS;
    bool depthMask = true;
    bool cull = false;
    GLenum cullFace = GL_BACK;
    GLenum polygonMode = GL_FILL;
    uint8_t colorMask = 0xF;
    bool stencil = false;
    GLenum stencilFunc = GL_ALWAYS;
    GLint stencilRef = 0;
    GLuint stencilMask = 0xFFFFFFFF, stencilWriteMask = 0xFFFFFFFF;
    GLenum stencilFail = GL_KEEP, stencilZFail = GL_KEEP, stencilPass = GL_KEEP;
    GLint viewport[4] = {0, 0, 0, 0};
    float depthRange[2] = {0.0f, 1.0f};
};

// Keeps what OpenGL was last told and sends only the differences.
class GlStateCache {
public:
    // Forgets everything: the next calls send every value.
    void Invalidate();
    // Forgets only the viewport and the scissor test (changed behind the cache's back).
    void ForgetViewportAndScissor();
    void Apply(const GlPipelineState& want);
    void UseProgram(GLuint program);
    void BindVertexArray(GLuint vao);
    void BindArrayBuffer(GLuint buffer);
    void BindTexture(int unit, GLuint texture);
    void BindSampler(int unit, GLuint sampler);
    // Scissor and depth/colour write masks are also touched by Clear.
    void SetScissor(bool on, const GLint* box);
    void SetDepthMask(bool on);
    void SetColorMask(uint8_t mask);
    void SetStencilWriteMask(GLuint mask);
    // Counts OpenGL state calls made (for tests and measures).
    uint64_t callCount() const { return calls_; }

private:
    void ActiveUnit(int unit);
    GlPipelineState cur_;
    bool valid_ = false;
    GLuint program_ = 0, vao_ = 0, arrayBuffer_ = 0;
    GLuint textures_[kTextureUnits] = {};
    GLuint samplers_[kTextureUnits] = {};
    bool unitValid_[kTextureUnits] = {};
    bool samplerValid_[kTextureUnits] = {};
    bool bindingsValid_ = false;
    int activeUnit_ = -1;
    bool scissor_ = false;
    bool scissorValid_ = false;
    GLint scissorBox_[4] = {};
    uint64_t calls_ = 0;
};

}  // namespace quil_d3d8
