// The application framework: window and menus, the message loop, the per-frame
// driver with its statistics, pauses and the window procedure.
#include "d3dapp.h"
#include <cstdio>
#include <cstring>
#include "frametimer.h"
#include "wingdi.h"

namespace {
// The object the window procedure forwards to.
D3DApplication* g_pD3DApp = nullptr;
// Pauses nest: only the outermost stops the clock, only the last resume restarts it.
int32_t g_iPauseCount = 0;
// Frames since the statistics were last rebuilt, and when that was.
DWORD g_dwStatsFrames = 0;
float g_fLastStatsTime = 0.0f;

const char* DepthStencilSuffix(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16: return " (D16)";
        case D3DFMT_D15S1: return " (D15S1)";
        case D3DFMT_D24X8: return " (D24X8)";
        case D3DFMT_D24S8: return " (D24S8)";
        case D3DFMT_D24X4S4: return " (D24X4S4)";
        case D3DFMT_D32: return " (D32)";
        default: return "";
    }
}
}  // namespace

D3DApplication::D3DApplication() {
    g_pD3DApp = this;
    std::memset(m_Adapters, 0, sizeof(m_Adapters));
    m_dwNumAdapters = 0;
    m_dwAdapter = 0;
    m_bWindowed = TRUE;
    m_bActive = FALSE;
    m_bReady = FALSE;
    m_bHasFocus = FALSE;
    m_bFrameMoving = TRUE;
    m_bSingleStep = FALSE;
    std::memset(&m_d3dpp, 0, sizeof(m_d3dpp));
    m_hWnd = nullptr;
    m_hWndFocus = nullptr;
    m_hMenu = nullptr;
    m_pD3D = nullptr;
    m_pd3dDevice = nullptr;
    std::memset(&m_d3dCaps, 0, sizeof(m_d3dCaps));
    std::memset(&m_d3dsdBackBuffer, 0, sizeof(m_d3dsdBackBuffer));
    m_dwCreateFlags = 0;
    m_dwWindowStyle = 0;
    m_rcWindowBounds = RECT{0, 0, 0, 0};
    m_rcWindowClient = RECT{0, 0, 0, 0};
    m_fTime = 0.0f;
    m_fElapsedTime = 0.0f;
    m_fFPS = 0.0f;
    m_strDeviceStats[0] = '\0';
    m_strFrameStats[0] = '\0';
    m_strWindowTitle = "D3D8 Application";
    m_bUseDepthBuffer = FALSE;
    m_dwMinDepthBits = 16;
    m_dwMinStencilBits = 0;
    m_dwCreationWidth = 640;
    m_dwCreationHeight = 480;
    m_bShowCursorWhenFullscreen = FALSE;
    m_bClipCursorWhenFullscreen = FALSE;
}

void D3DApplication::ResetProcessState() {
    g_iPauseCount = 0;
    g_dwStatsFrames = 0;
    g_fLastStatsTime = 0.0f;
}

LRESULT CALLBACK D3DApplication::WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!g_pD3DApp) return DefWindowProcA(hWnd, msg, wParam, lParam);
    return g_pD3DApp->MsgProc(hWnd, msg, wParam, lParam);
}

HRESULT D3DApplication::ConfirmDevice(D3DCAPS8*, DWORD, D3DFORMAT) { return S_OK; }

// Creates the Direct3D object, the device table, the window and the device.
HRESULT D3DApplication::Create(HINSTANCE instance) {
    m_pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (!m_pD3D) return DisplayErrorMsg(D3DAPPERR_NODIRECT3D, MSGERR_APPMUSTEXIT);

    HRESULT hr = BuildDeviceList();
    if (FAILED(hr)) {
        m_pD3D->Release();
        m_pD3D = nullptr;
        return DisplayErrorMsg(hr, MSGERR_APPMUSTEXIT);
    }

    if (!m_hWnd) {
        WNDCLASSA wc;
        std::memset(&wc, 0, sizeof(wc));
        wc.style = 0;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, MAKEINTRESOURCE(IDI_MAIN_ICON));
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        wc.lpszMenuName = nullptr;
        wc.lpszClassName = "D3D Window";
        RegisterClassA(&wc);

        m_dwWindowStyle = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
        RECT rc;
        rc.left = 0;
        rc.top = 0;
        rc.right = (LONG)m_dwCreationWidth;
        rc.bottom = (LONG)m_dwCreationHeight;
        AdjustWindowRect(&rc, m_dwWindowStyle, TRUE);
        m_hWnd = CreateWindowA("D3D Window", m_strWindowTitle, m_dwWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                               rc.right - rc.left, rc.bottom - rc.top, nullptr,
                               LoadMenuA(instance, MAKEINTRESOURCE(IDR_MENU)), instance, nullptr);
    }
    if (!m_hWndFocus) m_hWndFocus = m_hWnd;

    m_dwWindowStyle = (DWORD)GetWindowLongA(m_hWnd, GWL_STYLE);
    GetWindowRect(m_hWnd, &m_rcWindowBounds);
    GetClientRect(m_hWnd, &m_rcWindowClient);

    FrameTimer(FT_START);

    hr = OneTimeSceneInit();
    if (FAILED(hr)) {
        m_pD3D->Release();
        m_pD3D = nullptr;
        return DisplayErrorMsg(hr, MSGERR_APPMUSTEXIT);
    }

    hr = InitializeEnvironment();
    if (FAILED(hr)) {
        if (m_pD3D) {
            m_pD3D->Release();
            m_pD3D = nullptr;
        }
        return DisplayErrorMsg(hr, MSGERR_APPMUSTEXIT);
    }

    m_bReady = TRUE;
    return S_OK;
}

// The message loop: messages first; frames whenever the queue is empty and the
// application is active and ready; waits for messages while inactive.
INT D3DApplication::Run() {
    HACCEL hAccel = LoadAcceleratorsA(nullptr, MAKEINTRESOURCE(IDR_MAIN_ACCEL));

    MSG msg;
    std::memset(&msg, 0, sizeof(msg));
    PeekMessageA(&msg, nullptr, 0U, 0U, PM_NOREMOVE);
    msg.message = WM_NULL;

    while (msg.message != WM_QUIT) {
        BOOL bGotMsg;
        if (m_bActive) bGotMsg = PeekMessageA(&msg, nullptr, 0U, 0U, PM_REMOVE);
        else bGotMsg = GetMessageA(&msg, nullptr, 0U, 0U) ? TRUE : (msg.message == WM_QUIT);

        if (bGotMsg) {
            if (msg.message == WM_QUIT) break;
            if (hAccel == nullptr || m_hWnd == nullptr || 0 == TranslateAcceleratorA(m_hWnd, hAccel, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else if (m_bActive && m_bReady) {
            if (FAILED(RenderEnvironment())) SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
        }
    }
    if (hAccel) DestroyAcceleratorTable(hAccel);
    return (INT)msg.wParam;
}

// One frame: device checks, the scene update, drawing, statistics and present.
HRESULT D3DApplication::RenderEnvironment() {
    HRESULT hr = m_pd3dDevice->TestCooperativeLevel();
    if (FAILED(hr)) {
        if (hr == D3DERR_DEVICELOST) return S_OK;
        if (hr == D3DERR_DEVICENOTRESET) {
            if (m_bWindowed) {
                AdapterEntry* pAdapter = &m_Adapters[m_dwAdapter];
                m_pD3D->GetAdapterDisplayMode(m_dwAdapter, &pAdapter->d3ddmDesktop);
                m_d3dpp.BackBufferFormat = pAdapter->d3ddmDesktop.Format;
            }
            return ResizeEnvironment();
        }
        return hr;
    }

    const float fAppTime = FrameTimer(FT_APPTIME);
    const float fElapsedAppTime = FrameTimer(FT_ELAPSED);
    if (fElapsedAppTime == 0.0f && m_bFrameMoving) return S_OK;

    if (m_bFrameMoving || m_bSingleStep) {
        m_fTime = fAppTime;
        m_fElapsedTime = fElapsedAppTime;
        if (FAILED(hr = FrameMove())) return hr;
        m_bSingleStep = FALSE;
    }

    if (FAILED(hr = Render())) return hr;

    UpdateFrameStats();

    m_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}

// Frames per second and the statistics text, at most once a second.
void D3DApplication::UpdateFrameStats() {
    const float fTime = FrameTimer(FT_ABSOLUTE);
    ++g_dwStatsFrames;
    if (fTime - g_fLastStatsTime <= 1.0f) return;

    m_fFPS = (float)g_dwStatsFrames / (fTime - g_fLastStatsTime);
    g_fLastStatsTime = fTime;
    g_dwStatsFrames = 0;

    const AdapterEntry& adapter = m_Adapters[m_dwAdapter];
    const DeviceEntry& device = adapter.devices[adapter.dwCurrentDevice];
    const ModeEntry& mode = device.modes[device.dwCurrentMode];
    const int bits = adapter.d3ddmDesktop.Format == D3DFMT_X8R8G8B8 ? 32 : 16;

    char text[90];
    std::snprintf(text, sizeof(text), "%.02f FPS (%dX%dX%d)", m_fFPS, (int)m_d3dsdBackBuffer.Width,
                  (int)m_d3dsdBackBuffer.Height, bits);
    size_t len = std::strlen(text);
    if (m_bUseDepthBuffer) {
        std::snprintf(text + len, sizeof(text) - len, "%s", DepthStencilSuffix(mode.DepthStencilFormat));
        len = std::strlen(text);
    }
    const D3DMULTISAMPLE_TYPE ms = m_bWindowed ? device.MultiSampleTypeWindowed : device.MultiSampleTypeFullscreen;
    if (ms >= 2 && ms <= 16) std::snprintf(text + len, sizeof(text) - len, " (%dx Multisample)", (int)ms);
    std::memcpy(m_strFrameStats, text, sizeof(m_strFrameStats));
}

void D3DApplication::Pause(BOOL pause) {
    g_iPauseCount += pause ? +1 : -1;
    m_bReady = g_iPauseCount == 0 ? TRUE : FALSE;
    if (pause && g_iPauseCount == 1 && m_bFrameMoving) FrameTimer(FT_STOP);
    if (g_iPauseCount == 0 && m_bFrameMoving) FrameTimer(FT_START);
}

LRESULT D3DApplication::MsgProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT:
            if (m_pd3dDevice && !m_bReady && m_bWindowed) {
                Render();
                m_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
            }
            break;

        case WM_GETMINMAXINFO:
            ((MINMAXINFO*)lParam)->ptMinTrackSize.x = 100;
            ((MINMAXINFO*)lParam)->ptMinTrackSize.y = 100;
            break;

        case WM_ENTERSIZEMOVE:
            Pause(TRUE);
            break;

        case WM_EXITSIZEMOVE:
            Pause(FALSE);
            if (m_bActive && m_bWindowed) {
                RECT rcOldClient = m_rcWindowClient;
                GetWindowRect(m_hWnd, &m_rcWindowBounds);
                GetClientRect(m_hWnd, &m_rcWindowClient);
                if (rcOldClient.right - rcOldClient.left != m_rcWindowClient.right - m_rcWindowClient.left ||
                    rcOldClient.bottom - rcOldClient.top != m_rcWindowClient.bottom - m_rcWindowClient.top) {
                    m_bReady = FALSE;
                    m_d3dpp.BackBufferWidth = (UINT)(m_rcWindowClient.right - m_rcWindowClient.left);
                    m_d3dpp.BackBufferHeight = (UINT)(m_rcWindowClient.bottom - m_rcWindowClient.top);
                    if (FAILED(ResizeEnvironment())) {
                        DisplayErrorMsg(D3DAPPERR_RESIZEFAILED, MSGERR_APPMUSTEXIT);
                        return 0;
                    }
                    m_bReady = TRUE;
                }
            }
            break;

        case WM_SIZE:
            if (wParam == SIZE_MAXHIDE || wParam == SIZE_MINIMIZED) {
                if (m_bClipCursorWhenFullscreen && !m_bWindowed) ClipCursor(nullptr);
                m_bActive = FALSE;
            } else {
                m_bActive = TRUE;
            }
            break;

        case WM_ACTIVATEAPP:
            m_bHasFocus = (BOOL)wParam;
            break;

        case WM_SETCURSOR:
            if (m_bActive && m_bReady) {
                SetCursor(nullptr);
                return TRUE;
            }
            break;

        case WM_ENTERMENULOOP:
            Pause(TRUE);
            break;

        case WM_EXITMENULOOP:
            Pause(FALSE);
            break;

        case WM_CONTEXTMENU:
            if (m_bWindowed) {
                HMENU hMenu = LoadMenuA(nullptr, MAKEINTRESOURCE(IDR_POPUP));
                HMENU hPopup = GetSubMenu(hMenu, 0);
                TrackPopupMenuEx(hPopup, TPM_VERTICAL, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), hWnd, nullptr);
                DestroyMenu(hMenu);
            }
            break;

        case WM_NCHITTEST:
            if (!m_bWindowed) return HTCLIENT;
            break;

        case WM_POWERBROADCAST:
            if (wParam == PBT_APMQUERYSUSPEND || wParam == PBT_APMRESUMESUSPEND) return TRUE;
            break;

        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_MOVE:
                case SC_SIZE:
                case SC_MAXIMIZE:
                case SC_KEYMENU:
                case SC_MONITORPOWER:
                    if (!m_bWindowed) return 1;
                    break;
                default:
                    break;
            }
            break;

        case WM_MOUSEMOVE:
            if (m_bActive && m_bReady && m_pd3dDevice) {
                POINT ptCursor;
                GetCursorPos(&ptCursor);
                if (!m_bWindowed) ScreenToClient(m_hWnd, &ptCursor);
                m_pd3dDevice->SetCursorPosition(ptCursor.x, ptCursor.y, 0);
            }
            break;

        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDM_TOGGLESTART:
                    m_bFrameMoving = !m_bFrameMoving;
                    FrameTimer(m_bFrameMoving ? FT_START : FT_STOP);
                    break;

                case IDM_CHANGEDEVICE:
                    if (m_bActive && m_bReady) {
                        Pause(TRUE);
                        if (SUCCEEDED(UserSelectNewDevice())) Pause(FALSE);
                    }
                    return 0;

                case IDM_TOGGLEFULLSCREEN:
                    if (m_bActive && m_bReady) {
                        Pause(TRUE);
                        if (FAILED(ToggleFullscreen())) DisplayErrorMsg(D3DAPPERR_RESIZEFAILED, MSGERR_APPMUSTEXIT);
                        else Pause(FALSE);
                    }
                    return 0;

                case IDM_EXIT:
                    SendMessageA(hWnd, WM_CLOSE, 0, 0);
                    return 0;

                default:
                    break;
            }
            break;

        case WM_CLOSE: {
            // A close asked for while the shut-down below runs (the game may ask to
            // quit from its own shut-down) must not release everything twice.
            static bool s_bClosing = false;
            if (s_bClosing) return 0;
            s_bClosing = true;
            CleanupEnvironment();
            HMENU hMenu = GetMenu(hWnd);
            if (hMenu) DestroyMenu(hMenu);
            // Closed in full screen, the menu bar is the one put aside.
            if (m_hMenu) {
                DestroyMenu(m_hMenu);
                m_hMenu = nullptr;
            }
            DestroyWindow(hWnd);
            if (hWnd == m_hWnd) m_hWnd = nullptr;
            PostQuitMessage(0);
            s_bClosing = false;
            return 0;
        }

        default:
            break;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}
