// Device creation, reset, the switch between window and full screen, the fall-back
// devices, the final release and the framework's error boxes.
#include <cstdio>
#include <cstring>
#include <string>
#include "d3dapp.h"
#include "frametimer.h"

namespace {

const char* ErrorText(HRESULT code) {
    switch ((DWORD)code) {
        case 0x82000001:
            return "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is "
                   "correctly installed on your\nsystem.  Also make sure that this program\nwas compiled with "
                   "header files that match\nthe installed DirectX DLLs.";
        case 0x82000003: return "Could not find any compatible Direct3D\ndevices.";
        case 0x82000004:
            return "This sample cannot run in a desktop\nwindow with the current display settings.\nPlease change "
                   "your desktop settings to a\n16- or 32-bit display mode and re-run this\nsample.";
        case 0x82000005: return "No hardware-accelerated Direct3D devices\nwere found.";
        case 0x82000006:
            return "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator.";
        case 0x82000007:
            return "Your Direct3D hardware accelerator cannot\nrender into a window.\nPress F2 while the app is "
                   "running to see a\nlist of available devices and modes.";
        case 0x82000008:
            return "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop "
                   "display settings.\nPress F2 while the app is running to see a\nlist of available devices and "
                   "modes.";
        case 0x82000009:
            return "This sample requires functionality that is\nnot available on your Direct3D hardware\naccelerator "
                   "with the current desktop display\nsettings.\nPress F2 while the app is running to see a\nlist "
                   "of available devices and modes.";
        case 0x8200000a:
            return "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up).";
        case 0x8200000b: return "Could not load required media.";
        case 0x8200000c: return "Could not reset the Direct3D device.";
        case 0x8200000d:
            return "Warning: Nothing will be rendered.\nThe reference rendering device was selected, but your\n"
                   "computer only has a reduced-functionality reference device\ninstalled.  Install the DirectX "
                   "SDK to get the full\nreference device.\n";
        case 0x8007000E: return "Not enough memory.";
        case 0x8876017C: return "Not enough video memory.";
        default: return "Generic application error. Enable\ndebug output for detailed information.";
    }
}

// The behaviour part of the device statistics text.
const char* BehaviorText(DWORD behavior, bool hal) {
    if ((behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING) && (behavior & D3DCREATE_PUREDEVICE))
        return hal ? " (pure hw vp)" : " (simulated pure hw vp)";
    if (behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING) return hal ? " (hw vp)" : " (simulated hw vp)";
    if (behavior & D3DCREATE_MIXED_VERTEXPROCESSING) return hal ? " (mixed vp)" : " (simulated mixed vp)";
    if (behavior & D3DCREATE_SOFTWARE_VERTEXPROCESSING) return " (sw vp)";
    return "";
}

}  // namespace

// The present parameters for the current adapter, device and mode.
void D3DApplication::FillPresentParameters() {
    AdapterEntry* pAdapter = &m_Adapters[m_dwAdapter];
    DeviceEntry* pDevice = &pAdapter->devices[pAdapter->dwCurrentDevice];
    ModeEntry* pMode = &pDevice->modes[pDevice->dwCurrentMode];

    // The framework's own flag decides: after the first settings dialog is
    // cancelled the device entry says full screen while the window stays.
    m_d3dpp.Windowed = m_bWindowed;
    m_d3dpp.MultiSampleType = m_bWindowed ? pDevice->MultiSampleTypeWindowed : pDevice->MultiSampleTypeFullscreen;
    m_d3dpp.AutoDepthStencilFormat = pMode->DepthStencilFormat;
    m_d3dpp.hDeviceWindow = m_hWnd;
    if (m_bWindowed) {
        m_d3dpp.BackBufferWidth = (UINT)(m_rcWindowClient.right - m_rcWindowClient.left);
        m_d3dpp.BackBufferHeight = (UINT)(m_rcWindowClient.bottom - m_rcWindowClient.top);
        m_d3dpp.BackBufferFormat = pAdapter->d3ddmDesktop.Format;
    } else {
        m_d3dpp.BackBufferWidth = pMode->Width;
        m_d3dpp.BackBufferHeight = pMode->Height;
        m_d3dpp.BackBufferFormat = pMode->Format;
    }
    m_d3dpp.FullScreen_PresentationInterval = m_d3dpp.Windowed ? 0 : D3DPRESENT_INTERVAL_IMMEDIATE;
}

// Creates the device for the current choice; a hardware device that fails falls
// back to the reference device of adapter 0.
HRESULT D3DApplication::InitializeEnvironment() {
    AdapterEntry* pAdapter = &m_Adapters[m_dwAdapter];
    DeviceEntry* pDevice = &pAdapter->devices[pAdapter->dwCurrentDevice];
    ModeEntry* pMode = &pDevice->modes[pDevice->dwCurrentMode];

    AdjustWindowStyle();

    std::memset(&m_d3dpp, 0, sizeof(m_d3dpp));
    m_d3dpp.BackBufferCount = 1;
    m_d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_d3dpp.EnableAutoDepthStencil = m_bUseDepthBuffer;
    FillPresentParameters();

    if (pDevice->d3dCaps.PrimitiveMiscCaps & D3DPMISCCAPS_NULLREFERENCE)
        DisplayErrorMsg(D3DAPPERR_NULLREFDEVICE, MSG_NONE);

    HRESULT hr = m_pD3D->CreateDevice(m_dwAdapter, pDevice->DeviceType, m_hWndFocus, pMode->dwBehavior, &m_d3dpp,
                                      &m_pd3dDevice);
    if (SUCCEEDED(hr)) {
        if (m_bWindowed) {
            SetWindowPos(m_hWnd, HWND_NOTOPMOST, m_rcWindowBounds.left, m_rcWindowBounds.top,
                         m_rcWindowBounds.right - m_rcWindowBounds.left,
                         m_rcWindowBounds.bottom - m_rcWindowBounds.top, SWP_SHOWWINDOW);
        }

        m_pd3dDevice->GetDeviceCaps(&m_d3dCaps);
        m_dwCreateFlags = pMode->dwBehavior;
        m_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0L);

        const bool hal = pDevice->DeviceType == D3DDEVTYPE_HAL;
        const char* typeText = pDevice->DeviceType == D3DDEVTYPE_HAL   ? "HAL"
                               : pDevice->DeviceType == D3DDEVTYPE_REF ? "REF"
                                                                       : "SW";
        // The adapter's description is cut to what the statistics text can hold.
        std::string stats = std::string(typeText) + BehaviorText(pMode->dwBehavior, hal);
        if (hal) stats += std::string(": ") + pAdapter->d3dAdapterIdentifier.Description;
        std::strncpy(m_strDeviceStats, stats.c_str(), sizeof(m_strDeviceStats) - 1);
        m_strDeviceStats[sizeof(m_strDeviceStats) - 1] = '\0';

        IDirect3DSurface8* pBackBuffer = nullptr;
        if (SUCCEEDED(m_pd3dDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBackBuffer)) && pBackBuffer) {
            pBackBuffer->GetDesc(&m_d3dsdBackBuffer);
            pBackBuffer->Release();
        }

        ApplyCursorSettings();

        hr = InitDeviceObjects();
        if (SUCCEEDED(hr)) {
            hr = RestoreDeviceObjects();
            if (SUCCEEDED(hr)) {
                m_bActive = TRUE;
                return S_OK;
            }
        }

        InvalidateDeviceObjects();
        DeleteDeviceObjects();
        m_pd3dDevice->Release();
        m_pd3dDevice = nullptr;
    }

    if (pDevice->DeviceType == D3DDEVTYPE_HAL) {
        m_dwAdapter = 0;
        pAdapter = &m_Adapters[0];
        for (DWORD i = 0; i < pAdapter->dwNumDevices; i++) {
            if (pAdapter->devices[i].DeviceType == D3DDEVTYPE_REF) {
                pAdapter->dwCurrentDevice = i;
                m_bWindowed = pAdapter->devices[i].bWindowed;
                break;
            }
        }
        if (pAdapter->devices[pAdapter->dwCurrentDevice].DeviceType == D3DDEVTYPE_REF) {
            SetWindowPos(m_hWnd, HWND_NOTOPMOST, m_rcWindowBounds.left, m_rcWindowBounds.top,
                         m_rcWindowBounds.right - m_rcWindowBounds.left,
                         m_rcWindowBounds.bottom - m_rcWindowBounds.top, SWP_SHOWWINDOW);
            AdjustWindowStyle();
            DisplayErrorMsg(hr, MSGWARN_SWITCHEDTOREF);
            return InitializeEnvironment();
        }
    }
    return hr;
}

// The device cursor in full screen and the cursor clip, as the options ask.
void D3DApplication::ApplyCursorSettings() {
    if (m_bShowCursorWhenFullscreen && !m_bWindowed) {
        HCURSOR hCursor = (HCURSOR)(ULONG_PTR)GetClassLongPtrA(m_hWnd, GCL_HCURSOR);
        SetDeviceCursor(m_pd3dDevice, hCursor, TRUE);
        m_pd3dDevice->ShowCursor(TRUE);
    }
    if (m_bClipCursorWhenFullscreen) {
        if (!m_bWindowed) {
            RECT rcWindow;
            GetWindowRect(m_hWnd, &rcWindow);
            ClipCursor(&rcWindow);
        } else {
            ClipCursor(nullptr);
        }
    }
}

// Resets the device with the current present parameters.
HRESULT D3DApplication::ResizeEnvironment() {
    HRESULT hr;
    if (FAILED(hr = InvalidateDeviceObjects())) return hr;
    if (FAILED(hr = m_pd3dDevice->Reset(&m_d3dpp))) return hr;

    IDirect3DSurface8* pBackBuffer = nullptr;
    if (SUCCEEDED(m_pd3dDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBackBuffer)) && pBackBuffer) {
        pBackBuffer->GetDesc(&m_d3dsdBackBuffer);
        pBackBuffer->Release();
    }

    ApplyCursorSettings();

    if (FAILED(hr = RestoreDeviceObjects())) return hr;

    if (!m_bFrameMoving) {
        m_bSingleStep = TRUE;
        FrameTimer(FT_START);
        FrameTimer(FT_STOP);
    }
    return S_OK;
}

// Switches between window and full screen on the same device.
HRESULT D3DApplication::ToggleFullscreen() {
    AdapterEntry* pAdapter = &m_Adapters[m_dwAdapter];
    DeviceEntry* pDevice = &pAdapter->devices[pAdapter->dwCurrentDevice];

    if (!m_bWindowed && !pDevice->bCanDoWindowed) return ForceWindowed();

    m_bReady = FALSE;
    m_bWindowed = !m_bWindowed;
    pDevice->bWindowed = m_bWindowed;

    AdjustWindowStyle();
    FillPresentParameters();

    if (FAILED(ResizeEnvironment())) {
        if (m_bWindowed) return ForceWindowed();
        return E_FAIL;
    }

    if (m_bWindowed) {
        SetWindowPos(m_hWnd, HWND_NOTOPMOST, m_rcWindowBounds.left, m_rcWindowBounds.top,
                     m_rcWindowBounds.right - m_rcWindowBounds.left, m_rcWindowBounds.bottom - m_rcWindowBounds.top,
                     SWP_SHOWWINDOW);
    }
    m_bReady = TRUE;
    return S_OK;
}

// Moves to a device that can render in a window and creates it anew.
HRESULT D3DApplication::ForceWindowed() {
    AdapterEntry* pAdapter = &m_Adapters[m_dwAdapter];
    DeviceEntry* pDevice = &pAdapter->devices[pAdapter->dwCurrentDevice];

    if (!pDevice->bCanDoWindowed) {
        bool found = false;
        for (DWORD a = 0; a < m_dwNumAdapters && !found; a++) {
            for (DWORD d = 0; d < m_Adapters[a].dwNumDevices; d++) {
                if (m_Adapters[a].devices[d].bCanDoWindowed) {
                    m_dwAdapter = a;
                    m_Adapters[a].dwCurrentDevice = d;
                    pAdapter = &m_Adapters[a];
                    pDevice = &pAdapter->devices[d];
                    found = true;
                    break;
                }
            }
        }
        if (!found) return E_FAIL;
    }

    pDevice->bWindowed = TRUE;
    m_bWindowed = TRUE;
    m_bReady = FALSE;

    InvalidateDeviceObjects();
    DeleteDeviceObjects();
    if (m_pd3dDevice) {
        const ULONG refs = m_pd3dDevice->Release();
        m_pd3dDevice = nullptr;
        if (refs > 0) return DisplayErrorMsg(D3DAPPERR_NONZEROREFCOUNT, MSGERR_APPMUSTEXIT);
    }

    HRESULT hr = InitializeEnvironment();
    if (FAILED(hr)) return DisplayErrorMsg(hr, MSGERR_APPMUSTEXIT);
    m_bReady = TRUE;
    return S_OK;
}

// Window style and menu for the current mode: the saved style and menu in a
// window, a bare popup in full screen.
void D3DApplication::AdjustWindowStyle() {
    if (m_bWindowed) {
        SetWindowLongA(m_hWnd, GWL_STYLE, (LONG)m_dwWindowStyle);
        if (m_hMenu) {
            SetMenu(m_hWnd, m_hMenu);
            m_hMenu = nullptr;
        }
    } else {
        SetWindowLongA(m_hWnd, GWL_STYLE, (LONG)(WS_POPUP | WS_SYSMENU | WS_VISIBLE));
        HMENU hMenu = GetMenu(m_hWnd);
        if (hMenu) {
            m_hMenu = hMenu;
            SetMenu(m_hWnd, nullptr);
        }
    }
}

// Releases the device objects, the device and the Direct3D object, then the
// application's own clean-up.
void D3DApplication::CleanupEnvironment() {
    m_bActive = FALSE;
    m_bReady = FALSE;
    if (m_pd3dDevice) {
        InvalidateDeviceObjects();
        DeleteDeviceObjects();
        m_pd3dDevice->Release();
        m_pd3dDevice = nullptr;
        if (m_pD3D) m_pD3D->Release();
        m_pD3D = nullptr;
    }
    FinalCleanup();
}

// Shows the box for a code; a must-exit error then closes the window.
HRESULT D3DApplication::DisplayErrorMsg(HRESULT code, DWORD type) {
    char text[512];
    std::snprintf(text, sizeof(text), "%s", ErrorText(code));
    size_t len = std::strlen(text);
    if (type == MSGERR_APPMUSTEXIT) {
        std::snprintf(text + len, sizeof(text) - len, "\n\nThis sample will now exit.");
        MessageBoxA(nullptr, text, m_strWindowTitle, MB_ICONERROR | MB_OK);
        if (m_hWnd) SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    } else if (type == MSGWARN_SWITCHEDTOREF) {
        std::snprintf(text + len, sizeof(text) - len,
                      "\n\nSwitching to the reference rasterizer,\na software device that implements the entire\n"
                      "Direct3D feature set, but runs very slowly.");
        MessageBoxA(nullptr, text, m_strWindowTitle, MB_ICONWARNING | MB_OK);
    } else {
        MessageBoxA(nullptr, text, m_strWindowTitle, MB_ICONWARNING | MB_OK);
    }
    return code;
}
