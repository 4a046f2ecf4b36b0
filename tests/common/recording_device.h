// A test double of the Direct3D 8 device that records every call that changes
// state, creates a resource or draws, as one text line per call, and keeps
// resources in plain memory so that locks and draws can be inspected.
#pragma once
#include <d3d8.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quiltest {

class RecordingDevice;

// Reference counting shared by the fake resources; counts live objects on the device.
template <typename Base>
class FakeResource : public Base {
public:
    explicit FakeResource(RecordingDevice* device);
    ~FakeResource() override;
    HRESULT QueryInterface(REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}

protected:
    RecordingDevice* m_device;
    ULONG m_refs = 1;
};

class FakeTexture : public FakeResource<IDirect3DTexture8> {
public:
    FakeTexture(RecordingDevice* device, UINT width, UINT height, UINT levels, D3DFORMAT format, D3DPOOL pool);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    DWORD GetLevelCount() override { return DWORD(m_levels.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT, IDirect3DSurface8** surface) override {
        if (surface) *surface = nullptr;
        return D3DERR_INVALIDCALL;
    }
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;
    HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }

    UINT width, height;
    D3DFORMAT format;
    D3DPOOL pool;
    int bytesPerTexel;
    // Level 0 texel at (x, y) as stored (16 or 32 bits).
    uint32_t Texel(int x, int y) const;

private:
    struct Level { UINT width, height; std::vector<uint8_t> bytes; };
    std::vector<Level> m_levels;
};

template <typename Base, D3DRESOURCETYPE Type>
class FakeBuffer : public FakeResource<Base> {
public:
    FakeBuffer(RecordingDevice* device, UINT length, DWORD usage, D3DPOOL pool, const char* name);
    D3DRESOURCETYPE GetType() override { return Type; }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override;

    std::vector<uint8_t> bytes;
    DWORD usage;
    D3DPOOL pool;
    int lockCount = 0;

private:
    const char* m_name;
};

class FakeVertexBuffer : public FakeBuffer<IDirect3DVertexBuffer8, D3DRTYPE_VERTEXBUFFER> {
public:
    FakeVertexBuffer(RecordingDevice* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
        : FakeBuffer(device, length, usage, pool, "VB"), fvf(fvf) {}
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;
    DWORD fvf;
};

class FakeIndexBuffer : public FakeBuffer<IDirect3DIndexBuffer8, D3DRTYPE_INDEXBUFFER> {
public:
    FakeIndexBuffer(RecordingDevice* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
        : FakeBuffer(device, length, usage, pool, "IB"), format(format) {}
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;
    D3DFORMAT format;
};

// One draw call with the vertices it used, copied at the time of the call.
struct DrawRecord {
    D3DPRIMITIVETYPE type;
    UINT primitives;
    UINT stride;
    std::vector<uint8_t> vertices;
    IDirect3DBaseTexture8* texture;  // stage 0 at the time of the draw
};

class RecordingDevice : public IDirect3DDevice8 {
public:
    RecordingDevice(UINT backBufferWidth = 640, UINT backBufferHeight = 480);
    ~RecordingDevice() override;

    // The recorded calls, one line each.
    std::vector<std::string> log;
    std::vector<DrawRecord> draws;
    // The calls recorded since mark (an index into the log).
    std::vector<std::string> Since(size_t mark) const;
    // Lines that start with prefix, in order.
    std::vector<std::string> Matching(const std::string& prefix) const;
    void Clear() { log.clear(); draws.clear(); }

    D3DCAPS8 caps;
    D3DSURFACE_DESC backBuffer;
    HRESULT beginSceneResult = D3D_OK;
    HRESULT createVertexBufferResult = D3D_OK;
    HRESULT createTextureResult = D3D_OK;
    int liveResources = 0;
    std::map<int, D3DMATRIX> transforms;
    float vsConstants[96][4] = {};
    IDirect3DBaseTexture8* textures[2] = {nullptr, nullptr};
    IDirect3DVertexBuffer8* stream = nullptr;
    std::map<int, DWORD> renderStates;
    int liveStateBlocks = 0;

    void Record(const std::string& line) { log.push_back(line); }

    // IUnknown
    HRESULT QueryInterface(REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override { return --m_refs; }

    HRESULT TestCooperativeLevel() override { return D3D_OK; }
    UINT GetAvailableTextureMem() override { return 64u << 20; }
    HRESULT ResourceManagerDiscardBytes(DWORD) override { return D3D_OK; }
    HRESULT GetDirect3D(IDirect3D8** d3d) override {
        if (d3d) *d3d = nullptr;
        return D3DERR_INVALIDCALL;
    }
    HRESULT GetDeviceCaps(D3DCAPS8* out) override {
        *out = caps;
        return D3D_OK;
    }
    HRESULT GetDisplayMode(D3DDISPLAYMODE*) override { return D3DERR_INVALIDCALL; }
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*) override { return D3DERR_INVALIDCALL; }
    HRESULT SetCursorProperties(UINT, UINT, IDirect3DSurface8*) override { return D3D_OK; }
    void SetCursorPosition(int, int, DWORD) override {}
    BOOL ShowCursor(BOOL) override { return FALSE; }
    HRESULT Reset(D3DPRESENT_PARAMETERS*) override { return D3D_OK; }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override { return D3D_OK; }
    HRESULT GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface8** surface) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** buffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** buffer) override;
    HRESULT CreateImageSurface(UINT, UINT, D3DFORMAT, IDirect3DSurface8** surface) override {
        if (surface) *surface = nullptr;
        return D3DERR_INVALIDCALL;
    }
    HRESULT GetDepthStencilSurface(IDirect3DSurface8** surface) override {
        if (surface) *surface = nullptr;
        return D3DERR_NOTFOUND;
    }
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override { return D3D_OK; }
    HRESULT SetViewport(const D3DVIEWPORT8*) override { return D3D_OK; }
    HRESULT GetViewport(D3DVIEWPORT8*) override { return D3D_OK; }
    HRESULT SetMaterial(const D3DMATERIAL8* material) override;
    HRESULT GetMaterial(D3DMATERIAL8* material) override {
        *material = this->material;
        return D3D_OK;
    }
    HRESULT SetLight(DWORD, const D3DLIGHT8*) override { return D3D_OK; }
    HRESULT GetLight(DWORD, D3DLIGHT8*) override { return D3D_OK; }
    HRESULT LightEnable(DWORD, BOOL) override { return D3D_OK; }
    HRESULT GetLightEnable(DWORD, BOOL*) override { return D3D_OK; }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(DWORD* token) override;
    HRESULT ApplyStateBlock(DWORD token) override;
    HRESULT CaptureStateBlock(DWORD token) override;
    HRESULT DeleteStateBlock(DWORD token) override;
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE, DWORD* token) override {
        if (token) *token = 0;
        return D3DERR_INVALIDCALL;
    }
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override {
        *texture = stage < 2 ? textures[stage] : nullptr;
        return D3D_OK;
    }
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD* value) override {
        *value = 0;
        return D3D_OK;
    }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT ValidateDevice(DWORD* passes) override {
        *passes = 1;
        return D3D_OK;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertices, UINT start,
                                 UINT count) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*,
                                   UINT) override {
        Record("DrawIndexedUP");
        return D3D_OK;
    }
    HRESULT CreateVertexShader(const DWORD*, const DWORD*, DWORD* handle, DWORD) override {
        if (handle) *handle = 0;
        return D3DERR_INVALIDCALL;
    }
    HRESULT SetVertexShader(DWORD handle) override;
    HRESULT GetVertexShader(DWORD* handle) override {
        *handle = vertexShader;
        return D3D_OK;
    }
    HRESULT DeleteVertexShader(DWORD) override { return D3D_OK; }
    HRESULT SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) override;
    HRESULT GetVertexShaderConstant(DWORD, void*, DWORD) override { return D3D_OK; }
    HRESULT SetStreamSource(UINT number, IDirect3DVertexBuffer8* data, UINT stride) override;
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer8** data, UINT* stride) override {
        *data = stream;
        *stride = streamStride;
        return D3D_OK;
    }
    HRESULT SetIndices(IDirect3DIndexBuffer8* data, UINT base) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** data, UINT* base) override {
        *data = indices;
        *base = 0;
        return D3D_OK;
    }

    D3DMATERIAL8 material = {};
    DWORD vertexShader = 0;
    UINT streamStride = 0;
    IDirect3DIndexBuffer8* indices = nullptr;

private:
    ULONG m_refs = 1;
    DWORD m_nextStateBlock = 1;
    bool m_recordingBlock = false;
};

// Text of one recorded call, as the device writes it.
std::string RS(D3DRENDERSTATETYPE state, DWORD value);
std::string TSS(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);

}  // namespace quiltest
