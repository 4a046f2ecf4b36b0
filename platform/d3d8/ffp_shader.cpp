#include "ffp_shader.h"

#include <sstream>

namespace quil_d3d8 {

const char* const kVaryingsOut =
    "out vec4 vD0;\nout vec4 vD1;\nout vec4 vT0;\nout vec4 vT1;\nout vec4 vT2;\nout vec4 vT3;\nout float vFog;\n";

// Turns a Direct3D clip-space position into OpenGL's: y flipped (the frame is stored
// top row first), depth 0..w moved to -w..w, and half a pixel shifted so that pixel
// centres fall on integer screen coordinates as in Direct3D.
const char* const kPositionFixup =
    "uniform vec4 uPosFix;\n"
    "vec4 FixPosition(vec4 p) {\n"
    "    return vec4(p.x + uPosFix.x * p.w, -p.y + uPosFix.y * p.w, 2.0 * p.z - p.w, p.w);\n"
    "}\n";

size_t HashBytes(const void* data, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return static_cast<size_t>(h);
}

void BuildFfpVsKey(DWORD fvf, const DWORD* rs, const DWORD (*tss)[QUIL_D3DTSS_COUNT], const uint8_t* lightTypes,
                   int lightCount, FfpVsKey* key) {
    *key = FfpVsKey();
    key->rhw = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    key->hasNormal = (fvf & D3DFVF_NORMAL) != 0;
    key->hasDiffuse = (fvf & D3DFVF_DIFFUSE) != 0;
    key->hasSpecular = (fvf & D3DFVF_SPECULAR) != 0;
    int count = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    if (count > 8) count = 8;
    key->texCount = static_cast<uint8_t>(count);
    for (int i = 0; i < count; ++i) {
        static const uint8_t kSizes[4] = {2, 3, 4, 1};
        key->texSize[i] = kSizes[(fvf >> (16 + i * 2)) & 3];
    }
    for (int s = 0; s < kFsStages; ++s) key->texIndex[s] = static_cast<uint8_t>(tss[s][D3DTSS_TEXCOORDINDEX] & 7);
    if (key->rhw) {
        // Pre-transformed vertices are neither lit nor fogged by formula.
        key->fogMode = D3DFOG_NONE;
        return;
    }
    key->lighting = rs[D3DRS_LIGHTING] != 0;
    if (key->lighting) {
        key->colorVertex = rs[D3DRS_COLORVERTEX] != 0;
        key->specularEnable = rs[D3DRS_SPECULARENABLE] != 0;
        key->localViewer = rs[D3DRS_LOCALVIEWER] != 0;
        key->normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
        if (key->colorVertex) {
            key->diffuseSrc = static_cast<uint8_t>(rs[D3DRS_DIFFUSEMATERIALSOURCE] & 3);
            key->ambientSrc = static_cast<uint8_t>(rs[D3DRS_AMBIENTMATERIALSOURCE] & 3);
            key->specularSrc = static_cast<uint8_t>(rs[D3DRS_SPECULARMATERIALSOURCE] & 3);
            key->emissiveSrc = static_cast<uint8_t>(rs[D3DRS_EMISSIVEMATERIALSOURCE] & 3);
        }
        key->lightCount = static_cast<uint8_t>(lightCount > kMaxLights ? kMaxLights : lightCount);
        for (int i = 0; i < key->lightCount; ++i) key->lightType[i] = lightTypes[i];
    }
    if (rs[D3DRS_FOGENABLE]) {
        DWORD mode = rs[D3DRS_FOGTABLEMODE] != DWORD(D3DFOG_NONE) ? rs[D3DRS_FOGTABLEMODE] : rs[D3DRS_FOGVERTEXMODE];
        key->fogMode = static_cast<uint8_t>(mode <= DWORD(D3DFOG_LINEAR) ? mode : DWORD(D3DFOG_NONE));
        key->rangeFog = rs[D3DRS_RANGEFOGENABLE] != 0 && rs[D3DRS_FOGTABLEMODE] == D3DFOG_NONE;
    }
}

void BuildFsKey(const DWORD* rs, const DWORD (*tss)[QUIL_D3DTSS_COUNT], const bool* hasTexture, FsKey* key) {
    *key = FsKey();
    for (int s = 0; s < kFsStages; ++s) {
        FsStageKey& k = key->stage[s];
        k.colorOp = static_cast<uint8_t>(tss[s][D3DTSS_COLOROP]);
        if (k.colorOp == D3DTOP_DISABLE || k.colorOp == 0) {
            k.colorOp = D3DTOP_DISABLE;
            break;  // this and the later stages are off
        }
        k.colorArg1 = static_cast<uint8_t>(tss[s][D3DTSS_COLORARG1]);
        k.colorArg2 = static_cast<uint8_t>(tss[s][D3DTSS_COLORARG2]);
        k.alphaOp = static_cast<uint8_t>(tss[s][D3DTSS_ALPHAOP]);
        k.alphaArg1 = static_cast<uint8_t>(tss[s][D3DTSS_ALPHAARG1]);
        k.alphaArg2 = static_cast<uint8_t>(tss[s][D3DTSS_ALPHAARG2]);
        k.hasTexture = hasTexture[s] ? 1 : 0;
    }
    if (rs[D3DRS_ALPHATESTENABLE] && rs[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS)
        key->alphaFunc = static_cast<uint8_t>(rs[D3DRS_ALPHAFUNC]);
    key->fog = rs[D3DRS_FOGENABLE] != 0;
    key->specular = rs[D3DRS_SPECULARENABLE] != 0;
}

// The material colour for one of the four sources, as a GLSL expression.
static std::string MaterialSource(const FfpVsKey& k, uint8_t source, const char* material) {
    if (source == D3DMCS_COLOR1 && k.hasDiffuse) return "aDiffuse";
    if (source == D3DMCS_COLOR2 && k.hasSpecular) return "aSpecular";
    return material;
}

std::string GenerateFfpVertexShader(const FfpVsKey& k) {
    std::ostringstream s;
    s << "#version 330 core\n";
    s << "layout(location = 0) in vec4 aPos;\n";
    if (k.hasNormal) s << "layout(location = 3) in vec3 aNormal;\n";
    if (k.hasDiffuse) s << "layout(location = 5) in vec4 aDiffuse;\n";
    if (k.hasSpecular) s << "layout(location = 6) in vec4 aSpecular;\n";
    for (int i = 0; i < k.texCount; ++i) s << "layout(location = " << (kAttrTex0 + i) << ") in vec4 aTex" << i << ";\n";
    s << kVaryingsOut << kPositionFixup;
    s << "uniform mat4 uWorldView;\nuniform mat4 uWvpFix;\nuniform mat3 uNormalMat;\nuniform vec4 uViewport;\n"
         "uniform vec4 uMatDiffuse;\nuniform vec4 uMatAmbient;\nuniform vec4 uMatSpecular;\nuniform vec4 uMatEmissive;\n"
         "uniform float uMatPower;\nuniform vec4 uGlobalAmbient;\nuniform vec4 uFogParams;\n";
    if (k.lightCount > 0)
        s << "uniform vec4 uLightPos[" << kMaxLights << "];\nuniform vec4 uLightDir[" << kMaxLights
          << "];\nuniform vec4 uLightDiffuse[" << kMaxLights << "];\nuniform vec4 uLightSpecular[" << kMaxLights
          << "];\nuniform vec4 uLightAmbient[" << kMaxLights << "];\nuniform vec4 uLightAtten[" << kMaxLights << "];\n";
    s << "void main() {\n";
    // Texture coordinates: each stage reads the set its TEXCOORDINDEX names.
    for (int st = 0; st < kFsStages; ++st) {
        s << "    vT" << st << " = ";
        if (k.texIndex[st] < k.texCount) s << "aTex" << int(k.texIndex[st]) << ";\n";
        else s << "vec4(0.0, 0.0, 0.0, 1.0);\n";
    }
    if (k.rhw) {
        s << "    float w = aPos.w != 0.0 ? 1.0 / aPos.w : 1.0;\n"
             "    vec2 ndc = (aPos.xy + 0.5 - uViewport.xy) * 2.0 / uViewport.zw - 1.0;\n"
             "    gl_Position = vec4(ndc * w, (2.0 * aPos.z - 1.0) * w, w);\n";
        s << "    vD0 = " << (k.hasDiffuse ? "aDiffuse" : "vec4(1.0)") << ";\n";
        s << "    vD1 = " << (k.hasSpecular ? "aSpecular" : "vec4(0.0)") << ";\n";
        s << "    vFog = " << (k.hasSpecular ? "aSpecular.a" : "1.0") << ";\n}\n";
        return s.str();
    }
    // One product for the position: world, view, projection and the fix-up in one matrix.
    s << "    gl_Position = uWvpFix * vec4(aPos.xyz, 1.0);\n";
    if (k.lighting || k.fogMode != D3DFOG_NONE) s << "    vec4 P = uWorldView * vec4(aPos.xyz, 1.0);\n";
    if (!k.lighting) {
        s << "    vD0 = " << (k.hasDiffuse ? "aDiffuse" : "vec4(1.0)") << ";\n";
        s << "    vD1 = " << (k.hasSpecular ? "aSpecular" : "vec4(0.0)") << ";\n";
    } else {
        std::string md = MaterialSource(k, k.diffuseSrc, "uMatDiffuse");
        std::string ma = MaterialSource(k, k.ambientSrc, "uMatAmbient");
        std::string ms = MaterialSource(k, k.specularSrc, "uMatSpecular");
        std::string me = MaterialSource(k, k.emissiveSrc, "uMatEmissive");
        if (!k.colorVertex) md = "uMatDiffuse", ma = "uMatAmbient", ms = "uMatSpecular", me = "uMatEmissive";
        s << "    vec4 md = " << md << ";\n    vec4 ma = " << ma << ";\n    vec4 ms = " << ms << ";\n    vec4 me = "
          << me << ";\n";
        if (k.hasNormal) {
            s << "    vec3 N = uNormalMat * aNormal;\n";
            if (k.normalize) s << "    if (dot(N, N) > 0.0) N = normalize(N);\n";
        } else {
            s << "    vec3 N = vec3(0.0);\n";
        }
        s << "    vec3 V = " << (k.localViewer ? "-normalize(P.xyz)" : "vec3(0.0, 0.0, -1.0)") << ";\n";
        s << "    vec3 diff = vec3(0.0);\n    vec3 amb = vec3(0.0);\n    vec3 spec = vec3(0.0);\n";
        for (int i = 0; i < k.lightCount; ++i) {
            s << "    {\n";
            if (k.lightType[i] == D3DLIGHT_DIRECTIONAL) {
                s << "        vec3 L = -uLightDir[" << i << "].xyz;\n        float att = 1.0;\n";
            } else {
                s << "        vec3 L = uLightPos[" << i << "].xyz - P.xyz;\n"
                  << "        float d = length(L);\n"
                  << "        vec4 a = uLightAtten[" << i << "];\n"
                  << "        float att = 0.0;\n"
                  << "        if (d <= a.w) {\n"
                  << "            L = d > 0.0 ? L / d : vec3(0.0);\n"
                  << "            float den = a.x + a.y * d + a.z * d * d;\n"
                  << "            att = den > 0.0 ? 1.0 / den : 1.0;\n"
                  << "        }\n";
            }
            s << "        float nl = max(dot(N, L), 0.0);\n"
              << "        amb += att * uLightAmbient[" << i << "].rgb;\n"
              << "        diff += att * nl * uLightDiffuse[" << i << "].rgb;\n";
            if (k.specularEnable) {
                s << "        if (nl > 0.0) {\n"
                  << "            vec3 H = normalize(L + V);\n"
                  << "            float nh = max(dot(N, H), 0.0);\n"
                  << "            spec += att * (uMatPower > 0.0 ? pow(nh, uMatPower) : 1.0) * uLightSpecular[" << i
                  << "].rgb;\n"
                  << "        }\n";
            }
            s << "    }\n";
        }
        s << "    vec3 col = me.rgb + ma.rgb * (uGlobalAmbient.rgb + amb) + md.rgb * diff;\n";
        s << "    vD0 = vec4(clamp(col, 0.0, 1.0), clamp(md.a, 0.0, 1.0));\n";
        s << "    vD1 = vec4(clamp(ms.rgb * spec, 0.0, 1.0), 0.0);\n";
    }
    // Fog factor: 1 keeps the colour, 0 is all fog colour.
    switch (k.fogMode) {
        case D3DFOG_LINEAR:
            s << "    float fd = " << (k.rangeFog ? "length(P.xyz)" : "abs(P.z)") << ";\n"
              << "    vFog = clamp((uFogParams.y - fd) * uFogParams.w, 0.0, 1.0);\n";
            break;
        case D3DFOG_EXP:
            s << "    float fd = " << (k.rangeFog ? "length(P.xyz)" : "abs(P.z)") << ";\n"
              << "    vFog = clamp(exp(-fd * uFogParams.z), 0.0, 1.0);\n";
            break;
        case D3DFOG_EXP2:
            s << "    float fd = " << (k.rangeFog ? "length(P.xyz)" : "abs(P.z)") << " * uFogParams.z;\n"
              << "    vFog = clamp(exp(-fd * fd), 0.0, 1.0);\n";
            break;
        default:
            s << "    vFog = " << (k.hasSpecular ? "aSpecular.a" : "1.0") << ";\n";
            break;
    }
    s << "}\n";
    return s.str();
}

// A texture-stage argument as a GLSL vec4 expression.
static std::string Arg(uint8_t arg, int stage, bool alpha) {
    std::string v;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE: v = "vD0"; break;
        case D3DTA_CURRENT: v = "cur"; break;
        case D3DTA_TEXTURE: v = "tex" + std::to_string(stage); break;
        case D3DTA_TFACTOR: v = "uTFactor"; break;
        case D3DTA_SPECULAR: v = "vD1"; break;
        default: v = "cur"; break;
    }
    if ((arg & D3DTA_ALPHAREPLICATE) && !alpha) v = "vec4(" + v + ".a)";
    if (arg & D3DTA_COMPLEMENT) v = "(vec4(1.0) - " + v + ")";
    return v;
}

// The result of one texture operation over two arguments, as a GLSL vec4 expression.
static std::string Op(uint8_t op, const std::string& a1, const std::string& a2, int stage) {
    std::string tex = "tex" + std::to_string(stage);
    switch (op) {
        case D3DTOP_SELECTARG1: return a1;
        case D3DTOP_SELECTARG2: return a2;
        case D3DTOP_MODULATE: return "(" + a1 + " * " + a2 + ")";
        case D3DTOP_MODULATE2X: return "(" + a1 + " * " + a2 + " * 2.0)";
        case D3DTOP_MODULATE4X: return "(" + a1 + " * " + a2 + " * 4.0)";
        case D3DTOP_ADD: return "(" + a1 + " + " + a2 + ")";
        case D3DTOP_ADDSIGNED: return "(" + a1 + " + " + a2 + " - 0.5)";
        case D3DTOP_ADDSIGNED2X: return "((" + a1 + " + " + a2 + " - 0.5) * 2.0)";
        case D3DTOP_SUBTRACT: return "(" + a1 + " - " + a2 + ")";
        case D3DTOP_ADDSMOOTH: return "(" + a1 + " + " + a2 + " * (vec4(1.0) - " + a1 + "))";
        case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + a2 + ", " + a1 + ", vD0.a)";
        case D3DTOP_BLENDTEXTUREALPHA: return "mix(" + a2 + ", " + a1 + ", " + tex + ".a)";
        case D3DTOP_BLENDFACTORALPHA: return "mix(" + a2 + ", " + a1 + ", uTFactor.a)";
        case D3DTOP_BLENDCURRENTALPHA: return "mix(" + a2 + ", " + a1 + ", cur.a)";
        case D3DTOP_BLENDTEXTUREALPHAPM: return "(" + a1 + " + " + a2 + " * (1.0 - " + tex + ".a))";
        case D3DTOP_DOTPRODUCT3:
            return "vec4(clamp(dot((" + a1 + ").rgb - 0.5, (" + a2 + ").rgb - 0.5) * 4.0, 0.0, 1.0))";
        default: return a1;
    }
}

static const char* CompareOp(uint8_t func) {
    switch (func) {
        case D3DCMP_NEVER: return "false";
        case D3DCMP_LESS: return "a < r";
        case D3DCMP_EQUAL: return "a == r";
        case D3DCMP_LESSEQUAL: return "a <= r";
        case D3DCMP_GREATER: return "a > r";
        case D3DCMP_NOTEQUAL: return "a != r";
        case D3DCMP_GREATEREQUAL: return "a >= r";
        default: return "true";
    }
}

std::string GenerateFragmentShader(const FsKey& k) {
    std::ostringstream s;
    s << "#version 330 core\n"
         "in vec4 vD0;\nin vec4 vD1;\nin vec4 vT0;\nin vec4 vT1;\nin vec4 vT2;\nin vec4 vT3;\nin float vFog;\n"
         "uniform sampler2D uTex0;\nuniform sampler2D uTex1;\nuniform sampler2D uTex2;\nuniform sampler2D uTex3;\n"
         "uniform vec4 uTFactor;\nuniform vec4 uFogColor;\nuniform float uAlphaRef;\n"
         "out vec4 fragColor;\n"
         "void main() {\n"
         "    vec4 cur = vD0;\n";
    for (int st = 0; st < kFsStages; ++st) {
        const FsStageKey& g = k.stage[st];
        if (g.colorOp == D3DTOP_DISABLE || g.colorOp == 0) break;
        // A stage without a texture reads opaque white.
        s << "    vec4 tex" << st << " = ";
        if (g.hasTexture) s << "texture(uTex" << st << ", vT" << st << ".xy);\n";
        else s << "vec4(1.0);\n";
        std::string c = Op(g.colorOp, Arg(g.colorArg1, st, false), Arg(g.colorArg2, st, false), st);
        s << "    vec3 rgb" << st << " = clamp((" << c << ").rgb, 0.0, 1.0);\n";
        if (g.alphaOp == D3DTOP_DISABLE || g.alphaOp == 0) {
            // Alpha passes through: the diffuse alpha at stage 0, else the current one.
            s << "    float al" << st << " = " << (st == 0 ? "vD0.a" : "cur.a") << ";\n";
        } else {
            std::string a = Op(g.alphaOp, Arg(g.alphaArg1, st, true), Arg(g.alphaArg2, st, true), st);
            s << "    float al" << st << " = clamp((" << a << ").a, 0.0, 1.0);\n";
        }
        s << "    cur = vec4(rgb" << st << ", al" << st << ");\n";
    }
    if (k.specular) s << "    cur.rgb = clamp(cur.rgb + vD1.rgb, 0.0, 1.0);\n";
    if (k.alphaFunc) {
        s << "    {\n        float a = floor(cur.a * 255.0 + 0.5);\n        float r = uAlphaRef;\n"
          << "        if (!(" << CompareOp(k.alphaFunc) << ")) discard;\n    }\n";
    }
    if (k.fog) s << "    cur.rgb = mix(uFogColor.rgb, cur.rgb, clamp(vFog, 0.0, 1.0));\n";
    s << "    fragColor = cur;\n}\n";
    return s.str();
}

}  // namespace quil_d3d8
