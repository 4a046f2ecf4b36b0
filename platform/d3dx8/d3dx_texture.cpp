// D3DX texture creation and loading: size and format rules, resampling filters, mip chains,
// and the upload into the device's texture level by level.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "d3dx_image.h"
#include "quil_d3dx_mips.h"
#include "quil_path.h"

namespace quil_d3dx {
namespace {

constexpr size_t kMaxFileSize = 256u << 20;
constexpr UINT kDefaultCreateSize = 256;
const HRESULT kFileNotFound = (HRESULT)0x80070002L;

UINT NextPow2(UINT v) {
    UINT p = 1;
    while (p < v && p < 0x80000000u) p <<= 1;
    return p;
}

struct SizeLimits {
    UINT maxWidth = 4096;
    UINT maxHeight = 4096;
    bool pow2 = false;
};

SizeLimits QueryLimits(IDirect3DDevice8* device) {
    SizeLimits l;
    D3DCAPS8 caps;
    std::memset(&caps, 0, sizeof caps);
    if (SUCCEEDED(device->GetDeviceCaps(&caps))) {
        if (caps.MaxTextureWidth) l.maxWidth = caps.MaxTextureWidth;
        if (caps.MaxTextureHeight) l.maxHeight = caps.MaxTextureHeight;
        l.pow2 = (caps.TextureCaps & D3DPTEXTURECAPS_POW2) != 0;
    }
    l.maxWidth = std::min<UINT>(l.maxWidth, kMaxImageDimension);
    l.maxHeight = std::min<UINT>(l.maxHeight, kMaxImageDimension);
    return l;
}

// Largest power of two not above v (v >= 1).
UINT FloorPow2(UINT v) {
    UINT p = 1;
    while (p <= v / 2) p <<= 1;
    return p;
}

void FitSize(UINT& w, UINT& h, const SizeLimits& l, bool roundPow2) {
    if (roundPow2 || l.pow2) {
        w = NextPow2(w);
        h = NextPow2(h);
    }
    if (w > l.maxWidth) w = (roundPow2 || l.pow2) ? FloorPow2(l.maxWidth) : l.maxWidth;
    if (h > l.maxHeight) h = (roundPow2 || l.pow2) ? FloorPow2(l.maxHeight) : l.maxHeight;
}

UINT BytesPerTexel(D3DFORMAT f) {
    switch (f) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8: return 4;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: return 2;
        default: return 0;
    }
}

// A8R8G8B8 texel into the texture's format.
void Pack(uint32_t argb, D3DFORMAT f, uint8_t* dst) {
    uint32_t a = argb >> 24, r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    uint16_t v = 0;
    switch (f) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8: {
            uint32_t t = (f == D3DFMT_X8R8G8B8) ? (argb | 0xFF000000u) : argb;
            dst[0] = (uint8_t)t;
            dst[1] = (uint8_t)(t >> 8);
            dst[2] = (uint8_t)(t >> 16);
            dst[3] = (uint8_t)(t >> 24);
            return;
        }
        case D3DFMT_R5G6B5: v = (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)); break;
        case D3DFMT_X1R5G5B5: v = (uint16_t)(0x8000 | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)); break;
        case D3DFMT_A1R5G5B5: v = (uint16_t)(((a >= 128) ? 0x8000 : 0) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)); break;
        case D3DFMT_A4R4G4B4: v = (uint16_t)(((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4)); break;
        case D3DFMT_X4R4G4B4: v = (uint16_t)(0xF000 | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4)); break;
        default: return;
    }
    dst[0] = (uint8_t)v;
    dst[1] = (uint8_t)(v >> 8);
}

// A picture with float channels (a, r, g, b per texel) for filtering.
struct FloatImage {
    UINT width = 0, height = 0;
    std::vector<float> px;
};

FloatImage ToFloat(const Image& img) {
    FloatImage f;
    f.width = img.width;
    f.height = img.height;
    f.px.resize(img.texels.size() * 4);
    for (size_t i = 0; i < img.texels.size(); ++i) {
        uint32_t t = img.texels[i];
        f.px[i * 4 + 0] = (float)(t >> 24);
        f.px[i * 4 + 1] = (float)((t >> 16) & 0xFF);
        f.px[i * 4 + 2] = (float)((t >> 8) & 0xFF);
        f.px[i * 4 + 3] = (float)(t & 0xFF);
    }
    return f;
}

uint32_t ToTexel(const float* c) {
    auto chan = [](float v) -> uint32_t {
        if (!(v > 0.0f)) return 0;
        if (v >= 255.0f) return 255;
        return (uint32_t)(v + 0.5f);
    };
    return (chan(c[0]) << 24) | (chan(c[1]) << 16) | (chan(c[2]) << 8) | chan(c[3]);
}

struct Tap {
    int index;
    float weight;
};

// Source index for a tap outside the image: reflected or wrapped.
int Address(int j, int n, bool mirror) {
    if (n == 1) return 0;
    if (mirror) {
        int period = 2 * n;
        j %= period;
        if (j < 0) j += period;
        return j < n ? j : period - 1 - j;
    }
    j %= n;
    return j < 0 ? j + n : j;
}

// Filter taps for each destination texel along one axis; an empty list means transparent black.
std::vector<std::vector<Tap>> AxisTaps(UINT srcN, UINT dstN, DWORD filterType, bool mirror) {
    std::vector<std::vector<Tap>> taps(dstN);
    const double scale = (double)srcN / dstN;
    for (UINT i = 0; i < dstN; ++i) {
        std::vector<Tap>& t = taps[i];
        const double centre = (i + 0.5) * scale;
        switch (filterType) {
            case D3DX_FILTER_NONE:
                if (i < srcN) t.push_back({(int)i, 1.0f});
                break;
            case D3DX_FILTER_POINT: {
                int j = (int)std::floor(centre);
                t.push_back({std::min(j, (int)srcN - 1), 1.0f});
                break;
            }
            case D3DX_FILTER_BOX: {
                const double r = std::max(0.5, scale * 0.5);
                int lo = (int)std::floor(centre - r), hi = (int)std::ceil(centre + r);
                for (int j = lo; j <= hi; ++j) {
                    // Weight by how much of texel j lies inside the box.
                    double cover = std::min(centre + r, j + 1.0) - std::max(centre - r, (double)j);
                    if (cover > 1e-9) t.push_back({Address(j, (int)srcN, mirror), (float)cover});
                }
                break;
            }
            case D3DX_FILTER_LINEAR:
            case D3DX_FILTER_TRIANGLE:
            default: {
                const double r = (filterType == D3DX_FILTER_LINEAR) ? 1.0 : std::max(1.0, scale);
                int lo = (int)std::floor(centre - r - 0.5), hi = (int)std::ceil(centre + r - 0.5);
                for (int j = lo; j <= hi; ++j) {
                    double w = 1.0 - std::fabs(j + 0.5 - centre) / r;
                    if (w > 1e-9) t.push_back({Address(j, (int)srcN, mirror), (float)w});
                }
                break;
            }
        }
        float sum = 0.0f;
        for (const Tap& tap : t) sum += tap.weight;
        if (sum > 0.0f)
            for (Tap& tap : t) tap.weight /= sum;
    }
    return taps;
}

// One axis's taps laid out flat: destination texel i reads taps first[i] .. first[i + 1] - 1.
struct FlatTaps {
    std::vector<size_t> first;
    std::vector<int> index;
    std::vector<float> weight;
};

FlatTaps Flatten(const std::vector<std::vector<Tap>>& taps) {
    FlatTaps f;
    f.first.reserve(taps.size() + 1);
    for (const std::vector<Tap>& list : taps) {
        f.first.push_back(f.index.size());
        for (const Tap& t : list) {
            f.index.push_back(t.index);
            f.weight.push_back(t.weight);
        }
    }
    f.first.push_back(f.index.size());
    return f;
}

// Resamples src to the given size with a D3DX_FILTER_ value (type plus mirror bits). Each
// output channel is the sum of its taps' products taken in tap order from zero, so a result
// never depends on how the loops are laid out.
FloatImage Resample(const FloatImage& src, UINT w, UINT h, DWORD filter) {
    DWORD type = filter & 0xFFFF;
    if (type < D3DX_FILTER_NONE || type > D3DX_FILTER_BOX) type = D3DX_FILTER_TRIANGLE;
    if (w == src.width && h == src.height) return src;
    const FlatTaps xt = Flatten(AxisTaps(src.width, w, type, (filter & D3DX_FILTER_MIRROR_U) != 0));
    const FlatTaps yt = Flatten(AxisTaps(src.height, h, type, (filter & D3DX_FILTER_MIRROR_V) != 0));

    FloatImage tmp;  // horizontal pass: w x src.height
    tmp.width = w;
    tmp.height = src.height;
    tmp.px.resize((size_t)w * src.height * 4);
    for (UINT y = 0; y < src.height; ++y) {
        const float* row = &src.px[(size_t)y * src.width * 4];
        float* out = &tmp.px[(size_t)y * w * 4];
        for (UINT x = 0; x < w; ++x) {
            float a = 0.0f, r = 0.0f, g = 0.0f, b = 0.0f;
            for (size_t k = xt.first[x]; k < xt.first[x + 1]; ++k) {
                const float* texel = row + (size_t)xt.index[k] * 4;
                const float weight = xt.weight[k];
                a += texel[0] * weight;
                r += texel[1] * weight;
                g += texel[2] * weight;
                b += texel[3] * weight;
            }
            float* o = out + (size_t)x * 4;
            o[0] = a;
            o[1] = r;
            o[2] = g;
            o[3] = b;
        }
    }
    FloatImage dst;
    dst.width = w;
    dst.height = h;
    dst.px.assign((size_t)w * h * 4, 0.0f);
    const size_t rowFloats = (size_t)w * 4;
    for (UINT y = 0; y < h; ++y) {
        float* __restrict out = &dst.px[(size_t)y * rowFloats];
        for (size_t k = yt.first[y]; k < yt.first[y + 1]; ++k) {
            const float* __restrict row = &tmp.px[(size_t)yt.index[k] * rowFloats];
            const float weight = yt.weight[k];
            for (size_t i = 0; i < rowFloats; ++i) out[i] += row[i] * weight;
        }
    }
    return dst;
}

// The next mip level: each texel the mean of the 2x2 (or 2x1) block of the level above. Falls
// back to the general resampler when a side does not halve exactly.
FloatImage NextMipLevel(const FloatImage& src, UINT w, UINT h, DWORD filter) {
    const bool halvesX = src.width == 2 * w || (src.width == 1 && w == 1);
    const bool halvesY = src.height == 2 * h || (src.height == 1 && h == 1);
    if ((filter & 0xFFFF) != D3DX_FILTER_BOX || !halvesX || !halvesY) return Resample(src, w, h, filter);
    // A side of one texel pairs the texel with itself, so every output is a mean of four.
    const UINT sx = src.width / w, sy = src.height / h;
    FloatImage dst;
    dst.width = w;
    dst.height = h;
    dst.px.resize((size_t)w * h * 4);
    for (UINT y = 0; y < h; ++y) {
        const float* row0 = &src.px[(size_t)y * sy * src.width * 4];
        const float* row1 = row0 + (sy - 1) * (size_t)src.width * 4;
        float* out = &dst.px[(size_t)y * w * 4];
        for (UINT x = 0; x < w; ++x) {
            const size_t a = (size_t)x * sx * 4, b = a + (sx - 1) * 4;
            for (int c = 0; c < 4; ++c) out[x * 4 + c] = (row0[a + c] + row0[b + c] + row1[a + c] + row1[b + c]) * 0.25f;
        }
    }
    return dst;
}

// Writes one level through LockRect, honouring the pitch the texture reports.
HRESULT UploadLevel(IDirect3DTexture8* tex, UINT level, const FloatImage& img, D3DFORMAT format) {
    D3DLOCKED_RECT lr;
    HRESULT hr = tex->LockRect(level, &lr, nullptr, 0);
    if (FAILED(hr)) return hr;
    if (!lr.pBits) {
        tex->UnlockRect(level);
        return D3DERR_INVALIDCALL;
    }
    const UINT bpp = BytesPerTexel(format);
    for (UINT y = 0; y < img.height; ++y) {
        uint8_t* row = static_cast<uint8_t*>(lr.pBits) + (ptrdiff_t)y * lr.Pitch;
        for (UINT x = 0; x < img.width; ++x)
            Pack(ToTexel(&img.px[((size_t)y * img.width + x) * 4]), format, row + (size_t)x * bpp);
    }
    return tex->UnlockRect(level);
}

// Reads a whole file through the case-insensitive path lookup, refusing absurd sizes.
HRESULT ReadFile(const char* name, std::vector<uint8_t>& data) {
    FILE* f = quil_platform::OpenFile(name, "rb");
    if (!f) return kFileNotFound;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (data.size() + got > kMaxFileSize) {
            std::fclose(f);
            return D3DXERR_INVALIDDATA;
        }
        data.insert(data.end(), chunk, chunk + got);
    }
    std::fclose(f);
    return S_OK;
}

}  // namespace

bool BuildMipChain(const uint32_t* texels, UINT width, UINT height, UINT levels, DWORD mipFilter, D3DFORMAT format,
                   std::vector<std::vector<uint32_t>>* out) {
    if (!texels || !out || width == 0 || height == 0 || BytesPerTexel(format) != 4) return false;
    UINT full = 1;
    while ((width >> full) > 0 || (height >> full) > 0) ++full;
    if (levels == 0 || levels > full) levels = full;
    Image image;
    image.width = width;
    image.height = height;
    image.texels.assign(texels, texels + static_cast<size_t>(width) * height);
    // The same steps as the file loader's: float channels, each level from the one above.
    FloatImage level = ToFloat(image);
    // Both 32-bit formats store the texel as it is, X8R8G8B8 with its alpha byte set.
    const uint32_t opaque = format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0u;
    out->assign(levels, {});
    for (UINT i = 0; i < levels; ++i) {
        std::vector<uint32_t>& dst = (*out)[i];
        if (i == 0) {
            // Whole-byte channels come back from float unchanged: level 0 is the picture.
            dst.resize(image.texels.size());
            for (size_t k = 0; k < dst.size(); ++k) dst[k] = image.texels[k] | opaque;
            continue;
        }
        level = NextMipLevel(level, std::max(1u, width >> i), std::max(1u, height >> i), mipFilter);
        dst.resize(static_cast<size_t>(level.width) * level.height);
        for (size_t k = 0; k < dst.size(); ++k) dst[k] = ToTexel(&level.px[k * 4]) | opaque;
    }
    return true;
}

}  // namespace quil_d3dx

using namespace quil_d3dx;

HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE8 device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, LPDIRECT3DTEXTURE8* texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    SizeLimits limits = QueryLimits(device);
    if (width == 0 || width == D3DX_DEFAULT) width = kDefaultCreateSize;
    if (height == 0 || height == D3DX_DEFAULT) height = kDefaultCreateSize;
    FitSize(width, height, limits, false);
    if (format == D3DFMT_UNKNOWN) format = D3DFMT_A8R8G8B8;
    // 0 asks the device for the full chain; it clamps larger counts to it.
    return device->CreateTexture(width, height, mipLevels == D3DX_DEFAULT ? 0 : mipLevels, usage, format, pool,
                                 texture);
}

HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE8 device, LPCSTR srcFile, LPDIRECT3DTEXTURE8* texture) {
    return D3DXCreateTextureFromFileExA(device, srcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                        D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                        nullptr, texture);
}

HRESULT D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE8 device, LPCSTR srcFile, UINT width, UINT height,
                                     UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                     DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                     struct tagPALETTEENTRY* palette, LPDIRECT3DTEXTURE8* texture) {
    (void)palette;  // only true-colour textures are made, so there is never a palette to return
    if (texture) *texture = nullptr;
    if (!device || !srcFile || !texture) return D3DERR_INVALIDCALL;

    std::vector<uint8_t> bytes;
    HRESULT hr = ReadFile(srcFile, bytes);
    if (FAILED(hr)) return hr;
    Image image;
    hr = DecodeImage(bytes.data(), bytes.size(), image);
    if (FAILED(hr)) return hr;
    bytes.clear();
    bytes.shrink_to_fit();

    if (srcInfo) {
        srcInfo->Width = image.width;
        srcInfo->Height = image.height;
        srcInfo->Depth = 1;
        srcInfo->MipLevels = 1;
        srcInfo->Format = image.format;
        srcInfo->ResourceType = D3DRTYPE_TEXTURE;
        srcInfo->ImageFileFormat = image.fileFormat;
    }
    if (colorKey != 0)
        for (uint32_t& t : image.texels)
            if (t == colorKey) t = 0;

    SizeLimits limits = QueryLimits(device);
    const bool defaultSize = (width == 0 || width == D3DX_DEFAULT) || (height == 0 || height == D3DX_DEFAULT);
    if (width == 0 || width == D3DX_DEFAULT) width = image.width;
    if (height == 0 || height == D3DX_DEFAULT) height = image.height;
    FitSize(width, height, limits, defaultSize);

    if (format == D3DFMT_UNKNOWN) format = image.format;
    if (format == D3DFMT_R8G8B8) format = D3DFMT_X8R8G8B8;
    if (BytesPerTexel(format) == 0)
        format = (image.format == D3DFMT_A8R8G8B8 || image.format == D3DFMT_A1R5G5B5) ? D3DFMT_A8R8G8B8
                                                                                     : D3DFMT_X8R8G8B8;

    if (filter == D3DX_DEFAULT) filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    if (mipFilter == D3DX_DEFAULT) mipFilter = D3DX_FILTER_BOX;

    IDirect3DTexture8* tex = nullptr;
    hr = device->CreateTexture(width, height, mipLevels == D3DX_DEFAULT ? 0 : mipLevels, usage, format, pool, &tex);
    if (FAILED(hr)) return hr;
    if (!tex) return D3DERR_INVALIDCALL;
    const UINT levels = tex->GetLevelCount();

    FloatImage level = Resample(ToFloat(image), width, height, filter);
    image.texels.clear();
    for (UINT i = 0; i < levels; ++i) {
        if (i > 0) level = NextMipLevel(level, std::max(1u, width >> i), std::max(1u, height >> i), mipFilter);
        hr = UploadLevel(tex, i, level, format);
        if (FAILED(hr)) {
            tex->Release();
            return hr;
        }
    }
    *texture = tex;
    return S_OK;
}
