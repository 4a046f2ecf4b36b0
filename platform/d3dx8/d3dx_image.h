// Decoded images for the texture loaders of this folder (not a public header).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "d3dx8tex.h"

namespace quil_d3dx {

// Largest width or height a loader accepts; anything larger is refused before allocating.
constexpr uint32_t kMaxImageDimension = 8192;

// A picture as 32-bit A8R8G8B8 texels, top row first.
struct Image {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> texels;
    D3DFORMAT format = D3DFMT_UNKNOWN;  // the format the file itself holds
    D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
};

// Each decoder returns S_OK or D3DXERR_INVALIDDATA (unknown kind, truncated, absurd sizes).
HRESULT DecodeTga(const uint8_t* data, size_t size, Image& out);
HRESULT DecodeBmp(const uint8_t* data, size_t size, Image& out);
// Picks the decoder from the contents.
HRESULT DecodeImage(const uint8_t* data, size_t size, Image& out);

}  // namespace quil_d3dx
