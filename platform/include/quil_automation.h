// Test-only control of the platform: a virtual clock, injected input, scripted
// answers to message boxes, menus and dialogs, and a record of what they showed.
// The game never calls these.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "windef.h"

namespace quil_automation {

typedef LRESULT (*WNDPROC_T)(HWND, UINT, WPARAM, LPARAM);

// Virtual clock: once enabled, QueryPerformanceCounter and timeGetTime read this
// clock, which moves only when AdvanceClock (or Sleep) is called.
void UseVirtualClock(bool on);
void AdvanceClock(double seconds);

// Message boxes: queued answers are used first; without one a box answers its
// default (IDNO for Yes/No, IDIGNORE for Abort/Retry/Ignore, IDOK otherwise) when
// no display is there or headless mode is on.
void SetHeadless(bool on);
bool IsHeadless();
void QueueMessageBoxAnswer(int answer);
struct ShownMessageBox { std::string text; std::string caption; UINT type; int answer; };
const std::vector<ShownMessageBox>& MessageBoxesShown();
void ClearMessageBoxesShown();

// A window for tests: caption and sizing frame, the given client size and menu,
// DefWindowProc or the given procedure from its first message on; shown unless told not to.
HWND CreateTestWindow(int clientWidth, int clientHeight, HMENU menu = nullptr, WNDPROC_T proc = nullptr,
                      bool show = true);

// Called every time the program looks at its message queue (PeekMessage,
// GetMessage, modal loops): the place for a test to inject input frame by frame.
// Pass an empty function to remove it.
void SetPumpHook(std::function<void()> hook);

// Keys by virtual-key code, to the focused window (or the open modal dialog or
// menu). A key-down while the key is already down is an auto-repeat: lParam bit
// 30 is set, as Win32 sends it.
void KeyDown(int virtualKey);
void KeyUp(int virtualKey);
void KeyPress(int virtualKey);  // down then up
// Mouse, in client coordinates of the window; the cursor moves there.
void MouseMove(HWND hwnd, int x, int y);
void MouseButton(HWND hwnd, int button, bool down, int x, int y);  // 0 left, 1 middle, 2 right
void Click(HWND hwnd, int button, int x, int y);
// Acts as a desktop does while a window has the mouse captured and the program
// is active: the pointer is held inside that window (offscreen runs have no
// real pointer grab).
void HoldPointer(bool on);
// The window's close box, a resize by the user (new client size), minimise and
// restore, and the program losing or regaining the foreground.
void CloseBox(HWND hwnd);
void UserResize(HWND hwnd, int clientWidth, int clientHeight);
void Minimise(HWND hwnd);
void Restore(HWND hwnd);
void FocusLoss(HWND hwnd);
void FocusGain(HWND hwnd);

// Menus: the next menu opened (the bar or a popup) chooses this command at once
// (0: dismisses it). Without a queued answer a menu on the offscreen driver
// closes at once with no choice.
void QueueMenuAnswer(int commandId);
// Chooses a command from the window's menu bar as the user would: a click on
// the bar (the whole menu loop runs when the message is dispatched).
bool ChooseMenuItem(HWND hwnd, int commandId);

// Dialogs: the next DialogBoxParamA runs this script once, right after
// WM_INITDIALOG; a dialog the script leaves open is cancelled (IDCANCEL).
void QueueDialogScript(std::function<void(HWND dialog)> script);
bool DialogChooseComboEntry(HWND dialog, int controlId, int index);  // as the user picking it
bool DialogClickButton(HWND dialog, int controlId);                  // push or radio button
void DialogPressKey(HWND dialog, int virtualKey);                    // VK_RETURN or VK_ESCAPE
void DialogCloseBox(HWND dialog);
struct ShownControl {
    int id;
    std::string kind;   // "static", "picture", "group", "button", "radio", "combo"
    std::string text;
    std::vector<std::string> items;
    int selection;
    bool checked;
    bool enabled;
};
struct ShownDialog { int templateId; std::string caption; int width; int height; std::vector<ShownControl> controls; long result; };
ShownDialog DescribeDialog(HWND dialog);              // a dialog that is open now
const std::vector<ShownDialog>& DialogsShown();       // as each looked when it ended
void ClearDialogsShown();

// The registry file (under $XDG_CONFIG_HOME or ~/.config) and a re-read of it.
std::string RegistryFilePath();
void ReloadRegistry();

// Number of held keys the platform thinks are down (a key table check).
bool IsKeyHeld(int virtualKey);
// ShowCursor's display counter.
int CursorDisplayCount();

}  // namespace quil_automation
