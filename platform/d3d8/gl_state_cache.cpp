#include "gl_state_cache.h"

#include <cstring>

namespace quil_d3d8 {

void GlStateCache::Invalidate() {
    valid_ = false;
    bindingsValid_ = false;
    scissorValid_ = false;
    activeUnit_ = -1;
    for (int i = 0; i < kTextureUnits; ++i) unitValid_[i] = samplerValid_[i] = false;
}

void GlStateCache::ForgetViewportAndScissor() {
    cur_.viewport[2] = -1;  // no viewport has a negative width: the next Apply sends it
    scissorValid_ = false;
}

static void Enable(GLenum cap, bool on) {
    if (on) glEnable(cap);
    else glDisable(cap);
}

void GlStateCache::Apply(const GlPipelineState& w) {
    GlPipelineState& c = cur_;
    bool all = !valid_;
    if (all || w.blend != c.blend) { Enable(GL_BLEND, w.blend); ++calls_; }
    if (all || w.blendSrc != c.blendSrc || w.blendDst != c.blendDst) { glBlendFunc(w.blendSrc, w.blendDst); ++calls_; }
    if (all || w.blendEquation != c.blendEquation) { glBlendEquation(w.blendEquation); ++calls_; }
    if (all || w.depthTest != c.depthTest) { Enable(GL_DEPTH_TEST, w.depthTest); ++calls_; }
    if (all || w.depthFunc != c.depthFunc) { glDepthFunc(w.depthFunc); ++calls_; }
    if (all || w.depthMask != c.depthMask) { glDepthMask(w.depthMask ? GL_TRUE : GL_FALSE); ++calls_; }
    if (all || w.cull != c.cull) { Enable(GL_CULL_FACE, w.cull); ++calls_; }
    if (all || w.cullFace != c.cullFace) { glCullFace(w.cullFace); ++calls_; }
    if (all || w.polygonMode != c.polygonMode) { glPolygonMode(GL_FRONT_AND_BACK, w.polygonMode); ++calls_; }
    if (all || w.colorMask != c.colorMask) {
        glColorMask(w.colorMask & 1, (w.colorMask >> 1) & 1, (w.colorMask >> 2) & 1, (w.colorMask >> 3) & 1);
        ++calls_;
    }
    if (all || w.stencil != c.stencil) { Enable(GL_STENCIL_TEST, w.stencil); ++calls_; }
    if (all || w.stencilFunc != c.stencilFunc || w.stencilRef != c.stencilRef || w.stencilMask != c.stencilMask) {
        glStencilFunc(w.stencilFunc, w.stencilRef, w.stencilMask);
        ++calls_;
    }
    if (all || w.stencilWriteMask != c.stencilWriteMask) { glStencilMask(w.stencilWriteMask); ++calls_; }
    if (all || w.stencilFail != c.stencilFail || w.stencilZFail != c.stencilZFail || w.stencilPass != c.stencilPass) {
        glStencilOp(w.stencilFail, w.stencilZFail, w.stencilPass);
        ++calls_;
    }
    if (all || std::memcmp(w.viewport, c.viewport, sizeof(w.viewport)) != 0) {
        glViewport(w.viewport[0], w.viewport[1], w.viewport[2], w.viewport[3]);
        ++calls_;
    }
    if (all || w.depthRange[0] != c.depthRange[0] || w.depthRange[1] != c.depthRange[1]) {
        glDepthRange(w.depthRange[0], w.depthRange[1]);
        ++calls_;
    }
    cur_ = w;
    valid_ = true;
}

void GlStateCache::SetScissor(bool on, const GLint* box) {
    if (!scissorValid_ || on != scissor_) {
        Enable(GL_SCISSOR_TEST, on);
        ++calls_;
    }
    if (on && (!scissorValid_ || std::memcmp(box, scissorBox_, sizeof(scissorBox_)) != 0)) {
        glScissor(box[0], box[1], box[2], box[3]);
        std::memcpy(scissorBox_, box, sizeof(scissorBox_));
        ++calls_;
    }
    scissor_ = on;
    scissorValid_ = true;
}

void GlStateCache::SetDepthMask(bool on) {
    if (valid_ && cur_.depthMask == on) return;
    glDepthMask(on ? GL_TRUE : GL_FALSE);
    cur_.depthMask = on;
    ++calls_;
}

void GlStateCache::SetColorMask(uint8_t m) {
    if (valid_ && cur_.colorMask == m) return;
    glColorMask(m & 1, (m >> 1) & 1, (m >> 2) & 1, (m >> 3) & 1);
    cur_.colorMask = m;
    ++calls_;
}

void GlStateCache::SetStencilWriteMask(GLuint mask) {
    if (valid_ && cur_.stencilWriteMask == mask) return;
    glStencilMask(mask);
    cur_.stencilWriteMask = mask;
    ++calls_;
}

void GlStateCache::UseProgram(GLuint program) {
    if (bindingsValid_ && program == program_) return;
    if (!bindingsValid_) {
        // Re-establish every binding after an invalidation.
        bindingsValid_ = true;
        glBindVertexArray(vao_);
        glBindBuffer(GL_ARRAY_BUFFER, arrayBuffer_);
        calls_ += 2;
    }
    glUseProgram(program);
    program_ = program;
    ++calls_;
}

void GlStateCache::BindVertexArray(GLuint vao) {
    if (bindingsValid_ && vao == vao_) return;
    glBindVertexArray(vao);
    vao_ = vao;
    ++calls_;
}

void GlStateCache::BindArrayBuffer(GLuint buffer) {
    if (bindingsValid_ && buffer == arrayBuffer_) return;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    arrayBuffer_ = buffer;
    ++calls_;
}

void GlStateCache::ActiveUnit(int unit) {
    if (unit == activeUnit_) return;
    glActiveTexture(GL_TEXTURE0 + unit);
    activeUnit_ = unit;
    ++calls_;
}

void GlStateCache::BindTexture(int unit, GLuint texture) {
    if (unitValid_[unit] && textures_[unit] == texture) return;
    ActiveUnit(unit);
    glBindTexture(GL_TEXTURE_2D, texture);
    textures_[unit] = texture;
    unitValid_[unit] = true;
    ++calls_;
}

void GlStateCache::BindSampler(int unit, GLuint sampler) {
    if (samplerValid_[unit] && samplers_[unit] == sampler) return;
    glBindSampler(unit, sampler);
    samplers_[unit] = sampler;
    samplerValid_[unit] = true;
    ++calls_;
}

}  // namespace quil_d3d8
