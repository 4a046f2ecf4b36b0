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

// The instructions, registers and modifiers the engine's skinning shaders use.
TEST(VertexShaderTranslator, AcceptsTheSkinningShadersInstructions) {
    std::vector<DWORD> code = {D3DVS_VERSION(1, 1)};
    auto add = [&](std::initializer_list<DWORD> t) { code.insert(code.end(), t); };
    add({D3DSHADER_COMMENT(2), 0x12345678, 0x0000FFFF});  // comments may hold anything
    add({Op(D3DSIO_MUL), Dst(D3DSPR_TEMP, 1), Src(D3DSPR_INPUT, 2, d3d8_test::Swz(2, 1, 0, 3)), Src(D3DSPR_CONST, 0, d3d8_test::Swz(3, 3, 3, 3))});
    add({Op(D3DSIO_MOV), Dst(D3DSPR_ADDR, 0, D3DSP_WRITEMASK_0), Src(D3DSPR_TEMP, 1)});
    add({Op(D3DSIO_DP4), Dst(D3DSPR_TEMP, 0, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1 | D3DSP_WRITEMASK_2),
         Src(D3DSPR_INPUT, 0), Src(D3DSPR_CONST, 9, D3DVS_NOSWIZZLE, false, true)});
    for (D3DSHADER_INSTRUCTION_OPCODE_TYPE op : {D3DSIO_RSQ, D3DSIO_LIT})
        add({Op(op), Dst(D3DSPR_TEMP, 2), Src(D3DSPR_TEMP, 0, D3DVS_NOSWIZZLE, true)});
    for (D3DSHADER_INSTRUCTION_OPCODE_TYPE op : {D3DSIO_ADD, D3DSIO_DP3, D3DSIO_MIN})
        add({Op(op), Dst(D3DSPR_TEMP, 3), Src(D3DSPR_TEMP, 2), Src(D3DSPR_CONST, 4)});
    add({Op(D3DSIO_MAD), Dst(D3DSPR_RASTOUT, D3DSRO_POSITION), Src(D3DSPR_TEMP, 3), Src(D3DSPR_CONST, 1),
         Src(D3DSPR_TEMP, 0)});
    add({Op(D3DSIO_MOV), Dst(D3DSPR_ATTROUT, 1), Src(D3DSPR_CONST, 95)});
    add({Op(D3DSIO_MOV), Dst(D3DSPR_TEXCRDOUT, 0, D3DSP_WRITEMASK_0 | D3DSP_WRITEMASK_1), Src(D3DSPR_INPUT, 0)});
    add({D3DVS_END()});
    std::string glsl, error;
    ASSERT_TRUE(Translate(code, &glsl, &error)) << error;
}

TEST(VertexShaderTranslator, RejectsMalformedStreams) {
    const DWORD v = D3DVS_VERSION(1, 1), end = D3DVS_END(), mov = Op(D3DSIO_MOV), r0 = Dst(D3DSPR_TEMP, 0);
    const std::vector<DWORD> cases[] = {
        {D3DPS_VERSION(1, 1), end},                                     // a pixel shader
        {v, 200, r0, end},                                              // unknown op
        {v, mov, r0, Src(D3DSPR_CONST, 96), end},                       // constant out of range
        {v, mov, Dst(D3DSPR_INPUT, 0), Src(D3DSPR_TEMP, 0), end},       // writes an input
        {v, mov, Dst(D3DSPR_TEMP, 12), Src(D3DSPR_TEMP, 0), end},       // no r12
        {v, mov, r0, Src(D3DSPR_TEMP, 0)},                              // no end
        {v, Op(D3DSIO_ADD), r0, Src(D3DSPR_TEMP, 0)},                   // truncated
    };
    for (const std::vector<DWORD>& code : cases) {
        std::string glsl, error;
        EXPECT_FALSE(Translate(code, &glsl, &error)) << code[1];
        EXPECT_FALSE(error.empty());
    }
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
}
