// The application object: program start, the framework's events turned into
// engine calls, and the keyboard and mouse state.
#include "pcsystem.h"
#include <cstring>
#include <new>
#include "d3dfont.h"
#include "frametimer.h"
#include "gameengine.h"
#include "renderdevice.h"
#include "renderer.h"
#include "trap.h"

namespace {
// A frame's mouse movement beyond this is a cursor warp, not a move.
const int32_t kMaxMouseStep = 150;
// Seconds after a device restore in which the pointer's moves are the system's:
// a window manager placing the window, a desktop holding the pointer inside it.
const float kMouseSettleTime = 0.25f;
}  // namespace

PCSystem::PCSystem()
    : m_pFont(nullptr), m_hInstance(nullptr), m_Mouse(), m_bQuitRequested(false), m_bShowSettingsDialog(true),
      m_bMouseCaptured(false), m_iLastMouseX(0), m_iLastMouseY(0), m_bMouseRebase(false), m_ptRebase{0, 0},
      m_fMouseSettleEnd(0.0f) {
    m_strWindowTitle = "QUIL-ENGINE";
    m_bUseDepthBuffer = TRUE;
    m_pFont = new (std::nothrow) D3DFont("Arial Black", 32, 1);
    std::memset(m_aKeyDown, 0, sizeof(m_aKeyDown));
    static const uint8_t kDefaultKeys[8] = {0x25, 0x27, 0x26, 0x28, 0x0D, 0x20, 0x1B, 0x50};
    std::memcpy(m_aActionKeys, kDefaultKeys, sizeof(m_aActionKeys));
}

PCSystem::~PCSystem() { delete m_pFont; }

PCSystem* GetPCSystem() {
    static PCSystem system;
    return &system;
}

int PCSystem::Start(HINSTANCE instance) {
    CoInitialize(nullptr);
    SetInstance(instance);
    if (FAILED(Create(instance))) {
        Trap(__FILE__, __LINE__, "Could not create PC System\n");
        return 0;
    }
    m_iLastMouseX = 0;
    m_iLastMouseY = 0;
    GetGameEngine()->Init();
    return Run();
}

void PCSystem::SetMouseCapture(bool on) {
    if (on == m_bMouseCaptured) return;
    m_bMouseCaptured = on;
    m_bMouseRebase = false;
    if (on) SetCapture(m_hWnd);
    else ReleaseCapture();
}

// Devices are only created with mixed or software vertex processing, and only
// on devices with vertex fog.
HRESULT PCSystem::ConfirmDevice(D3DCAPS8* caps, DWORD behavior, D3DFORMAT) {
    if (behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING) return E_FAIL;
    if (!(caps->RasterCaps & D3DPRASTERCAPS_FOGVERTEX)) return E_FAIL;
    return S_OK;
}

// The first settings dialog, before the device exists; then the window is shown.
HRESULT PCSystem::OneTimeSceneInit() {
    if (m_bShowSettingsDialog) {
        m_bShowSettingsDialog = false;
        Pause(TRUE);
        UserSelectNewDevice();
        Pause(FALSE);
    }
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
    return S_OK;
}

HRESULT PCSystem::InitDeviceObjects() {
    RenderDevice_Bind(m_pd3dDevice, m_d3dCaps, m_d3dsdBackBuffer);
    RenderDevice_SetFont(m_pFont);
    RenderDevice_SetFrameStats(m_strFrameStats);
    if (m_pFont) m_pFont->InitDeviceObjects(m_pd3dDevice);
    return S_OK;
}

HRESULT PCSystem::RestoreDeviceObjects() {
    // The back buffer may have a new size after a reset.
    RenderDevice_Bind(m_pd3dDevice, m_d3dCaps, m_d3dsdBackBuffer);
    if (m_pFont) m_pFont->RestoreDeviceObjects();
    SetCursor(nullptr);
    GetRenderer()->RestoreDeviceObjects();
    // Only a captured mouse follows the pointer (see RebaseMouse).
    m_bMouseRebase = m_bMouseCaptured;
    GetCursorPos(&m_ptRebase);
    m_fMouseSettleEnd = FrameTimer(FT_ABSOLUTE) + kMouseSettleTime;
    return S_OK;
}

HRESULT PCSystem::FrameMove() {
    UpdateMouse();
    GetGameEngine()->Update(m_fElapsedTime);
    return S_OK;
}

HRESULT PCSystem::Render() {
    GetRenderer()->Render();
    return S_OK;
}

HRESULT PCSystem::InvalidateDeviceObjects() {
    if (m_pFont) m_pFont->InvalidateDeviceObjects();
    GetRenderer()->InvalidateDeviceObjects();
    return S_OK;
}

HRESULT PCSystem::DeleteDeviceObjects() {
    GetRenderer()->DeleteDeviceObjects();
    if (m_pFont) m_pFont->DeleteDeviceObjects();
    RenderDevice_Unbind();
    return S_OK;
}

HRESULT PCSystem::FinalCleanup() {
    if (m_pFont) {
        delete m_pFont;
        m_pFont = nullptr;
        RenderDevice_SetFont(nullptr);
    }
    GetGameEngine()->Shutdown();
    SetMouseCapture(false);
    CoUninitialize();
    return S_OK;
}

LRESULT PCSystem::MsgProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    m_Mouse.dx = 0;
    m_Mouse.dy = 0;
    switch (msg) {
        case WM_LBUTTONDOWN: m_Mouse.buttons |= 1; break;
        case WM_LBUTTONUP: m_Mouse.buttons &= ~1u; break;
        case WM_MBUTTONDOWN: m_Mouse.buttons |= 2; break;
        case WM_MBUTTONUP: m_Mouse.buttons &= ~2u; break;
        case WM_RBUTTONDOWN: m_Mouse.buttons |= 4; break;
        case WM_RBUTTONUP: m_Mouse.buttons &= ~4u; break;
        case WM_MOUSEMOVE:
            // Signed, so that positions left of or above the client area stay negative.
            if (m_bMouseCaptured) {
                if (m_bMouseRebase) RebaseMouse(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
                m_Mouse.x = GET_X_LPARAM(lParam);
                m_Mouse.y = GET_Y_LPARAM(lParam);
            }
            break;
        case WM_KEYDOWN:
            // Codes outside the table never reach it.
            if (wParam < 256) m_aKeyDown[wParam] = 1;
            // F1 toggles full screen on its first press only, not on auto-repeats.
            if (wParam == VK_F1 && !(lParam & (1L << 30)) && m_bActive && m_bReady) {
                Pause(TRUE);
                if (FAILED(ToggleFullscreen())) {
                    DisplayErrorMsg(D3DAPPERR_RESIZEFAILED, MSGERR_APPMUSTEXIT);
                    return 0;
                }
                Pause(FALSE);
            }
            break;
        case WM_KEYUP:
            if (wParam < 256) m_aKeyDown[wParam] = 0;
            break;
        default:
            break;
    }
    if (m_bQuitRequested) {
        m_bQuitRequested = false;
        SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    }
    return D3DApplication::MsgProc(hWnd, msg, wParam, lParam);
}

// The first mouse moves after a device restore: the window may have moved or
// changed size under the pointer (full screen and back), which changes the
// client position of a pointer that stayed still. The last position moves with
// the window, so that only the pointer's own movement on the screen shows as the
// frame's dx and dy. Moves of the pointer itself soon after the restore are the
// system's too: a desktop that holds a captured pointer inside its window moves
// it along while the window changes, or to the edge of a window that left it
// outside (from where the edge warp takes it across). Those and a pointer on or
// beyond the edge only move the place its own movement counts from. Ends with
// the first move of the pointer itself.
void PCSystem::RebaseMouse(int32_t x, int32_t y) {
    POINT p;
    GetCursorPos(&p);
    const RECT r = MouseBounds();
    if (FrameTimer(FT_ABSOLUTE) < m_fMouseSettleEnd || p.x >= r.right || p.x <= r.left || p.y >= r.bottom ||
        p.y <= r.top) {
        m_iLastMouseX += x - m_Mouse.x;
        m_iLastMouseY += y - m_Mouse.y;
        m_ptRebase = p;
        return;
    }
    // Where the pointer was at the restore, in the window's new client coordinates.
    const int32_t thenX = m_ptRebase.x - p.x + x, thenY = m_ptRebase.y - p.y + y;
    m_iLastMouseX += thenX - m_Mouse.x;
    m_iLastMouseY += thenY - m_Mouse.y;
    if (p.x != m_ptRebase.x || p.y != m_ptRebase.y) m_bMouseRebase = false;
}

// The edge warp's bounds on the screen: the window's rectangle (frame included)
// in a window, the back buffer in full screen.
RECT PCSystem::MouseBounds() const {
    RECT r;
    if (m_bWindowed) {
        GetWindowRect(m_hWnd, &r);
    } else {
        r.left = 0;
        r.top = 0;
        r.right = (LONG)m_d3dsdBackBuffer.Width - 1;
        r.bottom = (LONG)m_d3dsdBackBuffer.Height - 1;
    }
    return r;
}

// Reads the cursor while captured, warps it at the edges of the window (or the
// screen in full screen), and works out the frame's movement.
void PCSystem::UpdateMouse() {
    // The warp only runs while the window has the focus, so the cursor is never
    // held while another program is active.
    if (m_bMouseCaptured && m_bHasFocus) {
        POINT p;
        GetCursorPos(&p);
        const RECT r = MouseBounds();
        bool warped = false;
        if (p.x >= r.right) {
            m_Mouse.x = 3;
            p.x = r.left + 3;
            warped = true;
        } else if (p.x <= r.left) {
            m_Mouse.x = r.right - r.left - 3;
            p.x = r.right - 3;
            warped = true;
        }
        if (p.y >= r.bottom) {
            m_Mouse.y = 3;
            p.y = r.top + 3;
            warped = true;
        } else if (p.y <= r.top) {
            m_Mouse.y = r.bottom - r.top - 3;
            // Deliberately one pixel from the bottom, where the other edges land three
            // pixels in: the game has always warped this way, so the asymmetry stays.
            p.y = r.bottom - 1;
            warped = true;
        }
        if (warped) {
            SetCursorPos(p.x, p.y);
            if (m_bMouseRebase) {
                // Bringing a still pointer into the new window is no movement: its
                // own moves count from where the warp put it.
                GetCursorPos(&m_ptRebase);
                m_iLastMouseX = m_Mouse.x;
                m_iLastMouseY = m_Mouse.y;
            }
        }
    }

    int32_t dx = m_Mouse.x - m_iLastMouseX;
    int32_t dy = m_Mouse.y - m_iLastMouseY;
    if (dx > kMaxMouseStep || dx < -kMaxMouseStep) dx = 0;
    if (dy > kMaxMouseStep || dy < -kMaxMouseStep) dy = 0;
    m_Mouse.dx = dx;
    m_Mouse.dy = dy;
    m_iLastMouseX = m_Mouse.x;
    m_iLastMouseY = m_Mouse.y;
}
