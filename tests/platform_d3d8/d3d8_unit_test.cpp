// Parts of the Direct3D stand-in that need no OpenGL: the vertex declaration parser and the
// vs.1.1 translator refuse malformed input.
#include <gtest/gtest.h>

#include "d3d8_test_util.h"
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
