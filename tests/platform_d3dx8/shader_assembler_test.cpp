// The vs.1.1 assembler's error reporting (the skinning shaders' tokens are checked by drawing
// with them against CPU blending).
#include <gtest/gtest.h>

#include <string>

#include "d3dx8.h"

namespace {

struct Result {
    HRESULT hr = E_FAIL;
    DWORD codeSize = 0;
    std::string errors;
};

Result Assemble(const std::string& text) {
    Result r;
    ID3DXBuffer *code = nullptr, *errs = nullptr;
    r.hr = D3DXAssembleShader(text.data(), (UINT)text.size(), 0, nullptr, &code, &errs);
    if (code) r.codeSize = code->GetBufferSize();
    if (errs) r.errors = static_cast<const char*>(errs->GetBufferPointer());
    for (ID3DXBuffer* b : {code, errs}) {
        if (b) {
            EXPECT_EQ(b->Release(), 0u);
        }
    }
    return r;
}

TEST(VsAssembler, ErrorsNameTheLineAndTheReason) {
    struct Case {
        const char* text;
        const char* needle;
    } cases[] = {
        {"vs.1.1\nfoo r0, r1", "unknown instruction 'foo'"}, {"vs.1.1\nadd r0, r1", "takes 3 operands, 2 given"},
        {"vs.1.1\nmov r12, r0", "r0..r11"}, {"vs.1.1\nmov r0, c96", "c0..c95"},
        {"vs.1.1\nmov r0, v16", "v0..v15"}, {"vs.1.1\nmov oT8, r0", "oT0..oT7"},
        {"vs.1.1\nmov v0, r0", "cannot be written"}, {"vs.1.1\nmov c0, r0", "cannot be written"},
        {"vs.1.1\nmov r0, oPos", "cannot be read"}, {"vs.1.1\nmov r0.yx, r1", "order"},
        {"vs.1.1\nmov r0.q, r1", "bad write mask"}, {"vs.1.1\nmov r0, r1.xq", "bad swizzle"},
        {"vs.1.1\nadd r0, c1, c2", "more than one constant"}, {"vs.1.1\nadd r0, v1, v2", "more than one input"},
        {"vs.1.1\nadd a0.x, r0, r1", "only mov"}, {"vs.1.1\nmov a0.y, r0", "a0.x"},
        {"vs.1.1\nmov r0, a0", "index"}, {"vs.1.1\nmov r0, c[a0.x + r1]", "a0.x and a number"},
        {"vs.1.1\nmov r0, c[a0.x + 9", "missing ']'"}, {"vs.1.1\nmov r0, v0\nm4x4 r0, r0, c0", "must differ"},
        {"vs.1.1\nmov r0, v0", "oPos is never written"},
        {"vs.1.1\nmov oPos, r3", "r3 is read before it is written"},
        {"vs.1.1\nmov r8, v0\nm4x4 oPos, v0, r8", "r9 is read before it is written"},
        {"vs.1.1\nm4x4 r0, v0, c93", "past c95"}, {"vs.1.1\nm3x2 r0.xyz, v0, c0", "writes .xy only"},
        {"vs.1.1\ndef c0, 1, 2, 3", "four values"}, {"vs.1.1\ndef c0, 1, 2, 3, x", "not a number"},
        {"vs.1.1\nvs.1.1", "second version"}, {"mov oPos, v0", "must begin with vs.1.1"},
        {"", "no vs.1.1"}, {"vs.1.1\n#define X 1", "preprocessor"},
    };
    for (const Case& c : cases) {
        Result r = Assemble(c.text);
        EXPECT_TRUE(FAILED(r.hr)) << c.text;
        EXPECT_EQ(r.codeSize, 0u) << c.text;
        EXPECT_NE(r.errors.find(c.needle), std::string::npos) << c.text << " -> " << r.errors;
    }
    // Every faulty line is reported with its own number.
    Result r = Assemble("vs.1.1\nmov r0, v1\nbogus\nmov oPos, v0\nadd r0, r1\n");
    EXPECT_NE(r.errors.find("(3): error: unknown instruction 'bogus'"), std::string::npos) << r.errors;
    EXPECT_NE(r.errors.find("(5): error:"), std::string::npos) << r.errors;
    EXPECT_EQ(r.errors.find("(2)"), std::string::npos) << r.errors;
}

}  // namespace
