// TGA reader: true-colour, grey and colour-mapped images, uncompressed or run-length encoded,
// either row order. The header is read field by field, little-endian.
#include <cstring>

#include "d3dx_image.h"

namespace quil_d3dx {

namespace {

struct TgaHeader {
    uint8_t idLength;
    uint8_t colorMapType;
    uint8_t imageType;
    uint16_t colorMapFirst;
    uint16_t colorMapLength;
    uint8_t colorMapEntryBits;
    uint16_t xOrigin;
    uint16_t yOrigin;
    uint16_t width;
    uint16_t height;
    uint8_t pixelBits;
    uint8_t descriptor;
};

constexpr size_t kHeaderSize = 18;

uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }

TgaHeader ReadHeader(const uint8_t* p) {
    TgaHeader h;
    h.idLength = p[0];
    h.colorMapType = p[1];
    h.imageType = p[2];
    h.colorMapFirst = Le16(p + 3);
    h.colorMapLength = Le16(p + 5);
    h.colorMapEntryBits = p[7];
    h.xOrigin = Le16(p + 8);
    h.yOrigin = Le16(p + 10);
    h.width = Le16(p + 12);
    h.height = Le16(p + 14);
    h.pixelBits = p[16];
    h.descriptor = p[17];
    return h;
}

// One stored colour value (15/16, 24 or 32 bits, or 8-bit grey) as A8R8G8B8.
uint32_t ColorFrom(const uint8_t* p, unsigned bits, bool grey, bool alphaBit) {
    if (grey) {
        uint32_t l = p[0];
        uint32_t a = (bits == 16) ? p[1] : 0xFF;
        return (a << 24) | (l << 16) | (l << 8) | l;
    }
    switch (bits) {
        case 15:
        case 16: {
            uint32_t v = Le16(p);
            uint32_t r = (v >> 10) & 0x1F, g = (v >> 5) & 0x1F, b = v & 0x1F;
            uint32_t a = (!alphaBit || (v & 0x8000)) ? 0xFF : 0;
            return (a << 24) | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
        }
        case 24: return 0xFF000000u | ((uint32_t)p[2] << 16) | ((uint32_t)p[1] << 8) | p[0];
        case 32: return ((uint32_t)p[3] << 24) | ((uint32_t)p[2] << 16) | ((uint32_t)p[1] << 8) | p[0];
        default: return 0;
    }
}

}  // namespace

HRESULT DecodeTga(const uint8_t* data, size_t size, Image& out) {
    if (!data || size < kHeaderSize) return D3DXERR_INVALIDDATA;
    TgaHeader h = ReadHeader(data);
    const bool rle = h.imageType >= 9;
    const unsigned kind = rle ? h.imageType - 8u : h.imageType;  // 1 mapped, 2 true colour, 3 grey
    if (kind < 1 || kind > 3 || h.colorMapType > 1) return D3DXERR_INVALIDDATA;
    if (h.width == 0 || h.height == 0 || h.width > kMaxImageDimension || h.height > kMaxImageDimension)
        return D3DXERR_INVALIDDATA;
    const unsigned alphaBits = h.descriptor & 0x0F;

    bool grey = false;
    unsigned pixelBytes = 0;
    if (kind == 1) {
        if (h.colorMapType != 1 || h.pixelBits != 8 || h.colorMapLength == 0) return D3DXERR_INVALIDDATA;
        if (h.colorMapEntryBits != 15 && h.colorMapEntryBits != 16 && h.colorMapEntryBits != 24 &&
            h.colorMapEntryBits != 32)
            return D3DXERR_INVALIDDATA;
        pixelBytes = 1;
    } else if (kind == 2) {
        if (h.pixelBits != 15 && h.pixelBits != 16 && h.pixelBits != 24 && h.pixelBits != 32)
            return D3DXERR_INVALIDDATA;
        pixelBytes = (h.pixelBits + 7u) / 8u;
    } else {
        if (h.pixelBits != 8 && h.pixelBits != 16) return D3DXERR_INVALIDDATA;
        grey = true;
        pixelBytes = h.pixelBits / 8u;
    }

    size_t pos = kHeaderSize + h.idLength;
    // The colour map: kept for mapped images, skipped otherwise.
    std::vector<uint32_t> palette;
    if (h.colorMapType == 1) {
        size_t entryBytes = (h.colorMapEntryBits + 7u) / 8u;
        size_t mapBytes = entryBytes * h.colorMapLength;
        if (pos > size || size - pos < mapBytes) return D3DXERR_INVALIDDATA;
        if (kind == 1) {
            palette.resize(h.colorMapLength);
            for (size_t i = 0; i < h.colorMapLength; ++i)
                palette[i] = ColorFrom(data + pos + i * entryBytes, h.colorMapEntryBits, false, alphaBits > 0);
        }
        pos += mapBytes;
    }
    if (pos > size) return D3DXERR_INVALIDDATA;

    const size_t count = (size_t)h.width * h.height;
    const size_t available = size - pos;
    // Refuse before allocating when the file cannot hold that many pixels.
    if (!rle && available / pixelBytes < count) return D3DXERR_INVALIDDATA;
    if (rle && available < count / 128) return D3DXERR_INVALIDDATA;

    const unsigned valueBits = (kind == 1) ? 8 : h.pixelBits;
    auto decode = [&](const uint8_t* p) -> uint32_t {
        if (kind == 1) {
            size_t index = p[0];
            if (index < h.colorMapFirst || index - h.colorMapFirst >= palette.size()) return 0xFF000000u;
            return palette[index - h.colorMapFirst];
        }
        return ColorFrom(p, valueBits, grey, alphaBits > 0);
    };

    std::vector<uint32_t> stored(count);  // in file order
    if (!rle) {
        for (size_t i = 0; i < count; ++i) stored[i] = decode(data + pos + i * pixelBytes);
    } else {
        size_t i = 0;
        while (i < count) {
            if (pos >= size) return D3DXERR_INVALIDDATA;
            uint8_t packet = data[pos++];
            size_t n = (size_t)(packet & 0x7F) + 1;
            if (n > count - i) n = count - i;
            if (packet & 0x80) {
                if (size - pos < pixelBytes) return D3DXERR_INVALIDDATA;
                uint32_t v = decode(data + pos);
                pos += pixelBytes;
                for (size_t k = 0; k < n; ++k) stored[i++] = v;
            } else {
                if ((size - pos) / pixelBytes < n) return D3DXERR_INVALIDDATA;
                for (size_t k = 0; k < n; ++k, pos += pixelBytes) stored[i++] = decode(data + pos);
            }
        }
    }

    // Reorder into top-down, left-to-right rows.
    const bool topDown = (h.descriptor & 0x20) != 0;
    const bool rightToLeft = (h.descriptor & 0x10) != 0;
    out.width = h.width;
    out.height = h.height;
    out.texels.assign(count, 0);
    for (uint32_t y = 0; y < h.height; ++y) {
        uint32_t srcRow = topDown ? y : h.height - 1 - y;
        const uint32_t* src = &stored[(size_t)srcRow * h.width];
        uint32_t* dst = &out.texels[(size_t)y * h.width];
        for (uint32_t x = 0; x < h.width; ++x) dst[x] = src[rightToLeft ? h.width - 1 - x : x];
    }

    // The format the file holds, as the nearest texture format.
    const unsigned bits = (kind == 1) ? h.colorMapEntryBits : h.pixelBits;
    if (grey) {
        out.format = (bits == 16) ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    } else if (bits == 32) {
        // Some writers leave the alpha count at 0 and every alpha byte at 0: such a file is opaque.
        bool allZero = true;
        for (uint32_t t : out.texels)
            if (t >> 24) {
                allZero = false;
                break;
            }
        if (alphaBits == 0 && allZero) {
            for (uint32_t& t : out.texels) t |= 0xFF000000u;
            out.format = D3DFMT_X8R8G8B8;
        } else {
            out.format = D3DFMT_A8R8G8B8;
        }
    } else if (bits == 24) {
        out.format = D3DFMT_X8R8G8B8;
    } else {
        out.format = alphaBits ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
    }
    out.fileFormat = D3DXIFF_TGA;
    return S_OK;
}

}  // namespace quil_d3dx
