// An in-memory IDirect3DDevice8 for the texture loader: textures live in plain byte arrays
// with padded rows, locks are checked, and everything else answers E_NOTIMPL.
#pragma once
#include <cstring>
#include <vector>

#include "d3d8.h"

namespace quil_test {

constexpr BYTE kPadByte = 0xCD;  // fills the row padding, which nothing may write

inline UINT TestBytesPerTexel(D3DFORMAT f) {
    return (f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8) ? 4 : 2;
}

class FakeTexture final : public IDirect3DTexture8 {
public:
    struct Level {
        UINT width, height, pitch;
        std::vector<BYTE> bits;
        bool locked = false;
        int unlocks = 0;
    };

    FakeTexture(UINT w, UINT h, UINT levels, D3DFORMAT format, D3DPOOL pool, DWORD usage)
        : format_(format), pool_(pool), usage_(usage) {
        for (UINT i = 0; i < levels; ++i) {
            Level l;
            l.width = w > 1 ? w : 1;
            l.height = h > 1 ? h : 1;
            l.pitch = l.width * TestBytesPerTexel(format) + 12;  // padded: the loader must use the pitch
            l.bits.assign((size_t)l.pitch * l.height, kPadByte);
            levels_.push_back(l);
            w /= 2;
            h /= 2;
        }
    }

    // Texel (x, y) of a level as a 32-bit value (16-bit formats zero-extended).
    DWORD Texel(UINT level, UINT x, UINT y) const {
        const Level& l = levels_[level];
        const BYTE* p = &l.bits[(size_t)y * l.pitch + (size_t)x * TestBytesPerTexel(format_)];
        if (TestBytesPerTexel(format_) == 4) return p[0] | (p[1] << 8) | (p[2] << 16) | ((DWORD)p[3] << 24);
        return p[0] | (p[1] << 8);
    }
    bool PaddingIntact() const {
        for (const Level& l : levels_)
            for (UINT y = 0; y < l.height; ++y)
                for (UINT x = l.width * TestBytesPerTexel(format_); x < l.pitch; ++x)
                    if (l.bits[(size_t)y * l.pitch + x] != kPadByte) return false;
        return true;
    }
    const std::vector<Level>& Levels() const { return levels_; }
    D3DFORMAT Format() const { return format_; }
    D3DPOOL Pool() const { return pool_; }
    DWORD Usage() const { return usage_; }
    ULONG Refs() const { return refs_; }
    HRESULT lockResult = S_OK;  // forced LockRect failure for tests

    HRESULT QueryInterface(REFIID, void** ppv) override { *ppv = nullptr; return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return --refs_; }  // the test owns the object
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return (DWORD)levels_.size(); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
        if (level >= levels_.size() || !desc) return D3DERR_INVALIDCALL;
        std::memset(desc, 0, sizeof *desc);
        desc->Format = format_;
        desc->Type = D3DRTYPE_SURFACE;
        desc->Pool = pool_;
        desc->Width = levels_[level].width;
        desc->Height = levels_[level].height;
        return S_OK;
    }
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* lr, const RECT*, DWORD) override {
        if (FAILED(lockResult)) return lockResult;
        if (level >= levels_.size() || !lr || levels_[level].locked) return D3DERR_INVALIDCALL;
        levels_[level].locked = true;
        lr->Pitch = (INT)levels_[level].pitch;
        lr->pBits = levels_[level].bits.data();
        return S_OK;
    }
    HRESULT UnlockRect(UINT level) override {
        if (level >= levels_.size() || !levels_[level].locked) return D3DERR_INVALIDCALL;
        levels_[level].locked = false;
        ++levels_[level].unlocks;
        return S_OK;
    }
    HRESULT GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    DWORD SetPriority(DWORD) override { return 0; }
    DWORD GetPriority() override { return 0; }
    void PreLoad() override {}
    DWORD SetLOD(DWORD) override { return 0; }
    DWORD GetLOD() override { return 0; }
    HRESULT GetSurfaceLevel(UINT, IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT AddDirtyRect(const RECT*) override { return E_NOTIMPL; }

private:
    std::vector<Level> levels_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    DWORD usage_;
    ULONG refs_ = 1;
};

class FakeDevice final : public IDirect3DDevice8 {
public:
    ~FakeDevice() override {
        for (FakeTexture* t : textures) delete t;
    }

    UINT maxTextureWidth = 2048;
    UINT maxTextureHeight = 2048;
    bool pow2Only = false;
    HRESULT createResult = S_OK;
    HRESULT lockResult = S_OK;
    std::vector<FakeTexture*> textures;
    UINT lastLevelsAsked = 0;

    FakeTexture* Last() const { return textures.empty() ? nullptr : textures.back(); }

    HRESULT QueryInterface(REFIID, void** ppv) override { *ppv = nullptr; return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override {
        std::memset(caps, 0, sizeof *caps);
        caps->MaxTextureWidth = maxTextureWidth;
        caps->MaxTextureHeight = maxTextureHeight;
        caps->TextureCaps = pow2Only ? D3DPTEXTURECAPS_POW2 : 0;
        return S_OK;
    }
    HRESULT CreateTexture(UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** tex) override {
        lastLevelsAsked = levels;
        if (FAILED(createResult)) return createResult;
        if (!tex || w == 0 || h == 0) return D3DERR_INVALIDCALL;
        if (levels == 0) {
            levels = 1;
            for (UINT a = w, b = h; a > 1 || b > 1; a = a > 1 ? a / 2 : 1, b = b > 1 ? b / 2 : 1) ++levels;
        }
        FakeTexture* t = new FakeTexture(w, h, levels, format, pool, usage);
        t->lockResult = lockResult;
        textures.push_back(t);
        *tex = t;
        return S_OK;
    }
    HRESULT TestCooperativeLevel() override { return E_NOTIMPL; }
    UINT GetAvailableTextureMem() override { return 0; }
    HRESULT ResourceManagerDiscardBytes(DWORD) override { return E_NOTIMPL; }
    HRESULT GetDirect3D(IDirect3D8**) override { return E_NOTIMPL; }
    HRESULT GetDisplayMode(D3DDISPLAYMODE*) override { return E_NOTIMPL; }
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS*) override { return E_NOTIMPL; }
    HRESULT SetCursorProperties(UINT, UINT, IDirect3DSurface8*) override { return E_NOTIMPL; }
    void SetCursorPosition(int, int, DWORD) override {}
    BOOL ShowCursor(BOOL) override { return FALSE; }
    HRESULT Reset(D3DPRESENT_PARAMETERS*) override { return E_NOTIMPL; }
    HRESULT Present(const RECT*, const RECT*, HWND, const void*) override { return E_NOTIMPL; }
    HRESULT GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface8**) override { return E_NOTIMPL; }
    HRESULT CreateVertexBuffer(UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer8**) override { return E_NOTIMPL; }
    HRESULT CreateIndexBuffer(UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer8**) override { return E_NOTIMPL; }
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
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT, UINT, UINT, UINT) override { return E_NOTIMPL; }
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override { return E_NOTIMPL; }
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*, D3DFORMAT, const void*, UINT) override { return E_NOTIMPL; }
    HRESULT CreateVertexShader(const DWORD*, const DWORD*, DWORD*, DWORD) override { return E_NOTIMPL; }
    HRESULT SetVertexShader(DWORD) override { return E_NOTIMPL; }
    HRESULT GetVertexShader(DWORD*) override { return E_NOTIMPL; }
    HRESULT DeleteVertexShader(DWORD) override { return E_NOTIMPL; }
    HRESULT SetVertexShaderConstant(DWORD, const void*, DWORD) override { return E_NOTIMPL; }
    HRESULT GetVertexShaderConstant(DWORD, void*, DWORD) override { return E_NOTIMPL; }
    HRESULT SetStreamSource(UINT, IDirect3DVertexBuffer8*, UINT) override { return E_NOTIMPL; }
    HRESULT GetStreamSource(UINT, IDirect3DVertexBuffer8**, UINT*) override { return E_NOTIMPL; }
    HRESULT SetIndices(IDirect3DIndexBuffer8*, UINT) override { return E_NOTIMPL; }
    HRESULT GetIndices(IDirect3DIndexBuffer8**, UINT*) override { return E_NOTIMPL; }
};

}  // namespace quil_test
