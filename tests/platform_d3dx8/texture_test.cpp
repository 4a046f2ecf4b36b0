// Texture creation and loading through an in-memory device: TGA and BMP decoding, sizes,
// formats, filters, mip chains, and malformed files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "d3dx8.h"
#include "fake_device.h"

using quil_test::FakeDevice;
using quil_test::FakeTexture;

namespace {

// A TGA file written field by field; texels are A8R8G8B8, given top row first.
struct TgaSpec {
    uint8_t type = 2;  // 2 true colour, 10 RLE true colour, 3 grey
    uint8_t bits = 24;
    uint16_t width = 0, height = 0;
    bool topDown = false;
    uint8_t alphaBits = 0;
    std::vector<uint32_t> texels;
};

void Put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}

void PutPixel(std::vector<uint8_t>& b, uint32_t t, uint8_t bits) {
    if (bits == 8) {
        b.push_back((uint8_t)t);
        return;
    }
    b.push_back((uint8_t)t);
    b.push_back((uint8_t)(t >> 8));
    b.push_back((uint8_t)(t >> 16));
    if (bits == 32) b.push_back((uint8_t)(t >> 24));
}

std::vector<uint8_t> MakeTga(const TgaSpec& s) {
    std::vector<uint8_t> b;
    b.push_back(3);  // id length: an id field the reader must skip
    b.push_back(0);
    b.push_back(s.type);
    Put16(b, 0);
    Put16(b, 0);
    b.push_back(0);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, s.width);
    Put16(b, s.height);
    b.push_back(s.bits);
    b.push_back((uint8_t)((s.topDown ? 0x20 : 0) | s.alphaBits));
    b.insert(b.end(), {'i', 'd', '!'});
    std::vector<uint32_t> order;  // file order
    for (uint16_t r = 0; r < s.height; ++r) {
        uint16_t row = s.topDown ? r : (uint16_t)(s.height - 1 - r);
        for (uint16_t x = 0; x < s.width; ++x) order.push_back(s.texels[(size_t)row * s.width + x]);
    }
    if (s.type < 9) {
        for (uint32_t t : order) PutPixel(b, t, s.bits);
        return b;
    }
    // Run-length packets over the whole stream, so runs cross row ends.
    size_t i = 0;
    while (i < order.size()) {
        size_t run = 1;
        while (i + run < order.size() && run < 128 && order[i + run] == order[i]) ++run;
        if (run >= 2) {
            b.push_back((uint8_t)(0x80 | (run - 1)));
            PutPixel(b, order[i], s.bits);
            i += run;
        } else {
            size_t n = 1;
            while (i + n < order.size() && n < 128 && order[i + n] != order[i + n - 1]) ++n;
            if (i + n < order.size() && n > 1) --n;  // leave the start of the next run alone
            b.push_back((uint8_t)(n - 1));
            for (size_t k = 0; k < n; ++k) PutPixel(b, order[i + k], s.bits);
            i += n;
        }
    }
    return b;
}

// A 24-bit bottom-up BMP with padded rows.
std::vector<uint8_t> MakeBmp(uint32_t w, uint32_t h, const std::vector<uint32_t>& texels) {
    uint32_t rowBytes = (w * 3 + 3) & ~3u;
    uint32_t dataSize = rowBytes * h;
    std::vector<uint8_t> b;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back((uint8_t)(v >> (8 * i)));
    };
    b.push_back('B');
    b.push_back('M');
    put32(54 + dataSize);
    put32(0);
    put32(54);
    put32(40);
    put32(w);
    put32(h);
    Put16(b, 1);
    Put16(b, 24);
    put32(0);
    put32(dataSize);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (uint32_t r = 0; r < h; ++r) {
        uint32_t row = h - 1 - r;
        for (uint32_t x = 0; x < w; ++x) PutPixel(b, texels[row * w + x], 24);
        for (uint32_t p = w * 3; p < rowBytes; ++p) b.push_back(0);
    }
    return b;
}

class TextureLoad : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/quil_tex_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        for (const std::string& f : files_) std::remove(f.c_str());
        rmdir((dir_ + "/Gfx").c_str());
        rmdir(dir_.c_str());
    }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = dir_ + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        files_.push_back(path);
        return path;
    }

    // Loads the way the renderer does: default sizes and levels, the file's format, triangle|mirror.
    HRESULT Load(const std::string& path, FakeTexture** out, D3DXIMAGE_INFO* info = nullptr,
                 DWORD filter = 0x70004, DWORD mipFilter = 0x70004, D3DFORMAT format = D3DFMT_UNKNOWN,
                 UINT width = D3DX_DEFAULT, UINT height = D3DX_DEFAULT, D3DCOLOR key = 0) {
        IDirect3DTexture8* tex = nullptr;
        HRESULT hr = D3DXCreateTextureFromFileExA(&device_, path.c_str(), width, height, D3DX_DEFAULT, 0, format,
                                                  D3DPOOL_MANAGED, filter, mipFilter, key, info, nullptr, &tex);
        *out = static_cast<FakeTexture*>(tex);
        if (FAILED(hr)) {
            EXPECT_EQ(tex, nullptr);
        }
        return hr;
    }

    FakeDevice device_;
    std::string dir_;
    std::vector<std::string> files_;
};

const std::vector<uint32_t> kPattern4x2 = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0,
                                           0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF};

TEST_F(TextureLoad, Tga24BottomUpKeepsRowOrderAndBuildsFullChain) {
    TgaSpec s;
    s.width = 4;
    s.height = 2;
    s.texels = kPattern4x2;
    FakeTexture* t = nullptr;
    D3DXIMAGE_INFO info;
    ASSERT_EQ(Load(Write("a.tga", MakeTga(s)), &t, &info), S_OK);
    EXPECT_EQ(t->Format(), D3DFMT_X8R8G8B8);
    EXPECT_EQ(t->Pool(), D3DPOOL_MANAGED);
    ASSERT_EQ(t->Levels().size(), 3u);  // 4x2, 2x1, 1x1
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 4; ++x) EXPECT_EQ(t->Texel(0, x, y), kPattern4x2[y * 4 + x]) << x << "," << y;
    for (const FakeTexture::Level& l : t->Levels()) {
        EXPECT_FALSE(l.locked);
        EXPECT_EQ(l.unlocks, 1);
    }
    EXPECT_TRUE(t->PaddingIntact());
    EXPECT_EQ(info.Width, 4u);
    EXPECT_EQ(info.Height, 2u);
    EXPECT_EQ(info.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA);
}

TEST_F(TextureLoad, Tga32RunLengthTopDownMatchesUncompressed) {
    TgaSpec s;
    s.type = 2;
    s.bits = 32;
    s.alphaBits = 8;
    s.topDown = true;
    s.width = 8;
    s.height = 4;
    for (int i = 0; i < 32; ++i) s.texels.push_back(i < 13 ? 0x80FF0000u : (i % 3 ? 0x00112233u : 0xFF000000u + i));
    FakeTexture *raw = nullptr, *rle = nullptr;
    ASSERT_EQ(Load(Write("raw.tga", MakeTga(s)), &raw), S_OK);
    s.type = 10;
    std::vector<uint8_t> packed = MakeTga(s);
    ASSERT_EQ(Load(Write("rle.tga", packed), &rle), S_OK);
    EXPECT_EQ(rle->Format(), D3DFMT_A8R8G8B8);
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 8; ++x) {
            EXPECT_EQ(rle->Texel(0, x, y), s.texels[y * 8 + x]);
            EXPECT_EQ(raw->Texel(0, x, y), s.texels[y * 8 + x]);
        }
    EXPECT_EQ(rle->Levels().size(), 4u);
}

TEST_F(TextureLoad, Tga32WithoutAlphaInformationIsOpaque) {
    TgaSpec s;
    s.bits = 32;
    s.width = 2;
    s.height = 1;
    s.texels = {0x00112233, 0x00445566};
    FakeTexture* t = nullptr;
    ASSERT_EQ(Load(Write("x.tga", MakeTga(s)), &t), S_OK);
    EXPECT_EQ(t->Format(), D3DFMT_X8R8G8B8);
    EXPECT_EQ(t->Texel(0, 0, 0), 0xFF112233u);
}

TEST_F(TextureLoad, NonPowerOfTwoRoundsUpAndKeepsImageInfo) {
    TgaSpec s;
    s.width = 3;
    s.height = 5;
    for (int i = 0; i < 15; ++i) s.texels.push_back(0xFF000000u | (uint32_t)(i * 16));
    FakeTexture* t = nullptr;
    D3DXIMAGE_INFO info;
    // Without filtering the picture lands unscaled in the top-left corner, transparent black elsewhere.
    ASSERT_EQ(Load(Write("odd.tga", MakeTga(s)), &t, &info, D3DX_FILTER_NONE), S_OK);
    EXPECT_EQ(info.Width, 3u);
    EXPECT_EQ(info.Height, 5u);
    ASSERT_EQ(t->Levels()[0].width, 4u);
    ASSERT_EQ(t->Levels()[0].height, 8u);
    EXPECT_EQ(t->Levels().size(), 4u);
    for (UINT y = 0; y < 5; ++y)
        for (UINT x = 0; x < 3; ++x) EXPECT_EQ(t->Texel(0, x, y), s.texels[y * 3 + x]);
    EXPECT_EQ(t->Texel(0, 3, 0), 0xFF000000u);  // X8R8G8B8 stores the unused byte as 0xFF
    EXPECT_EQ(t->Texel(0, 0, 7), 0xFF000000u);

    // With the default filter the whole picture is stretched: corners keep their colours.
    ASSERT_EQ(Load(Write("odd2.tga", MakeTga(s)), &t, nullptr, D3DX_FILTER_POINT), S_OK);
    EXPECT_EQ(t->Texel(0, 0, 0), s.texels[0]);
    EXPECT_EQ(t->Texel(0, 3, 7), s.texels[14]);

    // Explicit sizes are honoured as given.
    ASSERT_EQ(Load(Write("odd3.tga", MakeTga(s)), &t, nullptr, D3DX_FILTER_POINT, D3DX_FILTER_POINT,
                   D3DFMT_UNKNOWN, 3, 5),
              S_OK);
    EXPECT_EQ(t->Levels()[0].width, 3u);
    EXPECT_EQ(t->Levels()[0].height, 5u);
    EXPECT_EQ(t->Levels().size(), 3u);  // 3x5, 1x2, 1x1
}

TEST_F(TextureLoad, MipLevelsAreFilteredAverages) {
    TgaSpec s;
    s.width = 4;
    s.height = 4;
    // Left half black, right half white.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) s.texels.push_back(x < 2 ? 0xFF000000u : 0xFFFFFFFFu);
    FakeTexture* t = nullptr;
    ASSERT_EQ(Load(Write("m.tga", MakeTga(s)), &t, nullptr, D3DX_FILTER_NONE, D3DX_FILTER_BOX), S_OK);
    ASSERT_EQ(t->Levels().size(), 3u);
    EXPECT_EQ(t->Texel(1, 0, 0), 0xFF000000u);
    EXPECT_EQ(t->Texel(1, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(t->Texel(2, 0, 0), 0xFF808080u);  // 127.5 rounds up

    // Triangle taps (1,3,3,1)/8 around texel pair (0,1) reach texel 2 (white) and, past the left
    // edge, texel 3 when wrapping (white) or texel 0 when mirroring (black).
    ASSERT_EQ(Load(Write("w.tga", MakeTga(s)), &t, nullptr, D3DX_FILTER_NONE, D3DX_FILTER_TRIANGLE), S_OK);
    EXPECT_EQ(t->Texel(1, 0, 0) & 0xFF, 64u);  // 255 * 2/8
    ASSERT_EQ(Load(Write("mi.tga", MakeTga(s)), &t, nullptr, D3DX_FILTER_NONE,
                   D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR),
              S_OK);
    EXPECT_EQ(t->Texel(1, 0, 0) & 0xFF, 32u);   // 255 * 1/8
    EXPECT_EQ(t->Texel(1, 1, 0) & 0xFF, 223u);  // 255 * 7/8
}

TEST_F(TextureLoad, ExplicitFormatsAreConverted) {
    TgaSpec s;
    s.bits = 32;
    s.alphaBits = 8;
    s.width = 1;
    s.height = 1;
    s.texels = {0x80FF8040};
    FakeTexture* t = nullptr;
    ASSERT_EQ(Load(Write("f.tga", MakeTga(s)), &t, nullptr, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_R5G6B5), S_OK);
    EXPECT_EQ(t->Texel(0, 0, 0), (31u << 11) | (32u << 5) | 8u);
    ASSERT_EQ(Load(Write("g.tga", MakeTga(s)), &t, nullptr, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_A4R4G4B4), S_OK);
    EXPECT_EQ(t->Texel(0, 0, 0), 0x8F84u);
    ASSERT_EQ(Load(Write("h.tga", MakeTga(s)), &t, nullptr, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_A1R5G5B5), S_OK);
    EXPECT_EQ(t->Texel(0, 0, 0), 0x8000u | (31u << 10) | (16u << 5) | 8u);
}

TEST_F(TextureLoad, ColourKeyBecomesTransparentBlack) {
    TgaSpec s;
    s.width = 2;
    s.height = 1;
    s.texels = {0xFFFF00FF, 0xFF00FF00};
    FakeTexture* t = nullptr;
    ASSERT_EQ(Load(Write("k.tga", MakeTga(s)), &t, nullptr, D3DX_FILTER_NONE, D3DX_FILTER_NONE, D3DFMT_A8R8G8B8,
                   D3DX_DEFAULT, D3DX_DEFAULT, 0xFFFF00FF),
              S_OK);
    EXPECT_EQ(t->Texel(0, 0, 0), 0u);
    EXPECT_EQ(t->Texel(0, 1, 0), 0xFF00FF00u);
}

TEST_F(TextureLoad, BmpIsReadWithRowPadding) {
    std::vector<uint32_t> px = {0xFF010203, 0xFF040506, 0xFF070809, 0xFFAABBCC, 0xFFDDEEFF, 0xFF102030};
    FakeTexture* t = nullptr;
    D3DXIMAGE_INFO info;
    ASSERT_EQ(Load(Write("b.bmp", MakeBmp(3, 2, px)), &t, &info, D3DX_FILTER_NONE), S_OK);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);
    EXPECT_EQ(info.Width, 3u);
    EXPECT_EQ(t->Format(), D3DFMT_X8R8G8B8);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 3; ++x) EXPECT_EQ(t->Texel(0, x, y), px[y * 3 + x]);
}

TEST_F(TextureLoad, NamesMatchWithoutCaseAndWithBackslashes) {
    ASSERT_EQ(mkdir((dir_ + "/Gfx").c_str(), 0755), 0);
    TgaSpec s;
    s.width = 1;
    s.height = 1;
    s.texels = {0xFF123456};
    Write("Gfx/Sky.TGA", MakeTga(s));
    FakeTexture* t = nullptr;
    ASSERT_EQ(Load(dir_ + "\\gfx\\sky.tga", &t), S_OK);
    EXPECT_EQ(t->Texel(0, 0, 0), 0xFF123456u);
    IDirect3DTexture8* plain = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileA(&device_, (dir_ + "/GFX/sky.tga").c_str(), &plain), S_OK);
    EXPECT_NE(plain, nullptr);
}

TEST_F(TextureLoad, MalformedFilesFailWithoutTexture) {
    TgaSpec good;
    good.width = 4;
    good.height = 4;
    good.texels.assign(16, 0xFF336699);
    std::vector<uint8_t> tga = MakeTga(good);
    good.type = 10;
    std::vector<uint8_t> rle = MakeTga(good);

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty.tga", {}});
    cases.push_back({"header.tga", std::vector<uint8_t>(tga.begin(), tga.begin() + 10)});
    cases.push_back({"short.tga", std::vector<uint8_t>(tga.begin(), tga.end() - 1)});
    cases.push_back({"shortrle.tga", std::vector<uint8_t>(rle.begin(), rle.end() - 2)});
    std::vector<uint8_t> kind = tga;
    kind[2] = 7;  // no such image type
    cases.push_back({"kind.tga", kind});
    std::vector<uint8_t> depth = tga;
    depth[16] = 12;
    cases.push_back({"depth.tga", depth});
    std::vector<uint8_t> zero = tga;
    zero[12] = zero[13] = 0;
    cases.push_back({"zero.tga", zero});
    std::vector<uint8_t> huge = tga;  // 65535 x 65535 in a file of a few bytes
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    cases.push_back({"huge.tga", huge});
    std::vector<uint8_t> bigrle = rle;  // 8000 x 8000 claimed by a few packets
    bigrle[12] = 0x40, bigrle[13] = 0x1F, bigrle[14] = 0x40, bigrle[15] = 0x1F;
    cases.push_back({"bigrle.tga", bigrle});
    cases.push_back({"png.tga", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
    cases.push_back({"text.tga", std::vector<uint8_t>(40, 'a')});
    std::vector<uint8_t> bmp = MakeBmp(4, 4, good.texels);
    cases.push_back({"short.bmp", std::vector<uint8_t>(bmp.begin(), bmp.begin() + 60)});
    std::vector<uint8_t> hugebmp = bmp;  // 100000 x 100000
    hugebmp[18] = 0xA0, hugebmp[19] = 0x86, hugebmp[20] = 0x01;
    hugebmp[22] = 0xA0, hugebmp[23] = 0x86, hugebmp[24] = 0x01;
    cases.push_back({"huge.bmp", hugebmp});
    std::vector<uint8_t> bigbmp = bmp;  // 8000 x 8000: allowed sizes, but not in this file
    bigbmp[18] = 0x40, bigbmp[19] = 0x1F, bigbmp[20] = 0;
    bigbmp[22] = 0x40, bigbmp[23] = 0x1F, bigbmp[24] = 0;
    cases.push_back({"big.bmp", bigbmp});

    auto start = std::chrono::steady_clock::now();
    for (const Case& c : cases) {
        FakeTexture* t = reinterpret_cast<FakeTexture*>(0x1);
        EXPECT_TRUE(FAILED(Load(Write(c.name, c.bytes), &t))) << c.name;
        EXPECT_EQ(t, nullptr) << c.name;
    }
    // Refused from their headers, not after decoding gigapixels.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(device_.textures.empty());

    FakeTexture* t = nullptr;
    EXPECT_TRUE(FAILED(Load(dir_ + "/missing.tga", &t)));
    IDirect3DTexture8* tex = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, "x.tga", &tex), D3DERR_INVALIDCALL);
    EXPECT_EQ(tex, nullptr);
}

TEST_F(TextureLoad, DeviceFailuresAreReturnedAndNothingLeaks) {
    TgaSpec s;
    s.width = 2;
    s.height = 2;
    s.texels.assign(4, 0xFF000000);
    std::string path = Write("d.tga", MakeTga(s));
    FakeTexture* t = nullptr;
    device_.createResult = E_OUTOFMEMORY;
    EXPECT_EQ(Load(path, &t), E_OUTOFMEMORY);
    device_.createResult = S_OK;
    device_.lockResult = D3DERR_INVALIDCALL;
    EXPECT_EQ(Load(path, &t), D3DERR_INVALIDCALL);
    ASSERT_EQ(device_.textures.size(), 1u);
    EXPECT_EQ(device_.textures[0]->Refs(), 0u);  // released by the loader
}

TEST(TextureCreate, DefaultsLimitsAndLevels) {
    FakeDevice device;
    IDirect3DTexture8* tex = nullptr;
    ASSERT_EQ(D3DXCreateTexture(&device, 64, 64, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex), S_OK);
    EXPECT_EQ(device.Last()->Levels().size(), 1u);
    EXPECT_EQ(device.Last()->Format(), D3DFMT_X8R8G8B8);
    EXPECT_EQ(device.Last()->Levels()[0].width, 64u);

    ASSERT_EQ(D3DXCreateTexture(&device, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_A4R4G4B4,
                                D3DPOOL_MANAGED, &tex),
              S_OK);
    EXPECT_EQ(device.Last()->Levels()[0].width, 256u);
    EXPECT_EQ(device.Last()->Levels().size(), 9u);
    EXPECT_EQ(device.lastLevelsAsked, 9u);

    device.maxTextureWidth = 512;
    ASSERT_EQ(D3DXCreateTexture(&device, 1024, 100, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), S_OK);
    EXPECT_EQ(device.Last()->Levels()[0].width, 512u);
    EXPECT_EQ(device.Last()->Levels()[0].height, 100u);  // no rounding on a device without that need
    device.pow2Only = true;
    ASSERT_EQ(D3DXCreateTexture(&device, 1024, 100, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex), S_OK);
    EXPECT_EQ(device.Last()->Levels()[0].width, 512u);
    EXPECT_EQ(device.Last()->Levels()[0].height, 128u);
    EXPECT_EQ(device.Last()->Levels().size(), 2u);

    device.createResult = E_OUTOFMEMORY;
    EXPECT_EQ(D3DXCreateTexture(&device, 64, 64, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex), E_OUTOFMEMORY);
    EXPECT_EQ(D3DXCreateTexture(nullptr, 64, 64, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex), D3DERR_INVALIDCALL);
}

}  // namespace
