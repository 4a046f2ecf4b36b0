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

}  // namespace quil_automation
