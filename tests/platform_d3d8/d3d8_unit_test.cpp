// Parts of the Direct3D stand-in that need no OpenGL: declarations, the vs.1.1
// translator's checks, state keys, pixel formats and buffer lock rules.
#include <gtest/gtest.h>

#include "d3d8_test_util.h"
#include "ffp_shader.h"
#include "format_util.h"
#include "resources8.h"
#include "vs_translator.h"

using namespace quil_d3d8;
using d3d8_test::Dst;
using d3d8_test::Op;
using d3d8_test::Src;

TEST(VertexDeclaration, SkinningLayoutGivesOffsetsStridesAndConstants) {
    const DWORD decl[] = {0x20000000, 0x40020000, 0x40020001, 0x40040002, 0x40020003, 0x40010004,
                          D3DVSD_CONST(7, 1), 0x3F800000, 0, 0, 0x40000000, D3DVSD_SKIP(2), D3DVSD_END()};
    VertexDeclaration d;
    std::string error;
    ASSERT_TRUE(ParseDeclaration(decl, &d, &error)) << error;
    ASSERT_EQ(5u, d.elements.size());
    EXPECT_EQ(2, d.elements[2].reg);
    EXPECT_EQ(D3DVSDT_D3DCOLOR, d.elements[2].type);
    EXPECT_EQ(24u, d.elements[2].offset);
    EXPECT_EQ(40u, d.elements[4].offset);
    EXPECT_EQ(56u, d.streamStride[0]);  // 48 of data plus two skipped DWORDs
    ASSERT_EQ(1u, d.constants.size());
    EXPECT_EQ(7, d.constants[0].reg);
    EXPECT_FLOAT_EQ(1.0f, d.constants[0].value[0]);
    EXPECT_FLOAT_EQ(2.0f, d.constants[0].value[3]);
}

TEST(VertexDeclaration, RejectsBadTokens) {
    VertexDeclaration d;
    std::string error;
    const DWORD badType[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, 9), D3DVSD_END()};
    EXPECT_FALSE(ParseDeclaration(badType, &d, &error));
    const DWORD badReg[] = {D3DVSD_STREAM(0), D3DVSD_REG(20, D3DVSDT_FLOAT3), D3DVSD_END()};
    EXPECT_FALSE(ParseDeclaration(badReg, &d, &error));
    const DWORD badConst[] = {D3DVSD_CONST(95, 2), 0, 0, 0, 0, 0, 0, 0, 0, D3DVSD_END()};
    EXPECT_FALSE(ParseDeclaration(badConst, &d, &error));
    EXPECT_FALSE(ParseDeclaration(nullptr, &d, &error));
}

namespace {

bool Translate(const std::vector<DWORD>& code, std::string* glsl, std::string* error) {
    const DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(2, D3DVSDT_D3DCOLOR),
                          D3DVSD_END()};
    VertexDeclaration d;
    if (!ParseDeclaration(decl, &d, error)) return false;
    return TranslateVertexShader(code.data(), code.size(), d, glsl, error);
}

}  // namespace

TEST(VertexShaderTranslator, AcceptsTheInstructionSetAndModifiers) {
    std::vector<DWORD> code = {D3DVS_VERSION(1, 1)};
    auto add = [&](std::initializer_list<DWORD> t) { code.insert(code.end(), t); };
    add({D3DSHADER_COMMENT(2), 0x12345678, 0x0000FFFF});  // comments may hold anything
    add({Op(D3DSIO_MUL), Dst(D3DSPR_TEMP, 1), Src(D3DSPR_INPUT, 2, d3d8_test::Swz(2, 1, 0, 3)), Src(D3DSPR_CONST, 0, d3d8_test::Swz(3, 3, 3, 3))});
    add({Op(D3DSIO_MOV), Dst(D3DSPR_ADDR, 0, D3DSP_WRITEMASK_0), Src(D3DSPR_TEMP, 1)});
    add({Op(D3DSIO_M4x3), Dst(D3DSPR_TEMP, 0, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1 | D3DSP_WRITEMASK_2),
         Src(D3DSPR_INPUT, 0), Src(D3DSPR_CONST, 9, D3DVS_NOSWIZZLE, false, true)});
    for (D3DSHADER_INSTRUCTION_OPCODE_TYPE op : {D3DSIO_RCP, D3DSIO_RSQ, D3DSIO_EXP, D3DSIO_LOG, D3DSIO_EXPP,
                                                 D3DSIO_LOGP, D3DSIO_FRC, D3DSIO_LIT})
        add({Op(op), Dst(D3DSPR_TEMP, 2), Src(D3DSPR_TEMP, 0, D3DVS_NOSWIZZLE, true)});
    for (D3DSHADER_INSTRUCTION_OPCODE_TYPE op : {D3DSIO_ADD, D3DSIO_SUB, D3DSIO_DP3, D3DSIO_DP4, D3DSIO_MIN,
                                                 D3DSIO_MAX, D3DSIO_SLT, D3DSIO_SGE, D3DSIO_DST, D3DSIO_M4x4,
                                                 D3DSIO_M3x4, D3DSIO_M3x3, D3DSIO_M3x2})
        add({Op(op), Dst(D3DSPR_TEMP, 3), Src(D3DSPR_TEMP, 2), Src(D3DSPR_CONST, 4)});
    add({Op(D3DSIO_MAD), Dst(D3DSPR_RASTOUT, D3DSRO_POSITION), Src(D3DSPR_TEMP, 3), Src(D3DSPR_CONST, 1),
         Src(D3DSPR_TEMP, 0)});
    add({Op(D3DSIO_MOV), Dst(D3DSPR_RASTOUT, D3DSRO_FOG, D3DSP_WRITEMASK_0), Src(D3DSPR_TEMP, 0)});
    add({Op(D3DSIO_MOV), Dst(D3DSPR_ATTROUT, 1), Src(D3DSPR_CONST, 95)});
    add({Op(D3DSIO_MOV), Dst(D3DSPR_TEXCRDOUT, 3, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1), Src(D3DSPR_INPUT, 0)});
    add({D3DVS_END()});
    std::string glsl, error;
    ASSERT_TRUE(Translate(code, &glsl, &error)) << error;
    EXPECT_NE(std::string::npos, glsl.find("C(a0 + 9)"));
    EXPECT_NE(std::string::npos, glsl.find("C(a0 + 11)"));  // third row of the relative matrix
    EXPECT_NE(std::string::npos, glsl.find("a0 = int(floor(t.x))"));
    EXPECT_NE(std::string::npos, glsl.find("v[2].zyxw"));
    EXPECT_NE(std::string::npos, glsl.find("oT[3].xy = t.xy"));
}

TEST(VertexShaderTranslator, RejectsMalformedStreams) {
    std::string glsl, error;
    const DWORD end = D3DVS_END();
    EXPECT_FALSE(Translate({D3DPS_VERSION(1, 1), end}, &glsl, &error));  // a pixel shader
    EXPECT_FALSE(Translate({D3DVS_VERSION(1, 1), 200, Dst(D3DSPR_TEMP, 0), end}, &glsl, &error));  // unknown op
    EXPECT_FALSE(Translate({D3DVS_VERSION(1, 1), Op(D3DSIO_MOV), Dst(D3DSPR_TEMP, 0), Src(D3DSPR_CONST, 96), end},
                           &glsl, &error));  // constant out of range
    EXPECT_FALSE(Translate({D3DVS_VERSION(1, 1), Op(D3DSIO_MOV), Dst(D3DSPR_INPUT, 0), Src(D3DSPR_TEMP, 0), end},
                           &glsl, &error));  // writes an input
    EXPECT_FALSE(Translate({D3DVS_VERSION(1, 1), Op(D3DSIO_MOV), Dst(D3DSPR_TEMP, 12), Src(D3DSPR_TEMP, 0), end},
                           &glsl, &error));  // no r12
    EXPECT_FALSE(Translate({D3DVS_VERSION(1, 1), Op(D3DSIO_MOV), Dst(D3DSPR_TEMP, 0), Src(D3DSPR_TEMP, 0)}, &glsl,
                           &error));  // no end
    EXPECT_FALSE(Translate({D3DVS_VERSION(1, 1), Op(D3DSIO_ADD), Dst(D3DSPR_TEMP, 0), Src(D3DSPR_TEMP, 0)}, &glsl,
                           &error));  // truncated
    EXPECT_FALSE(error.empty());
}

namespace {

struct States {
    DWORD rs[QUIL_D3DRS_COUNT] = {};
    DWORD tss[QUIL_D3D_STAGES][QUIL_D3DTSS_COUNT] = {};
    States() {
        rs[D3DRS_LIGHTING] = TRUE;
        rs[D3DRS_COLORVERTEX] = TRUE;
        rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
        rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
        for (int s = 0; s < QUIL_D3D_STAGES; ++s) {
            tss[s][D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
            tss[s][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
            tss[s][D3DTSS_COLORARG2] = D3DTA_CURRENT;
            tss[s][D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
            tss[s][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
            tss[s][D3DTSS_TEXCOORDINDEX] = static_cast<DWORD>(s);
        }
    }
};

}  // namespace

TEST(StateKeys, FragmentKeyIgnoresStatesBehindADisabledStage) {
    States a, b;
    bool tex[kFsStages] = {true, false, false, false};
    b.tss[2][D3DTSS_COLOROP] = D3DTOP_ADD;  // behind the disabled stage 1: no effect
    b.tss[1][D3DTSS_COLORARG1] = D3DTA_DIFFUSE;
    b.rs[D3DRS_ALPHAREF] = 99;  // a uniform, not code
    FsKey ka, kb;
    BuildFsKey(a.rs, a.tss, tex, &ka);
    BuildFsKey(b.rs, b.tss, tex, &kb);
    EXPECT_TRUE(ka == kb);
    EXPECT_EQ(FsKeyHash()(ka), FsKeyHash()(kb));
    b.rs[D3DRS_ALPHATESTENABLE] = TRUE;  // ALWAYS still needs no test
    BuildFsKey(b.rs, b.tss, tex, &kb);
    EXPECT_TRUE(ka == kb);
    b.rs[D3DRS_ALPHAFUNC] = D3DCMP_GREATEREQUAL;
    BuildFsKey(b.rs, b.tss, tex, &kb);
    EXPECT_FALSE(ka == kb);
    tex[0] = false;
    BuildFsKey(a.rs, a.tss, tex, &kb);
    EXPECT_FALSE(ka == kb);
    EXPECT_NE(std::string::npos, GenerateFragmentShader(kb).find("vec4 tex0 = vec4(1.0)"));
}

TEST(StateKeys, VertexKeyFollowsFormatLightsAndFog) {
    States s;
    uint8_t types[2] = {D3DLIGHT_POINT, D3DLIGHT_DIRECTIONAL};
    FfpVsKey rhw, lit, litFog;
    BuildFfpVsKey(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, s.rs, s.tss, types, 2, &rhw);
    EXPECT_EQ(1, rhw.rhw);
    EXPECT_EQ(0, rhw.lighting);  // pre-transformed vertices are never lit
    BuildFfpVsKey(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(1), s.rs, s.tss, types, 2, &lit);
    EXPECT_EQ(2, lit.lightCount);
    EXPECT_EQ(D3DLIGHT_DIRECTIONAL, lit.lightType[1]);
    EXPECT_EQ(3, lit.texSize[1]);
    s.rs[D3DRS_FOGENABLE] = TRUE;
    s.rs[D3DRS_FOGVERTEXMODE] = D3DFOG_LINEAR;
    BuildFfpVsKey(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(1), s.rs, s.tss, types, 2, &litFog);
    EXPECT_FALSE(lit == litFog);
    EXPECT_EQ(D3DFOG_LINEAR, litFog.fogMode);
    std::string src = GenerateFfpVertexShader(litFog);
    EXPECT_NE(std::string::npos, src.find("uLightAtten[0]"));
    EXPECT_NE(std::string::npos, src.find("-uLightDir[1]"));
    EXPECT_NE(std::string::npos, src.find("vFog = clamp((uFogParams.y - fd)"));
}

TEST(PixelFormats, SixteenBitFormatsExpandToFullRange) {
    const BYTE red565[2] = {0x00, 0xF8}, white565[2] = {0xFF, 0xFF};
    EXPECT_EQ(0xFFFF0000u, PixelToArgb(D3DFMT_R5G6B5, red565));
    EXPECT_EQ(0xFFFFFFFFu, PixelToArgb(D3DFMT_R5G6B5, white565));
    const BYTE halfAlpha4444[2] = {0x0F, 0x80};  // a=8, r=0, g=0, b=15
    EXPECT_EQ(0x880000FFu, PixelToArgb(D3DFMT_A4R4G4B4, halfAlpha4444));
    const BYTE clear1555[2] = {0xFF, 0x7F};
    EXPECT_EQ(0x00FFFFFFu, PixelToArgb(D3DFMT_A1R5G5B5, clear1555));
    EXPECT_EQ(0xFFFFFFFFu, PixelToArgb(D3DFMT_X1R5G5B5, clear1555));
    EXPECT_EQ(8u, RowPitch(D3DFMT_R5G6B5, 3));
    EXPECT_EQ(12u, RowPitch(D3DFMT_R8G8B8, 3));
    EXPECT_FALSE(IsTextureFormat(D3DFMT_DXT1));
    GlFormat f;
    ASSERT_TRUE(GlFormatFor(D3DFMT_X8R8G8B8, &f));
    EXPECT_EQ(GL_ONE, f.swizzle[3]);  // no alpha in the format: opaque
}

TEST(BufferLocks, RangesFlagsAndDoubleLocks) {
    BufferCore b(32, D3DUSAGE_DYNAMIC, GL_ARRAY_BUFFER);
    BYTE* p = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, b.Lock(0, 4, nullptr, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, b.Lock(30, 4, &p, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, b.Lock(33, 0, &p, 0));
    EXPECT_FALSE(b.Unlock());
    ASSERT_EQ(D3D_OK, b.Lock(32, 0, &p, 0));  // an empty lock at the very end is allowed
    EXPECT_TRUE(b.Unlock());
    uint64_t v = b.version();
    ASSERT_EQ(D3D_OK, b.Lock(8, 8, &p, 0));
    p[7] = 42;
    EXPECT_EQ(D3DERR_INVALIDCALL, b.Lock(0, 0, &p, 0));
    EXPECT_TRUE(b.Unlock());
    EXPECT_EQ(42, b.data()[15]);
    EXPECT_GT(b.version(), v);
    v = b.version();
    ASSERT_EQ(D3D_OK, b.Lock(0, 0, &p, D3DLOCK_READONLY));
    EXPECT_TRUE(b.Unlock());
    EXPECT_EQ(v, b.version());  // read-only locks upload nothing
    EXPECT_EQ(6u, FullMipCount(32, 4));
    EXPECT_EQ(1u, FullMipCount(1, 1));
}
