// The test interface of the Direct3D stand-in.
#include "quil_automation_d3d.h"

#include <algorithm>
#include <cstdlib>

#include <stb_image.h>
#include <stb_image_write.h>

#include "device8.h"
#include "direct3d8.h"

namespace quil_automation {

uint32_t RgbaImage::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
    return (static_cast<uint32_t>(p[3]) << 24) | (static_cast<uint32_t>(p[0]) << 16) |
           (static_cast<uint32_t>(p[1]) << 8) | p[2];
}

void MakeDeviceLost(IDirect3DDevice8* device) {
    if (device) static_cast<quil_d3d8::Device8*>(device)->MakeLost();
}

bool ReadBackBuffer(IDirect3DDevice8* device, RgbaImage* image) {
    if (!device || !image) return false;
    return static_cast<quil_d3d8::Device8*>(device)->ReadBackBuffer(&image->width, &image->height, &image->pixels);
}

bool WritePng(const std::string& path, const RgbaImage& image) {
    if (image.width <= 0 || image.height <= 0) return false;
    return stbi_write_png(path.c_str(), image.width, image.height, 4, image.pixels.data(), image.width * 4) != 0;
}

bool ReadPng(const std::string& path, RgbaImage* image) {
    int w = 0, h = 0, n = 0;
    unsigned char* data = stbi_load(path.c_str(), &w, &h, &n, 4);
    if (!data) return false;
    image->width = w;
    image->height = h;
    image->pixels.assign(data, data + static_cast<size_t>(w) * h * 4);
    stbi_image_free(data);
    return true;
}

int CountDifferentPixels(const RgbaImage& a, const RgbaImage& b, int tolerance) {
    if (a.width != b.width || a.height != b.height) return std::max(a.width * a.height, b.width * b.height);
    int diff = 0;
    for (size_t i = 0; i + 3 < a.pixels.size(); i += 4) {
        int worst = 0;
        for (int c = 0; c < 4; ++c) worst = std::max(worst, std::abs(a.pixels[i + c] - b.pixels[i + c]));
        if (worst > tolerance) ++diff;
    }
    return diff;
}

HRESULT CreateOffscreenDevice(UINT width, UINT height, bool depth, IDirect3D8** d3dOut, IDirect3DDevice8** deviceOut) {
    if (!d3dOut || !deviceOut) return D3DERR_INVALIDCALL;
    *d3dOut = nullptr;
    *deviceOut = nullptr;
    if (!quil_d3d8::EnsureSdlVideo()) return D3DERR_NOTAVAILABLE;
    auto* d3d = static_cast<quil_d3d8::Direct3D8*>(Direct3DCreate8(D3D_SDK_VERSION));
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* w = SDL_CreateWindow("quil d3d8", 0, 0, static_cast<int>(width), static_cast<int>(height),
                                     SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!w) {
        d3d->Release();
        return D3DERR_NOTAVAILABLE;
    }
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = depth ? TRUE : FALSE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    HRESULT hr = d3d->CreateDeviceOnWindow(w, true, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, deviceOut);
    if (FAILED(hr)) {
        d3d->Release();
        return hr;
    }
    *d3dOut = d3d;
    return D3D_OK;
}

ShaderCacheStats GetShaderCacheStats(IDirect3DDevice8* device) {
    ShaderCacheStats s;
    if (device) {
        auto* d = static_cast<quil_d3d8::Device8*>(device);
        s.builds = d->shaderBuilds();
        s.hits = d->shaderHits();
    }
    return s;
}

void RecordDraws(IDirect3DDevice8* device, DrawLog* log) {
    if (device) static_cast<quil_d3d8::Device8*>(device)->RecordDraws(log);
}

}  // namespace quil_automation
