// Settings the OpenGL driver must have before the first window or context.
#pragma once
#include <cstdlib>

namespace quil_platform {

// Mesa's software renderer (llvmpipe) has a race in its rasterizer threads:
// the thread that finishes a frame's last tile counts its fence as done and
// only then releases the fence's mutex, while the drawing thread, seeing the
// count complete without taking that mutex, may already have freed the fence.
// The late release then writes a 4-byte zero into freed heap memory, and the
// allocator fails later (most often after a level change, whose large
// allocations make it sort its free lists). Without rasterizer threads the
// drawing thread rasterizes itself and the race cannot happen. Other drivers
// ignore the variable; a value the user has set is kept. Called before SDL's
// video starts, as the driver reads it once, when it first starts.
inline void PrepareGLDriver() { setenv("LP_NUM_THREADS", "0", 0); }

}  // namespace quil_platform
