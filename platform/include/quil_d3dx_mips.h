// The mip chain that D3DXCreateTextureFromFileEx makes of a picture, built from texels in
// memory: for a caller that already holds the picture and would otherwise write it to a file
// only to read it back. A pure function, safe on any thread.
#pragma once
#include <cstdint>
#include <vector>

#include "d3d8types.h"

namespace quil_d3dx {

// Every level of the chain of a width x height picture of 0xAARRGGBB texels (row 0 first):
// level 0 the picture itself, each next level made with mipFilter (a D3DX_FILTER_ value) as the
// file loader makes it, stored as a 32-bit texture of format (X8R8G8B8 or A8R8G8B8) holds it.
// levels 0 asks for the full chain down to 1 x 1. False (out untouched) for an empty picture
// or another format.
bool BuildMipChain(const uint32_t* texels, UINT width, UINT height, UINT levels, DWORD mipFilter, D3DFORMAT format,
                   std::vector<std::vector<uint32_t>>* out);

}  // namespace quil_d3dx
