#include "resources8.h"

#include <algorithm>
#include <cstring>

#include "device8.h"
#include "format_util.h"
#include "quil_com.h"

namespace quil_d3d8 {

// Largest texture side the device accepts; larger requests fail instead of allocating.
constexpr UINT kMaxTextureSide = 4096;
// Largest buffer the device accepts (256 MiB).
constexpr UINT kMaxBufferBytes = 256u << 20;

ResourceRefs::ResourceRefs(Device8* device, D3DPOOL pool, bool owned)
    : device_(device), pool_(pool), owned_(owned) {
    if (owned) {
        public_ = 0;
        internal_ = 1;
        return;
    }
    DeviceResourceBorn(device, pool);
    DeviceAddRef(device);
}

ULONG ResourceRefs::AddRef() {
    if (public_++ == 0) {
        if (!owned_ && internal_ > 0) DeviceResourceBorn(device_, pool_);
        DeviceAddRef(device_);
    }
    return public_;
}

HRESULT ResourceRefs::GetDevice(IDirect3DDevice8** device) const {
    if (!device) return D3DERR_INVALIDCALL;
    *device = device_;
    (*device)->AddRef();
    return D3D_OK;
}

UINT FullMipCount(UINT width, UINT height) {
    UINT n = 1;
    while (width > 1 || height > 1) {
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        ++n;
    }
    return n;
}

// Binds an object for an upload and puts the previous binding back afterwards, so that
// the device's record of what is bound (and the vertex array's index buffer) stays true.
class ScopedBinding {
public:
    ScopedBinding(GLenum target, GLuint object) : target_(target) {
        GLint prev = 0;
        glGetIntegerv(Query(target), &prev);
        previous_ = static_cast<GLuint>(prev);
        Bind(object);
    }
    ~ScopedBinding() { Bind(previous_); }

private:
    static GLenum Query(GLenum target) {
        switch (target) {
            case GL_ARRAY_BUFFER: return GL_ARRAY_BUFFER_BINDING;
            case GL_ELEMENT_ARRAY_BUFFER: return GL_ELEMENT_ARRAY_BUFFER_BINDING;
            default: return GL_TEXTURE_BINDING_2D;
        }
    }
    void Bind(GLuint object) {
        if (target_ == GL_TEXTURE_2D) glBindTexture(GL_TEXTURE_2D, object);
        else glBindBuffer(target_, object);
    }
    GLenum target_;
    GLuint previous_ = 0;
};

// ---- buffers ----

BufferCore::BufferCore(UINT length, DWORD usage, GLenum target)
    : data_(length), length_(length), usage_(usage), target_(target) {}

BufferCore::~BufferCore() {
    if (gl_) glDeleteBuffers(1, &gl_);
}

HRESULT BufferCore::Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (locked_) return D3DERR_INVALIDCALL;
    if (offset > length_) return D3DERR_INVALIDCALL;
    if (size == 0) size = length_ - offset;
    if (size > length_ - offset) return D3DERR_INVALIDCALL;
    locked_ = true;
    lockOffset_ = offset;
    lockSize_ = size;
    lockFlags_ = flags;
    *data = data_.data() + offset;
    return D3D_OK;
}

bool BufferCore::Unlock() {
    if (!locked_) return false;
    locked_ = false;
    if (lockFlags_ & D3DLOCK_READONLY) return true;
    ++version_;
    if (!gl_ || !glFilled_) return true;  // filled whole on first use
    ScopedBinding bind(target_, gl_);
    if ((lockFlags_ & D3DLOCK_DISCARD) || lockSize_ == length_) {
        // Orphan the old storage so the GPU may keep reading it while we refill.
        glBufferData(target_, length_, data_.data(), (usage_ & D3DUSAGE_DYNAMIC) ? GL_STREAM_DRAW : GL_STATIC_DRAW);
    } else if (lockSize_ > 0) {
        glBufferSubData(target_, lockOffset_, lockSize_, data_.data() + lockOffset_);
    }
    return true;
}

GLuint BufferCore::GlBuffer() {
    if (!gl_) glGenBuffers(1, &gl_);
    if (!glFilled_) {
        ScopedBinding bind(target_, gl_);
        glBufferData(target_, std::max(1u, length_), data_.data(),
                     (usage_ & D3DUSAGE_DYNAMIC) ? GL_STREAM_DRAW : GL_STATIC_DRAW);
        glFilled_ = true;
    }
    return gl_;
}

VertexBuffer8::VertexBuffer8(Device8* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : Buffer8(device, length, usage, pool, GL_ARRAY_BUFFER), fvf_(fvf) {}

HRESULT VertexBuffer8::QueryInterface(REFIID riid, void** ppv) {
    return quil_com::Answer(this, riid, ppv, IID_IDirect3DResource8, IID_IDirect3DVertexBuffer8);
}

HRESULT VertexBuffer8::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = D3DFMT_VERTEXDATA;
    desc->Type = D3DRTYPE_VERTEXBUFFER;
    desc->Usage = core().usage();
    desc->Pool = refs().pool();
    desc->Size = core().length();
    desc->FVF = fvf_;
    return D3D_OK;
}

IndexBuffer8::IndexBuffer8(Device8* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : Buffer8(device, length, usage, pool, GL_ELEMENT_ARRAY_BUFFER), format_(format) {}

HRESULT IndexBuffer8::QueryInterface(REFIID riid, void** ppv) {
    return quil_com::Answer(this, riid, ppv, IID_IDirect3DResource8, IID_IDirect3DIndexBuffer8);
}

HRESULT IndexBuffer8::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = format_;
    desc->Type = D3DRTYPE_INDEXBUFFER;
    desc->Usage = core().usage();
    desc->Pool = refs().pool();
    desc->Size = core().length();
    return D3D_OK;
}

// Largest index among count indices starting at first.
static UINT ScanMax(const BYTE* data, UINT size, UINT first, UINT count) {
    UINT m = 0;
    if (size == 2) {
        const uint16_t* p = reinterpret_cast<const uint16_t*>(data) + first;
        for (UINT i = 0; i < count; ++i) m = std::max<UINT>(m, p[i]);
    } else {
        const uint32_t* p = reinterpret_cast<const uint32_t*>(data) + first;
        for (UINT i = 0; i < count; ++i) m = std::max<UINT>(m, p[i]);
    }
    return m;
}

UINT IndexBuffer8::MaxIndex(UINT first, UINT count, UINT limit) {
    BufferCore& c = core();
    if (maxVersion_ != c.version()) {
        maxAll_ = ScanMax(c.data(), indexSize(), 0, c.length() / indexSize());
        maxVersion_ = c.version();
    }
    if (maxAll_ < limit) return maxAll_;
    return ScanMax(c.data(), indexSize(), first, count);
}

// ---- surfaces ----

Surface8::Surface8(Device8* device, Kind kind, UINT width, UINT height, D3DFORMAT format)
    : kind_(kind), device_(device), width_(width), height_(height), format_(format) {
    bool owned = kind == Kind::BackBuffer || kind == Kind::DepthStencil;
    refs_ = std::make_unique<ResourceRefs>(device, owned ? D3DPOOL_DEFAULT : D3DPOOL_SYSTEMMEM, owned);
    if (kind == Kind::Image) {
        pitch_ = RowPitch(format, width);
        data_.assign(static_cast<size_t>(pitch_) * height, 0);
    }
}

Surface8::Surface8(Texture8* texture, UINT level)
    : kind_(Kind::TextureLevel), texture_(texture), level_(level), device_(texture->refs().device()) {
    const Texture8::Level& l = texture->levels_[level];
    width_ = l.width;
    height_ = l.height;
    pitch_ = l.pitch;
    format_ = texture->format_;
}

void Surface8::Resize(UINT width, UINT height) {
    width_ = width;
    height_ = height;
}

HRESULT Surface8::QueryInterface(REFIID riid, void** ppv) {
    return quil_com::Answer(this, riid, ppv, IID_IDirect3DSurface8);
}

ULONG Surface8::AddRef() {
    if (texture_) return texture_->AddRef();
    return refs_->AddRef();
}

ULONG Surface8::Release() {
    if (texture_) return texture_->Release();
    return refs_->Release([this] { delete this; });
}

void Surface8::ReleaseInternal() {
    if (refs_) refs_->ReleaseInternal([this] { delete this; });
}

HRESULT Surface8::GetDevice(IDirect3DDevice8** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = device_;
    device_->AddRef();
    return D3D_OK;
}

HRESULT Surface8::GetContainer(REFIID riid, void** container) {
    if (!container) return D3DERR_INVALIDCALL;
    if (texture_) return texture_->QueryInterface(riid, container);
    return device_->QueryInterface(riid, container);
}

HRESULT Surface8::GetDesc(D3DSURFACE_DESC* d) {
    if (!d) return D3DERR_INVALIDCALL;
    if (kind_ == Kind::BackBuffer) {
        width_ = device_->presentParameters().BackBufferWidth;
        height_ = device_->presentParameters().BackBufferHeight;
        format_ = device_->presentParameters().BackBufferFormat;
    }
    d->Format = format_;
    d->Type = D3DRTYPE_SURFACE;
    d->Usage = kind_ == Kind::BackBuffer ? D3DUSAGE_RENDERTARGET : (kind_ == Kind::DepthStencil ? D3DUSAGE_DEPTHSTENCIL : 0);
    d->Pool = kind_ == Kind::Image ? D3DPOOL_SYSTEMMEM : (texture_ ? texture_->refs().pool() : D3DPOOL_DEFAULT);
    d->Size = kind_ == Kind::DepthStencil ? width_ * height_ * 2 : RowPitch(format_, width_) * height_;
    d->MultiSampleType = D3DMULTISAMPLE_NONE;
    d->Width = width_;
    d->Height = height_;
    return D3D_OK;
}

// Immutable texture storage (OpenGL 4.2, or its extension), asked of the current context once.
static bool HasTextureStorage() {
    static const bool has = epoxy_gl_version() >= 42 || epoxy_has_gl_extension("GL_ARB_texture_storage");
    return has;
}

// Checks a lock rectangle against the picture; null means the whole picture.
static bool ValidRect(const RECT* r, UINT width, UINT height) {
    if (!r) return true;
    return r->left >= 0 && r->top >= 0 && r->left < r->right && r->top < r->bottom &&
           static_cast<UINT>(r->right) <= width && static_cast<UINT>(r->bottom) <= height;
}

HRESULT Surface8::LockRect(D3DLOCKED_RECT* out, const RECT* rect, DWORD flags) {
    if (texture_) return texture_->LockRect(level_, out, rect, flags);
    if (!out) return D3DERR_INVALIDCALL;
    out->pBits = nullptr;
    out->Pitch = 0;
    if (locked_ || !ValidRect(rect, width_, height_)) return D3DERR_INVALIDCALL;
    if (kind_ == Kind::DepthStencil) return D3DERR_INVALIDCALL;
    if (kind_ == Kind::BackBuffer) {
        // The back buffer is read on lock and written back on unlock (32-bit formats only).
        D3DSURFACE_DESC desc;
        GetDesc(&desc);
        if (FormatBytesPerPixel(format_) != 4) return D3DERR_INVALIDCALL;
        std::vector<DWORD> px;
        if (!device_->ReadBackBufferArgb(&px)) return D3DERR_INVALIDCALL;
        pitch_ = width_ * 4;
        data_.resize(px.size() * 4);
        std::memcpy(data_.data(), px.data(), data_.size());
    }
    locked_ = true;
    lockFlags_ = flags;
    UINT bpp = FormatBytesPerPixel(format_);
    BYTE* base = data_.data();
    if (rect) base += static_cast<size_t>(rect->top) * pitch_ + static_cast<size_t>(rect->left) * bpp;
    out->pBits = base;
    out->Pitch = static_cast<INT>(pitch_);
    return D3D_OK;
}

HRESULT Surface8::UnlockRect() {
    if (texture_) return texture_->UnlockRect(level_);
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    if (kind_ == Kind::BackBuffer && !(lockFlags_ & D3DLOCK_READONLY)) {
        std::vector<DWORD> px(data_.size() / 4);
        std::memcpy(px.data(), data_.data(), px.size() * 4);
        device_->WriteBackBufferArgb(px);
    }
    return D3D_OK;
}

// ---- textures ----

Texture8::Texture8(Device8* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                   D3DPOOL pool)
    : Resource8(device, pool), usage_(usage), format_(format) {
    UINT full = FullMipCount(width, height);
    if (levels == 0 || levels > full) levels = full;
    UINT w = width, h = height;
    for (UINT i = 0; i < levels; ++i) {
        Level l;
        l.width = w;
        l.height = h;
        l.pitch = RowPitch(format, w);
        levels_.push_back(std::move(l));
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    GlFormat f;
    GlFormatFor(format, &f);
    std::copy(f.swizzle, f.swizzle + 4, swizzle_);
    glGenTextures(1, &gl_);
    ScopedBinding bind(GL_TEXTURE_2D, gl_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // The pixels live on the device only (see LockRect). Every level reads as
    // cleared; on the device a level is cleared only if it is still unwritten
    // when the texture is first drawn with (see ClearUnwrittenLevels), since
    // most textures are filled right after they are made. The levels are
    // allocated in one call where the driver can: level by level, a texture
    // costs a software driver about twice the time.
    if (HasTextureStorage())
        glTexStorage2D(GL_TEXTURE_2D, static_cast<GLsizei>(levels), static_cast<GLenum>(f.internalFormat),
                       static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    else
        for (UINT i = 0; i < levels; ++i)
            glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), f.internalFormat,
                         static_cast<GLsizei>(levels_[i].width), static_cast<GLsizei>(levels_[i].height), 0, f.format,
                         f.type, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    // Only formats stored in another channel order or lacking channels get a swizzle (an identity
    // one can cost in software rasterisers).
    if (f.swizzle[0] != GL_RED || f.swizzle[1] != GL_GREEN || f.swizzle[2] != GL_BLUE || f.swizzle[3] != GL_ALPHA)
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, f.swizzle);
}

Texture8::~Texture8() {
    for (Level& l : levels_) delete l.surface;
    if (gl_) glDeleteTextures(1, &gl_);
}

HRESULT Texture8::QueryInterface(REFIID riid, void** ppv) {
    return quil_com::Answer(this, riid, ppv, IID_IDirect3DResource8, IID_IDirect3DBaseTexture8,
                            IID_IDirect3DTexture8);
}

HRESULT Texture8::GetLevelDesc(UINT level, D3DSURFACE_DESC* d) {
    if (!d || level >= levels_.size()) return D3DERR_INVALIDCALL;
    d->Format = format_;
    d->Type = D3DRTYPE_SURFACE;
    d->Usage = usage_;
    d->Pool = refs().pool();
    d->Size = levels_[level].pitch * levels_[level].height;
    d->MultiSampleType = D3DMULTISAMPLE_NONE;
    d->Width = levels_[level].width;
    d->Height = levels_[level].height;
    return D3D_OK;
}

HRESULT Texture8::GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    if (!levels_[level].surface) levels_[level].surface = new Surface8(this, level);
    *surface = levels_[level].surface;
    AddRef();
    return D3D_OK;
}

HRESULT Texture8::LockRect(UINT level, D3DLOCKED_RECT* out, const RECT* rect, DWORD flags) {
    if (!out) return D3DERR_INVALIDCALL;
    out->pBits = nullptr;
    out->Pitch = 0;
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    Level& l = levels_[level];
    if (l.locked || !ValidRect(rect, l.width, l.height)) return D3DERR_INVALIDCALL;
    // The system-memory copy exists only while a level is locked: read back from the device,
    // unless the level was never written.
    l.data.assign(static_cast<size_t>(l.pitch) * l.height, 0);
    if (l.written) Transfer(level, false);
    l.locked = true;
    l.lockFlags = flags;
    BYTE* base = l.data.data();
    if (rect)
        base += static_cast<size_t>(rect->top) * l.pitch + static_cast<size_t>(rect->left) * FormatBytesPerPixel(format_);
    out->pBits = base;
    out->Pitch = static_cast<INT>(l.pitch);
    return D3D_OK;
}

HRESULT Texture8::UnlockRect(UINT level) {
    if (level >= levels_.size() || !levels_[level].locked) return D3DERR_INVALIDCALL;
    Level& l = levels_[level];
    l.locked = false;
    if (!(l.lockFlags & D3DLOCK_READONLY)) {
        Transfer(level, true);
        l.written = true;
    }
    std::vector<BYTE>().swap(l.data);
    return D3D_OK;
}

void Texture8::ClearUnwrittenLevels() {
    if (cleared_) return;
    cleared_ = true;
    // A level locked now is uploaded whole at its unlock.
    for (UINT i = 0; i < levels_.size(); ++i) {
        Level& l = levels_[i];
        if (l.written || l.locked) continue;
        l.data.assign(static_cast<size_t>(l.pitch) * l.height, 0);
        Transfer(i, true);
        std::vector<BYTE>().swap(l.data);
    }
}

// Copies a level's system-memory pixels to the device, or the device's back into them.
void Texture8::Transfer(UINT level, bool toDevice) {
    DeviceMakeCurrent(refs().device());
    GlFormat f;
    GlFormatFor(format_, &f);
    ScopedBinding bind(GL_TEXTURE_2D, gl_);
    glPixelStorei(toDevice ? GL_UNPACK_ALIGNMENT : GL_PACK_ALIGNMENT, 4);
    glPixelStorei(toDevice ? GL_UNPACK_ROW_LENGTH : GL_PACK_ROW_LENGTH, 0);
    Level& l = levels_[level];
    if (toDevice)
        glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(l.width),
                        static_cast<GLsizei>(l.height), f.format, f.type, l.data.data());
    else
        glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), f.format, f.type, l.data.data());
}

// Validates creation arguments shared by textures and image surfaces.
bool ValidTextureSize(UINT width, UINT height) {
    return width > 0 && height > 0 && width <= kMaxTextureSide && height <= kMaxTextureSide;
}

bool ValidBufferLength(UINT length) { return length > 0 && length <= kMaxBufferBytes; }

}  // namespace quil_d3d8
