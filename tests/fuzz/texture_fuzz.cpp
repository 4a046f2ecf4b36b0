// TGA and BMP textures through the public D3DX loader, on the recording device.
#include "d3dx8.h"
#include "fuzz_files.h"
#include "recording_device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static quiltest::RecordingDevice device;
    // The first byte picks the name's extension; the rest is the file.
    const char* name = size && (data[0] & 1) ? "in.bmp" : "in.tga";
    if (!quilfuzz::WriteInput(name, size ? data + 1 : data, size ? size - 1 : 0, 1024 * 1024)) return 0;
    IDirect3DTexture8* texture = nullptr;
    if (SUCCEEDED(D3DXCreateTextureFromFileExA(&device, name, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                               D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE,
                                               D3DX_FILTER_TRIANGLE, 0, nullptr, nullptr, &texture)))
        texture->Release();
    device.log.clear();
    return 0;
}
