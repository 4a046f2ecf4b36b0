// Baked lighting of the room surfaces: the lighting of one sample point, the
// whole-map blur, and the cache of computed maps as TGA pictures on disk.
#pragma once
#include <cstdint>
#include "d3d8.h"
#include "quilmath.h"

class LightMap {
public:
    enum { MAP_SIZE = 256 };
    // Surface numbers, part of the cache file name.
    enum { SURFACE_CEIL = 0, SURFACE_FLOOR = 1, SURFACE_WALLS = 2 };
    // The cache file: an 18-byte uncompressed true-colour TGA header, then
    // blue, green, red per texel, row 0 first.
    enum { HEADER_SIZE = 18, FILE_SIZE = HEADER_SIZE + MAP_SIZE * MAP_SIZE * 3 };
    enum { NAME_LENGTH = 64 };

    // ARGB texel (alpha 0xFF) lighting the point at position facing along normal.
    uint32_t CalcLight(const Vec3& position, const Vec3& normal);
    // Softens a whole map in place; the border rows and columns stay.
    void Blur(uint32_t* texels, uint32_t width, uint32_t height);

    // True when a well-formed cache file of a 256 x 256 map exists for this surface.
    bool Exists(uint32_t level, uint32_t room, uint32_t surface);
    // The cached map as a mip-mapped texture; null when there is no usable file or device.
    IDirect3DTexture8* Load(uint32_t level, uint32_t room, uint32_t surface);
    // Writes the map to its cache file; a failure is reported and leaves no file.
    void Save(uint32_t level, uint32_t room, uint32_t surface, const uint32_t* texels, uint32_t width,
              uint32_t height);
    // Reads the cache file of a width x height map into texels (alpha 0xFF);
    // false, texels untouched, when the file is missing, short, long or not such a map.
    bool Read(uint32_t level, uint32_t room, uint32_t surface, uint32_t* texels, uint32_t width,
              uint32_t height);

    // The cache file name of a surface, formatted into the shared name buffer.
    const char* FileName(uint32_t level, uint32_t room, uint32_t surface);

private:
    char m_szName[NAME_LENGTH] = {};
};

LightMap* GetLightMap();
