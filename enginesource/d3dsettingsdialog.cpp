// The "Game Settings" dialog: choose the adapter, the device and a full-screen
// mode or a desktop window, and apply the choice.
#include <cstdio>
#include "d3dapp.h"
#include "frametimer.h"

namespace {

// The dialog exists once at a time: its state lives here.
struct PendingChoice {
    D3DApplication* pApp;
    DWORD dwAdapter;
    DWORD dwDevice;
    DWORD dwMode;
    BOOL bWindowed;
    D3DMULTISAMPLE_TYPE MultiSampleTypeWindowed;
    D3DMULTISAMPLE_TYPE MultiSampleTypeFullscreen;
};
PendingChoice g_choice = {};
BYTE g_bFirstOpening = 1;

void TakeDeviceChoice(DeviceEntry* pDevice) {
    g_choice.dwMode = pDevice->dwCurrentMode;
    g_choice.bWindowed = pDevice->bWindowed;
}

// Fills the three lists from the table and sets the controls for the pending choice.
void Refill(HWND hAdapterList, HWND hDeviceList, HWND hModeList, HWND hWindowRadio, HWND hFullscreenRadio) {
    D3DApplication* pApp = g_choice.pApp;
    SendMessageA(hAdapterList, CB_RESETCONTENT, 0, 0);
    SendMessageA(hDeviceList, CB_RESETCONTENT, 0, 0);
    SendMessageA(hModeList, CB_RESETCONTENT, 0, 0);

    for (DWORD a = 0; a < pApp->GetNumAdapters(); a++) {
        AdapterEntry* pAdapter = pApp->GetAdapter(a);
        const LRESULT index =
            SendMessageA(hAdapterList, CB_ADDSTRING, 0, (LPARAM)pAdapter->d3dAdapterIdentifier.Description);
        if (a == g_choice.dwAdapter) SendMessageA(hAdapterList, CB_SETCURSEL, (WPARAM)index, 0);
    }

    AdapterEntry* pAdapter = pApp->GetAdapter(g_choice.dwAdapter);
    for (DWORD d = 0; d < pAdapter->dwNumDevices; d++) {
        const LRESULT index = SendMessageA(hDeviceList, CB_ADDSTRING, 0, (LPARAM)pAdapter->devices[d].strDesc);
        if (d == g_choice.dwDevice) SendMessageA(hDeviceList, CB_SETCURSEL, (WPARAM)index, 0);
    }

    DeviceEntry* pDevice = &pAdapter->devices[g_choice.dwDevice];
    for (DWORD m = 0; m < pDevice->dwNumModes; m++) {
        const ModeEntry& mode = pDevice->modes[m];
        const long bits =
            (mode.Format == D3DFMT_R8G8B8 || mode.Format == D3DFMT_A8R8G8B8 || mode.Format == D3DFMT_X8R8G8B8) ? 32
                                                                                                             : 16;
        char text[80];
        std::snprintf(text, sizeof(text), "%ld x %ld x %ld", (long)mode.Width, (long)mode.Height, bits);
        const LRESULT index = SendMessageA(hModeList, CB_ADDSTRING, 0, (LPARAM)text);
        if (m == g_choice.dwMode) SendMessageA(hModeList, CB_SETCURSEL, (WPARAM)index, 0);
    }

    EnableWindow(hWindowRadio, pDevice->bCanDoWindowed);
    if (g_choice.bWindowed) {
        SendMessageA(hWindowRadio, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(hFullscreenRadio, BM_SETCHECK, BST_UNCHECKED, 0);
        EnableWindow(hModeList, FALSE);
    } else {
        SendMessageA(hWindowRadio, BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageA(hFullscreenRadio, BM_SETCHECK, BST_CHECKED, 0);
        EnableWindow(hModeList, TRUE);
    }
}

}  // namespace

// The dialog procedure: first-opening defaults, choice tracking and apply.
INT_PTR CALLBACK D3DApplication::SelectDeviceProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND hAdapterList = GetDlgItem(hDlg, IDC_ADAPTER_COMBO);
    HWND hDeviceList = GetDlgItem(hDlg, IDC_DEVICE_COMBO);
    HWND hModeList = GetDlgItem(hDlg, IDC_FULLSCREENMODES_COMBO);
    HWND hWindowRadio = GetDlgItem(hDlg, IDC_WINDOW);
    HWND hFullscreenRadio = GetDlgItem(hDlg, IDC_FULLSCREEN);

    if (msg == WM_INITDIALOG) {
        D3DApplication* pApp = reinterpret_cast<D3DApplication*>(lParam);
        g_choice.pApp = pApp;
        const DWORD adapter = pApp->m_dwAdapter;
        AdapterEntry* pAdapter = &pApp->m_Adapters[adapter];
        DeviceEntry* pDevice = &pAdapter->devices[pAdapter->dwCurrentDevice];

        if (g_bFirstOpening) {
            // The first opening offers full screen in the first 800 x 600 16-bit mode.
            pDevice->bWindowed = FALSE;
            for (DWORD m = 0; m < pDevice->dwNumModes; m++) {
                const ModeEntry& mode = pDevice->modes[m];
                if (mode.Width == 800 && mode.Height == 600 && mode.Format != D3DFMT_R8G8B8 &&
                    mode.Format != D3DFMT_A8R8G8B8 && mode.Format != D3DFMT_X8R8G8B8) {
                    pDevice->dwCurrentMode = m;
                    break;
                }
            }
            g_bFirstOpening = 0;
        }

        g_choice.dwAdapter = adapter;
        g_choice.dwDevice = pAdapter->dwCurrentDevice;
        g_choice.dwMode = pDevice->dwCurrentMode;
        g_choice.bWindowed = pDevice->bWindowed;
        g_choice.MultiSampleTypeWindowed = pDevice->MultiSampleTypeWindowed;
        g_choice.MultiSampleTypeFullscreen = pDevice->MultiSampleTypeFullscreen;
        Refill(hAdapterList, hDeviceList, hModeList, hWindowRadio, hFullscreenRadio);
        return TRUE;
    }

    if (msg != WM_COMMAND) return FALSE;

    D3DApplication* pApp = g_choice.pApp;
    if (!pApp) return FALSE;
    g_choice.bWindowed = SendMessageA(hWindowRadio, BM_GETCHECK, 0, 0) == BST_CHECKED ? TRUE : FALSE;

    const WORD id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    if (id == IDOK) {
        pApp->m_dwAdapter = g_choice.dwAdapter;
        AdapterEntry* pAdapter = &pApp->m_Adapters[g_choice.dwAdapter];
        pAdapter->dwCurrentDevice = g_choice.dwDevice;
        DeviceEntry* pDevice = &pAdapter->devices[g_choice.dwDevice];
        pDevice->dwCurrentMode = g_choice.dwMode;
        pDevice->bWindowed = g_choice.bWindowed;
        pDevice->MultiSampleTypeWindowed = g_choice.MultiSampleTypeWindowed;
        pDevice->MultiSampleTypeFullscreen = g_choice.MultiSampleTypeFullscreen;
        EndDialog(hDlg, IDOK);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(hDlg, IDCANCEL);
        return TRUE;
    }

    if (code == CBN_SELENDOK) {
        if (id == IDC_ADAPTER_COMBO) {
            const LRESULT sel = SendMessageA(hAdapterList, CB_GETCURSEL, 0, 0);
            if (sel >= 0 && (DWORD)sel < pApp->m_dwNumAdapters) {
                g_choice.dwAdapter = (DWORD)sel;
                AdapterEntry* pAdapter = &pApp->m_Adapters[g_choice.dwAdapter];
                g_choice.dwDevice = pAdapter->dwCurrentDevice;
                TakeDeviceChoice(&pAdapter->devices[g_choice.dwDevice]);
            }
        } else if (id == IDC_DEVICE_COMBO) {
            const LRESULT sel = SendMessageA(hDeviceList, CB_GETCURSEL, 0, 0);
            AdapterEntry* pAdapter = &pApp->m_Adapters[g_choice.dwAdapter];
            if (sel >= 0 && (DWORD)sel < pAdapter->dwNumDevices) {
                g_choice.dwDevice = (DWORD)sel;
                TakeDeviceChoice(&pAdapter->devices[g_choice.dwDevice]);
            }
        } else if (id == IDC_FULLSCREENMODES_COMBO) {
            const LRESULT sel = SendMessageA(hModeList, CB_GETCURSEL, 0, 0);
            if (sel >= 0) g_choice.dwMode = (DWORD)sel;
        }
    }

    Refill(hAdapterList, hDeviceList, hModeList, hWindowRadio, hFullscreenRadio);
    return TRUE;
}

// Runs the dialog and applies the choice: at start-up only the choice is kept;
// later the device is released and created anew.
HRESULT D3DApplication::UserSelectNewDevice() {
    HRESULT hr;
    if (!m_bWindowed) {
        if (FAILED(ForceWindowed())) {
            DisplayErrorMsg(D3DAPPERR_RESIZEFAILED, MSGERR_APPMUSTEXIT);
            return E_FAIL;
        }
        // The switch left the application ready, but the dialog runs inside its
        // caller's pause: not ready, the window repaints the game at its new size
        // while the dialog is up instead of keeping the full-screen picture's corner.
        m_bReady = FALSE;
    }

    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(IDD_SELECTDEVICE), m_hWnd, SelectDeviceProc,
                        (LPARAM)this) != IDOK)
        return S_OK;

    AdapterEntry* pAdapter = &m_Adapters[m_dwAdapter];
    m_bWindowed = pAdapter->devices[pAdapter->dwCurrentDevice].bWindowed;

    InvalidateDeviceObjects();
    DeleteDeviceObjects();

    if (m_pd3dDevice) {
        const ULONG refs = m_pd3dDevice->Release();
        m_pd3dDevice = nullptr;
        if (refs > 0) return DisplayErrorMsg(D3DAPPERR_NONZEROREFCOUNT, MSGERR_APPMUSTEXIT);

        if (FAILED(hr = InitializeEnvironment())) return DisplayErrorMsg(hr, MSGERR_APPMUSTEXIT);

        if (!m_bFrameMoving) {
            m_bSingleStep = TRUE;
            FrameTimer(FT_START);
            FrameTimer(FT_STOP);
        }
    }
    return S_OK;
}
