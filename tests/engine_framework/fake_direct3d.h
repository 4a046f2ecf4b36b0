// A scripted Direct3D object for testing the framework's device table without a GPU.
#pragma once
#include <cstring>
#include <string>
#include <vector>
#include "d3d8.h"
#include "d3dapp.h"

struct FakeAdapter {
    std::string description = "Fake Adapter";
    std::vector<D3DDISPLAYMODE> modes;
    D3DCAPS8 halCaps{};
    D3DCAPS8 refCaps{};
};

class FakeDirect3D : public IDirect3D8 {
public:
    std::vector<FakeAdapter> adapters;

    HRESULT QueryInterface(REFIID, void** p) override { *p = nullptr; return E_NOINTERFACE; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    UINT GetAdapterCount() override { return (UINT)adapters.size(); }
    HRESULT GetAdapterIdentifier(UINT a, DWORD, D3DADAPTER_IDENTIFIER8* id) override {
        std::memset(id, 0, sizeof(*id));
        std::strncpy(id->Description, adapters[a].description.c_str(), sizeof(id->Description) - 1);
        return S_OK;
    }
    UINT GetAdapterModeCount(UINT a) override { return (UINT)adapters[a].modes.size(); }
    HRESULT EnumAdapterModes(UINT a, UINT m, D3DDISPLAYMODE* mode) override {
        *mode = adapters[a].modes[m];
        return S_OK;
    }
    HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE* mode) override {
        *mode = D3DDISPLAYMODE{1024, 768, 0, D3DFMT_X8R8G8B8};
        return S_OK;
    }
    HRESULT CheckDeviceType(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL) override { return S_OK; }
    HRESULT CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE, D3DFORMAT) override { return S_OK; }
    HRESULT CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL, D3DMULTISAMPLE_TYPE) override { return S_OK; }
    HRESULT CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, D3DFORMAT) override { return S_OK; }
    HRESULT GetDeviceCaps(UINT a, D3DDEVTYPE type, D3DCAPS8* caps) override {
        *caps = type == D3DDEVTYPE_HAL ? adapters[a].halCaps : adapters[a].refCaps;
        caps->DeviceType = type;
        return S_OK;
    }
    HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*, IDirect3DDevice8**) override {
        return E_FAIL;
    }
    int refs = 1;
};

inline D3DDISPLAYMODE Mode(UINT w, UINT h, D3DFORMAT f, UINT refresh = 60) { return D3DDISPLAYMODE{w, h, refresh, f}; }

// Caps of a windowed-capable device with vertex fog; hardware T&L on request.
inline D3DCAPS8 Caps(bool hwtl, bool fog = true, bool windowed = true) {
    D3DCAPS8 c{};
    if (windowed) c.Caps2 |= D3DCAPS2_CANRENDERWINDOWED;
    if (hwtl) c.DevCaps |= D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    if (fog) c.RasterCaps |= D3DPRASTERCAPS_FOGVERTEX;
    return c;
}

// The framework over the scripted object; its veto: no hardware vertex processing, vertex fog required.
class VetoApp : public D3DApplication {
public:
    explicit VetoApp(FakeDirect3D* d3d) {
        m_pD3D = d3d;
        m_bUseDepthBuffer = TRUE;
        D3DApplication::ResetProcessState();
    }
    ~VetoApp() override { m_pD3D = nullptr; }
    HRESULT ConfirmDevice(D3DCAPS8* caps, DWORD behavior, D3DFORMAT) override {
        if (behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING) return E_FAIL;
        return (caps->RasterCaps & D3DPRASTERCAPS_FOGVERTEX) ? S_OK : E_FAIL;
    }
};
