// Little-endian values read from and written to bytes in memory, for every file
// reader and writer of the stand-in, the engine and the game.
// Header-only, like quil_path.h.
#pragma once
#include <cstdint>
#include <cstring>

namespace quil_platform {

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline float ReadLeF32(const uint8_t* p) {
    const uint32_t bits = ReadLe32(p);
    float f;
    std::memcpy(&f, &bits, sizeof(f));
    return f;
}

inline void WriteLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void WriteLeF32(uint8_t* p, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof(bits));
    WriteLe32(p, bits);
}

}  // namespace quil_platform
