// Shaders assembled from RCDATA resources of the program.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "d3dx8.h"
#include "quil_resource_table.h"

namespace {

const char kShader[] = "vs.1.1\nm4x4 oPos, v0, c2\nmov oT0.xy, v4\n";
const char kBroken[] = "vs.1.1\nmov oPos, v0\nmul r0, c1, c2\n";

TEST(VsAssemblerResource, AssemblesRcdataByNumericId) {
    quil_resources_table::AddData({9116, reinterpret_cast<const unsigned char*>(kShader), std::strlen(kShader)});
    quil_resources_table::AddData({9117, reinterpret_cast<const unsigned char*>(kBroken), std::strlen(kBroken)});

    ID3DXBuffer *code = nullptr, *errs = nullptr;
    ASSERT_EQ(D3DXAssembleShaderFromResourceA(nullptr, MAKEINTRESOURCEA(9116), 0, nullptr, &code, nullptr), S_OK);
    ASSERT_NE(code, nullptr);
    const DWORD* t = static_cast<const DWORD*>(code->GetBufferPointer());
    ASSERT_EQ(code->GetBufferSize(), 9u * 4u);
    EXPECT_EQ(t[0], 0xFFFE0101u);
    EXPECT_EQ(t[8], 0x0000FFFFu);
    code->Release();

    code = nullptr;
    EXPECT_TRUE(FAILED(D3DXAssembleShaderFromResourceA(nullptr, MAKEINTRESOURCEA(9117), 0, nullptr, &code, &errs)));
    EXPECT_EQ(code, nullptr);
    ASSERT_NE(errs, nullptr);
    std::string text = static_cast<const char*>(errs->GetBufferPointer());
    EXPECT_NE(text.find("resource #9117(3): error:"), std::string::npos) << text;
    errs->Release();

    errs = nullptr;
    EXPECT_TRUE(FAILED(D3DXAssembleShaderFromResourceA(nullptr, MAKEINTRESOURCEA(9999), 0, nullptr, &code, &errs)));
    ASSERT_NE(errs, nullptr);
    EXPECT_NE(std::string(static_cast<const char*>(errs->GetBufferPointer())).find("not found"), std::string::npos);
    errs->Release();
}

}  // namespace
