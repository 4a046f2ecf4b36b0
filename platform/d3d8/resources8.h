// Device resources: vertex and index buffers, textures and surfaces, each with a
// system-memory copy that locks hand out and unlocks upload to OpenGL.
#pragma once
#include <epoxy/gl.h>
#include <memory>
#include <vector>
#include "d3d8.h"

namespace quil_d3d8 {

class Device8;

// Device hooks for resources (defined with the device).
void DeviceAddRef(Device8* device);
void DeviceRelease(Device8* device);
void DeviceResourceBorn(Device8* device, D3DPOOL pool);
void DeviceResourceGone(Device8* device, D3DPOOL pool);
void DeviceMakeCurrent(Device8* device);

// Reference counts of a resource: the public count the caller sees, and internal
// references the device holds while the resource is bound. The object is deleted
// when both reach zero; while the public count is above zero it holds a device reference.
class ResourceRefs {
public:
    // A caller-created resource starts with one public reference; a device-owned
    // one (owned) starts with one internal reference and none public.
    ResourceRefs(Device8* device, D3DPOOL pool, bool owned = false);
    ULONG AddRef();
    // Returns the remaining public count; deleteSelf runs when nothing holds the object.
    template <typename F>
    ULONG Release(F deleteSelf);
    void AddInternal() { ++internal_; }
    template <typename F>
    void ReleaseInternal(F deleteSelf) {
        if (internal_ > 0 && --internal_ == 0 && public_ == 0) deleteSelf();
    }
    ULONG publicCount() const { return public_; }
    Device8* device() const { return device_; }
    D3DPOOL pool() const { return pool_; }
    // Hands out the device with a new reference.
    HRESULT GetDevice(IDirect3DDevice8** device) const;
    // Deletes a resource with its device's context current, so its OpenGL objects go too.
    template <typename T>
    void DeleteWithDevice(T* resource) {
        DeviceMakeCurrent(device_);
        delete resource;
    }

private:
    Device8* device_;
    D3DPOOL pool_;
    bool owned_;
    ULONG public_ = 1;
    ULONG internal_ = 0;
};

template <typename F>
ULONG ResourceRefs::Release(F deleteSelf) {
    if (public_ == 0) return 0;
    ULONG left = --public_;
    if (left == 0) {
        Device8* device = device_;
        D3DPOOL pool = pool_;
        bool owned = owned_;
        bool dead = internal_ == 0;
        if (dead) deleteSelf();  // nothing of this object may be touched after this
        if (!owned) DeviceResourceGone(device, pool);
        DeviceRelease(device);
    }
    return left;
}

// The storage and lock rules shared by vertex and index buffers.
class BufferCore {
public:
    BufferCore(UINT length, DWORD usage, GLenum target);
    ~BufferCore();
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags);
    // Uploads what the lock changed; returns false when the buffer was not locked.
    bool Unlock();
    // The OpenGL buffer, created and filled on first use.
    GLuint GlBuffer();
    UINT length() const { return length_; }
    DWORD usage() const { return usage_; }
    const BYTE* data() const { return data_.data(); }
    bool locked() const { return locked_; }
    // Bumped by every upload, so users of derived data know it changed.
    uint64_t version() const { return version_; }

private:
    std::vector<BYTE> data_;
    UINT length_;
    DWORD usage_;
    GLenum target_;
    GLuint gl_ = 0;
    bool glFilled_ = false;
    bool locked_ = false;
    UINT lockOffset_ = 0, lockSize_ = 0;
    DWORD lockFlags_ = 0;
    uint64_t version_ = 0;
};

// The COM half every resource shares: its counts, its device and its priority.
template <class Interface>
class Resource8 : public Interface {
public:
    ULONG AddRef() override { return refs_.AddRef(); }
    ULONG Release() override {
        return refs_.Release([this] { refs_.DeleteWithDevice(this); });
    }
    HRESULT GetDevice(IDirect3DDevice8** device) override { return refs_.GetDevice(device); }
    DWORD SetPriority(DWORD p) override { DWORD o = priority_; priority_ = p; return o; }
    DWORD GetPriority() override { return priority_; }
    void PreLoad() override {}

    ResourceRefs& refs() { return refs_; }
    void ReleaseInternal() {
        refs_.ReleaseInternal([this] { refs_.DeleteWithDevice(this); });
    }

protected:
    Resource8(Device8* device, D3DPOOL pool) : refs_(device, pool) {}

private:
    ResourceRefs refs_;
    DWORD priority_ = 0;
};

// A vertex or index buffer: a resource over a BufferCore.
template <class Interface>
class Buffer8 : public Resource8<Interface> {
public:
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override {
        return core_.Lock(offset, size, data, flags);
    }
    HRESULT Unlock() override {
        DeviceMakeCurrent(this->refs().device());
        return core_.Unlock() ? D3D_OK : D3DERR_INVALIDCALL;
    }
    BufferCore& core() { return core_; }

protected:
    Buffer8(Device8* device, UINT length, DWORD usage, D3DPOOL pool, GLenum target)
        : Resource8<Interface>(device, pool), core_(length, usage, target) {}

private:
    BufferCore core_;
};

class VertexBuffer8 final : public Buffer8<IDirect3DVertexBuffer8> {
public:
    VertexBuffer8(Device8* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

private:
    ~VertexBuffer8() override = default;
    DWORD fvf_;
};

class IndexBuffer8 final : public Buffer8<IDirect3DIndexBuffer8> {
public:
    IndexBuffer8(Device8* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

    D3DFORMAT format() const { return format_; }
    UINT indexSize() const { return format_ == D3DFMT_INDEX32 ? 4u : 2u; }
    // Largest index in [first, first + count): the whole buffer's cached maximum when
    // that is below limit, else a scan of the range.
    UINT MaxIndex(UINT first, UINT count, UINT limit);

private:
    ~IndexBuffer8() override = default;
    D3DFORMAT format_;
    uint64_t maxVersion_ = ~0ull;
    UINT maxAll_ = 0;
};

class Texture8;

// A picture: a texture level (its count is the texture's), an image surface, or the back buffer.
class Surface8 final : public IDirect3DSurface8 {
public:
    enum class Kind { TextureLevel, Image, BackBuffer, DepthStencil };
    // An image surface or a device-owned surface.
    Surface8(Device8* device, Kind kind, UINT width, UINT height, D3DFORMAT format);
    // A level of a texture.
    Surface8(Texture8* texture, UINT level);
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    HRESULT GetContainer(REFIID riid, void** container) override;
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    ResourceRefs* refs() { return refs_.get(); }
    void ReleaseInternal();
    // Pixels of an image surface (rows of pitch() bytes).
    const BYTE* pixels() const { return data_.data(); }
    UINT pitch() const { return pitch_; }
    UINT width() const { return width_; }
    UINT height() const { return height_; }
    D3DFORMAT format() const { return format_; }
    void Resize(UINT width, UINT height);

private:
    friend class Texture8;
    ~Surface8() override = default;
    Kind kind_;
    Texture8* texture_ = nullptr;
    UINT level_ = 0;
    std::unique_ptr<ResourceRefs> refs_;
    Device8* device_;
    UINT width_ = 0, height_ = 0, pitch_ = 0;
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    std::vector<BYTE> data_;
    bool locked_ = false;
    DWORD lockFlags_ = 0;
};

class Texture8 final : public Resource8<IDirect3DTexture8> {
public:
    Texture8(Device8* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD SetLOD(DWORD lod) override { DWORD o = lod_; lod_ = lod < levels_.size() ? lod : 0; return o; }
    DWORD GetLOD() override { return lod_; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(levels_.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;
    HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }

    GLuint GlTexture() const { return gl_; }
    D3DFORMAT format() const { return format_; }
    // How the stored channels are read back as red, green, blue and alpha.
    const GLint* Swizzle() const { return swizzle_; }
    // Before the first draw with the texture: clears on the device the levels
    // never written, which read as zeros.
    void ClearUnwrittenLevels();

private:
    friend class Surface8;
    ~Texture8() override;
    struct Level {
        UINT width, height, pitch;
        std::vector<BYTE> data;  // only while locked
        bool locked = false;
        bool written = false;  // uploaded since creation (else all zeros)
        DWORD lockFlags = 0;
        Surface8* surface = nullptr;
    };
    void Transfer(UINT level, bool toDevice);
    std::vector<Level> levels_;
    DWORD usage_;
    D3DFORMAT format_;
    GLuint gl_ = 0;
    GLint swizzle_[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    DWORD lod_ = 0;
    bool cleared_ = false;  // the unwritten levels are cleared on the device
};

// Creation limits: sizes that fail instead of allocating.
bool ValidTextureSize(UINT width, UINT height);
bool ValidBufferLength(UINT length);

// Number of mip levels of a full chain for the size.
UINT FullMipCount(UINT width, UINT height);

}  // namespace quil_d3d8
