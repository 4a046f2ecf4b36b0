#include "vs_translator.h"

#include <cstring>
#include <sstream>

#include "ffp_shader.h"

namespace quil_d3d8 {

UINT DeclTypeSize(int type) {
    switch (type) {
        case D3DVSDT_FLOAT1: return 4;
        case D3DVSDT_FLOAT2: return 8;
        case D3DVSDT_FLOAT3: return 12;
        case D3DVSDT_FLOAT4: return 16;
        case D3DVSDT_D3DCOLOR: return 4;
        case D3DVSDT_UBYTE4: return 4;
        case D3DVSDT_SHORT2: return 4;
        case D3DVSDT_SHORT4: return 8;
        default: return 0;
    }
}

bool ParseDeclaration(const DWORD* tokens, VertexDeclaration* out, std::string* error) {
    *out = VertexDeclaration();
    if (!tokens) {
        *error = "no declaration";
        return false;
    }
    int stream = 0;
    for (int i = 0; i < 1024; ++i) {
        DWORD t = tokens[i];
        if (t == D3DVSD_END()) return true;
        DWORD kind = (t & D3DVSD_TOKENTYPEMASK) >> D3DVSD_TOKENTYPESHIFT;
        switch (kind) {
            case D3DVSD_TOKEN_NOP: break;
            case D3DVSD_TOKEN_STREAM:
                if (t & D3DVSD_STREAMTESSMASK) {
                    *error = "tessellator streams are not supported";
                    return false;
                }
                stream = static_cast<int>(t & D3DVSD_STREAMNUMBERMASK);
                break;
            case D3DVSD_TOKEN_STREAMDATA:
                if (t & D3DVSD_DATALOADTYPEMASK) {
                    out->streamStride[stream] += 4u * ((t & D3DVSD_SKIPCOUNTMASK) >> D3DVSD_SKIPCOUNTSHIFT);
                } else {
                    VertexElement e;
                    e.stream = stream;
                    e.reg = static_cast<int>(t & D3DVSD_VERTEXREGMASK);
                    e.type = static_cast<int>((t & D3DVSD_DATATYPEMASK) >> D3DVSD_DATATYPESHIFT);
                    e.offset = out->streamStride[stream];
                    if (e.reg >= kVsInputs || DeclTypeSize(e.type) == 0) {
                        *error = "bad register or data type in declaration";
                        return false;
                    }
                    out->streamStride[stream] += DeclTypeSize(e.type);
                    out->elements.push_back(e);
                }
                break;
            case D3DVSD_TOKEN_CONSTMEM: {
                int count = static_cast<int>((t & D3DVSD_CONSTCOUNTMASK) >> D3DVSD_CONSTCOUNTSHIFT);
                int addr = static_cast<int>(t & D3DVSD_CONSTADDRESSMASK);
                for (int k = 0; k < count; ++k) {
                    if (addr + k >= kVsConstants) {
                        *error = "declaration constant out of range";
                        return false;
                    }
                    VertexDeclaration::Constant c;
                    c.reg = addr + k;
                    std::memcpy(c.value, &tokens[i + 1 + 4 * k], 16);
                    out->constants.push_back(c);
                }
                i += 4 * count;
                break;
            }
            case D3DVSD_TOKEN_EXT: i += static_cast<int>((t & D3DVSD_EXTCOUNTMASK) >> D3DVSD_EXTCOUNTSHIFT); break;
            default:
                *error = "unknown declaration token";
                return false;
        }
    }
    *error = "declaration has no end";
    return false;
}

namespace {

struct OpInfo {
    int sources;
    bool scalar;  // reads one replicated source component
};

bool OpcodeInfo(DWORD op, OpInfo* info) {
    switch (op) {
        case D3DSIO_NOP: *info = {0, false}; return true;
        case D3DSIO_MOV: case D3DSIO_LIT: case D3DSIO_FRC: *info = {1, false}; return true;
        case D3DSIO_RCP: case D3DSIO_RSQ: case D3DSIO_EXP: case D3DSIO_LOG: case D3DSIO_EXPP: case D3DSIO_LOGP:
            *info = {1, true}; return true;
        case D3DSIO_ADD: case D3DSIO_SUB: case D3DSIO_MUL: case D3DSIO_DP3: case D3DSIO_DP4: case D3DSIO_MIN:
        case D3DSIO_MAX: case D3DSIO_SLT: case D3DSIO_SGE: case D3DSIO_DST: case D3DSIO_M4x4: case D3DSIO_M4x3:
        case D3DSIO_M3x4: case D3DSIO_M3x3: case D3DSIO_M3x2:
            *info = {2, false}; return true;
        case D3DSIO_MAD: case D3DSIO_LRP: *info = {3, false}; return true;
        default: return false;
    }
}

class Translator {
public:
    Translator(const DWORD* t, size_t n) : tok_(t), count_(n) {}

    bool Run(const VertexDeclaration& decl, std::string* glsl, std::string* error) {
        if (count_ < 1 || (tok_[0] & 0xFFFF0000u) != 0xFFFE0000u) return Fail(error, "not a vertex shader");
        DWORD major = D3DSHADER_VERSION_MAJOR(tok_[0]);
        if (major != 1) return Fail(error, "only vs.1.x shaders are supported");
        size_t i = 1;
        bool ended = false;
        while (i < count_) {
            DWORD t = tok_[i];
            DWORD op = t & D3DSI_OPCODE_MASK;
            if (op == D3DSIO_END) {
                ended = true;
                break;
            }
            if (op == D3DSIO_COMMENT) {
                i += 1 + ((t & D3DSI_COMMENTSIZE_MASK) >> D3DSI_COMMENTSIZE_SHIFT);
                continue;
            }
            if (op == D3DSIO_DEF) {
                if (i + 5 >= count_) return Fail(error, "truncated def");
                DWORD d = tok_[i + 1];
                int reg = static_cast<int>(d & D3DSP_REGNUM_MASK);
                if (RegType(d) != D3DSPR_CONST || reg >= kVsConstants) return Fail(error, "bad def register");
                float f[4];
                std::memcpy(f, &tok_[i + 2], 16);
                defs_ << "    c[" << reg << "] = vec4(" << Float(f[0]) << ", " << Float(f[1]) << ", " << Float(f[2])
                      << ", " << Float(f[3]) << ");\n";
                i += 6;
                continue;
            }
            OpInfo info;
            if (!OpcodeInfo(op, &info)) return Fail(error, "unknown instruction " + std::to_string(op));
            if (op == D3DSIO_NOP) {
                ++i;
                continue;
            }
            if (i + 1 + info.sources >= count_) return Fail(error, "truncated instruction");
            DWORD dst = tok_[i + 1];
            std::string src[3];
            for (int k = 0; k < info.sources; ++k) {
                if (!Source(tok_[i + 2 + k], &src[k], error)) return false;
            }
            if (!Instruction(op, info, dst, tok_ + i + 2, src, error)) return false;
            i += 2 + info.sources;
        }
        if (!ended) return Fail(error, "shader has no end");
        Emit(decl, glsl);
        return true;
    }

private:
    static bool Fail(std::string* error, const std::string& why) {
        *error = why;
        return false;
    }
    static DWORD RegType(DWORD p) { return (p & D3DSP_REGTYPE_MASK) >> D3DSP_REGTYPE_SHIFT; }
    static std::string Float(float f) {
        std::ostringstream o;
        o.precision(9);
        o << std::showpoint << f;
        std::string s = o.str();
        if (s.find("inf") != std::string::npos) return f > 0 ? "3.4e38" : "-3.4e38";
        if (s.find("nan") != std::string::npos) return "0.0";
        return s;
    }

    // The register a parameter token names, as a GLSL vec4 lvalue or value; offset
    // is added to the register number (the rows of the matrix instructions).
    bool Register(DWORD p, int offset, bool isDest, std::string* out, std::string* error) {
        int reg = static_cast<int>(p & D3DSP_REGNUM_MASK) + offset;
        bool relative = !isDest && (p & D3DVS_ADDRESSMODE_MASK) != 0;
        switch (RegType(p)) {
            case D3DSPR_TEMP:
                if (reg >= kVsTemps) return Fail(error, "temporary register out of range");
                *out = "r[" + std::to_string(reg) + "]";
                return true;
            case D3DSPR_INPUT:
                if (isDest) return Fail(error, "input register written");
                if (reg >= kVsInputs) return Fail(error, "input register out of range");
                *out = "v[" + std::to_string(reg) + "]";
                return true;
            case D3DSPR_CONST:
                if (isDest) return Fail(error, "constant register written");
                if (relative) {
                    *out = "C(a0 + " + std::to_string(reg) + ")";
                } else {
                    if (reg >= kVsConstants) return Fail(error, "constant register out of range");
                    *out = "c[" + std::to_string(reg) + "]";
                }
                return true;
            case D3DSPR_ADDR:
                if (!isDest) return Fail(error, "address register read");
                *out = "a0";
                return true;
            case D3DSPR_RASTOUT:
                if (!isDest) return Fail(error, "output register read");
                if (reg == D3DSRO_POSITION) *out = "oPos";
                else if (reg == D3DSRO_FOG) *out = "oFog";
                else if (reg == D3DSRO_POINT_SIZE) *out = "oPts";
                else return Fail(error, "bad output register");
                return true;
            case D3DSPR_ATTROUT:
                if (!isDest || reg > 1) return Fail(error, "bad colour output register");
                *out = "oD[" + std::to_string(reg) + "]";
                return true;
            case D3DSPR_TEXCRDOUT:
                if (!isDest || reg > 7) return Fail(error, "bad texture output register");
                *out = "oT[" + std::to_string(reg) + "]";
                return true;
            default: return Fail(error, "unknown register type");
        }
    }

    static std::string Swizzle(DWORD p) {
        DWORD sw = (p & D3DVS_SWIZZLE_MASK) >> D3DVS_SWIZZLE_SHIFT;
        if (sw == 0xE4) return "";
        static const char kComp[4] = {'x', 'y', 'z', 'w'};
        std::string s = ".";
        for (int k = 0; k < 4; ++k) s += kComp[(sw >> (2 * k)) & 3];
        return s;
    }

    static std::string Modify(DWORD p, const std::string& v) {
        switch (p & D3DSP_SRCMOD_MASK) {
            case D3DSPSM_NONE: return v;
            case D3DSPSM_NEG: return "(-" + v + ")";
            case D3DSPSM_BIAS: return "(" + v + " - 0.5)";
            case D3DSPSM_BIASNEG: return "(-(" + v + " - 0.5))";
            case D3DSPSM_SIGN: return "(2.0 * " + v + " - 1.0)";
            case D3DSPSM_SIGNNEG: return "(1.0 - 2.0 * " + v + ")";
            case D3DSPSM_COMP: return "(1.0 - " + v + ")";
            case D3DSPSM_X2: return "(2.0 * " + v + ")";
            case D3DSPSM_X2NEG: return "(-2.0 * " + v + ")";
            default: return v;
        }
    }

    bool Source(DWORD p, std::string* out, std::string* error) { return SourceAt(p, 0, out, error); }

    bool SourceAt(DWORD p, int offset, std::string* out, std::string* error) {
        if (!(p & D3DSP_PARAMTOKEN_MARK)) return Fail(error, "bad parameter token");
        std::string r;
        if (!Register(p, offset, false, &r, error)) return false;
        *out = Modify(p, r + Swizzle(p));
        return true;
    }

    bool Instruction(DWORD op, const OpInfo& info, DWORD dst, const DWORD* srcTok, const std::string* s,
                     std::string* error) {
        if (!(dst & D3DSP_PARAMTOKEN_MARK)) return Fail(error, "bad destination token");
        std::string d;
        if (!Register(dst, 0, true, &d, error)) return false;
        std::string e;
        // Scalar instructions read the last component of the swizzled source.
        std::string sc = info.scalar ? "(" + s[0] + ").w" : "";
        switch (op) {
            case D3DSIO_MOV: e = s[0]; break;
            case D3DSIO_ADD: e = s[0] + " + " + s[1]; break;
            case D3DSIO_SUB: e = s[0] + " - " + s[1]; break;
            case D3DSIO_MUL: e = s[0] + " * " + s[1]; break;
            case D3DSIO_MAD: e = s[0] + " * " + s[1] + " + " + s[2]; break;
            case D3DSIO_LRP: e = "mix(" + s[2] + ", " + s[1] + ", " + s[0] + ")"; break;
            case D3DSIO_DP3: e = "vec4(dot((" + s[0] + ").xyz, (" + s[1] + ").xyz))"; break;
            case D3DSIO_DP4: e = "vec4(dot(" + s[0] + ", " + s[1] + "))"; break;
            case D3DSIO_MIN: e = "min(" + s[0] + ", " + s[1] + ")"; break;
            case D3DSIO_MAX: e = "max(" + s[0] + ", " + s[1] + ")"; break;
            case D3DSIO_SLT: e = "vec4(lessThan(" + s[0] + ", " + s[1] + "))"; break;
            case D3DSIO_SGE: e = "vec4(greaterThanEqual(" + s[0] + ", " + s[1] + "))"; break;
            case D3DSIO_FRC: e = "fract(" + s[0] + ")"; break;
            case D3DSIO_RCP: e = "vec4(Rcp(" + sc + "))"; break;
            case D3DSIO_RSQ: e = "vec4(Rsq(" + sc + "))"; break;
            case D3DSIO_EXP: e = "vec4(exp2(" + sc + "))"; break;
            case D3DSIO_LOG: e = "vec4(Log2(" + sc + "))"; break;
            case D3DSIO_EXPP: e = "Expp(" + sc + ")"; break;
            case D3DSIO_LOGP: e = "Logp(" + sc + ")"; break;
            case D3DSIO_LIT: e = "Lit(" + s[0] + ")"; break;
            case D3DSIO_DST: e = "vec4(1.0, (" + s[0] + ").y * (" + s[1] + ").y, (" + s[0] + ").z, (" + s[1] + ").w)"; break;
            case D3DSIO_M4x4: case D3DSIO_M4x3: case D3DSIO_M3x4: case D3DSIO_M3x3: case D3DSIO_M3x2: {
                int rows = (op == D3DSIO_M4x4 || op == D3DSIO_M3x4) ? 4 : (op == D3DSIO_M3x2 ? 2 : 3);
                bool three = op == D3DSIO_M3x4 || op == D3DSIO_M3x3 || op == D3DSIO_M3x2;
                std::string parts[4] = {"0.0", "0.0", "0.0", "0.0"};
                for (int k = 0; k < rows; ++k) {
                    std::string row;
                    if (!SourceAt(srcTok[1], k, &row, error)) return false;
                    parts[k] = three ? "dot((" + s[0] + ").xyz, (" + row + ").xyz)" : "dot(" + s[0] + ", " + row + ")";
                }
                e = "vec4(" + parts[0] + ", " + parts[1] + ", " + parts[2] + ", " + parts[3] + ")";
                break;
            }
            default: return Fail(error, "unsupported instruction");
        }
        body_ << "    t = " << e << ";\n";
        if (d == "a0") {
            body_ << "    a0 = int(floor(t.x));\n";
            return true;
        }
        DWORD mask = (dst & D3DSP_WRITEMASK_ALL) >> 16;
        if (mask == 0) mask = 0xF;
        std::string m;
        static const char kComp[4] = {'x', 'y', 'z', 'w'};
        for (int k = 0; k < 4; ++k)
            if (mask & (1u << k)) m += kComp[k];
        std::string value = "t." + m;
        if ((dst & D3DSP_DSTMOD_MASK) == D3DSPDM_SATURATE) value = "clamp(" + value + ", 0.0, 1.0)";
        body_ << "    " << d << "." << m << " = " << value << ";\n";
        return true;
    }

    void Emit(const VertexDeclaration& decl, std::string* glsl) {
        std::ostringstream s;
        bool declared[kVsInputs] = {};
        for (const VertexElement& e : decl.elements) declared[e.reg] = true;
        s << "#version 330 core\n";
        for (int k = 0; k < kVsInputs; ++k)
            if (declared[k]) s << "layout(location = " << k << ") in vec4 aV" << k << ";\n";
        // Constants are the uniform array itself unless the shader defines its own.
        bool defs = !defs_.str().empty();
        s << "uniform vec4 " << (defs ? "uC[" : "c[") << kVsConstants << "];\n" << kVaryingsOut << kPositionFixup;
        if (defs) s << "vec4 c[" << kVsConstants << "];\n";
        s << "int a0 = 0;\n"
             "vec4 C(int i) { return (i >= 0 && i < " << kVsConstants << ") ? c[i] : vec4(0.0); }\n"
             "float Rcp(float x) { return x == 0.0 ? 3.4e38 : 1.0 / x; }\n"
             "float Rsq(float x) { float a = abs(x); return a == 0.0 ? 3.4e38 : inversesqrt(a); }\n"
             "float Log2(float x) { float a = abs(x); return a == 0.0 ? -3.4e38 : log2(a); }\n"
             "vec4 Expp(float x) { float f = floor(x); return vec4(exp2(f), x - f, exp2(x), 1.0); }\n"
             "vec4 Logp(float x) {\n"
             "    float a = abs(x);\n"
             "    if (a == 0.0) return vec4(-3.4e38, 1.0, -3.4e38, 1.0);\n"
             "    float e = floor(log2(a));\n"
             "    return vec4(e, a / exp2(e), log2(a), 1.0);\n"
             "}\n"
             "vec4 Lit(vec4 s) {\n"
             "    float d = max(s.x, 0.0);\n"
             "    float p = clamp(s.w, -128.0, 128.0);\n"
             "    float sp = s.x > 0.0 ? (s.y > 0.0 ? pow(s.y, p) : (p == 0.0 ? 1.0 : 0.0)) : 0.0;\n"
             "    return vec4(1.0, d, sp, 1.0);\n"
             "}\n"
             "void main() {\n"
          << (defs ? "    c = uC;\n" : "") << defs_.str()
          << "    vec4 r[" << kVsTemps << "];\n"
             "    for (int k = 0; k < " << kVsTemps << "; ++k) r[k] = vec4(0.0);\n"
             "    vec4 v[" << kVsInputs << "];\n";
        for (int k = 0; k < kVsInputs; ++k) {
            if (declared[k]) s << "    v[" << k << "] = aV" << k << ";\n";
            else s << "    v[" << k << "] = vec4(0.0, 0.0, 0.0, 1.0);\n";
        }
        s << "    vec4 oPos = vec4(0.0, 0.0, 0.0, 1.0);\n"
             "    vec4 oD[2];\n    oD[0] = vec4(1.0);\n    oD[1] = vec4(0.0);\n"
             "    vec4 oT[8];\n    for (int k = 0; k < 8; ++k) oT[k] = vec4(0.0, 0.0, 0.0, 1.0);\n"
             "    vec4 oFog = vec4(1.0);\n    vec4 oPts = vec4(1.0);\n"
             "    vec4 t;\n"
          << body_.str()
          << "    gl_Position = FixPosition(oPos);\n"
             "    vD0 = clamp(oD[0], 0.0, 1.0);\n    vD1 = clamp(oD[1], 0.0, 1.0);\n"
             "    vT0 = oT[0];\n    vT1 = oT[1];\n    vT2 = oT[2];\n    vT3 = oT[3];\n"
             "    vFog = clamp(oFog.x, 0.0, 1.0);\n"
             "}\n";
        *glsl = s.str();
    }

    const DWORD* tok_;
    size_t count_;
    std::ostringstream body_;
    std::ostringstream defs_;
};

}  // namespace

bool TranslateVertexShader(const DWORD* tokens, size_t tokenCount, const VertexDeclaration& decl, std::string* glsl,
                           std::string* error) {
    if (!tokens) {
        *error = "no shader";
        return false;
    }
    Translator t(tokens, tokenCount);
    return t.Run(decl, glsl, error);
}

}  // namespace quil_d3d8
