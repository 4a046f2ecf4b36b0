// The shared recording device with textures whose rows are padded, so that a loader that
// ignores the pitch is caught; locks are checked and every level can be read back.
#pragma once
#include <cstring>
#include <vector>

#include "recording_device.h"

namespace quil_test {

constexpr BYTE kPadByte = 0xCD;  // fills the row padding, which nothing may write

inline UINT TestBytesPerTexel(D3DFORMAT f) { return (f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8) ? 4 : 2; }

class FakeTexture final : public IDirect3DTexture8 {
public:
    struct Level {
        UINT width, height, pitch;
        std::vector<BYTE> bits;
        bool locked = false;
        int unlocks = 0;
    };

    FakeTexture(UINT w, UINT h, UINT levels, D3DFORMAT format, D3DPOOL pool) : format_(format), pool_(pool) {
        for (UINT i = 0; i < levels; ++i, w /= 2, h /= 2) {
            Level l;
            l.width = w > 1 ? w : 1;
            l.height = h > 1 ? h : 1;
            l.pitch = l.width * TestBytesPerTexel(format) + 12;
            l.bits.assign((size_t)l.pitch * l.height, kPadByte);
            levels_.push_back(l);
        }
    }

    // Texel (x, y) of a level as a 32-bit value (16-bit formats zero-extended).
    DWORD Texel(UINT level, UINT x, UINT y) const {
        const Level& l = levels_[level];
        DWORD v = 0;
        std::memcpy(&v, &l.bits[(size_t)y * l.pitch + (size_t)x * TestBytesPerTexel(format_)], TestBytesPerTexel(format_));
        return v;
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
    ULONG Refs() const { return refs_; }
    HRESULT lockResult = S_OK;  // forced LockRect failure

    HRESULT QueryInterface(REFIID, void** ppv) override { *ppv = nullptr; return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return --refs_; }  // the device owns the object
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
    ULONG refs_ = 1;
};

// Limits and failures are set through caps (MaxTextureWidth, TextureCaps) and the fields below.
class FakeDevice final : public quiltest::RecordingDevice {
public:
    ~FakeDevice() override {
        for (FakeTexture* t : textures) delete t;
    }
    HRESULT createResult = S_OK;
    HRESULT lockResult = S_OK;
    std::vector<FakeTexture*> textures;
    FakeTexture* Last() const { return textures.empty() ? nullptr : textures.back(); }

    HRESULT CreateTexture(UINT w, UINT h, UINT levels, DWORD, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** tex) override {
        if (FAILED(createResult)) return createResult;
        if (!tex || w == 0 || h == 0) return D3DERR_INVALIDCALL;
        if (levels == 0)
            for (UINT a = w, b = h; a > 0 || b > 0; a /= 2, b /= 2) ++levels;
        textures.push_back(new FakeTexture(w, h, levels, format, pool));
        textures.back()->lockResult = lockResult;
        *tex = textures.back();
        return S_OK;
    }
};

}  // namespace quil_test
