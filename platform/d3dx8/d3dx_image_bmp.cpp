// BMP reading through stb_image, after checking the header's size against the file.
#include <stb_image.h>

#include <cstdlib>

#include "d3dx_image.h"
#include "quil_bytes.h"

namespace quil_d3dx {

HRESULT DecodeBmp(const uint8_t* data, size_t size, Image& out) {
    if (!data || size < 26 || data[0] != 'B' || data[1] != 'M' || size > 0x7FFFFFFF) return D3DXERR_INVALIDDATA;
    int w = 0, h = 0, comp = 0;
    if (!stbi_info_from_memory(data, (int)size, &w, &h, &comp)) return D3DXERR_INVALIDDATA;
    if (w <= 0 || h <= 0 || (uint32_t)w > kMaxImageDimension || (uint32_t)h > kMaxImageDimension)
        return D3DXERR_INVALIDDATA;
    // Even at one bit per pixel the file must hold every pixel.
    if ((uint64_t)w * (uint64_t)h > (uint64_t)size * 8) return D3DXERR_INVALIDDATA;

    // Uncompressed pixel rows must all be present (the decoder would pad a short file with zeros).
    using quil_platform::ReadLe16;
    using quil_platform::ReadLe32;
    const uint32_t offset = ReadLe32(data + 10);
    const uint32_t headerSize = ReadLe32(data + 14);
    if (headerSize >= 40 && size >= 34) {
        const uint32_t bits = ReadLe16(data + 28);
        const uint32_t compression = ReadLe32(data + 30);
        if (compression == 0 || compression == 3) {
            uint64_t rowBytes = (((uint64_t)w * bits + 31) / 32) * 4;
            if ((uint64_t)offset + rowBytes * (uint64_t)h > size) return D3DXERR_INVALIDDATA;
        }
    }

    int gw = 0, gh = 0, gc = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, (int)size, &gw, &gh, &gc, 4);
    if (!pixels) return D3DXERR_INVALIDDATA;
    out.width = (uint32_t)gw;
    out.height = (uint32_t)gh;
    out.texels.resize((size_t)gw * gh);
    for (size_t i = 0; i < out.texels.size(); ++i) {
        const stbi_uc* p = pixels + i * 4;
        out.texels[i] = 0xFF000000u | ((uint32_t)p[0] << 16) | ((uint32_t)p[1] << 8) | p[2];
    }
    stbi_image_free(pixels);
    out.format = D3DFMT_X8R8G8B8;
    out.fileFormat = D3DXIFF_BMP;
    return S_OK;
}

HRESULT DecodeImage(const uint8_t* data, size_t size, Image& out) {
    if (!data || size < 2) return D3DXERR_INVALIDDATA;
    if (data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, size, out);
    return DecodeTga(data, size, out);
}

}  // namespace quil_d3dx
