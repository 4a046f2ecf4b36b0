// ID3DXBuffer: a reference-counted block of bytes.
#include <cstring>
#include <new>
#include <vector>

#include "d3dx_internal.h"
#include "quil_com.h"

namespace {

class D3DXBufferImpl final : public quil_com::RefCounted<ID3DXBuffer> {
public:
    explicit D3DXBufferImpl(size_t size) : data_(size, 0) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return quil_com::Answer(static_cast<ID3DXBuffer*>(this), riid, ppv, IID_ID3DXBuffer);
    }
    LPVOID GetBufferPointer() override { return data_.empty() ? nullptr : data_.data(); }
    DWORD GetBufferSize() override { return (DWORD)data_.size(); }

    BYTE* Data() { return data_.data(); }

private:
    std::vector<BYTE> data_;
};

}  // namespace

namespace quil_d3dx {

ID3DXBuffer* MakeBuffer(const void* data, size_t size) {
    if (size > 0xFFFFFFFFu) return nullptr;
    D3DXBufferImpl* b = new (std::nothrow) D3DXBufferImpl(size);
    if (!b) return nullptr;
    if (size && data) std::memcpy(b->Data(), data, size);
    return b;
}

HRESULT ReportError(LPD3DXBUFFER* errors, const std::string& text, HRESULT hr) {
    if (errors) *errors = MakeBuffer(text.c_str(), text.size() + 1);
    return hr;
}

}  // namespace quil_d3dx

HRESULT D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* buffer) {
    if (!buffer) return E_POINTER;
    *buffer = quil_d3dx::MakeBuffer(nullptr, numBytes);
    return *buffer ? S_OK : E_OUTOFMEMORY;
}

UINT D3DXGetFVFVertexSize(DWORD fvf) {
    UINT size = 0;
    switch (fvf & 0x00E) {
        case 0x002: size = 12; break;  // XYZ
        case 0x004: size = 16; break;  // XYZRHW
        case 0x006: size = 16; break;  // XYZB1
        case 0x008: size = 20; break;  // XYZB2
        case 0x00A: size = 24; break;  // XYZB3
        case 0x00C: size = 28; break;  // XYZB4
        case 0x00E: size = 32; break;  // XYZB5
        default: break;
    }
    if (fvf & 0x010) size += 12;  // normal
    if (fvf & 0x020) size += 4;   // point size
    if (fvf & 0x040) size += 4;   // diffuse
    if (fvf & 0x080) size += 4;   // specular
    UINT texCount = (fvf >> 8) & 0xF;
    if (texCount > 8) texCount = 8;
    for (UINT i = 0; i < texCount; ++i) {
        switch ((fvf >> (16 + 2 * i)) & 3) {
            case 0: size += 8; break;   // two floats
            case 1: size += 12; break;  // three
            case 2: size += 16; break;  // four
            case 3: size += 4; break;   // one
        }
    }
    return size;
}
