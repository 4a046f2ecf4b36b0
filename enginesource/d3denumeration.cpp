// Device enumeration: the table of adapters, their HAL and REF devices and the
// display modes each device can use with the application's requirements.
#include <cstdlib>
#include <cstring>
#include "d3dapp.h"

namespace {

struct EnumMode {
    DWORD Width;
    DWORD Height;
    DWORD RefreshRate;
    D3DFORMAT Format;
};

struct EnumFormat {
    D3DFORMAT Format;
    BOOL bConfirmed;
    DWORD dwBehavior;
    D3DFORMAT DepthStencilFormat;
};

struct DepthCandidate {
    D3DFORMAT format;
    DWORD maxDepth;
    DWORD maxStencil;
};

// Depth-stencil formats in the order they are tried, each with the largest
// minimum depth and stencil requirement it can meet.
const DepthCandidate kDepthCandidates[] = {
    {D3DFMT_D16, 16, 0},   {D3DFMT_D15S1, 15, 1},   {D3DFMT_D24X8, 24, 0},
    {D3DFMT_D24S8, 24, 8}, {D3DFMT_D24X4S4, 24, 4}, {D3DFMT_D32, 32, 0},
};


// The adapter's distinct display modes of at least 640 x 400 and their formats;
// the desktop format comes first.
void CollectModes(IDirect3D8* d3d, UINT adapter, D3DFORMAT desktopFormat, EnumMode* modes, DWORD* numModes,
                  EnumFormat* formats, DWORD* numFormats) {
    *numModes = 0;
    *numFormats = 0;
    formats[(*numFormats)++].Format = desktopFormat;
    const UINT count = d3d->GetAdapterModeCount(adapter);
    for (UINT i = 0; i < count; i++) {
        D3DDISPLAYMODE dm;
        std::memset(&dm, 0, sizeof(dm));
        d3d->EnumAdapterModes(adapter, i, &dm);
        if (dm.Width < 640 || dm.Height < 400) continue;

        DWORD m = 0;
        while (m < *numModes && !(modes[m].Width == dm.Width && modes[m].Height == dm.Height &&
                                  modes[m].Format == dm.Format))
            m++;
        if (m < *numModes || *numModes >= kMaxEnumModes) continue;
        modes[*numModes] = {dm.Width, dm.Height, 0, dm.Format};
        (*numModes)++;

        DWORD f = 0;
        while (f < *numFormats && formats[f].Format != dm.Format) f++;
        if (f == *numFormats && *numFormats < kMaxEnumFormats) formats[(*numFormats)++].Format = dm.Format;
    }
}

// The device's modes (every sorted mode whose format was confirmed), its default
// mode (the first 640 x 480 16-bit mode, else the last 640 x 480) and whether it
// can run in a window on the desktop's format.
void FillDeviceModes(DeviceEntry* device, const EnumMode* modes, DWORD numModes,
                     const EnumFormat* formats, DWORD numFormats, BOOL* halIsSampleCompatible) {
    for (DWORD m = 0; m < numModes; m++) {
        for (DWORD f = 0; f < numFormats; f++) {
            if (modes[m].Format != formats[f].Format || !formats[f].bConfirmed) continue;
            if (device->dwNumModes < kMaxModesPerDevice) {
                ModeEntry& mode = device->modes[device->dwNumModes++];
                mode.Width = modes[m].Width;
                mode.Height = modes[m].Height;
                mode.Format = modes[m].Format;
                mode.dwBehavior = formats[f].dwBehavior;
                mode.DepthStencilFormat = formats[f].DepthStencilFormat;
            }
            if (device->DeviceType == D3DDEVTYPE_HAL) *halIsSampleCompatible = TRUE;
        }
    }
    for (DWORD m = 0; m < device->dwNumModes; m++) {
        if (device->modes[m].Width == 640 && device->modes[m].Height == 480) {
            device->dwCurrentMode = m;
            const D3DFORMAT fmt = device->modes[m].Format;
            if (fmt == D3DFMT_R5G6B5 || fmt == D3DFMT_X1R5G5B5 || fmt == D3DFMT_A1R5G5B5) break;
        }
    }
    if (formats[0].bConfirmed && (device->d3dCaps.Caps2 & D3DCAPS2_CANRENDERWINDOWED)) {
        device->bCanDoWindowed = TRUE;
        device->bWindowed = TRUE;
    }
}

}  // namespace

// qsort order: higher format values first, then smaller widths, then smaller heights.
int D3DApplication::SortModes(const void* a, const void* b) {
    const EnumMode* p1 = static_cast<const EnumMode*>(a);
    const EnumMode* p2 = static_cast<const EnumMode*>(b);
    if ((int)p1->Format > (int)p2->Format) return -1;
    if ((int)p1->Format < (int)p2->Format) return +1;
    if (p1->Width < p2->Width) return -1;
    if (p1->Width > p2->Width) return +1;
    if (p1->Height < p2->Height) return -1;
    if (p1->Height > p2->Height) return +1;
    return 0;
}

// The first depth-stencil format the adapter supports with the target format and
// that meets the application's minimum depth and stencil bits.
BOOL D3DApplication::FindDepthStencilFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT targetFormat,
                                            D3DFORMAT* depthStencilFormat) {
    for (const DepthCandidate& c : kDepthCandidates) {
        if (m_dwMinDepthBits > c.maxDepth) continue;
        if (c.maxStencil == 0 ? m_dwMinStencilBits != 0 : m_dwMinStencilBits > c.maxStencil) continue;
        if (SUCCEEDED(m_pD3D->CheckDeviceFormat(adapter, deviceType, targetFormat, D3DUSAGE_DEPTHSTENCIL,
                                                D3DRTYPE_SURFACE, c.format)) &&
            SUCCEEDED(m_pD3D->CheckDepthStencilMatch(adapter, deviceType, targetFormat, targetFormat, c.format))) {
            *depthStencilFormat = c.format;
            return TRUE;
        }
    }
    return FALSE;
}

// Builds the device table and picks the start-up device: the first that can
// render in a window, with a warning when that is the reference rasteriser.
HRESULT D3DApplication::BuildDeviceList() {
    static const D3DDEVTYPE kDeviceTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
    static const char* const kDeviceDescs[] = {"HAL", "REF"};

    BOOL bHALExists = FALSE;
    BOOL bHALIsWindowedCompatible = FALSE;
    BOOL bHALIsDesktopCompatible = FALSE;
    BOOL bHALIsSampleCompatible = FALSE;

    for (UINT iAdapter = 0; iAdapter < m_pD3D->GetAdapterCount(); iAdapter++) {
        if (m_dwNumAdapters >= kMaxAdapters) break;
        AdapterEntry* pAdapter = &m_Adapters[m_dwNumAdapters];
        m_pD3D->GetAdapterIdentifier(iAdapter, D3DENUM_NO_WHQL_LEVEL, &pAdapter->d3dAdapterIdentifier);
        m_pD3D->GetAdapterDisplayMode(iAdapter, &pAdapter->d3ddmDesktop);
        pAdapter->dwNumDevices = 0;
        pAdapter->dwCurrentDevice = 0;

        EnumMode modes[kMaxEnumModes];
        EnumFormat formats[kMaxEnumFormats];
        DWORD dwNumModes = 0;
        DWORD dwNumFormats = 0;
        CollectModes(m_pD3D, iAdapter, pAdapter->d3ddmDesktop.Format, modes, &dwNumModes, formats, &dwNumFormats);
        std::qsort(modes, dwNumModes, sizeof(EnumMode), SortModes);

        for (UINT iDevice = 0; iDevice < 2; iDevice++) {
            if (pAdapter->dwNumDevices >= kMaxDevicesPerAdapter) break;
            DeviceEntry* pDevice = &pAdapter->devices[pAdapter->dwNumDevices];
            pDevice->DeviceType = kDeviceTypes[iDevice];
            m_pD3D->GetDeviceCaps(iAdapter, kDeviceTypes[iDevice], &pDevice->d3dCaps);
            pDevice->strDesc = kDeviceDescs[iDevice];
            pDevice->dwNumModes = 0;
            pDevice->dwCurrentMode = 0;
            pDevice->bCanDoWindowed = FALSE;
            pDevice->bWindowed = FALSE;
            pDevice->MultiSampleTypeWindowed = D3DMULTISAMPLE_NONE;
            pDevice->MultiSampleTypeFullscreen = D3DMULTISAMPLE_NONE;
            const DWORD devCaps = pDevice->d3dCaps.DevCaps;

            for (DWORD f = 0; f < dwNumFormats; f++) {
                formats[f].bConfirmed = FALSE;
                formats[f].DepthStencilFormat = (D3DFORMAT)0;
                if (FAILED(m_pD3D->CheckDeviceType(iAdapter, pDevice->DeviceType, formats[f].Format,
                                                   formats[f].Format, FALSE)))
                    continue;

                if (pDevice->DeviceType == D3DDEVTYPE_HAL) {
                    bHALExists = TRUE;
                    if (pDevice->d3dCaps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) {
                        bHALIsWindowedCompatible = TRUE;
                        if (f == 0) bHALIsDesktopCompatible = TRUE;
                    }
                }

                auto tryBehavior = [&](DWORD behavior) {
                    if (formats[f].bConfirmed) return;
                    if (SUCCEEDED(ConfirmDevice(&pDevice->d3dCaps, behavior, formats[f].Format))) {
                        formats[f].dwBehavior = behavior;
                        formats[f].bConfirmed = TRUE;
                    }
                };
                if (devCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
                    if (devCaps & D3DDEVCAPS_PUREDEVICE)
                        tryBehavior(D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE);
                    tryBehavior(D3DCREATE_HARDWARE_VERTEXPROCESSING);
                    tryBehavior(D3DCREATE_MIXED_VERTEXPROCESSING);
                }
                tryBehavior(D3DCREATE_SOFTWARE_VERTEXPROCESSING);

                if (formats[f].bConfirmed && m_bUseDepthBuffer) {
                    if (!FindDepthStencilFormat(iAdapter, pDevice->DeviceType, formats[f].Format,
                                                &formats[f].DepthStencilFormat))
                        formats[f].bConfirmed = FALSE;
                }
            }

            FillDeviceModes(pDevice, modes, dwNumModes, formats, dwNumFormats, &bHALIsSampleCompatible);

            if (pDevice->dwNumModes > 0) pAdapter->dwNumDevices++;
        }

        if (pAdapter->dwNumDevices > 0) m_dwNumAdapters++;
    }

    if (m_dwNumAdapters == 0) return D3DAPPERR_NOCOMPATIBLEDEVICES;

    for (DWORD a = 0; a < m_dwNumAdapters; a++) {
        for (DWORD d = 0; d < m_Adapters[a].dwNumDevices; d++) {
            if (!m_Adapters[a].devices[d].bWindowed) continue;
            m_Adapters[a].dwCurrentDevice = d;
            m_dwAdapter = a;
            m_bWindowed = TRUE;

            if (m_Adapters[a].devices[d].DeviceType == D3DDEVTYPE_REF) {
                HRESULT warning;
                if (!bHALExists) warning = D3DAPPERR_NOHARDWAREDEVICE;
                else if (!bHALIsSampleCompatible) warning = D3DAPPERR_HALNOTCOMPATIBLE;
                else if (!bHALIsWindowedCompatible) warning = D3DAPPERR_NOWINDOWEDHAL;
                else if (!bHALIsDesktopCompatible) warning = D3DAPPERR_NODESKTOPHAL;
                else warning = D3DAPPERR_NOHALTHISMODE;
                DisplayErrorMsg(warning, MSGWARN_SWITCHEDTOREF);
            }
            return S_OK;
        }
    }
    return D3DAPPERR_NOWINDOWABLEDEVICES;
}
