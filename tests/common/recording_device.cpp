#include "recording_device.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace quiltest {

namespace {
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char text[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

int BytesPerTexel(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8L8:
        return 2;
    case D3DFMT_A8:
    case D3DFMT_L8:
        return 1;
    default:
        return 4;
    }
}

// The back buffer as the device hands it out.
class FakeSurface : public IDirect3DSurface8 {
public:
    explicit FakeSurface(const D3DSURFACE_DESC& desc) : m_desc(desc) {}
    HRESULT QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetDevice(IDirect3DDevice8** device) override {
        *device = nullptr;
        return D3DERR_INVALIDCALL;
    }
    HRESULT GetContainer(REFIID, void** container) override {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override {
        *desc = m_desc;
        return D3D_OK;
    }
    HRESULT LockRect(D3DLOCKED_RECT*, const RECT*, DWORD) override { return D3DERR_INVALIDCALL; }
    HRESULT UnlockRect() override { return D3DERR_INVALIDCALL; }

private:
    D3DSURFACE_DESC m_desc;
    ULONG m_refs = 1;
};
}  // namespace

std::string RS(D3DRENDERSTATETYPE state, DWORD value) { return Format("RS %d %u", int(state), value); }
std::string TSS(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    return Format("TSS %u %d %u", stage, int(type), value);
}

template <typename Base>
FakeResource<Base>::FakeResource(RecordingDevice* device) : m_device(device) {
    m_device->liveResources++;
}

template <typename Base>
FakeResource<Base>::~FakeResource() {
    m_device->liveResources--;
}

template <typename Base>
ULONG FakeResource<Base>::Release() {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
}

template <typename Base>
HRESULT FakeResource<Base>::GetDevice(IDirect3DDevice8** device) {
    *device = m_device;
    return D3D_OK;
}

FakeTexture::FakeTexture(RecordingDevice* device, UINT w, UINT h, UINT levels, D3DFORMAT fmt, D3DPOOL p)
    : FakeResource(device), width(w), height(h), format(fmt), pool(p), bytesPerTexel(BytesPerTexel(fmt)) {
    if (levels == 0) {
        levels = 1;
        for (UINT s = w > h ? w : h; s > 1; s >>= 1) levels++;
    }
    for (UINT i = 0; i < levels; ++i) {
        UINT lw = w >> i ? w >> i : 1, lh = h >> i ? h >> i : 1;
        m_levels.push_back({lw, lh, std::vector<uint8_t>(size_t(lw) * lh * bytesPerTexel, 0)});
    }
}

HRESULT FakeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= m_levels.size()) return D3DERR_INVALIDCALL;
    std::memset(desc, 0, sizeof(*desc));
    desc->Format = format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Pool = pool;
    desc->Width = m_levels[level].width;
    desc->Height = m_levels[level].height;
    desc->Size = UINT(m_levels[level].bytes.size());
    return D3D_OK;
}

HRESULT FakeTexture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (level >= m_levels.size() || rect) return D3DERR_INVALIDCALL;
    m_device->Record(Format("Texture.Lock %u %u", level, flags));
    locked->Pitch = INT(m_levels[level].width * bytesPerTexel);
    locked->pBits = m_levels[level].bytes.data();
    return D3D_OK;
}

HRESULT FakeTexture::UnlockRect(UINT level) {
    m_device->Record(Format("Texture.Unlock %u", level));
    return D3D_OK;
}

uint32_t FakeTexture::Texel(int x, int y) const {
    const uint8_t* p = &m_levels[0].bytes[(size_t(y) * width + size_t(x)) * bytesPerTexel];
    uint32_t value = 0;
    std::memcpy(&value, p, size_t(bytesPerTexel));
    return value;
}

template <typename Base, D3DRESOURCETYPE Type>
FakeBuffer<Base, Type>::FakeBuffer(RecordingDevice* device, UINT length, DWORD u, D3DPOOL p, const char* name)
    : FakeResource<Base>(device), bytes(length, 0), usage(u), pool(p), m_name(name) {}

template <typename Base, D3DRESOURCETYPE Type>
HRESULT FakeBuffer<Base, Type>::Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    this->m_device->Record(Format("%s.Lock %u %u %u", m_name, offset, size, flags));
    if (offset > bytes.size()) {
        *data = nullptr;
        return D3DERR_INVALIDCALL;
    }
    lockCount++;
    *data = bytes.data() + offset;
    return D3D_OK;
}

template <typename Base, D3DRESOURCETYPE Type>
HRESULT FakeBuffer<Base, Type>::Unlock() {
    this->m_device->Record(Format("%s.Unlock", m_name));
    return D3D_OK;
}

HRESULT FakeVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    desc->Format = D3DFMT_VERTEXDATA;
    desc->Type = D3DRTYPE_VERTEXBUFFER;
    desc->Usage = usage;
    desc->Pool = pool;
    desc->Size = UINT(bytes.size());
    desc->FVF = fvf;
    return D3D_OK;
}

HRESULT FakeIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    desc->Format = format;
    desc->Type = D3DRTYPE_INDEXBUFFER;
    desc->Usage = usage;
    desc->Pool = pool;
    desc->Size = UINT(bytes.size());
    return D3D_OK;
}

RecordingDevice::RecordingDevice(UINT width, UINT height) {
    std::memset(&caps, 0, sizeof(caps));
    caps.TextureFilterCaps = 0x02000000 | 0x00000200 | 0x00020000;
    caps.MaxTextureWidth = 2048;
    caps.MaxTextureHeight = 2048;
    std::memset(&backBuffer, 0, sizeof(backBuffer));
    backBuffer.Format = D3DFMT_X8R8G8B8;
    backBuffer.Type = D3DRTYPE_SURFACE;
    backBuffer.Width = width;
    backBuffer.Height = height;
}

RecordingDevice::~RecordingDevice() = default;

std::vector<std::string> RecordingDevice::Since(size_t mark) const {
    if (mark >= log.size()) return {};
    return std::vector<std::string>(log.begin() + long(mark), log.end());
}

std::vector<std::string> RecordingDevice::Matching(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : log)
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
}

HRESULT RecordingDevice::GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface8** surface) {
    *surface = new FakeSurface(backBuffer);
    return D3D_OK;
}

HRESULT RecordingDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                       D3DPOOL pool, IDirect3DTexture8** texture) {
    Record(Format("CreateTexture %u %u %u %u %d %d", width, height, levels, usage, int(format), int(pool)));
    if (FAILED(createTextureResult)) {
        *texture = nullptr;
        return createTextureResult;
    }
    *texture = new FakeTexture(this, width, height, levels, format, pool);
    return D3D_OK;
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                            IDirect3DVertexBuffer8** buffer) {
    Record(Format("CreateVB %u %u %u %d", length, usage, fvf, int(pool)));
    if (FAILED(createVertexBufferResult)) {
        *buffer = nullptr;
        return createVertexBufferResult;
    }
    *buffer = new FakeVertexBuffer(this, length, usage, fvf, pool);
    return D3D_OK;
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DIndexBuffer8** buffer) {
    Record(Format("CreateIB %u %u %d %d", length, usage, int(format), int(pool)));
    *buffer = new FakeIndexBuffer(this, length, usage, format, pool);
    return D3D_OK;
}

HRESULT RecordingDevice::BeginScene() {
    Record("BeginScene");
    return beginSceneResult;
}

HRESULT RecordingDevice::EndScene() {
    Record("EndScene");
    return D3D_OK;
}

HRESULT RecordingDevice::Clear(DWORD count, const D3DRECT*, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) {
    Record(Format("Clear %u %u %08X %.1f %u", count, flags, colour, double(z), stencil));
    return D3D_OK;
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    Record(Format("Transform %d", int(state)));
    transforms[int(state)] = *matrix;
    return D3D_OK;
}

HRESULT RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    auto it = transforms.find(int(state));
    if (it == transforms.end()) return D3DERR_INVALIDCALL;
    *matrix = it->second;
    return D3D_OK;
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL8* m) {
    Record("Material");
    material = *m;
    return D3D_OK;
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    Record(RS(state, value));
    if (!m_recordingBlock) renderStates[int(state)] = value;
    return D3D_OK;
}

HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    auto it = renderStates.find(int(state));
    *value = it == renderStates.end() ? 0 : it->second;
    return D3D_OK;
}

HRESULT RecordingDevice::BeginStateBlock() {
    Record("BeginStateBlock");
    m_recordingBlock = true;
    return D3D_OK;
}

HRESULT RecordingDevice::EndStateBlock(DWORD* token) {
    *token = m_nextStateBlock++;
    m_recordingBlock = false;
    liveStateBlocks++;
    Record(Format("EndStateBlock %u", *token));
    return D3D_OK;
}

HRESULT RecordingDevice::ApplyStateBlock(DWORD token) {
    Record(Format("ApplyStateBlock %u", token));
    return D3D_OK;
}

HRESULT RecordingDevice::CaptureStateBlock(DWORD token) {
    Record(Format("CaptureStateBlock %u", token));
    return D3D_OK;
}

HRESULT RecordingDevice::DeleteStateBlock(DWORD token) {
    Record(Format("DeleteStateBlock %u", token));
    liveStateBlocks--;
    return D3D_OK;
}

HRESULT RecordingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    Record(Format("SetTexture %u %s", stage, texture ? "tex" : "null"));
    if (stage < 2 && !m_recordingBlock) textures[stage] = texture;
    return D3D_OK;
}

HRESULT RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    Record(TSS(stage, type, value));
    return D3D_OK;
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT count) {
    Record(Format("Draw %d %u %u", int(type), start, count));
    DrawRecord draw{type, count, streamStride, {}, textures[0]};
    if (auto* vb = static_cast<FakeVertexBuffer*>(stream)) {
        size_t vertices = type == D3DPT_TRIANGLELIST ? count * 3 : type == D3DPT_LINELIST ? count * 2 : count + 2;
        size_t from = size_t(start) * streamStride, bytes = vertices * streamStride;
        if (from + bytes <= vb->bytes.size())
            draw.vertices.assign(vb->bytes.begin() + long(from), vb->bytes.begin() + long(from + bytes));
    }
    draws.push_back(std::move(draw));
    return D3D_OK;
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertices, UINT start,
                                              UINT count) {
    Record(Format("DrawIndexed %d %u %u %u %u", int(type), minIndex, vertices, start, count));
    DrawRecord draw{type, count, streamStride, {}, textures[0]};
    if (auto* vb = static_cast<FakeVertexBuffer*>(stream)) {
        size_t bytes = size_t(vertices) * streamStride;
        if (bytes <= vb->bytes.size()) draw.vertices.assign(vb->bytes.begin(), vb->bytes.begin() + long(bytes));
    }
    draws.push_back(std::move(draw));
    return D3D_OK;
}

HRESULT RecordingDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) {
    Record(Format("DrawUP %d %u %u", int(type), count, stride));
    size_t vertices = type == D3DPT_LINELIST ? count * 2 : type == D3DPT_TRIANGLELIST ? count * 3 : count + 2;
    const auto* bytes = static_cast<const uint8_t*>(data);
    draws.push_back({type, count, stride, std::vector<uint8_t>(bytes, bytes + vertices * stride), textures[0]});
    return D3D_OK;
}

HRESULT RecordingDevice::SetVertexShader(DWORD handle) {
    Record(Format("VertexShader %u", handle));
    vertexShader = handle;
    return D3D_OK;
}

HRESULT RecordingDevice::SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) {
    Record(Format("VSConst %u %u", reg, count));
    if (reg + count <= 96) std::memcpy(vsConstants[reg], data, size_t(count) * 16);
    return D3D_OK;
}

HRESULT RecordingDevice::SetStreamSource(UINT number, IDirect3DVertexBuffer8* data, UINT stride) {
    Record(Format("Stream %u %s %u", number, data ? "vb" : "null", stride));
    if (number == 0) {
        stream = data;
        streamStride = stride;
    }
    return D3D_OK;
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer8* data, UINT base) {
    Record(Format("Indices %s %u", data ? "ib" : "null", base));
    indices = data;
    return D3D_OK;
}

}  // namespace quiltest
