// State shared by the window platform's sources: windows, classes, menus, the
// message queue and the per-window drawing of the menu strip.
#pragma once
#include <SDL.h>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include "windows.h"

struct ImGuiContext;
struct SDL_SysWMmsg;

namespace w32 {

// Pixel sizes of the frame the stand-in pretends to draw around a window.
constexpr int kBorder = 4;          // each side, for WS_THICKFRAME or WS_DLGFRAME
constexpr int kCaption = 23;        // WS_CAPTION
constexpr int kMenuStrip = 20;      // the menu bar drawn above the client area
constexpr int kMenuItemHeight = 20; // one row of a popup menu
constexpr int kCharWidth = 7;       // advance of the menu font (ImGui's built-in one)

struct MenuItem {
    std::string text;  // with '&' marking the mnemonic
    UINT id = 0;
    UINT flags = 0;    // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_CHECKED
    HMENU popup = nullptr;
};
struct Menu {
    std::vector<MenuItem> items;
    bool owned = false;  // a submenu is destroyed with its parent
};

struct WindowClass {
    std::string name;
    WNDCLASSA wc{};
};

struct Control;
struct DialogState;
struct ImGuiHost;

struct Window {
    HWND hwnd = nullptr;
    std::string className;
    WNDPROC proc = nullptr;
    DLGPROC dlgProc = nullptr;
    DWORD style = 0, exStyle = 0;
    HWND parent = nullptr;
    HMENU menu = nullptr;
    int id = 0;
    std::string title;
    LONG_PTR userData = 0;
    bool visible = false;
    bool enabled = true;
    bool minimized = false;
    bool destroying = false;
    bool invalid = false;   // needs WM_PAINT
    // Screen position of the SDL window's top-left (the menu strip starts here).
    int sdlX = 0, sdlY = 0;
    int clientW = 0, clientH = 0;
    std::vector<std::pair<int, int>> pendingSizes;  // SDL sizes the program set, not yet reported back
    SDL_Window* sdl = nullptr;
    void* gl = nullptr;            // the GL context the device draws with
    bool ownsGl = false;           // dialogs create their own
    std::unique_ptr<ImGuiHost> imgui;
    std::unique_ptr<Control> control;     // for dialog controls
    std::unique_ptr<DialogState> dialog;  // for dialog windows
    Window();
    ~Window();
};

// Handle tables.
Window* Find(HWND hwnd);
Menu* FindMenu(HMENU menu);
HMENU NewMenu();
Window* FindBySdlId(Uint32 id);
std::vector<HWND> AllWindows();

// Frame metrics.
int StripHeight(const Window& w);   // menu strip in pixels (0 without a menu or in full screen)
RECT FrameInsets(DWORD style);      // left/top/right/bottom sizes of the pretended frame
RECT WindowRectOf(const Window& w); // screen, frame included
void ResizeClient(Window& w, int clientW, int clientH);

// Activation and window state.
HWND ActiveWindow();
bool AppActive();
void Activate(HWND hwnd);
void Deactivate(HWND hwnd);
void RaiseToFront(HWND hwnd);
void SetMinimized(Window& w, bool minimized);

// Messages.
LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
void Post(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
void PumpEvents();                  // SDL events into messages
bool VideoReady();                  // SDL video is initialised (or could be)
bool Offscreen();                   // running on the offscreen or dummy driver
bool EnsureVideo();
DWORD MessageTime();
POINT CursorScreen();
void ForceArrowCursor(bool on);
POINT SetCursorScreen(int x, int y);  // returns the position kept (inside the clip)
void FocusLost(HWND hwnd);          // releases every held key
void DeliverKey(HWND hwnd, int vk, bool down, bool repeat, int scancode);
void DeliverMouseButton(HWND hwnd, int button, bool down, int clientX, int clientY);
void DeliverMouseMove(HWND hwnd, int clientX, int clientY);
int VirtualKeyFromSdl(SDL_Keycode key);
void RouteKey(HWND target, int vk, bool down, bool repeat, int scancode);
void UserResize(HWND hwnd, int clientW, int clientH);
BOOL GetClip(LPRECT r);
// The pointer held inside the window that has the mouse captured (cursor.cpp).
void UpdatePointerGrab();                 // the grab follows capture, dialogs and boxes
void PausePointerGrab(bool pause);        // a message box is up (nests)
void EmulatePointerHold(bool on);         // tests: hold as a grabbing display would
POINT HeldCursorRead(POINT p);            // the reading of a held pointer
POINT HeldWarpTarget(POINT p);            // where a warp of a held pointer stops
POINT HeldPointerReading(POINT p, const RECT& area, const RECT& frame);
POINT HeldWarpPoint(POINT p, const RECT& client);
void SetClip(const RECT* r);
int KeyLparamScan(int vk);
bool KeyIsDown(int vk);

// Windows that another program destroyed on the X server (display_watch.cpp).
void WatchDisplay();                        // after SDL video starts
void NoteSystemEvent(const SDL_SysWMmsg* msg);
void CloseDestroyedWindows();               // each is closed as by its close box
bool QueryPointer(POINT* p);                // the X server's pointer, where it answers
void BeforeSdlDestroy(const Window& w);     // lets SDL destroy a window that is gone
bool KnownGone(const Window& w);            // noted gone already (no question to the server)
bool HoldForDrawing(const Window& w);       // false when gone; else held until LetGoAfterDrawing
void LetGoAfterDrawing(const Window& w);

// Message boxes on X (SDL shows them from a forked child).
void ReadyForNativeBox();  // once: a child that loses the X server ends at once
// While alive, gives the keyboard to the box of this title when it is shown on
// an X server without a window manager, and notes the server's time when the
// box goes.
class BoxKeyboard {
public:
    explicit BoxKeyboard(const char* title);
    ~BoxKeyboard();
    BoxKeyboard(const BoxKeyboard&) = delete;
    BoxKeyboard& operator=(const BoxKeyboard&) = delete;
    void Watch();   // starts the watching thread, once the box's process is forked
    void Finish();  // after the box: its time of going noted (or given up on), the watcher gone
    // The X server's time when the box's window went; false when unknown.
    bool ClosedAt(uint32_t* time) const;

private:
    std::string m_Title;
    void* m_pConnection = nullptr;  // the watcher's own X connection
    uint32_t m_Root = 0;
    uint32_t m_Clock = 0;           // a window of the watcher's whose property changes tell the time
    int m_iStop[2] = {-1, -1};      // a pipe: a byte ends the watcher
    std::thread m_Thread;
    std::atomic<bool> m_bBoxSeen{false};
    std::atomic<bool> m_bClosedKnown{false};
    std::atomic<uint32_t> m_uClosedAt{0};
};
// After the box: the key presses that reached the game's window before the box
// went were meant for the box and are dropped; later ones stay.
void DropKeysTypedAtBox(const BoxKeyboard& keyboard);

// Menus.
LRESULT RunMenuBar(HWND hwnd, int topIndex);  // the modal menu-bar loop
int RunPopupMenu(HMENU menu, int x, int y, HWND owner, bool returnCmd, bool notify);
bool MenuItemPosition(HWND hwnd, UINT id, int* top, int* topX, int* itemX, int* itemY);
bool MenuLoopActive();
HWND MenuLoopOwner();
bool MenuHandleEvent(const SDL_Event& e);   // true when the open menu took the event
void MenuKey(int vk, bool down);
void MenuStripInput(Window& w, const SDL_Event& e);
void DrawMenuOverlay(Window& w);
// Draws the menu strip, and the open menu of this window if any, into the window's GL context
// (drawable dw x dh): a strip that looks as it did last time is copied from the copy kept then.
// True when ImGui drew (GL state beyond the framebuffer bindings may have changed).
bool DrawNonClient(Window& w, int dw, int dh);
int MenuBarHit(const Window& w, int x, int y);   // top-level index under strip point, -1 none
std::string MenuLabel(const std::string& text);  // text without '&'


// ImGui per window.
struct ImGuiHost {
    ImGuiContext* ctx = nullptr;
    bool glReady = false;
    bool mouseDown[3] = {false, false, false};
    int mouseX = -1, mouseY = -1;
    std::deque<std::pair<int, bool>> clicks;  // queued button transitions, one per frame
    // A dialog's template font: its face, cell height and the average letter
    // width it must keep to (the template's base units); empty: ImGui's own font.
    std::string fontFace;
    int fontCell = 0, fontAverage = 0;
    // The menu strip as last drawn: its pixels (a texture behind a framebuffer, GL names of the
    // window's context) and what it showed then.
    struct StripCopy {
        unsigned texture = 0, framebuffer = 0;
        int width = 0, height = 0, drawableHeight = 0, clientWidth = 0;
        HMENU menu = nullptr;
        std::vector<std::string> labels;
    } strip;
    ~ImGuiHost();
};
ImGuiHost& HostFor(Window& w);
bool BeginImGuiFrame(Window& w, int width, int height);  // false when no GL
void EndImGuiFrame(Window& w);
void ReleaseImGui(Window& w);

// Automation hooks.
void RunPumpHook();
bool HasPumpHook();
bool TakeMenuAnswer(int* id);
bool TakeDialogScript(std::function<void(HWND)>* script);
void RecordDialog(HWND dlg);

}  // namespace w32
