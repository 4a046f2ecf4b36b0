// The test interface: input injection, scripted answers for menus and dialogs,
// and records of what dialogs showed.
#include <deque>
#include <map>
#include <string>
#include "quil_automation.h"
#include "win32_dialog.h"

namespace w32 {
namespace {
std::function<void()> g_hook;
bool g_inHook = false;
std::deque<int> g_menuAnswers;
std::deque<std::function<void(HWND)>> g_dialogScripts;
std::vector<quil_automation::ShownDialog> g_dialogs;

HWND KeyTarget() {
    HWND f = GetFocus();
    return f ? f : GetActiveWindow();
}
}  // namespace

void RunPumpHook() {
    if (!g_hook || g_inHook) return;
    g_inHook = true;
    auto hook = g_hook;
    hook();
    g_inHook = false;
}

bool HasPumpHook() { return static_cast<bool>(g_hook); }

bool TakeMenuAnswer(int* id) {
    if (g_menuAnswers.empty()) return false;
    *id = g_menuAnswers.front();
    g_menuAnswers.pop_front();
    return true;
}

bool TakeDialogScript(std::function<void(HWND)>* script) {
    if (g_dialogScripts.empty()) return false;
    *script = g_dialogScripts.front();
    g_dialogScripts.pop_front();
    return true;
}

void RecordDialog(HWND dlg) { g_dialogs.push_back(quil_automation::DescribeDialog(dlg)); }

int CursorShowCount();

}  // namespace w32

namespace quil_automation {
using namespace w32;

void SetPumpHook(std::function<void()> hook) { g_hook = std::move(hook); }

void KeyDown(int vk) { RouteKey(KeyTarget(), vk, true, KeyIsDown(vk), KeyLparamScan(vk)); }
void KeyUp(int vk) {
    if (!KeyIsDown(vk) && !MenuLoopActive()) return;
    RouteKey(KeyTarget(), vk, false, false, KeyLparamScan(vk));
}
void KeyPress(int vk) { KeyDown(vk); KeyUp(vk); }

void HoldPointer(bool on) { EmulatePointerHold(on); }

void MouseMove(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    SetCursorScreen(p.x, p.y);
    DeliverMouseMove(hwnd, x, y);
}

void MouseButton(HWND hwnd, int button, bool down, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    SetCursorScreen(p.x, p.y);
    DeliverMouseButton(hwnd, button, down, x, y);
}

void Click(HWND hwnd, int button, int x, int y) {
    MouseButton(hwnd, button, true, x, y);
    MouseButton(hwnd, button, false, x, y);
}

void CloseBox(HWND hwnd) {
    Window* w = Find(hwnd);
    if (w && w->enabled) PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void UserResize(HWND hwnd, int cw, int ch) { w32::UserResize(hwnd, cw, ch); }

void Minimise(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    if (w->sdl) SDL_MinimizeWindow(w->sdl);
    SetMinimized(*w, true);
}

void Restore(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    if (w->sdl) SDL_RestoreWindow(w->sdl);
    SetMinimized(*w, false);
}

void FocusLoss(HWND hwnd) { Deactivate(hwnd); }
void FocusGain(HWND hwnd) { Activate(hwnd); }

void QueueMenuAnswer(int id) { g_menuAnswers.push_back(id); }

bool ChooseMenuItem(HWND hwnd, int id) {
    Window* w = Find(hwnd);
    int top = 0, tx = 0, ix = 0, iy = 0;
    if (!w || !MenuItemPosition(hwnd, static_cast<UINT>(id), &top, &tx, &ix, &iy)) return false;
    g_menuAnswers.push_back(id);
    // A click on the menu's title in the middle of the strip.
    PostMessageA(hwnd, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(w->sdlX + tx, w->sdlY + kMenuStrip / 2));
    return true;
}

void QueueDialogScript(std::function<void(HWND)> script) { g_dialogScripts.push_back(std::move(script)); }

bool DialogChooseComboEntry(HWND dlg, int id, int index) { return ChooseComboEntry(GetDlgItem(dlg, id), index); }
bool DialogClickButton(HWND dlg, int id) { return ClickControl(GetDlgItem(dlg, id)); }
void DialogPressKey(HWND dlg, int vk) { DialogKey(dlg, vk); }
void DialogCloseBox(HWND dlg) { SendMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }

ShownDialog DescribeDialog(HWND dlg) {
    ShownDialog s{0, "", 0, 0, {}, 0};
    Window* d = Find(dlg);
    if (!d || !d->dialog) return s;
    s.templateId = d->dialog->templateId;
    s.caption = d->title;
    s.width = d->clientW;
    s.height = d->clientH;
    s.result = static_cast<long>(d->dialog->result);
    static const char* kKinds[] = {"static", "picture", "group", "button", "radio", "combo"};
    for (HWND h : d->dialog->controls) {
        Window* c = Find(h);
        if (!c || !c->control) continue;
        ShownControl sc{c->id, kKinds[static_cast<int>(c->control->kind)], c->title, c->control->items,
                        c->control->selection, c->control->checked, c->enabled};
        s.controls.push_back(sc);
    }
    return s;
}

const std::vector<ShownDialog>& DialogsShown() { return g_dialogs; }
void ClearDialogsShown() { g_dialogs.clear(); }

bool IsKeyHeld(int vk) { return KeyIsDown(vk); }
int CursorDisplayCount() { return CursorShowCount(); }

}  // namespace quil_automation

namespace quil_automation {
HWND CreateTestWindow(int clientWidth, int clientHeight, HMENU menu, WNDPROC_T proc, bool show) {
    // One window class a procedure, so that the procedure sees the window's creation too.
    if (!proc) proc = DefWindowProcA;
    static std::map<WNDPROC_T, std::string> classes;
    std::string& name = classes[proc];
    if (name.empty()) {
        name = "QuilTestWindow" + std::to_string(classes.size());
        WNDCLASSA wc{};
        wc.lpfnWndProc = proc;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = name.c_str();
        RegisterClassA(&wc);
    }
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&r, style, menu != nullptr);
    HWND h = CreateWindowExA(0, name.c_str(), "Test", style, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                             r.bottom - r.top, nullptr, menu, nullptr, nullptr);
    if (h && show) ShowWindow(h, SW_SHOWNORMAL);
    return h;
}
}  // namespace quil_automation
