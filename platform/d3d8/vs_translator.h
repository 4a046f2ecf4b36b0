// vs.1.1 token streams and vertex declarations turned into GLSL vertex shaders.
#pragma once
#include <string>
#include <vector>
#include "d3d8types.h"

namespace quil_d3d8 {

constexpr int kVsConstants = 96;
constexpr int kVsTemps = 12;
constexpr int kVsInputs = 16;
constexpr int kMaxStreams = 16;

// One input register fed from a stream.
struct VertexElement {
    int stream = 0;
    int reg = 0;
    int type = D3DVSDT_FLOAT3;  // D3DVSDT_*
    UINT offset = 0;
};

// A parsed vertex declaration: the stream layout and the constants it loads.
struct VertexDeclaration {
    std::vector<VertexElement> elements;
    UINT streamStride[kMaxStreams] = {};
    struct Constant { int reg; float value[4]; };
    std::vector<Constant> constants;
};

// Size in bytes of a declaration data type (0 when unknown).
UINT DeclTypeSize(int type);

// Parses declaration tokens up to D3DVSD_END(); false with a reason on bad input.
bool ParseDeclaration(const DWORD* tokens, VertexDeclaration* out, std::string* error);

// Translates a vs.1.1 token stream into a GLSL 3.30 vertex shader whose inputs are
// the declaration's registers; false with a reason on bad input. tokenCount is the
// number of tokens the caller guarantees readable (the stream must end before it).
bool TranslateVertexShader(const DWORD* tokens, size_t tokenCount, const VertexDeclaration& decl, std::string* glsl,
                           std::string* error);

}  // namespace quil_d3d8
