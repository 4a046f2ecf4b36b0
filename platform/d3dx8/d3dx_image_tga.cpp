// TGA reading through stb_image. The 18-byte header is read for what stb_image does not tell:
// the pixel format the file holds, a right-to-left column order, and whether the file can hold
// the pixels it claims before anything is allocated.
#include <stb_image.h>

#include <algorithm>

#include "d3dx_image.h"
#include "quil_bytes.h"

namespace quil_d3dx {

namespace {

constexpr size_t kHeaderSize = 18;

// Calls visit(i, value) for each of count stored pixel values from pos on, in file order,
// through run-length packets when rle. False when the file ends first.
template <class Visit>
bool ForEachValue(const uint8_t* data, size_t size, size_t pos, size_t count, size_t pixelBytes, bool rle,
                  Visit&& visit) {
    if (!rle) {
        if ((size - pos) / pixelBytes < count) return false;
        for (size_t i = 0; i < count; ++i) visit(i, data + pos + i * pixelBytes);
        return true;
    }
    for (size_t i = 0; i < count;) {
        if (pos >= size) return false;
        const uint8_t packet = data[pos++];
        const size_t n = std::min((size_t)(packet & 0x7F) + 1, count - i);
        const size_t bytes = (packet & 0x80) ? pixelBytes : n * pixelBytes;
        if (size - pos < bytes) return false;
        for (size_t k = 0; k < n; ++k, ++i) visit(i, data + pos + ((packet & 0x80) ? 0 : k * pixelBytes));
        pos += bytes;
    }
    return true;
}

}  // namespace

HRESULT DecodeTga(const uint8_t* data, size_t size, Image& out) {
    using quil_platform::ReadLe16;
    if (!data || size < kHeaderSize || size > 0x7FFFFFFF) return D3DXERR_INVALIDDATA;
    const uint8_t idLength = data[0], mapType = data[1], type = data[2], mapBits = data[7];
    const uint16_t mapLength = ReadLe16(data + 5), width = ReadLe16(data + 12), height = ReadLe16(data + 14);
    const uint8_t pixelBits = data[16], descriptor = data[17];
    const bool rle = type >= 9;
    const unsigned kind = rle ? type - 8u : type;  // 1 mapped, 2 true colour, 3 grey
    if (kind < 1 || kind > 3 || mapType > 1) return D3DXERR_INVALIDDATA;
    if (width == 0 || height == 0 || width > kMaxImageDimension || height > kMaxImageDimension)
        return D3DXERR_INVALIDDATA;
    const auto colourBits = [](unsigned b) { return b == 15 || b == 16 || b == 24 || b == 32; };
    if (kind == 1 && (mapType != 1 || pixelBits != 8 || mapLength == 0 || !colourBits(mapBits)))
        return D3DXERR_INVALIDDATA;
    if ((kind == 2 && !colourBits(pixelBits)) || (kind == 3 && pixelBits != 8 && pixelBits != 16))
        return D3DXERR_INVALIDDATA;

    // Refuse before decoding when the file cannot hold the colour map and every pixel.
    const size_t pos = kHeaderSize + idLength + (mapType ? (size_t)mapLength * ((mapBits + 7u) / 8u) : 0);
    const size_t count = (size_t)width * height, pixelBytes = (pixelBits + 7u) / 8u;
    if (pos > size || !ForEachValue(data, size, pos, count, pixelBytes, rle, [](size_t, const uint8_t*) {}))
        return D3DXERR_INVALIDDATA;

    int w = 0, h = 0, comp = 0;
    stbi_uc* rgba = stbi_load_from_memory(data, (int)size, &w, &h, &comp, 4);
    if (!rgba) return D3DXERR_INVALIDDATA;
    out.width = width;
    out.height = height;
    out.texels.resize(count);
    const bool rightToLeft = (descriptor & 0x10) != 0;
    bool anyAlpha = false;
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            const stbi_uc* p = rgba + (y * width + (rightToLeft ? width - 1 - x : x)) * 4;
            out.texels[y * width + x] = (uint32_t)p[3] << 24 | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
            anyAlpha |= p[3] != 0;
        }
    stbi_image_free(rgba);
    // stb_image reads 16-bit colour as opaque: the top bit is the alpha bit when the header says so.
    const unsigned alphaBits = descriptor & 0x0F;
    if (kind == 2 && pixelBits == 16 && alphaBits) {
        const bool topDown = (descriptor & 0x20) != 0;
        ForEachValue(data, size, pos, count, pixelBytes, rle, [&](size_t i, const uint8_t* v) {
            const size_t row = topDown ? i / width : height - 1 - i / width;
            const size_t col = rightToLeft ? width - 1 - i % width : i % width;
            uint32_t& t = out.texels[row * width + col];
            t = (v[1] & 0x80) ? (t | 0xFF000000u) : (t & 0x00FFFFFFu);
        });
    }

    // The format the file holds, as the nearest texture format.
    const unsigned bits = kind == 1 ? mapBits : pixelBits;
    if (kind == 3) {
        out.format = bits == 16 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    } else if (bits == 32 && alphaBits == 0 && !anyAlpha) {
        // Some writers leave the alpha count at 0 and every alpha byte at 0: such a file is opaque.
        for (uint32_t& t : out.texels) t |= 0xFF000000u;
        out.format = D3DFMT_X8R8G8B8;
    } else if (bits == 32) {
        out.format = D3DFMT_A8R8G8B8;
    } else if (bits == 24) {
        out.format = D3DFMT_X8R8G8B8;
    } else {
        out.format = alphaBits ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
    }
    out.fileFormat = D3DXIFF_TGA;
    return S_OK;
}

}  // namespace quil_d3dx
