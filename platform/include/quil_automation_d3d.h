// Test-only control of the Direct3D 8 stand-in: device loss, reading the back
// buffer, images, full state re-send and a device without a window handle.
// The game never calls these.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "d3d8.h"

namespace quil_automation {

// An RGBA image, 8 bits per channel, rows from the top.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height * 4 bytes
    // The pixel at (x, y) as D3DCOLOR (0xAARRGGBB); 0 outside the image.
    uint32_t At(int x, int y) const;
};

// Makes the device lost, as when a full-screen window loses the display:
// TestCooperativeLevel answers D3DERR_DEVICELOST once, then D3DERR_DEVICENOTRESET
// until Reset succeeds.
void MakeDeviceLost(IDirect3DDevice8* device);

// Reads the device's back buffer (what was drawn since the last Present).
bool ReadBackBuffer(IDirect3DDevice8* device, RgbaImage* image);

// Writes and reads PNG files.
bool WritePng(const std::string& path, const RgbaImage& image);
bool ReadPng(const std::string& path, RgbaImage* image);

// Compares two images channel by channel; returns the number of pixels whose
// largest channel difference exceeds the tolerance (all pixels when sizes differ).
int CountDifferentPixels(const RgbaImage& a, const RgbaImage& b, int tolerance);

// Creates a device on a hidden window of its own (no window handle needed), with
// a width x height back buffer in X8R8G8B8 and a D16 depth buffer when depth is
// set. The caller releases the device and then the Direct3D object.
HRESULT CreateOffscreenDevice(UINT width, UINT height, bool depth, IDirect3D8** d3dOut,
                              IDirect3DDevice8** deviceOut);

// Shader-cache counters of a device: programs built and lookups answered from the cache.
struct ShaderCacheStats { uint64_t builds = 0; uint64_t hits = 0; };
ShaderCacheStats GetShaderCacheStats(IDirect3DDevice8* device);

// One draw as the device sent it to OpenGL, for benchmarks that replay a frame's draws
// straight to OpenGL. Keys (program, texture, buffers) are only compared, never used.
struct DrawRecord {
    uint32_t glMode = 0;          // GL_TRIANGLES, ...
    uint32_t first = 0;           // first vertex, or first index when indexed
    uint32_t count = 0;           // vertices, or indices when indexed
    int32_t baseVertex = 0;
    uint32_t indexSize = 0;       // 2 or 4 when indexed, else 0
    uint32_t stride = 0;
    uint32_t positionOffset = 0;  // of the position in a vertex
    bool pretransformed = false;  // XYZRHW positions
    bool blend = false, depthWrite = true;
    uint32_t program = 0, texture = 0;
    // Vertices (and indices): a buffer's bytes and change count, or a user-pointer draw's
    // bytes copied into DrawLog::userBytes at userOffset (vertexData null).
    const void* vertexData = nullptr;
    uint32_t vertexBytes = 0;
    uint64_t vertexVersion = 0;
    const void* indexData = nullptr;
    uint32_t indexBytes = 0;
    uint64_t indexVersion = 0;
    size_t userOffset = 0;
    float clipFromModel[16] = {};  // row vectors: world x view x projection x the device's fix-up
};
struct DrawLog {
    std::vector<DrawRecord> draws;
    std::vector<uint8_t> userBytes;
    void Clear() { draws.clear(); userBytes.clear(); }
};
// Appends every draw of the device to log from now on; null stops.
void RecordDraws(IDirect3DDevice8* device, DrawLog* log);

}  // namespace quil_automation
