// Shared helpers of the Direct3D stand-in's tests: a device on a hidden window,
// pre-transformed quads and pixel reads.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "d3d8.h"
#include "offscreen_device.h"

namespace d3d8_test {

struct TLVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kTLFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct NVertex {
    float x, y, z;
    float nx, ny, nz;
};
constexpr DWORD kNFvf = D3DFVF_XYZ | D3DFVF_NORMAL;

// Copies size bytes into the whole of a vertex or index buffer.
template <typename Buffer>
void Fill(Buffer* buffer, const void* data, size_t size) {
    BYTE* p = nullptr;
    ASSERT_EQ(D3D_OK, buffer->Lock(0, 0, &p, 0));
    std::memcpy(p, data, size);
    buffer->Unlock();
}

// True when two colours differ by at most tolerance in every channel (alpha ignored).
inline bool Near(DWORD a, DWORD b, int tolerance = 2) {
    for (int s = 0; s < 24; s += 8) {
        int d = static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

// A fixture with a 64 x 64 device (depth buffer on, lighting and culling off).
class DeviceTest : public quiltest::OffscreenDeviceTest {
protected:
    static constexpr UINT kSize = 64;
    void SetUp() override { Open(kSize, kSize); }
    void Open(UINT w, UINT h) {
        OffscreenDeviceTest::Open(w, h);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    }
    // A pre-transformed quad covering [x1, x2) x [y1, y2) in pixels, u from 0 to uMax.
    void Quad(float x1, float y1, float x2, float y2, float z, D3DCOLOR color, float uMax = 1) {
        TLVertex v[4] = {{x1 - 0.5f, y1 - 0.5f, z, 1, color, 0, 0},
                         {x2 - 0.5f, y1 - 0.5f, z, 1, color, uMax, 0},
                         {x1 - 0.5f, y2 - 0.5f, z, 1, color, 0, 1},
                         {x2 - 0.5f, y2 - 0.5f, z, 1, color, uMax, 1}};
        device->SetVertexShader(kTLFvf);
        ASSERT_EQ(D3D_OK, device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex)));
    }
    DWORD Pixel(int x, int y) { return Frame().At(x, y) & 0xFFFFFF; }
    // A managed texture of one level holding w x h 32-bit texels, row by row.
    IDirect3DTexture8* Texture(UINT w, UINT h, D3DFORMAT fmt, const std::vector<DWORD>& texels) {
        IDirect3DTexture8* t = nullptr;
        EXPECT_EQ(D3D_OK, device->CreateTexture(w, h, 1, 0, fmt, D3DPOOL_MANAGED, &t));
        D3DLOCKED_RECT lr;
        EXPECT_EQ(D3D_OK, t->LockRect(0, &lr, nullptr, 0));
        for (UINT y = 0; y < h; ++y)
            std::memcpy(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch, &texels[y * w], w * 4);
        EXPECT_EQ(D3D_OK, t->UnlockRect(0));
        return t;
    }
};

// Hand-built vs.1.1 tokens for tests that must not depend on the assembler.
inline DWORD Op(D3DSHADER_INSTRUCTION_OPCODE_TYPE op) { return static_cast<DWORD>(op); }
inline DWORD Dst(D3DSHADER_PARAM_REGISTER_TYPE type, DWORD reg, DWORD mask = D3DSP_WRITEMASK_ALL) {
    return D3DSP_PARAMTOKEN_MARK | (static_cast<DWORD>(type) << D3DSP_REGTYPE_SHIFT) | mask | reg;
}
inline DWORD Src(D3DSHADER_PARAM_REGISTER_TYPE type, DWORD reg, DWORD swizzle = D3DVS_NOSWIZZLE, bool neg = false,
                 bool relative = false) {
    return D3DSP_PARAMTOKEN_MARK | (static_cast<DWORD>(type) << D3DSP_REGTYPE_SHIFT) | swizzle |
           (neg ? D3DSPSM_NEG : 0) | (relative ? D3DVS_ADDRMODE_RELATIVE : 0) | reg;
}

}  // namespace d3d8_test
