// The Direct3D application framework: the window and its menus, the table of
// adapters, devices and display modes, device creation, reset and switching, the
// message loop and the per-frame driver. The engine's application object derives
// from it and plugs in through the virtual operations.
#pragma once
#include <cstdint>
#include "windows.h"
#include "d3d8.h"

// Table sizes: enumeration stops adding at these limits.
constexpr uint32_t kMaxAdapters = 10;
constexpr uint32_t kMaxDevicesPerAdapter = 5;
constexpr uint32_t kMaxModesPerDevice = 150;
constexpr uint32_t kMaxEnumModes = 100;
constexpr uint32_t kMaxEnumFormats = 20;

// The framework's own error codes.
constexpr HRESULT D3DAPPERR_NODIRECT3D = (HRESULT)0x82000001;
constexpr HRESULT D3DAPPERR_NOWINDOW = (HRESULT)0x82000002;
constexpr HRESULT D3DAPPERR_NOCOMPATIBLEDEVICES = (HRESULT)0x82000003;
constexpr HRESULT D3DAPPERR_NOWINDOWABLEDEVICES = (HRESULT)0x82000004;
constexpr HRESULT D3DAPPERR_NOHARDWAREDEVICE = (HRESULT)0x82000005;
constexpr HRESULT D3DAPPERR_HALNOTCOMPATIBLE = (HRESULT)0x82000006;
constexpr HRESULT D3DAPPERR_NOWINDOWEDHAL = (HRESULT)0x82000007;
constexpr HRESULT D3DAPPERR_NODESKTOPHAL = (HRESULT)0x82000008;
constexpr HRESULT D3DAPPERR_NOHALTHISMODE = (HRESULT)0x82000009;
constexpr HRESULT D3DAPPERR_NONZEROREFCOUNT = (HRESULT)0x8200000a;
constexpr HRESULT D3DAPPERR_MEDIANOTFOUND = (HRESULT)0x8200000b;
constexpr HRESULT D3DAPPERR_RESIZEFAILED = (HRESULT)0x8200000c;
constexpr HRESULT D3DAPPERR_NULLREFDEVICE = (HRESULT)0x8200000d;

// Message types of DisplayErrorMsg.
enum AppMsgType : uint32_t { MSG_NONE = 0, MSGERR_APPMUSTEXIT = 1, MSGWARN_SWITCHEDTOREF = 2 };

// Menu commands of the window's menus and accelerators.
constexpr UINT IDM_CHANGEDEVICE = 40001;
constexpr UINT IDM_EXIT = 40002;
constexpr UINT IDM_TOGGLESTART = 40003;
constexpr UINT IDM_TOGGLEFULLSCREEN = 40004;

// Resource ids.
constexpr int IDI_MAIN_ICON = 101;
constexpr int IDD_SELECTDEVICE = 106;
constexpr int IDR_POPUP = 107;
constexpr int IDR_MENU = 108;
constexpr int IDR_MAIN_ACCEL = 109;
constexpr int IDC_ADAPTER_COMBO = 1000;
constexpr int IDC_DEVICE_COMBO = 1001;
constexpr int IDC_FULLSCREENMODES_COMBO = 1002;
constexpr int IDC_FULLSCREEN = 1003;
constexpr int IDC_WINDOW = 1004;

struct ModeEntry {
    DWORD Width;
    DWORD Height;
    D3DFORMAT Format;
    DWORD dwBehavior;             // D3DCREATE_* flags for this format
    D3DFORMAT DepthStencilFormat; // 0 when no depth buffer is used
};

struct DeviceEntry {
    D3DDEVTYPE DeviceType;
    D3DCAPS8 d3dCaps;
    const char* strDesc;          // "HAL" or "REF"
    BOOL bCanDoWindowed;
    DWORD dwNumModes;
    ModeEntry modes[kMaxModesPerDevice];
    DWORD dwCurrentMode;
    BOOL bWindowed;
    D3DMULTISAMPLE_TYPE MultiSampleTypeWindowed;
    D3DMULTISAMPLE_TYPE MultiSampleTypeFullscreen;
};

struct AdapterEntry {
    D3DADAPTER_IDENTIFIER8 d3dAdapterIdentifier;
    D3DDISPLAYMODE d3ddmDesktop;
    DWORD dwNumDevices;
    DeviceEntry devices[kMaxDevicesPerAdapter];
    DWORD dwCurrentDevice;
};

class D3DApplication {
public:
    D3DApplication();
    virtual ~D3DApplication() = default;

    // The fourteen operations the application plugs into, in slot order.
    virtual void AdjustWindowStyle();
    virtual HRESULT ConfirmDevice(D3DCAPS8* caps, DWORD behavior, D3DFORMAT format);
    virtual HRESULT OneTimeSceneInit() { return S_OK; }
    virtual HRESULT InitDeviceObjects() { return S_OK; }
    virtual HRESULT RestoreDeviceObjects() { return S_OK; }
    virtual HRESULT FrameMove() { return S_OK; }
    virtual HRESULT Render() { return S_OK; }
    virtual HRESULT InvalidateDeviceObjects() { return S_OK; }
    virtual HRESULT DeleteDeviceObjects() { return S_OK; }
    virtual HRESULT FinalCleanup() { return S_OK; }
    virtual HRESULT Create(HINSTANCE instance);
    virtual INT Run();
    virtual LRESULT MsgProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void Pause(BOOL pause);

    static LRESULT CALLBACK WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK SelectDeviceProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam);

    HRESULT BuildDeviceList();
    BOOL FindDepthStencilFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT targetFormat,
                                D3DFORMAT* depthStencilFormat);
    static int SortModes(const void* a, const void* b);

    HRESULT RenderEnvironment();
    HRESULT InitializeEnvironment();
    HRESULT ResizeEnvironment();
    HRESULT ToggleFullscreen();
    HRESULT ForceWindowed();
    HRESULT UserSelectNewDevice();
    void CleanupEnvironment();
    HRESULT DisplayErrorMsg(HRESULT code, DWORD type);

    // Read access for the application object and tests.
    IDirect3DDevice8* GetD3DDevice() const { return m_pd3dDevice; }
    const D3DCAPS8* GetD3DCaps() const { return &m_d3dCaps; }
    const D3DSURFACE_DESC* GetD3DBackBufferDesc() const { return &m_d3dsdBackBuffer; }
    HWND GetMainWindow() const { return m_hWnd; }
    const char* GetFrameStatsText() const { return m_strFrameStats; }
    const char* GetDeviceStatsText() const { return m_strDeviceStats; }
    BOOL IsActive() const { return m_bActive; }
    BOOL IsReady() const { return m_bReady; }
    BOOL IsWindowed() const { return m_bWindowed; }
    BOOL IsFrameMoving() const { return m_bFrameMoving; }
    DWORD GetNumAdapters() const { return m_dwNumAdapters; }
    DWORD GetCurrentAdapter() const { return m_dwAdapter; }
    AdapterEntry* GetAdapter(DWORD index) { return &m_Adapters[index]; }
    const D3DPRESENT_PARAMETERS& GetPresentParameters() const { return m_d3dpp; }
    float GetTime() const { return m_fTime; }
    float GetElapsedTime() const { return m_fElapsedTime; }

    // Test support: the process-wide pause counter and statistics back to their start.
    static void ResetProcessState();

protected:
    void FillPresentParameters();
    void ApplyCursorSettings();
    void UpdateFrameStats();

    AdapterEntry m_Adapters[kMaxAdapters];
    DWORD m_dwNumAdapters;
    DWORD m_dwAdapter;
    BOOL m_bWindowed;
    BOOL m_bActive;
    BOOL m_bReady;
    BOOL m_bHasFocus;
    BOOL m_bFrameMoving;
    BOOL m_bSingleStep;

    D3DPRESENT_PARAMETERS m_d3dpp;
    HWND m_hWnd;
    HWND m_hWndFocus;
    HMENU m_hMenu;
    IDirect3D8* m_pD3D;
    IDirect3DDevice8* m_pd3dDevice;
    D3DCAPS8 m_d3dCaps;
    D3DSURFACE_DESC m_d3dsdBackBuffer;
    DWORD m_dwCreateFlags;
    DWORD m_dwWindowStyle;
    RECT m_rcWindowBounds;
    RECT m_rcWindowClient;

    float m_fTime;
    float m_fElapsedTime;
    float m_fFPS;
    char m_strDeviceStats[90];
    char m_strFrameStats[90];

    const char* m_strWindowTitle;
    BOOL m_bUseDepthBuffer;
    DWORD m_dwMinDepthBits;
    DWORD m_dwMinStencilBits;
    DWORD m_dwCreationWidth;
    DWORD m_dwCreationHeight;
    BOOL m_bShowCursorWhenFullscreen;
    BOOL m_bClipCursorWhenFullscreen;
};

// Copies a cursor's pictures into a device cursor image, optionally with a mark.
HRESULT SetDeviceCursor(IDirect3DDevice8* device, HCURSOR cursor, BOOL addWatermark);
