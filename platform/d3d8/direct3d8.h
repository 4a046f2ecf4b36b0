// The Direct3D object: adapters are SDL displays.
#pragma once
#include <SDL.h>
#include <vector>
#include "d3d8.h"

namespace quil_d3d8 {

class Direct3D8 final : public IDirect3D8 {
public:
    Direct3D8();
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    UINT GetAdapterCount() override;
    HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER8* identifier) override;
    UINT GetAdapterModeCount(UINT adapter) override;
    HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) override;
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override;
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE checkType, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                            BOOL windowed) override;
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE rType, D3DFORMAT checkFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat, BOOL windowed,
                                       D3DMULTISAMPLE_TYPE multiSampleType) override;
    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                   D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) override;
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS8* caps) override;
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* pp, IDirect3DDevice8** device) override;

    // Creates a device on an SDL window directly (the automation interface's hidden window).
    HRESULT CreateDeviceOnWindow(SDL_Window* window, bool ownsWindow, DWORD behaviorFlags, D3DPRESENT_PARAMETERS* pp,
                                 IDirect3DDevice8** device);

private:
    ~Direct3D8() override = default;
    bool ValidAdapter(UINT adapter);
    const std::vector<D3DDISPLAYMODE>& Modes(UINT adapter);
    ULONG refs_ = 1;
    std::vector<std::vector<D3DDISPLAYMODE>> modes_;
};

// The capabilities every device of the stand-in reports.
void FillCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps);
// True when SDL's video driver has no real display (offscreen, dummy).
bool HeadlessVideo();
// Makes sure SDL's video subsystem is running.
bool EnsureSdlVideo();

}  // namespace quil_d3d8
