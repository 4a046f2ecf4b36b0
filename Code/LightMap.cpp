// Baked surface lighting: per-point lighting from the level's lights with wall
// and prop shadows, the blur, and the TGA cache of computed maps.
#include "LightMap.h"
#include <cstdio>
#include <vector>
#include "Level.h"
#include "LightMan.h"
#include "d3dx8tex.h"
#include "quil_path.h"
#include "renderdevice.h"
#include "trap.h"

namespace {
// TGA header values of a cache file.
const uint8_t TGA_TRUECOLOUR = 2;
const uint8_t TGA_DEPTH = 24;
const uint8_t TGA_TOP_LEFT = 0x20;
const uint32_t MAX_TGA_EDGE = 0xFFFF;

uint32_t Channel(uint32_t texel, int shift) { return (texel >> shift) & 0xFFu; }

// A light channel (0..1 and beyond) as an 8-bit value; above 1 saturates.
uint32_t ToByte(float v) { return v > 1.0f ? 255u : static_cast<uint32_t>(v * 255.0f); }

void PutU16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}

// The 18-byte header of an uncompressed, top-left-origin, 24-bit picture.
void FillHeader(uint8_t* h, uint32_t width, uint32_t height) {
    for (int i = 0; i < LightMap::HEADER_SIZE; ++i) h[i] = 0;
    h[0] = 0;               // ID length
    h[1] = 0;               // colour map type
    h[2] = TGA_TRUECOLOUR;  // image type
    // bytes 3..7: the colour map fields, 8..11: x and y origin, all 0
    PutU16(h + 12, width);
    PutU16(h + 14, height);
    h[16] = TGA_DEPTH;
    h[17] = TGA_TOP_LEFT;
}

// Opens a cache file for reading when it holds exactly a width x height picture
// in the layout Save writes; the stream is left at the first pixel.
FILE* OpenCache(const char* name, uint32_t width, uint32_t height) {
    if (width == 0 || height == 0 || width > MAX_TGA_EDGE || height > MAX_TGA_EDGE) return nullptr;
    FILE* f = quil_platform::OpenFile(name, "rb");
    if (!f) return nullptr;
    const long expected = static_cast<long>(LightMap::HEADER_SIZE) + static_cast<long>(width) * height * 3;
    uint8_t header[LightMap::HEADER_SIZE];
    uint8_t want[LightMap::HEADER_SIZE];
    FillHeader(want, width, height);
    bool ok = std::fseek(f, 0, SEEK_END) == 0 && std::ftell(f) == expected && std::fseek(f, 0, SEEK_SET) == 0 &&
              std::fread(header, 1, sizeof(header), f) == sizeof(header);
    for (int i = 0; ok && i < LightMap::HEADER_SIZE; ++i) ok = header[i] == want[i];
    if (!ok) {
        std::fclose(f);
        return nullptr;
    }
    return f;
}
}  // namespace

LightMap* GetLightMap() {
    static LightMap lightMap;
    return &lightMap;
}

const char* LightMap::FileName(uint32_t level, uint32_t room, uint32_t surface) {
    std::snprintf(m_szName, sizeof(m_szName), "gfx\\lightmaps\\LMP%02u%1u%1u.tga", level, room, surface);
    return m_szName;
}

uint32_t LightMap::CalcLight(const Vec3& p, const Vec3& n) {
    Level* level = GetLevel();
    LightMan* lights = GetLightMan();
    const float cell = level->GetCellSize();
    const uint32_t ambient = lights->GetAmbient();
    float r = static_cast<float>(Channel(ambient, 16)) / 255.0f;
    float g = static_cast<float>(Channel(ambient, 8)) / 255.0f;
    float b = static_cast<float>(Channel(ambient, 0)) / 255.0f;

    const uint32_t count = lights->GetCount();
    for (uint32_t i = 0; i < count; ++i) {
        const LightDesc& d = lights->GetLight(i)->desc;
        // The sample lies in the frame raised by one cell in z; so does the light.
        Vec3 L(d.x - p.x, d.y - p.y, d.z + cell - p.z);
        const float dist = Vec3::Normalise(L);
        if (!(n.Dot(L) > 0.01f)) continue;
        if (!(dist < d.radius)) continue;
        const float f = 1.0f - dist / d.radius;
        if (!(f > 0.0f)) continue;
        if (level->LineOfSight(Vec3(d.x, d.y, d.z), p, true)) continue;  // in shadow
        r += static_cast<float>(Channel(d.colour, 16)) / 255.0f * f;
        g += static_cast<float>(Channel(d.colour, 8)) / 255.0f * f;
        b += static_cast<float>(Channel(d.colour, 0)) / 255.0f * f;
    }
    return 0xFF000000u | (ToByte(r) << 16) | (ToByte(g) << 8) | ToByte(b);
}

void LightMap::Blur(uint32_t* texels, uint32_t width, uint32_t height) {
    if (!texels || width < 3 || height < 3) return;
    const size_t w = width;
    for (size_t y = 1; y + 1 < height; ++y) {
        for (size_t x = 1; x + 1 < w; ++x) {
            uint32_t* t = texels + y * w + x;
            uint32_t out = 0xFF000000u;
            for (int shift = 16; shift >= 0; shift -= 8) {
                uint32_t v = 2 * (Channel(*t, shift) / 6) + Channel(t[-static_cast<ptrdiff_t>(w)], shift) / 6 +
                             Channel(t[-1], shift) / 6 + Channel(t[1], shift) / 6 + Channel(t[w], shift) / 6;
                if (v > 255) v = 255;
                out |= v << shift;
            }
            *t = out;
        }
    }
}

bool LightMap::Exists(uint32_t level, uint32_t room, uint32_t surface) {
    FILE* f = OpenCache(FileName(level, room, surface), MAP_SIZE, MAP_SIZE);
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool LightMap::Read(uint32_t level, uint32_t room, uint32_t surface, uint32_t* texels, uint32_t width,
                    uint32_t height) {
    if (!texels) return false;
    FILE* f = OpenCache(FileName(level, room, surface), width, height);
    if (!f) return false;
    const size_t count = static_cast<size_t>(width) * height;
    std::vector<uint8_t> pixels(count * 3);
    const bool ok = std::fread(pixels.data(), 1, pixels.size(), f) == pixels.size();
    std::fclose(f);
    if (!ok) return false;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* px = &pixels[i * 3];
        texels[i] = 0xFF000000u | (static_cast<uint32_t>(px[2]) << 16) | (static_cast<uint32_t>(px[1]) << 8) | px[0];
    }
    return true;
}

IDirect3DTexture8* LightMap::Load(uint32_t level, uint32_t room, uint32_t surface) {
    IDirect3DDevice8* device = RenderDevice_GetDevice();
    if (!device || !Exists(level, room, surface)) return nullptr;
    const std::string path = quil_platform::ResolvePath(m_szName);
    IDirect3DTexture8* texture = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileExA(device, path.c_str(), D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                    D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                    D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR,
                                                    D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, 0, nullptr, nullptr,
                                                    &texture);
    if (FAILED(hr)) return nullptr;
    return texture;
}

void LightMap::Save(uint32_t level, uint32_t room, uint32_t surface, const uint32_t* texels, uint32_t width,
                    uint32_t height) {
    const char* name = FileName(level, room, surface);
    if (!texels || width == 0 || height == 0 || width > MAX_TGA_EDGE || height > MAX_TGA_EDGE) {
        TrapError(__FILE__, __LINE__, "Could not save lightmap!");
        return;
    }
    const size_t count = static_cast<size_t>(width) * height;
    std::vector<uint8_t> block(HEADER_SIZE + count * 3);
    FillHeader(block.data(), width, height);
    uint8_t* px = block.data() + HEADER_SIZE;
    for (size_t i = 0; i < count; ++i) {
        px[i * 3 + 0] = static_cast<uint8_t>(Channel(texels[i], 0));
        px[i * 3 + 1] = static_cast<uint8_t>(Channel(texels[i], 8));
        px[i * 3 + 2] = static_cast<uint8_t>(Channel(texels[i], 16));
    }
    const std::string path = quil_platform::ResolvePath(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        TrapError(__FILE__, __LINE__, "Could not save lightmap!");
        return;
    }
    const bool written = std::fwrite(block.data(), 1, block.size(), f) == block.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        // A partial file would be taken for a cache; leave none.
        std::remove(path.c_str());
        TrapError(__FILE__, __LINE__, "Could not save lightmap!");
    }
}
