// Drawing: state flushed to OpenGL by difference, generated programs, vertex input.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device8.h"
#include "format_util.h"

namespace quil_d3d8 {

namespace {

constexpr UINT kStreamRingBytes = 4u << 20;

float AsFloat(DWORD v) {
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

GLenum BlendFactor(DWORD b, bool destAlphaIsOne) {
    switch (b) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_ONE: return GL_ONE;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return destAlphaIsOne ? GL_ONE : GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return destAlphaIsOne ? GL_ZERO : GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
        default: return GL_ONE;
    }
}

GLenum CompareFunc(DWORD f) {
    switch (f) {
        case D3DCMP_NEVER: return GL_NEVER;
        case D3DCMP_LESS: return GL_LESS;
        case D3DCMP_EQUAL: return GL_EQUAL;
        case D3DCMP_LESSEQUAL: return GL_LEQUAL;
        case D3DCMP_GREATER: return GL_GREATER;
        case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
        default: return GL_ALWAYS;
    }
}

GLenum StencilOp(DWORD op) {
    switch (op) {
        case D3DSTENCILOP_ZERO: return GL_ZERO;
        case D3DSTENCILOP_REPLACE: return GL_REPLACE;
        case D3DSTENCILOP_INCRSAT: return GL_INCR;
        case D3DSTENCILOP_DECRSAT: return GL_DECR;
        case D3DSTENCILOP_INVERT: return GL_INVERT;
        case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
        case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
        default: return GL_KEEP;
    }
}

GLenum AddressMode(DWORD a) {
    switch (a) {
        case D3DTADDRESS_MIRROR: case D3DTADDRESS_MIRRORONCE: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
        default: return GL_REPEAT;
    }
}

// Row-vector product a x b.
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

// Direct3D's clip space to OpenGL's as a matrix: y flipped, depth 0..w to
// -w..w, and the half-pixel shift of Direct3D's pixel centres.
D3DMATRIX ClipFixUp(const D3DVIEWPORT8& vp) {
    D3DMATRIX fix;
    std::memset(&fix, 0, sizeof(fix));
    fix._11 = 1.0f;
    fix._22 = -1.0f;
    fix._33 = 2.0f;
    fix._41 = 1.0f / static_cast<float>(vp.Width);
    fix._42 = 1.0f / static_cast<float>(vp.Height);
    fix._43 = -1.0f;
    fix._44 = 1.0f;
    return fix;
}

// Inverse of the upper 3x3 of m (identity when singular), row-major.
void Inverse3(const D3DMATRIX& m, float out[9]) {
    float a = m._11, b = m._12, c = m._13, d = m._21, e = m._22, f = m._23, g = m._31, h = m._32, i = m._33;
    float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    float det = a * A + b * B + c * C;
    if (std::fabs(det) < 1e-20f) {
        const float id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        std::memcpy(out, id, sizeof(id));
        return;
    }
    float k = 1.0f / det;
    out[0] = A * k;
    out[1] = -(b * i - c * h) * k;
    out[2] = (b * f - c * e) * k;
    out[3] = B * k;
    out[4] = (a * i - c * g) * k;
    out[5] = -(a * f - c * d) * k;
    out[6] = C * k;
    out[7] = -(a * h - b * g) * k;
    out[8] = (a * e - b * d) * k;
}

// An attribute read from a stream.
using Attr = VertexAttr;

// The attributes and the vertex size of an FVF code.
UINT FvfLayout(DWORD fvf, std::vector<Attr>* attrs) {
    UINT off = 0;
    DWORD pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == D3DFVF_XYZRHW) {
        attrs->push_back({0, 4, GL_FLOAT, GL_FALSE, off, 0});
        off += 16;
    } else if (pos != 0) {
        attrs->push_back({0, 3, GL_FLOAT, GL_FALSE, off, 0});
        off += 12;
        int betas = pos >= D3DFVF_XYZB1 ? static_cast<int>((pos - D3DFVF_XYZ) / 2) : 0;
        int weights = betas;
        if (betas > 0 && (fvf & D3DFVF_LASTBETA_UBYTE4)) weights = betas - 1;
        if (weights > 0) attrs->push_back({1, std::min(weights, 4), GL_FLOAT, GL_FALSE, off, 0});
        off += 4u * static_cast<UINT>(weights);
        if (weights != betas) {
            attrs->push_back({2, 4, GL_UNSIGNED_BYTE, GL_FALSE, off, 0});
            off += 4;
        }
    }
    if (fvf & D3DFVF_NORMAL) {
        attrs->push_back({3, 3, GL_FLOAT, GL_FALSE, off, 0});
        off += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        attrs->push_back({4, 1, GL_FLOAT, GL_FALSE, off, 0});
        off += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        attrs->push_back({5, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, off, 0});
        off += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        attrs->push_back({6, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, off, 0});
        off += 4;
    }
    int tex = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    for (int i = 0; i < tex && i < 8; ++i) {
        static const int kSizes[4] = {2, 3, 4, 1};
        int n = kSizes[(fvf >> (16 + i * 2)) & 3];
        attrs->push_back({7 + i, n, GL_FLOAT, GL_FALSE, off, 0});
        off += 4u * static_cast<UINT>(n);
    }
    return off;
}

void DeclLayout(const VertexDeclaration& decl, std::vector<Attr>* attrs) {
    for (const VertexElement& e : decl.elements) {
        Attr a = {e.reg, 4, GL_FLOAT, GL_FALSE, e.offset, e.stream};
        switch (e.type) {
            case D3DVSDT_FLOAT1: a.size = 1; break;
            case D3DVSDT_FLOAT2: a.size = 2; break;
            case D3DVSDT_FLOAT3: a.size = 3; break;
            case D3DVSDT_FLOAT4: a.size = 4; break;
            case D3DVSDT_D3DCOLOR: a.size = GL_BGRA; a.type = GL_UNSIGNED_BYTE; a.normalized = GL_TRUE; break;
            case D3DVSDT_UBYTE4: a.type = GL_UNSIGNED_BYTE; break;
            case D3DVSDT_SHORT2: a.size = 2; a.type = GL_SHORT; break;
            case D3DVSDT_SHORT4: a.type = GL_SHORT; break;
            default: break;
        }
        attrs->push_back(a);
    }
}

}  // namespace

bool Device8::IsFixedFunction() const {
    DWORD h = state_.vertexShader;
    if (!(h & 1u)) return true;
    auto it = shaders_.find(h);
    return it == shaders_.end() || it->second->fixedFunction;
}

DWORD Device8::CurrentFvf() const {
    DWORD h = state_.vertexShader;
    if (!(h & 1u)) return h;
    auto it = shaders_.find(h);
    return it == shaders_.end() ? 0 : it->second->pseudoFvf;
}

VertexShaderObject* Device8::CurrentShader() {
    DWORD h = state_.vertexShader;
    if (!(h & 1u)) return nullptr;
    auto it = shaders_.find(h);
    return it == shaders_.end() ? nullptr : it->second.get();
}

GLuint Device8::CompileShader(GLenum kind, const std::string& source) {
    static const bool dump = std::getenv("QUIL_D3D8_DUMP_SHADERS") != nullptr;
    if (dump) std::fprintf(stderr, "d3d8: compiling\n%s\n", source.c_str());
    GLuint s = glCreateShader(kind);
    const char* text = source.c_str();
    glShaderSource(s, 1, &text, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048];
        glGetShaderInfoLog(s, sizeof(log), nullptr, log);
        std::fprintf(stderr, "d3d8: shader does not compile:\n%s\n%s\n", log, text);
        glDeleteShader(s);
        return 0;
    }
    return s;
}

Program* Device8::LinkProgram(GLuint vs, GLuint fs) {
    GLuint p = glCreateProgram();
    glAttachShader(p, vs);
    glAttachShader(p, fs);
    glLinkProgram(p);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[2048];
        glGetProgramInfoLog(p, sizeof(log), nullptr, log);
        std::fprintf(stderr, "d3d8: program does not link: %s\n", log);
        glDeleteProgram(p);
        return nullptr;
    }
    ++shaderBuilds_;
    Program& pr = programs_[(static_cast<uint64_t>(vs) << 32) | fs];
    pr.id = p;
    auto loc = [p](const char* name) { return glGetUniformLocation(p, name); };
    pr.uWorldView = loc("uWorldView");
    pr.uWvpFix = loc("uWvpFix");
    pr.uNormalMat = loc("uNormalMat");
    pr.uViewport = loc("uViewport");
    pr.uPosFix = loc("uPosFix");
    pr.uMat[0] = loc("uMatDiffuse");
    pr.uMat[1] = loc("uMatAmbient");
    pr.uMat[2] = loc("uMatSpecular");
    pr.uMat[3] = loc("uMatEmissive");
    pr.uMatPower = loc("uMatPower");
    pr.uGlobalAmbient = loc("uGlobalAmbient");
    pr.uFogParams = loc("uFogParams");
    pr.uLightPos = loc("uLightPos");
    pr.uLightDir = loc("uLightDir");
    pr.uLightDiffuse = loc("uLightDiffuse");
    pr.uLightSpecular = loc("uLightSpecular");
    pr.uLightAmbient = loc("uLightAmbient");
    pr.uLightAtten = loc("uLightAtten");
    pr.uTFactor = loc("uTFactor");
    pr.uFogColor = loc("uFogColor");
    pr.uAlphaRef = loc("uAlphaRef");
    pr.uC = loc("c");
    if (pr.uC < 0) pr.uC = loc("uC");
    gl_state_.UseProgram(p);
    for (int i = 0; i < kFsStages; ++i) {
        char name[8] = {'u', 'T', 'e', 'x', static_cast<char>('0' + i), 0};
        GLint l = loc(name);
        if (l >= 0) glUniform1i(l, i);
    }
    return &pr;
}

void Device8::RefreshActiveLights() {
    lightsDirty_ = false;
    const D3DLIGHT8* lights[kMaxLights];
    DWORD indices[kMaxLights];
    size_t n = 0;
    for (const auto& l : state_.lights) {
        if (!l.second.enabled) continue;
        if (n >= static_cast<size_t>(kMaxLights)) break;
        indices[n] = l.first;
        lights[n++] = &l.second.light;
    }
    // Lights switched off and on again between two draws (a light list applied per object)
    // leave the program and its light uniforms as they were; a light set anew has already
    // counted as a change of the uniforms (SetLight), and changes the program if its type did.
    bool sameTypes = n == activeLightTypes_.size();
    for (size_t i = 0; sameTypes && i < n; ++i) sameTypes = lights[i]->Type == activeLightTypes_[i];
    if (!sameTypes) keysDirty_ = true;
    if (!sameTypes || !std::equal(indices, indices + n, activeLightIndices_.begin())) ++serial_[kSerialLights];
    activeLights_.assign(lights, lights + n);
    activeLightIndices_.assign(indices, indices + n);
    activeLightTypes_.clear();
    for (size_t i = 0; i < n; ++i) activeLightTypes_.push_back(lights[i]->Type);
}

Program* Device8::CurrentProgram() {
    if (!keysDirty_ && current_ && lastShaderHandle_ == state_.vertexShader) {
        ++shaderHits_;
        return current_;
    }
    uint8_t types[kMaxLights];
    for (size_t i = 0; i < activeLights_.size(); ++i) types[i] = static_cast<uint8_t>(activeLights_[i]->Type);
    bool hasTex[kFsStages];
    for (int s = 0; s < kFsStages; ++s) hasTex[s] = state_.textures[s] != nullptr;
    FsKey fk;
    BuildFsKey(state_.rs, state_.tss, hasTex, &fk);
    VertexShaderObject* vso = CurrentShader();
    const bool ownShader = vso && !vso->fixedFunction;
    FfpVsKey vk;
    if (!ownShader)
        BuildFfpVsKey(CurrentFvf(), state_.rs, state_.tss, types, static_cast<int>(activeLights_.size()), &vk);
    // States changed and changed back since the last draw: the same program, no look-up.
    if (current_ && lastShaderHandle_ == state_.vertexShader && fk == lastFsKey_ && (ownShader || vk == lastVsKey_)) {
        keysDirty_ = false;
        ++shaderHits_;
        return current_;
    }
    GLuint vs = 0;
    if (ownShader) {
        vs = vso->glShader;
    } else {
        auto it = ffpVs_.find(vk);
        if (it != ffpVs_.end()) {
            vs = it->second;
        } else {
            vs = CompileShader(GL_VERTEX_SHADER, GenerateFfpVertexShader(vk));
            if (!vs) return nullptr;
            ffpVs_[vk] = vs;
        }
    }
    GLuint fs;
    auto fit = fs_.find(fk);
    if (fit != fs_.end()) {
        fs = fit->second;
    } else {
        fs = CompileShader(GL_FRAGMENT_SHADER, GenerateFragmentShader(fk));
        if (!fs) return nullptr;
        fs_[fk] = fs;
    }
    auto pit = programs_.find((static_cast<uint64_t>(vs) << 32) | fs);
    Program* p;
    if (pit != programs_.end()) {
        p = &pit->second;
        ++shaderHits_;
    } else {
        p = LinkProgram(vs, fs);
        if (!p) return nullptr;
    }
    current_ = p;
    keysDirty_ = false;
    lastShaderHandle_ = state_.vertexShader;
    lastFsKey_ = fk;
    lastVsKey_ = vk;
    return p;
}

void Device8::UploadUniforms(Program* p) {
    bool transforms = p->seen[kSerialTransform] != serial_[kSerialTransform];
    bool viewport = p->seen[kSerialViewport] != serial_[kSerialViewport];
    if (transforms || viewport) {
        const D3DMATRIX& world = state_.transforms[0];
        const D3DMATRIX& view = state_.transforms[4];
        D3DMATRIX wv = Multiply(world, view);
        if (p->uWorldView >= 0) glUniformMatrix4fv(p->uWorldView, 1, GL_FALSE, &wv.m[0][0]);
        if (p->uWvpFix >= 0) {
            D3DMATRIX m = Multiply(Multiply(wv, state_.transforms[5]), ClipFixUp(state_.viewport));
            glUniformMatrix4fv(p->uWvpFix, 1, GL_FALSE, &m.m[0][0]);
        }
        if (p->uNormalMat >= 0) {
            float inv[9];
            Inverse3(wv, inv);
            glUniformMatrix3fv(p->uNormalMat, 1, GL_TRUE, inv);
        }
    }
    if (p->seen[kSerialMaterial] != serial_[kSerialMaterial]) {
        const D3DMATERIAL8& m = state_.material;
        if (p->uMat[0] >= 0) glUniform4fv(p->uMat[0], 1, &m.Diffuse.r);
        if (p->uMat[1] >= 0) glUniform4fv(p->uMat[1], 1, &m.Ambient.r);
        if (p->uMat[2] >= 0) glUniform4fv(p->uMat[2], 1, &m.Specular.r);
        if (p->uMat[3] >= 0) glUniform4fv(p->uMat[3], 1, &m.Emissive.r);
        if (p->uMatPower >= 0) glUniform1f(p->uMatPower, m.Power);
        DWORD a = state_.rs[D3DRS_AMBIENT];
        if (p->uGlobalAmbient >= 0)
            glUniform4f(p->uGlobalAmbient, ((a >> 16) & 0xFF) / 255.0f, ((a >> 8) & 0xFF) / 255.0f, (a & 0xFF) / 255.0f,
                        ((a >> 24) & 0xFF) / 255.0f);
        p->seen[kSerialMaterial] = serial_[kSerialMaterial];
    }
    // Lights are sent in camera space: a new view counts as a change of the lights (SetTransform).
    if (p->seen[kSerialLights] != serial_[kSerialLights]) {
        if (p->uLightPos >= 0 || p->uLightDir >= 0) {
            // Lights live in world space; the shader lights in camera space.
            const D3DMATRIX& v = state_.transforms[4];
            float pos[kMaxLights][4] = {}, dir[kMaxLights][4] = {}, dif[kMaxLights][4] = {}, spe[kMaxLights][4] = {},
                  amb[kMaxLights][4] = {}, att[kMaxLights][4] = {};
            for (size_t i = 0; i < activeLights_.size(); ++i) {
                const D3DLIGHT8& l = *activeLights_[i];
                const D3DVECTOR& P = l.Position;
                const D3DVECTOR& D = l.Direction;
                for (int k = 0; k < 3; ++k) {
                    pos[i][k] = P.x * v.m[0][k] + P.y * v.m[1][k] + P.z * v.m[2][k] + v.m[3][k];
                    dir[i][k] = D.x * v.m[0][k] + D.y * v.m[1][k] + D.z * v.m[2][k];
                }
                float len = std::sqrt(dir[i][0] * dir[i][0] + dir[i][1] * dir[i][1] + dir[i][2] * dir[i][2]);
                if (len > 0)
                    for (int k = 0; k < 3; ++k) dir[i][k] /= len;
                std::memcpy(dif[i], &l.Diffuse, 16);
                std::memcpy(spe[i], &l.Specular, 16);
                std::memcpy(amb[i], &l.Ambient, 16);
                att[i][0] = l.Attenuation0;
                att[i][1] = l.Attenuation1;
                att[i][2] = l.Attenuation2;
                att[i][3] = l.Range;
            }
            glUniform4fv(p->uLightPos, kMaxLights, &pos[0][0]);
            glUniform4fv(p->uLightDir, kMaxLights, &dir[0][0]);
            glUniform4fv(p->uLightDiffuse, kMaxLights, &dif[0][0]);
            glUniform4fv(p->uLightSpecular, kMaxLights, &spe[0][0]);
            glUniform4fv(p->uLightAmbient, kMaxLights, &amb[0][0]);
            glUniform4fv(p->uLightAtten, kMaxLights, &att[0][0]);
        }
        p->seen[kSerialLights] = serial_[kSerialLights];
    }
    p->seen[kSerialTransform] = serial_[kSerialTransform];
    if (p->seen[kSerialFog] != serial_[kSerialFog]) {
        float start = AsFloat(state_.rs[D3DRS_FOGSTART]), end = AsFloat(state_.rs[D3DRS_FOGEND]);
        float range = end - start;
        if (p->uFogParams >= 0)
            glUniform4f(p->uFogParams, start, end, AsFloat(state_.rs[D3DRS_FOGDENSITY]),
                        range != 0.0f ? 1.0f / range : 0.0f);
        p->seen[kSerialFog] = serial_[kSerialFog];
    }
    if (p->seen[kSerialMisc] != serial_[kSerialMisc]) {
        auto color = [](GLint l, DWORD c) {
            if (l >= 0)
                glUniform4f(l, ((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f,
                            ((c >> 24) & 0xFF) / 255.0f);
        };
        color(p->uTFactor, state_.rs[D3DRS_TEXTUREFACTOR]);
        color(p->uFogColor, state_.rs[D3DRS_FOGCOLOR]);
        if (p->uAlphaRef >= 0) glUniform1f(p->uAlphaRef, static_cast<float>(state_.rs[D3DRS_ALPHAREF] & 0xFF));
        p->seen[kSerialMisc] = serial_[kSerialMisc];
    }
    if (p->seen[kSerialViewport] != serial_[kSerialViewport]) {
        const D3DVIEWPORT8& vp = state_.viewport;
        if (p->uViewport >= 0)
            glUniform4f(p->uViewport, static_cast<float>(vp.X), static_cast<float>(vp.Y), static_cast<float>(vp.Width),
                        static_cast<float>(vp.Height));
        if (p->uPosFix >= 0) glUniform4f(p->uPosFix, 1.0f / vp.Width, 1.0f / vp.Height, 0.0f, 0.0f);
        p->seen[kSerialViewport] = serial_[kSerialViewport];
    }
    if (p->seen[kSerialConst] != serial_[kSerialConst]) {
        if (p->uC >= 0) glUniform4fv(p->uC, kVsConstants, &state_.vsConst[0][0]);
        p->seen[kSerialConst] = serial_[kSerialConst];
    }
}

GLuint Device8::SamplerFor(int stage, const GLint* swizzle) {
    const DWORD* t = state_.tss[stage];
    // The border colour is read through the texture's swizzle, so with a border in use the swizzle
    // is part of the key (its enums differ in their low byte: red to alpha 3 to 6, zero 0, one 1);
    // without one, textures of any format share the sampler as it is.
    DWORD sw = 0;
    if (t[D3DTSS_ADDRESSU] == D3DTADDRESS_BORDER || t[D3DTSS_ADDRESSV] == D3DTADDRESS_BORDER)
        for (int i = 0; i < 4; ++i) sw |= (static_cast<DWORD>(swizzle[i]) & 0xFF) << (8 * i);
    DWORD key[9] = {t[D3DTSS_ADDRESSU],      t[D3DTSS_ADDRESSV],     t[D3DTSS_MAGFILTER],
                    t[D3DTSS_MINFILTER],     t[D3DTSS_MIPFILTER],    t[D3DTSS_MAXMIPLEVEL],
                    t[D3DTSS_MIPMAPLODBIAS], t[D3DTSS_BORDERCOLOR], sw};
    GLuint s = samplers_[stage];
    if (samplerKeyValid_[stage] && std::memcmp(key, samplerState_[stage], sizeof(key)) == 0) return s;
    glSamplerParameteri(s, GL_TEXTURE_WRAP_S, static_cast<GLint>(AddressMode(key[0])));
    glSamplerParameteri(s, GL_TEXTURE_WRAP_T, static_cast<GLint>(AddressMode(key[1])));
    glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, key[2] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    bool minLinear = key[3] >= D3DTEXF_LINEAR;
    GLint minFilter;
    if (key[4] == D3DTEXF_NONE) minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
    else if (key[4] == D3DTEXF_POINT) minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, minFilter);
    if (key[5] != 0 || samplerKeyValid_[stage]) glSamplerParameterf(s, GL_TEXTURE_MIN_LOD, static_cast<float>(key[5]));
    if (key[6] != 0 || samplerKeyValid_[stage]) glSamplerParameterf(s, GL_TEXTURE_LOD_BIAS, AsFloat(key[6]));
    float border[4];
    BorderColorFor(swizzle, key[7], border);
    glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, border);
    std::memcpy(samplerState_[stage], key, sizeof(key));
    samplerKeyValid_[stage] = true;
    return s;
}

bool Device8::FlushState() {
    if (pipelineDirty_) {
        const DWORD* rs = state_.rs;
        GlPipelineState w;
        bool destAlphaOne = pp_.BackBufferFormat != D3DFMT_A8R8G8B8;
        w.blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
        DWORD src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND];
        if (src == D3DBLEND_BOTHSRCALPHA) src = D3DBLEND_SRCALPHA, dst = D3DBLEND_INVSRCALPHA;
        else if (src == D3DBLEND_BOTHINVSRCALPHA) src = D3DBLEND_INVSRCALPHA, dst = D3DBLEND_SRCALPHA;
        w.blendSrc = BlendFactor(src, destAlphaOne);
        w.blendDst = BlendFactor(dst, destAlphaOne);
        switch (rs[D3DRS_BLENDOP]) {
            case D3DBLENDOP_SUBTRACT: w.blendEquation = GL_FUNC_SUBTRACT; break;
            case D3DBLENDOP_REVSUBTRACT: w.blendEquation = GL_FUNC_REVERSE_SUBTRACT; break;
            case D3DBLENDOP_MIN: w.blendEquation = GL_MIN; break;
            case D3DBLENDOP_MAX: w.blendEquation = GL_MAX; break;
            default: w.blendEquation = GL_FUNC_ADD; break;
        }
        w.depthTest = hasDepth_ && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
        w.depthFunc = CompareFunc(rs[D3DRS_ZFUNC]);
        w.depthMask = rs[D3DRS_ZWRITEENABLE] != 0;
        // Stored frames are top row first, so Direct3D's clockwise is OpenGL's counter-clockwise (front).
        w.cull = rs[D3DRS_CULLMODE] == D3DCULL_CW || rs[D3DRS_CULLMODE] == D3DCULL_CCW;
        w.cullFace = rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK;
        w.polygonMode = rs[D3DRS_FILLMODE] == D3DFILL_POINT ? GL_POINT
                        : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL;
        w.colorMask = static_cast<uint8_t>(rs[D3DRS_COLORWRITEENABLE] & 0xF);
        w.stencil = hasDepth_ && rs[D3DRS_STENCILENABLE] != 0;
        w.stencilFunc = CompareFunc(rs[D3DRS_STENCILFUNC]);
        w.stencilRef = static_cast<GLint>(rs[D3DRS_STENCILREF]);
        w.stencilMask = rs[D3DRS_STENCILMASK];
        w.stencilWriteMask = rs[D3DRS_STENCILWRITEMASK];
        w.stencilFail = StencilOp(rs[D3DRS_STENCILFAIL]);
        w.stencilZFail = StencilOp(rs[D3DRS_STENCILZFAIL]);
        w.stencilPass = StencilOp(rs[D3DRS_STENCILPASS]);
        const D3DVIEWPORT8& vp = state_.viewport;
        w.viewport[0] = static_cast<GLint>(vp.X);
        w.viewport[1] = static_cast<GLint>(vp.Y);
        w.viewport[2] = static_cast<GLint>(vp.Width);
        w.viewport[3] = static_cast<GLint>(vp.Height);
        w.depthRange[0] = vp.MinZ;
        w.depthRange[1] = vp.MaxZ;
        gl_state_.Apply(w);
        pipelineDirty_ = false;
    }
    if (lightsDirty_) RefreshActiveLights();
    Program* p = CurrentProgram();
    if (!p) return false;
    gl_state_.UseProgram(p->id);
    UploadUniforms(p);
    for (int s = 0; s < kFsStages; ++s) {
        Texture8* t = state_.textures[s];
        if (!t) continue;
        t->ClearUnwrittenLevels();
        gl_state_.BindTexture(s, t->GlTexture());
        gl_state_.BindSampler(s, SamplerFor(s, t->Swizzle()));
    }
    return true;
}

bool Device8::SetupVertexInput(GLuint upBuffer, UINT upStride, bool user) {
    VertexShaderObject* vso = CurrentShader();
    InputKey key;
    std::memset(&key, 0, sizeof(key));
    key.layout = vso ? static_cast<const void*>(&vso->decl) : nullptr;
    key.fvf = vso ? 0 : state_.vertexShader;
    // The attributes of the layout, worked out again only when the layout changes.
    std::vector<Attr>& attrs = layoutAttrs_;
    if (!layoutValid_ || layoutOf_ != key.layout || layoutFvf_ != key.fvf) {
        attrs.clear();
        if (vso) DeclLayout(vso->decl, &attrs);
        else FvfLayout(state_.vertexShader, &attrs);
        layoutOf_ = key.layout;
        layoutFvf_ = key.fvf;
        layoutValid_ = true;
    }
    for (const Attr& a : attrs) {
        int s = a.stream;
        if (user) {
            if (s != 0) return false;
            key.buffers[0] = upBuffer;
            key.strides[0] = upStride;
        } else {
            VertexBuffer8* vb = state_.streams[s].buffer;
            if (!vb || state_.streams[s].stride == 0) return false;
            key.buffers[s] = vb->core().GlBuffer();
            key.strides[s] = state_.streams[s].stride;
        }
    }
    if (inputValid_ && std::memcmp(&key, &lastInput_, sizeof(key)) == 0) return true;
    uint32_t enabled = 0;
    for (const Attr& a : attrs) {
        gl_state_.BindArrayBuffer(key.buffers[a.stream]);
        if (a.type == GL_FLOAT || a.normalized)
            glVertexAttribPointer(static_cast<GLuint>(a.location), a.size, a.type, a.normalized,
                                  static_cast<GLsizei>(key.strides[a.stream]),
                                  reinterpret_cast<const void*>(static_cast<uintptr_t>(a.offset)));
        else
            glVertexAttribPointer(static_cast<GLuint>(a.location), a.size, a.type, GL_FALSE,
                                  static_cast<GLsizei>(key.strides[a.stream]),
                                  reinterpret_cast<const void*>(static_cast<uintptr_t>(a.offset)));
        enabled |= 1u << a.location;
    }
    for (int l = 0; l < 16; ++l) {
        uint32_t bit = 1u << l;
        if ((enabled & bit) && !(enabledAttribs_ & bit)) glEnableVertexAttribArray(static_cast<GLuint>(l));
        if (!(enabled & bit) && (enabledAttribs_ & bit)) glDisableVertexAttribArray(static_cast<GLuint>(l));
        if (enabledAttribs_ == 0xFFFFFFFFu && (enabled & bit)) glEnableVertexAttribArray(static_cast<GLuint>(l));
    }
    enabledAttribs_ = enabled;
    lastInput_ = key;
    inputValid_ = true;
    return true;
}

// OpenGL primitive and vertex count of a Direct3D primitive type and count.
static bool PrimitiveInfo(D3DPRIMITIVETYPE type, UINT primitives, GLenum* mode, UINT* vertices) {
    switch (type) {
        case D3DPT_POINTLIST: *mode = GL_POINTS; *vertices = primitives; return true;
        case D3DPT_LINELIST: *mode = GL_LINES; *vertices = primitives * 2; return true;
        case D3DPT_LINESTRIP: *mode = GL_LINE_STRIP; *vertices = primitives + 1; return true;
        case D3DPT_TRIANGLELIST: *mode = GL_TRIANGLES; *vertices = primitives * 3; return true;
        case D3DPT_TRIANGLESTRIP: *mode = GL_TRIANGLE_STRIP; *vertices = primitives + 2; return true;
        case D3DPT_TRIANGLEFAN: *mode = GL_TRIANGLE_FAN; *vertices = primitives + 2; return true;
        default: return false;
    }
}

// Vertices the bound streams hold for the current vertex layout (the smallest of them); streams
// is a bit set of the streams the layout reads.
static UINT StreamVertexCapacity(const DeviceState& st, uint32_t streams) {
    UINT cap = 0xFFFFFFFFu;
    for (int s = 0; s < kMaxStreams; ++s) {
        if (!(streams & (1u << s))) continue;
        const StreamSlot& slot = st.streams[s];
        if (!slot.buffer || slot.stride == 0) return 0;
        cap = std::min(cap, slot.buffer->core().length() / slot.stride);
    }
    return streams == 0 ? 0 : cap;
}

UINT Device8::StreamUpload(const void* data, UINT size, UINT alignment) {
    if (!streamBuffer_ || size > streamSize_) {
        if (!streamBuffer_) glGenBuffers(1, &streamBuffer_);
        streamSize_ = std::max(kStreamRingBytes, size * 2);
        gl_state_.BindArrayBuffer(streamBuffer_);
        glBufferData(GL_ARRAY_BUFFER, streamSize_, nullptr, GL_STREAM_DRAW);
        streamPos_ = 0;
    }
    gl_state_.BindArrayBuffer(streamBuffer_);
    UINT pos = (streamPos_ + alignment - 1) / alignment * alignment;
    if (pos + size > streamSize_) {
        glBufferData(GL_ARRAY_BUFFER, streamSize_, nullptr, GL_STREAM_DRAW);  // orphan: a fresh block
        pos = 0;
    }
    void* dst = glMapBufferRange(GL_ARRAY_BUFFER, pos, size,
                                 GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
    if (dst) {
        std::memcpy(dst, data, size);
        glUnmapBuffer(GL_ARRAY_BUFFER);
    } else {
        glBufferSubData(GL_ARRAY_BUFFER, pos, size, data);
    }
    streamPos_ = pos + size;
    return pos;
}

// The streams the current vertex layout reads, as a bit set.
static uint32_t UsedStreams(const VertexShaderObject* vso) {
    if (!vso) return 1u;
    uint32_t used = 0;
    for (const VertexElement& e : vso->decl.elements) used |= 1u << e.stream;
    return used;
}

HRESULT Device8::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    GLenum mode;
    UINT vertices;
    if (!PrimitiveInfo(type, primitiveCount, &mode, &vertices)) return D3DERR_INVALIDCALL;
    if (state_.vertexShader == 0) return D3DERR_INVALIDCALL;
    VertexShaderObject* vso = CurrentShader();
    UINT cap = StreamVertexCapacity(state_, UsedStreams(vso));
    if (cap == 0 || startVertex > cap || vertices > cap - startVertex) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0 || lost_) return D3D_OK;
    MakeCurrent();
    if (!FlushState() || !SetupVertexInput(0, 0, false)) return D3DERR_INVALIDCALL;
    glDrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertices));
    if (drawLog_) LogDraw(mode, startVertex, vertices, 0, nullptr, 0, 0);
    return D3D_OK;
}

// Black vertex colours give a black source wherever stage 0 multiplies or selects the
// diffuse colour unlit (stage 1 off, no fog or specular added); blending that adds the
// source to the target, with no depth or stencil write and no alpha kept in the target,
// then leaves every pixel as it was.
bool Device8::BlackTrianglesAddNothing() const {
    const DWORD* rs = state_.rs;
    const DWORD fvf = state_.vertexShader;
    if ((fvf & 1u) || !(fvf & D3DFVF_DIFFUSE)) return false;
    if ((fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZRHW && rs[D3DRS_LIGHTING]) return false;
    if (rs[D3DRS_FOGENABLE] || rs[D3DRS_SPECULARENABLE]) return false;
    if (!rs[D3DRS_ALPHABLENDENABLE] || rs[D3DRS_DESTBLEND] != D3DBLEND_ONE) return false;
    if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA || rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA) return false;
    if (rs[D3DRS_BLENDOP] == D3DBLENDOP_SUBTRACT || rs[D3DRS_BLENDOP] == D3DBLENDOP_MIN) return false;
    if (hasDepth_ && ((rs[D3DRS_ZENABLE] != D3DZB_FALSE && rs[D3DRS_ZWRITEENABLE]) || rs[D3DRS_STENCILENABLE]))
        return false;
    if (pp_.BackBufferFormat == D3DFMT_A8R8G8B8) return false;
    if (state_.tss[1][D3DTSS_COLOROP] != D3DTOP_DISABLE) return false;
    const DWORD* t = state_.tss[0];
    const DWORD a1 = t[D3DTSS_COLORARG1], a2 = t[D3DTSS_COLORARG2];
    switch (t[D3DTSS_COLOROP]) {
        case D3DTOP_SELECTARG1: return a1 == D3DTA_DIFFUSE;
        case D3DTOP_SELECTARG2: return a2 == D3DTA_DIFFUSE;
        case D3DTOP_MODULATE: case D3DTOP_MODULATE2X: case D3DTOP_MODULATE4X:
            return a1 == D3DTA_DIFFUSE || a2 == D3DTA_DIFFUSE;
        default: return false;
    }
}

bool Device8::RunsWithoutBlackTriangles(IndexBuffer8* ib, UINT startIndex, UINT count) {
    VertexBuffer8* vb = state_.streams[0].buffer;
    const UINT stride = state_.streams[0].stride;
    UINT colourAt = 0;
    bool found = false;
    for (const VertexAttr& a : layoutAttrs_)
        if (a.location == 5 && a.stream == 0) colourAt = a.offset, found = true;
    if (!vb || !found) return false;
    const BYTE* vertices = vb->core().data();
    const UINT vertexBytes = vb->core().length();
    const BYTE* indices = ib->core().data();
    const UINT isz = ib->indexSize();
    auto black = [&](UINT i) {
        UINT index = 0;
        std::memcpy(&index, indices + size_t(startIndex + i) * isz, isz);
        const size_t at = (size_t(index) + state_.baseVertex) * stride + colourAt;
        DWORD colour = 0xFFFFFFFFu;
        if (at + 4 <= vertexBytes) std::memcpy(&colour, vertices + at, 4);
        return (colour & 0x00FFFFFFu) == 0;
    };
    runCounts_.clear();
    runOffsets_.clear();
    bool dropped = false;
    for (UINT i = 0; i + 3 <= count; i += 3) {
        if (black(i) && black(i + 1) && black(i + 2)) {
            dropped = true;
            continue;
        }
        const uintptr_t offset = uintptr_t(startIndex + i) * isz;
        const uintptr_t runEnd =
            runCounts_.empty() ? 0 : reinterpret_cast<uintptr_t>(runOffsets_.back()) + uintptr_t(runCounts_.back()) * isz;
        if (!runCounts_.empty() && runEnd == offset)
            runCounts_.back() += 3;
        else
            runCounts_.push_back(3), runOffsets_.push_back(reinterpret_cast<const void*>(offset));
    }
    return dropped;
}

HRESULT Device8::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                                      UINT primCount) {
    GLenum mode;
    UINT count;
    if (!PrimitiveInfo(type, primCount, &mode, &count)) return D3DERR_INVALIDCALL;
    IndexBuffer8* ib = state_.indices;
    if (!ib || state_.vertexShader == 0) return D3DERR_INVALIDCALL;
    UINT isz = ib->indexSize();
    UINT total = ib->core().length() / isz;
    if (startIndex > total || count > total - startIndex) return D3DERR_INVALIDCALL;
    VertexShaderObject* vso = CurrentShader();
    UINT cap = StreamVertexCapacity(state_, UsedStreams(vso));
    UINT base = state_.baseVertex;
    if (cap == 0 || base > cap) return D3DERR_INVALIDCALL;
    // Every index read must land inside the streams.
    if (count > 0 && ib->MaxIndex(startIndex, count, cap - base) >= cap - base) return D3DERR_INVALIDCALL;
    (void)minIndex;
    (void)numVertices;
    if (primCount == 0 || lost_) return D3D_OK;
    MakeCurrent();
    if (!FlushState() || !SetupVertexInput(0, 0, false)) return D3DERR_INVALIDCALL;
    GLuint eb = ib->core().GlBuffer();
    if (!elementBufferValid_ || boundElementBuffer_ != eb) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, eb);
        boundElementBuffer_ = eb;
        elementBufferValid_ = true;
    }
    const GLenum indexType = isz == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
    // Triangles that cannot change a pixel are left out; what remains goes in one call.
    if (mode == GL_TRIANGLES && BlackTrianglesAddNothing() && RunsWithoutBlackTriangles(ib, startIndex, count)) {
        runBases_.assign(runCounts_.size(), static_cast<GLint>(base));
        if (!runCounts_.empty())
            glMultiDrawElementsBaseVertex(mode, runCounts_.data(), indexType, runOffsets_.data(),
                                          static_cast<GLsizei>(runCounts_.size()), runBases_.data());
    } else {
        glDrawElementsBaseVertex(mode, static_cast<GLsizei>(count), indexType,
                                 reinterpret_cast<const void*>(static_cast<uintptr_t>(startIndex) * isz),
                                 static_cast<GLint>(base));
    }
    if (drawLog_) LogDraw(mode, startIndex, count, isz, nullptr, 0, 0);
    return D3D_OK;
}

HRESULT Device8::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* data, UINT stride) {
    GLenum mode;
    UINT vertices;
    if (!PrimitiveInfo(type, primitiveCount, &mode, &vertices)) return D3DERR_INVALIDCALL;
    if (!data || stride == 0 || state_.vertexShader == 0) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0 || lost_) return D3D_OK;
    MakeCurrent();
    if (!FlushState()) return D3DERR_INVALIDCALL;
    UINT pos = StreamUpload(data, vertices * stride, stride);
    if (!SetupVertexInput(streamBuffer_, stride, true)) return D3DERR_INVALIDCALL;
    glDrawArrays(mode, static_cast<GLint>(pos / stride), static_cast<GLsizei>(vertices));
    if (drawLog_) LogDraw(mode, 0, vertices, 0, data, vertices * stride, stride);
    // Direct3D forgets stream 0 after a user-pointer draw.
    if (state_.streams[0].buffer) {
        BindStream(state_, 0, nullptr, 0);
        inputDirty_ = true;
    }
    return D3D_OK;
}

void Device8::LogDraw(GLenum mode, UINT first, UINT count, UINT indexSize, const void* userData, UINT userBytes,
                      UINT userStride) {
    quil_automation::DrawRecord r;
    r.glMode = mode;
    r.first = first;
    r.count = count;
    r.indexSize = indexSize;
    r.baseVertex = indexSize ? static_cast<int32_t>(state_.baseVertex) : 0;
    VertexShaderObject* vso = CurrentShader();
    if (vso) {
        for (const VertexElement& e : vso->decl.elements)
            if (e.reg == D3DVSDE_POSITION) r.positionOffset = e.offset;
    }
    r.pretransformed = !vso && (state_.vertexShader & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    r.blend = state_.rs[D3DRS_ALPHABLENDENABLE] != 0;
    r.depthWrite = state_.rs[D3DRS_ZWRITEENABLE] != 0;
    r.program = current_ ? current_->id : 0;
    r.texture = state_.textures[0] ? state_.textures[0]->GlTexture() : 0;
    if (userData) {
        r.stride = userStride;
        r.userOffset = drawLog_->userBytes.size();
        r.vertexBytes = userBytes;
        const uint8_t* bytes = static_cast<const uint8_t*>(userData);
        drawLog_->userBytes.insert(drawLog_->userBytes.end(), bytes, bytes + userBytes);
    } else {
        const int stream = vso && !vso->decl.elements.empty() ? vso->decl.elements.front().stream : 0;
        VertexBuffer8* vb = state_.streams[stream].buffer;
        r.stride = state_.streams[stream].stride;
        r.vertexData = vb->core().data();
        r.vertexBytes = vb->core().length();
        r.vertexVersion = vb->core().version();
        if (indexSize) {
            r.indexData = state_.indices->core().data();
            r.indexBytes = state_.indices->core().length();
            r.indexVersion = state_.indices->core().version();
        }
    }
    const D3DMATRIX m = Multiply(Multiply(Multiply(state_.transforms[0], state_.transforms[4]), state_.transforms[5]),
                                 ClipFixUp(state_.viewport));
    std::memcpy(r.clipFromModel, &m.m[0][0], sizeof(r.clipFromModel));
    drawLog_->draws.push_back(r);
}

// Not offered: the engine draws indexed geometry from buffers.
HRESULT Device8::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*, UINT) {
    return D3DERR_INVALIDCALL;
}

}  // namespace quil_d3d8
