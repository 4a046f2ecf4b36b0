// The engine's application object: starts the program (COM, window, device,
// engine), turns the framework's events into engine calls and keeps the input
// state that game code polls.
#pragma once
#include <cstdint>
#include "d3dapp.h"

class D3DFont;

// Mouse record: buttons (1 left, 2 middle, 4 right), client position and the
// movement of the current frame.
struct MouseState {
    uint32_t buttons;
    int32_t x, y;
    int32_t dx, dy;
};

// Rebindable action keys.
enum ActionSlot : uint32_t {
    ACTION_LEFT = 0,
    ACTION_RIGHT = 1,
    ACTION_FORWARD = 2,
    ACTION_BACK = 3,
    ACTION_RETURN = 4,
    ACTION_SPACE = 5,
    ACTION_ESCAPE = 6,
    ACTION_PAUSE = 7,
};

class PCSystem : public D3DApplication {
public:
    PCSystem();
    ~PCSystem() override;

    // Starts COM, the window, the device and the engine, then runs the message
    // loop until the application closes; returns the loop's result.
    int Start(HINSTANCE instance);
    void SetInstance(HINSTANCE instance) { m_hInstance = instance; }
    // Asks the application to close at the next window message.
    void RequestQuit() { m_bQuitRequested = true; }
    void SetMouseCapture(bool on);

    uint8_t IsKeyDown(uint8_t code) const { return m_aKeyDown[code]; }
    uint8_t IsActionDown(ActionSlot slot) const { return m_aKeyDown[m_aActionKeys[slot & 7]]; }
    void SetActionKey(ActionSlot slot, uint8_t code) { m_aActionKeys[slot & 7] = code; }
    uint8_t GetActionKey(ActionSlot slot) const { return m_aActionKeys[slot & 7]; }
    MouseState* GetMouse() { return &m_Mouse; }

    IDirect3DDevice8* GetDevice() const { return m_pd3dDevice; }
    const D3DCAPS8* GetDeviceCaps() const { return &m_d3dCaps; }
    const D3DSURFACE_DESC* GetBackBufferDesc() const { return &m_d3dsdBackBuffer; }
    HWND GetHWnd() const { return m_hWnd; }
    D3DFont* GetFont() const { return m_pFont; }
    const char* GetFrameStats() const { return m_strFrameStats; }

    // The framework's operations.
    HRESULT ConfirmDevice(D3DCAPS8* caps, DWORD behavior, D3DFORMAT format) override;
    HRESULT OneTimeSceneInit() override;
    HRESULT InitDeviceObjects() override;
    HRESULT RestoreDeviceObjects() override;
    HRESULT FrameMove() override;
    HRESULT Render() override;
    HRESULT InvalidateDeviceObjects() override;
    HRESULT DeleteDeviceObjects() override;
    HRESULT FinalCleanup() override;
    LRESULT MsgProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The frame's mouse movement, with the edge warp while captured.
    void UpdateMouse();

private:
    void RebaseMouse(int32_t x, int32_t y);
    RECT MouseBounds() const;

    D3DFont* m_pFont;
    HINSTANCE m_hInstance;
    MouseState m_Mouse;
    bool m_bQuitRequested;
    bool m_bShowSettingsDialog;
    bool m_bMouseCaptured;
    int32_t m_iLastMouseX, m_iLastMouseY;
    // Set when the device is restored (a mode switch, a new device, a resize): the
    // window may have moved under the pointer, whose screen place then was this
    // (moved along while the pointer is only being brought into the window), and
    // the absolute time until which the pointer's moves are the system's.
    bool m_bMouseRebase;
    POINT m_ptRebase;
    float m_fMouseSettleEnd;
    uint8_t m_aKeyDown[256];
    uint8_t m_aActionKeys[8];
};

PCSystem* GetPCSystem();
