// Texture creation and loading through the recording device: TGA and BMP decoding, sizes,
// formats, filters, mip chains, and malformed files.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "d3dx8.h"
#include "quil_d3dx_mips.h"
#include "recording_device.h"

using quiltest::FakeTexture;
using quiltest::RecordingDevice;

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back((uint8_t)(v >> (8 * i)));
}

// A TGA file (type 2 true colour, 10 run-length) with an id field the reader must skip;
// texels are A8R8G8B8, given top row first.
struct TgaSpec {
    uint8_t type = 2, bits = 24, alphaBits = 0;
    uint16_t width = 0, height = 0;
    bool topDown = false;
    std::vector<uint32_t> texels;
};

Bytes MakeTga(const TgaSpec& s) {
    Bytes b = {3, 0, s.type, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put(b, s.width, 2);
    Put(b, s.height, 2);
    b.push_back(s.bits);
    b.push_back((uint8_t)((s.topDown ? 0x20 : 0) | s.alphaBits));
    b.insert(b.end(), {'i', 'd', '!'});
    std::vector<uint32_t> o;  // file order
    for (uint16_t r = 0; r < s.height; ++r)
        for (uint16_t x = 0; x < s.width; ++x)
            o.push_back(s.texels[(size_t)(s.topDown ? r : s.height - 1 - r) * s.width + x]);
    const int px = s.bits / 8;
    if (s.type < 9) {
        for (uint32_t t : o) Put(b, t, px);
        return b;
    }
    // Run-length packets over the whole stream, so runs cross row ends.
    for (size_t i = 0; i < o.size();) {
        size_t n = 1;
        while (i + n < o.size() && n < 128 && o[i + n] == o[i]) ++n;
        if (n >= 2) {
            b.push_back((uint8_t)(0x80 | (n - 1)));
            Put(b, o[i], px);
        } else {
            while (i + n < o.size() && n < 128 && (i + n + 1 >= o.size() || o[i + n] != o[i + n + 1])) ++n;
            b.push_back((uint8_t)(n - 1));
            for (size_t k = 0; k < n; ++k) Put(b, o[i + k], px);
        }
        i += n;
    }
    return b;
}

// A 24-bit bottom-up BMP with padded rows.
Bytes MakeBmp(uint32_t w, uint32_t h, const std::vector<uint32_t>& texels) {
    const uint32_t rowBytes = (w * 3 + 3) & ~3u, dataSize = rowBytes * h;
    Bytes b = {'B', 'M'};
    for (uint32_t v : {54 + dataSize, 0u, 54u, 40u, w, h}) Put(b, v, 4);
    Put(b, 1, 2);
    Put(b, 24, 2);
    for (uint32_t v : {0u, dataSize, 2835u, 2835u, 0u, 0u}) Put(b, v, 4);
    for (uint32_t r = 0; r < h; ++r) {
        for (uint32_t x = 0; x < w; ++x) Put(b, texels[(h - 1 - r) * w + x], 3);
        b.resize(b.size() + rowBytes - w * 3, 0);
    }
    return b;
}

TgaSpec Tga(uint16_t w, uint16_t h, std::vector<uint32_t> texels, uint8_t bits = 24) {
    return TgaSpec{2, bits, 0, w, h, false, std::move(texels)};
}

// Texel (x, y) of a level (16-bit formats zero-extended), read through a lock.
DWORD Texel(IDirect3DTexture8* t, UINT level, UINT x, UINT y) {
    D3DSURFACE_DESC d;
    D3DLOCKED_RECT lr;
    if (FAILED(t->GetLevelDesc(level, &d)) || FAILED(t->LockRect(level, &lr, nullptr, D3DLOCK_READONLY))) return 0xDEAD;
    const size_t bpp = (d.Format == D3DFMT_A8R8G8B8 || d.Format == D3DFMT_X8R8G8B8) ? 4 : 2;
    DWORD v = 0;
    std::memcpy(&v, static_cast<const BYTE*>(lr.pBits) + y * size_t(lr.Pitch) + x * bpp, bpp);
    t->UnlockRect(level);
    return v;
}

// Files are written in the case's own scratch working folder.
class TextureLoad : public ::testing::Test {
protected:
    void TearDown() override {
        for (IDirect3DTexture8* t : loaded_) t->Release();
        EXPECT_EQ(device_.liveResources, 0);
    }

    // Writes the bytes to a file and loads it the way the renderer does: default sizes and levels, the
    // file's format, triangle|mirror.
    HRESULT Load(const Bytes& file, FakeTexture** out, D3DXIMAGE_INFO* info = nullptr, DWORD filter = 0x70004,
                 DWORD mipFilter = 0x70004, D3DFORMAT format = D3DFMT_UNKNOWN) {
        const std::string path = "f" + std::to_string(files_++);
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            if (!file.empty()) std::fwrite(file.data(), 1, file.size(), f);
            std::fclose(f);
        }
        return LoadPath(path, out, info, filter, mipFilter, format);
    }
    HRESULT LoadPath(const std::string& path, FakeTexture** out, D3DXIMAGE_INFO* info = nullptr,
                     DWORD filter = 0x70004, DWORD mipFilter = 0x70004, D3DFORMAT format = D3DFMT_UNKNOWN) {
        IDirect3DTexture8* tex = reinterpret_cast<IDirect3DTexture8*>(0x1);
        HRESULT hr = D3DXCreateTextureFromFileExA(&device_, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                  format, D3DPOOL_MANAGED, filter, mipFilter, 0, info, nullptr, &tex);
        *out = static_cast<FakeTexture*>(tex);
        if (FAILED(hr)) {
            EXPECT_EQ(tex, nullptr) << path;
        }
        if (tex) loaded_.push_back(tex);
        return hr;
    }

    RecordingDevice device_;
    int files_ = 0;
    std::vector<IDirect3DTexture8*> loaded_;
};

TEST_F(TextureLoad, Tga24BottomUpKeepsRowOrderAndBuildsFullChain) {
    const std::vector<uint32_t> px = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0,
                                      0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF};
    FakeTexture* t = nullptr;
    D3DXIMAGE_INFO info;
    ASSERT_EQ(Load(MakeTga(Tga(4, 2, px)), &t, &info), S_OK);
    EXPECT_EQ(t->format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(t->pool, D3DPOOL_MANAGED);
    ASSERT_EQ(t->GetLevelCount(), 3u);  // 4x2, 2x1, 1x1
    EXPECT_EQ(device_.Matching("Texture.Unlock").size(), 3u);  // each level written once
    for (UINT i = 0; i < 8; ++i) EXPECT_EQ(Texel(t, 0, i % 4, i / 4), px[i]) << i;
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.Height, 2u);
    EXPECT_EQ(info.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA);

    // 32 bits without alpha information: opaque.
    ASSERT_EQ(Load(MakeTga(Tga(2, 1, {0x00112233, 0x00445566}, 32)), &t), S_OK);
    EXPECT_EQ(t->format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Texel(t, 0, 0, 0), 0xFF112233u);
}

TEST_F(TextureLoad, Tga32RunLengthTopDownMatchesUncompressed) {
    TgaSpec s = Tga(8, 4, {}, 32);
    s.alphaBits = 8;
    s.topDown = true;
    for (int i = 0; i < 32; ++i) s.texels.push_back(i < 13 ? 0x80FF0000u : (i % 3 ? 0x00112233u : 0xFF000000u + i));
    FakeTexture *raw = nullptr, *rle = nullptr;
    ASSERT_EQ(Load(MakeTga(s), &raw), S_OK);
    s.type = 10;
    ASSERT_EQ(Load(MakeTga(s), &rle), S_OK);
    EXPECT_EQ(rle->format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(rle->GetLevelCount(), 4u);
    for (UINT i = 0; i < 32; ++i) {
        EXPECT_EQ(Texel(rle, 0, i % 8, i / 8), s.texels[i]) << i;
        EXPECT_EQ(Texel(raw, 0, i % 8, i / 8), s.texels[i]) << i;
    }
}

// 16-bit texels with an alpha bit keep it, uncompressed and run-length encoded.
TEST_F(TextureLoad, Tga16KeepsItsAlphaBit) {
    TgaSpec s = Tga(2, 2, {0xFC00, 0x001F, 0x001F, 0xFC00}, 16);  // red with alpha, blue without
    s.alphaBits = 1;
    for (uint8_t type : {2, 10}) {
        s.type = type;
        FakeTexture* t = nullptr;
        ASSERT_EQ(Load(MakeTga(s), &t, nullptr, D3DX_FILTER_NONE, D3DX_FILTER_NONE, D3DFMT_A8R8G8B8), S_OK);
        for (UINT i = 0; i < 4; ++i) EXPECT_EQ(Texel(t, 0, i % 2, i / 2), i % 3 ? 0x000000FFu : 0xFFFF0000u) << i;
    }
}

TEST_F(TextureLoad, NonPowerOfTwoRoundsUpAndKeepsImageInfo) {
    TgaSpec s = Tga(3, 5, {});
    for (int i = 0; i < 15; ++i) s.texels.push_back(0xFF000000u | (uint32_t)(i * 16));
    FakeTexture* t = nullptr;
    D3DXIMAGE_INFO info;
    // Without filtering the picture lands unscaled in the top-left corner, black elsewhere.
    ASSERT_EQ(Load(MakeTga(s), &t, &info, D3DX_FILTER_NONE), S_OK);
    EXPECT_EQ(info.Width, 3u);
    EXPECT_EQ(info.Height, 5u);
    ASSERT_EQ(t->width, 4u);
    ASSERT_EQ(t->height, 8u);
    EXPECT_EQ(t->GetLevelCount(), 4u);
    for (UINT i = 0; i < 15; ++i) EXPECT_EQ(Texel(t, 0, i % 3, i / 3), s.texels[i]);
    EXPECT_EQ(Texel(t, 0, 3, 0), 0xFF000000u);
    EXPECT_EQ(Texel(t, 0, 0, 7), 0xFF000000u);

}

TEST_F(TextureLoad, MipLevelsAreFilteredAverages) {
    TgaSpec s = Tga(4, 4, {});
    for (int i = 0; i < 16; ++i) s.texels.push_back(i % 4 < 2 ? 0xFF000000u : 0xFFFFFFFFu);  // black | white
    FakeTexture* t = nullptr;
    // Triangle taps (1,3,3,1)/8 around texel pair (0,1) reach texel 2 (white) and, mirrored past
    // the left edge, texel 0 (black).
    ASSERT_EQ(Load(MakeTga(s), &t, nullptr, D3DX_FILTER_NONE, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR), S_OK);
    ASSERT_EQ(t->GetLevelCount(), 3u);
    EXPECT_EQ(Texel(t, 1, 0, 0) & 0xFF, 32u);
    EXPECT_EQ(Texel(t, 1, 1, 0) & 0xFF, 223u);
}

// The chain built from texels in memory is the one the loader builds from the same picture,
// level for level and texel for texel; 16-bit formats and empty pictures are refused.
TEST_F(TextureLoad, MipChainFromMemoryIsTheLoadersChain) {
    TgaSpec s = Tga(16, 8, {});
    uint32_t x = 12345;
    for (int i = 0; i < 16 * 8; ++i) s.texels.push_back(0xFF000000u | ((x = x * 1103515245u + 12345u) >> 8));
    for (DWORD filter : {DWORD(D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR), DWORD(D3DX_FILTER_BOX)}) {
        FakeTexture* t = nullptr;
        ASSERT_EQ(Load(MakeTga(s), &t, nullptr, filter, filter), S_OK);
        std::vector<std::vector<uint32_t>> chain;
        ASSERT_TRUE(quil_d3dx::BuildMipChain(s.texels.data(), 16, 8, 0, filter, D3DFMT_X8R8G8B8, &chain));
        ASSERT_EQ(chain.size(), t->GetLevelCount());
        for (UINT level = 0; level < chain.size(); ++level) {
            const UINT w = std::max(16u >> level, 1u), h = std::max(8u >> level, 1u);
            ASSERT_EQ(chain[level].size(), size_t(w) * h);
            for (UINT i = 0; i < w * h; ++i) EXPECT_EQ(chain[level][i], Texel(t, level, i % w, i / w)) << level << " " << i;
        }
        ASSERT_TRUE(quil_d3dx::BuildMipChain(s.texels.data(), 16, 8, 2, filter, D3DFMT_A8R8G8B8, &chain));
        EXPECT_EQ(chain.size(), 2u);
    }
    std::vector<std::vector<uint32_t>> chain(1);
    EXPECT_FALSE(quil_d3dx::BuildMipChain(s.texels.data(), 16, 8, 0, 0x70004, D3DFMT_R5G6B5, &chain));
    EXPECT_FALSE(quil_d3dx::BuildMipChain(s.texels.data(), 0, 8, 0, 0x70004, D3DFMT_X8R8G8B8, &chain));
    EXPECT_EQ(chain.size(), 1u);
}

// The chains of fixed pseudo-random pictures, hashed level after level: the filters' arithmetic
// (taps, weights and the order they are summed in) must not move a texel, or every cached
// lightmap would stop matching a freshly loaded one. Halving sides, a side of one, sides
// that do not halve (5 -> 2), both edge rules and the three filters.
TEST(MipChain, KeepsEveryTexelOfKnownPictures) {
    struct Case {
        UINT width, height;
        DWORD filter;
        D3DFORMAT format;
        size_t levels;
        uint64_t hash;
    };
    const Case cases[] = {
        {256, 256, 0x70004, D3DFMT_X8R8G8B8, 9, 0xceecbe9078af58b6ull},
        {16, 8, 0x4, D3DFMT_A8R8G8B8, 5, 0xfc047136592ddb68ull},
        {8, 1, 0x70004, D3DFMT_A8R8G8B8, 4, 0xbfef18c6dfea1e35ull},
        {12, 10, 0x70004, D3DFMT_A8R8G8B8, 4, 0x356e19be915a4d85ull},
        {12, 10, 0x3, D3DFMT_X8R8G8B8, 4, 0x6d7f5f22dcf48d28ull},
        {12, 10, 0x5, D3DFMT_A8R8G8B8, 4, 0x131096cacf3b1cf3ull},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> texels(size_t(c.width) * c.height);
        uint32_t x = 12345;
        for (uint32_t& t : texels) {
            x = x * 1103515245u + 12345u;
            t = x ^ (x >> 13);
        }
        std::vector<std::vector<uint32_t>> chain;
        ASSERT_TRUE(quil_d3dx::BuildMipChain(texels.data(), c.width, c.height, 0, c.filter, c.format, &chain));
        uint64_t hash = 1469598103934665603ull;
        for (const std::vector<uint32_t>& level : chain)
            for (uint32_t t : level)
                for (int b = 0; b < 4; ++b) hash = (hash ^ ((t >> (8 * b)) & 0xFF)) * 1099511628211ull;
        EXPECT_EQ(chain.size(), c.levels) << c.width << "x" << c.height << " filter " << c.filter;
        EXPECT_EQ(hash, c.hash) << c.width << "x" << c.height << " filter " << c.filter;
    }
}

TEST_F(TextureLoad, FormatConversionAndBmp) {
    TgaSpec s = Tga(1, 1, {0x80FF8040}, 32);
    s.alphaBits = 8;
    const struct { D3DFORMAT format; DWORD texel; } cases[] = {
        {D3DFMT_R5G6B5, (31u << 11) | (32u << 5) | 8u},
        {D3DFMT_A4R4G4B4, 0x8F84u},
        {D3DFMT_A1R5G5B5, 0x8000u | (31u << 10) | (16u << 5) | 8u},
    };
    FakeTexture* t = nullptr;
    for (const auto& c : cases) {
        ASSERT_EQ(Load(MakeTga(s), &t, nullptr, D3DX_DEFAULT, D3DX_DEFAULT, c.format), S_OK);
        EXPECT_EQ(Texel(t, 0, 0, 0), c.texel) << c.format;
    }

    const std::vector<uint32_t> px = {0xFF010203, 0xFF040506, 0xFF070809, 0xFFAABBCC, 0xFFDDEEFF, 0xFF102030};
    D3DXIMAGE_INFO info;
    ASSERT_EQ(Load(MakeBmp(3, 2, px), &t, &info, D3DX_FILTER_NONE), S_OK);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);
    EXPECT_EQ(t->format, D3DFMT_X8R8G8B8);
    for (UINT i = 0; i < 6; ++i) EXPECT_EQ(Texel(t, 0, i % 3, i / 3), px[i]);
}

TEST_F(TextureLoad, MalformedFilesFailFromTheirHeadersAndDeviceFailuresAreReturned) {
    TgaSpec good = Tga(4, 4, std::vector<uint32_t>(16, 0xFF336699));
    const Bytes tga = MakeTga(good);
    good.type = 10;
    const Bytes rle = MakeTga(good), bmp = MakeBmp(4, 4, good.texels);
    auto patch = [](Bytes b, size_t at, Bytes with) {
        std::copy(with.begin(), with.end(), b.begin() + at);
        return b;
    };
    const Bytes cases[] = {
        {},
        Bytes(tga.begin(), tga.begin() + 10),
        Bytes(tga.begin(), tga.end() - 1),
        Bytes(rle.begin(), rle.end() - 2),
        patch(tga, 2, {7}),                         // no such image type
        patch(tga, 16, {12}),                       // no such depth
        patch(tga, 12, {0, 0}),                     // zero width
        patch(tga, 12, {0xFF, 0xFF, 0xFF, 0xFF}),   // 65535 x 65535 in a few bytes
        patch(rle, 12, {0x40, 0x1F, 0x40, 0x1F}),   // 8000 x 8000 claimed by a few packets
        {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        Bytes(40, 'a'),
        Bytes(bmp.begin(), bmp.begin() + 60),
        patch(bmp, 18, {0xA0, 0x86, 0x01, 0, 0xA0, 0x86, 0x01}),  // 100000 x 100000
        patch(bmp, 18, {0x40, 0x1F, 0, 0, 0x40, 0x1F, 0}),        // 8000 x 8000, not in this file
    };
    auto start = std::chrono::steady_clock::now();
    FakeTexture* t = nullptr;
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_TRUE(FAILED(Load(cases[i], &t))) << "case " << i;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));  // no gigapixel decoding
    EXPECT_TRUE(device_.Matching("CreateTexture").empty());

    EXPECT_TRUE(FAILED(LoadPath("missing.tga", &t)));
    IDirect3DTexture8* tex = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, "x.tga", &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex, nullptr);
    // A device failure is returned.
    device_.createTextureResult = E_OUTOFMEMORY;
    EXPECT_EQ(Load(MakeTga(Tga(2, 2, std::vector<uint32_t>(4, 0xFF000000))), &t), E_OUTOFMEMORY);
}

}  // namespace
