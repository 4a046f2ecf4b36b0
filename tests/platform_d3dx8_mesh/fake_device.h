// A small in-memory stand-in for the Direct3D device: buffers in system memory, and a record
// of the draw calls, so the mesh code can be tested without OpenGL.
#pragma once
#include <atomic>
#include <cstring>
#include <vector>

#include "d3d8.h"

// A vertex or index buffer held in a byte vector.
template <class Base>
class FakeBuffer final : public Base {
public:
    FakeBuffer(UINT size, DWORD usage, D3DPOOL pool, std::atomic<int>& live)
        : bytes(size), usage(usage), pool(pool), live_(live) { ++live_; }
    ~FakeBuffer() override { --live_; }
    HRESULT QueryInterface(REFIID, void** out) override { *out = nullptr; return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    HRESULT GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT, BYTE** data, DWORD) override {
        if (locked || offset > bytes.size()) return D3DERR_INVALIDCALL;
        locked = true;
        *data = bytes.data() + offset;
        return D3D_OK;
    }
    HRESULT Unlock() override {
        if (!locked) return D3DERR_INVALIDCALL;
        locked = false;
        return D3D_OK;
    }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC*) { return E_NOTIMPL; }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC*) { return E_NOTIMPL; }

    std::vector<BYTE> bytes;
    DWORD usage;
    D3DPOOL pool;
    bool locked = false;

private:
    std::atomic<ULONG> refs_{1};
    std::atomic<int>& live_;
};

class FakeDevice final : public IDirect3DDevice8 {
public:
    struct Draw {
        UINT minIndex, numVertices, startIndex, primCount;
        DWORD shader;
    };
    std::vector<Draw> draws;
    std::atomic<int> liveBuffers{0};
    DWORD shader = 0;
    IDirect3DVertexBuffer8* stream = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    D3DFORMAT lastIndexFormat = D3DFMT_UNKNOWN;
    D3DPOOL lastPool = D3DPOOL_DEFAULT;
    bool failCreate = false;

    HRESULT QueryInterface(REFIID, void** out) override { *out = nullptr; return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return --refs_; }
    ULONG refs() const { return refs_; }

    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD, D3DPOOL pool, IDirect3DVertexBuffer8** vb) override {
        if (failCreate) return D3DERR_OUTOFVIDEOMEMORY;
        lastPool = pool;
        *vb = new FakeBuffer<IDirect3DVertexBuffer8>(length, usage, pool, liveBuffers);
        return D3D_OK;
    }
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** ib) override {
        if (failCreate) return D3DERR_OUTOFVIDEOMEMORY;
        lastIndexFormat = format;
        *ib = new FakeBuffer<IDirect3DIndexBuffer8>(length, usage, pool, liveBuffers);
        return D3D_OK;
    }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer8* vb, UINT) override { stream = vb; return D3D_OK; }
    HRESULT SetIndices(IDirect3DIndexBuffer8* ib, UINT) override { indices = ib; return D3D_OK; }
    HRESULT SetVertexShader(DWORD handle) override { shader = handle; return D3D_OK; }
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT minIndex, UINT numVertices, UINT startIndex,
                                 UINT primCount) override {
        draws.push_back({minIndex, numVertices, startIndex, primCount, shader});
        return D3D_OK;
    }
    HRESULT GetDeviceCaps(D3DCAPS8*) override { return E_NOTIMPL; }
    // Vertex-shader constants as last written, four floats per register.
    std::vector<float> constants = std::vector<float>(96 * 4, 0.0f);
    HRESULT SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) override {
        if (reg + count > 96) return D3DERR_INVALIDCALL;
        std::memcpy(&constants[reg * 4], data, count * 16);
        return D3D_OK;
    }
    DWORD nextShader = 0x100;
    HRESULT CreateVertexShader(const DWORD*, const DWORD*, DWORD* handle, DWORD) override {
        *handle = nextShader++;
        return D3D_OK;
    }

    HRESULT TestCooperativeLevel() override { return E_NOTIMPL; }
    UINT GetAvailableTextureMem() override { return 0; }
    HRESULT ResourceManagerDiscardBytes(DWORD) override { return E_NOTIMPL; }
    HRESULT GetDirect3D(IDirect3D8**) override { return E_NOTIMPL; }
    HRESULT GetDisplayMode(D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*) override { return E_NOTIMPL; }
    HRESULT SetCursorProperties(UINT, UINT, IDirect3DSurface8*) override { return E_NOTIMPL; }
    void SetCursorPosition(int, int, DWORD) override {  }
    BOOL ShowCursor(BOOL) override { return 0; }
    HRESULT Reset(D3DPRESENT_PARAMETERS*) override { return E_NOTIMPL; }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override { return E_NOTIMPL; }
    HRESULT GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT CreateTexture(UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture8**) override { return E_NOTIMPL; }
    HRESULT CreateImageSurface(UINT, UINT, D3DFORMAT, IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT GetDepthStencilSurface(IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT BeginScene() override { return E_NOTIMPL; }
    HRESULT EndScene() override { return E_NOTIMPL; }
    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return E_NOTIMPL; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return E_NOTIMPL; }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE, D3DMATRIX*) override { return E_NOTIMPL; }
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return E_NOTIMPL; }
    HRESULT SetViewport(const D3DVIEWPORT8*) override { return E_NOTIMPL; }
    HRESULT GetViewport(D3DVIEWPORT8*) override { return E_NOTIMPL; }
    HRESULT SetMaterial(const D3DMATERIAL8*) override { return E_NOTIMPL; }
    HRESULT GetMaterial(D3DMATERIAL8*) override { return E_NOTIMPL; }
    HRESULT SetLight(DWORD, const D3DLIGHT8*) override { return E_NOTIMPL; }
    HRESULT GetLight(DWORD, D3DLIGHT8*) override { return E_NOTIMPL; }
    HRESULT LightEnable(DWORD, BOOL) override { return E_NOTIMPL; }
    HRESULT GetLightEnable(DWORD, BOOL*) override { return E_NOTIMPL; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE, DWORD) override { return E_NOTIMPL; }
    HRESULT GetRenderState(D3DRENDERSTATETYPE, DWORD*) override { return E_NOTIMPL; }
    HRESULT BeginStateBlock() override { return E_NOTIMPL; }
    HRESULT EndStateBlock(DWORD*) override { return E_NOTIMPL; }
    HRESULT ApplyStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT CaptureStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT DeleteStateBlock(DWORD) override { return E_NOTIMPL; }
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE, DWORD*) override { return E_NOTIMPL; }
    HRESULT GetTexture(DWORD, IDirect3DBaseTexture8**) override { return E_NOTIMPL; }
    HRESULT SetTexture(DWORD, IDirect3DBaseTexture8*) override { return E_NOTIMPL; }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { return E_NOTIMPL; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return E_NOTIMPL; }
    HRESULT ValidateDevice(DWORD*) override { return E_NOTIMPL; }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override { return E_NOTIMPL; }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return E_NOTIMPL; }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*, UINT) override { return E_NOTIMPL; }
    HRESULT GetVertexShader(DWORD*) override { return E_NOTIMPL; }
    HRESULT DeleteVertexShader(DWORD) override { return E_NOTIMPL; }
    HRESULT GetVertexShaderConstant(DWORD, void*, DWORD) override { return E_NOTIMPL; }
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer8**, UINT*) override { return E_NOTIMPL; }
    HRESULT GetIndices(IDirect3DIndexBuffer8**, UINT*) override { return E_NOTIMPL; }
private:
    std::atomic<ULONG> refs_{1};
};
