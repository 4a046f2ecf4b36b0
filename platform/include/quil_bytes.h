// Little-endian values read from bytes in memory, for the stand-in's file and sample readers.
// Header-only, like quil_path.h.
#pragma once
#include <cstdint>

namespace quil_platform {

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace quil_platform
