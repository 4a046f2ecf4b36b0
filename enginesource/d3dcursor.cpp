// The device cursor: a GDI cursor's pictures copied into a 32-bit image surface
// and handed to the device as its hardware cursor, optionally with a small mark.
#include <cstdlib>
#include <cstring>
#include <vector>
#include "d3dapp.h"
#include "wingdi.h"

namespace {
// The mark: a 12 x 5 pattern of grey dots, one 16-bit row each, leftmost pixel in bit 15.
const WORD kMarkRows[5] = {0xCCC0, 0xA2A0, 0xA4A0, 0xA2A0, 0xCCC0};

// Reads a bitmap as width x height 32-bit pixels, rows bottom-up.
bool ReadBitmapPixels(HBITMAP bitmap, LONG width, LONG height, std::vector<DWORD>& pixels, HDC& screenDC,
                      HDC& memDC) {
    screenDC = GetDC(nullptr);
    memDC = CreateCompatibleDC(screenDC);
    if (!memDC) return false;
    BITMAPINFO bmi;
    std::memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    pixels.assign((size_t)width * (size_t)height, 0);
    return GetDIBits(memDC, bitmap, 0, (UINT)height, pixels.data(), &bmi, DIB_RGB_COLORS) != 0;
}
}  // namespace

HRESULT SetDeviceCursor(IDirect3DDevice8* device, HCURSOR cursor, BOOL addWatermark) {
    HRESULT hr = E_FAIL;
    ICONINFO info;
    std::memset(&info, 0, sizeof(info));
    IDirect3DSurface8* surface = nullptr;
    HDC screenMask = nullptr, memMask = nullptr, screenColor = nullptr, memColor = nullptr;
    std::vector<DWORD> maskPixels, colorPixels;

    do {
        if (!device || !GetIconInfo(cursor, &info)) break;
        BITMAP bm;
        if (!GetObjectA(info.hbmMask, sizeof(BITMAP), &bm)) break;
        const LONG width = bm.bmWidth;
        const LONG maskHeight = bm.bmHeight;
        const bool blackAndWhite = info.hbmColor == nullptr;
        const LONG height = blackAndWhite ? maskHeight / 2 : maskHeight;
        if (width <= 0 || height <= 0) break;

        hr = device->CreateImageSurface((UINT)width, (UINT)height, D3DFMT_A8R8G8B8, &surface);
        if (FAILED(hr)) break;
        hr = E_FAIL;

        if (!ReadBitmapPixels(info.hbmMask, width, maskHeight, maskPixels, screenMask, memMask)) break;
        if (!blackAndWhite && !ReadBitmapPixels(info.hbmColor, width, height, colorPixels, screenColor, memColor))
            break;

        D3DLOCKED_RECT locked;
        if (FAILED(surface->LockRect(&locked, nullptr, 0))) break;
        for (LONG y = 0; y < height; y++) {
            DWORD* row = (DWORD*)((BYTE*)locked.pBits + (size_t)y * (size_t)locked.Pitch);
            const LONG r = height - 1 - y;
            for (LONG x = 0; x < width; x++) {
                DWORD color, mask;
                if (blackAndWhite) {
                    color = maskPixels[(size_t)r * width + x];
                    mask = maskPixels[(size_t)(maskHeight - 1 - y) * width + x];
                } else {
                    color = colorPixels[(size_t)r * width + x];
                    mask = maskPixels[(size_t)r * width + x];
                }
                DWORD pixel = mask == 0 ? (color | 0xFF000000) : 0;
                if (addWatermark && x < 12 && y < 5 && (kMarkRows[y] & (1u << (15 - x)))) pixel |= 0xFF808080;
                row[x] = pixel;
            }
        }
        surface->UnlockRect();

        hr = device->SetCursorProperties((UINT)info.xHotspot, (UINT)info.yHotspot, surface);
    } while (false);

    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (screenMask) ReleaseDC(nullptr, screenMask);
    if (screenColor) ReleaseDC(nullptr, screenColor);
    if (memMask) DeleteDC(memMask);
    if (memColor) DeleteDC(memColor);
    if (surface) surface->Release();
    return hr;
}
