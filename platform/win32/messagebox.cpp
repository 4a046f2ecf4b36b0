// Message boxes: SDL's native box where a display exists, scripted answers in tests.
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>
#include "winuser.h"
#include "quil_automation.h"
#include "platform_bridge.h"
#include "win32_internal.h"

namespace {
std::mutex g_mutex;
bool g_headless = false;
std::deque<int> g_answers;
std::vector<quil_automation::ShownMessageBox> g_shown;

int DefaultAnswer(UINT type) {
    switch (type & 0xF) {
        case MB_YESNO: return IDNO;
        case MB_YESNOCANCEL: return IDNO;
        case MB_ABORTRETRYIGNORE: return IDIGNORE;
        case MB_OKCANCEL: return IDOK;
        case MB_RETRYCANCEL: return IDCANCEL;
        default: return IDOK;
    }
}

bool DisplayAvailable() {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) return false;
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

struct Button { int id; const char* label; };

int ShowNative(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    static const Button kYesNo[] = {{IDYES, "Yes"}, {IDNO, "No"}};
    static const Button kYesNoCancel[] = {{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}};
    static const Button kAbortRetryIgnore[] = {{IDABORT, "Abort"}, {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"}};
    static const Button kOkCancel[] = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    static const Button kRetryCancel[] = {{IDRETRY, "Retry"}, {IDCANCEL, "Cancel"}};
    static const Button kOk[] = {{IDOK, "OK"}};
    const Button* buttons = kOk;
    size_t count = 1;
    switch (type & 0xF) {
        case MB_YESNO: buttons = kYesNo; count = 2; break;
        case MB_YESNOCANCEL: buttons = kYesNoCancel; count = 3; break;
        case MB_ABORTRETRYIGNORE: buttons = kAbortRetryIgnore; count = 3; break;
        case MB_OKCANCEL: buttons = kOkCancel; count = 2; break;
        case MB_RETRYCANCEL: buttons = kRetryCancel; count = 2; break;
        default: break;
    }
    std::vector<SDL_MessageBoxButtonData> data;
    for (size_t i = 0; i < count; ++i) {
        SDL_MessageBoxButtonData b{};
        b.buttonid = buttons[i].id;
        b.text = buttons[i].label;
        if (i == 0) b.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        // Escape answers Cancel, or OK where OK is all there is; Yes/No and
        // Abort/Retry/Ignore take no Escape, as on Win32.
        if (buttons[i].id == IDCANCEL || count == 1) b.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        data.push_back(b);
    }
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0xF0) == MB_ICONERROR) flags = SDL_MESSAGEBOX_ERROR;
    else if ((type & 0xF0) == MB_ICONWARNING) flags = SDL_MESSAGEBOX_WARNING;
    SDL_MessageBoxData box{};
    box.flags = flags;
    box.window = quil_platform::WindowSDL(owner);
    box.title = caption ? caption : "";
    box.message = text ? text : "";
    box.numbuttons = static_cast<int>(data.size());
    box.buttons = data.data();
    int pressed = -1;
    w32::ReadyForNativeBox();
    w32::BoxKeyboard keyboard(box.title);
    const int shown = SDL_ShowMessageBox(&box, &pressed);
    keyboard.Finish();
    w32::DropKeysTypedAtBox(keyboard);
    if (shown != 0 || pressed < 0) return -1;
    return pressed;
}
}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    int answer = -1;
    bool scripted = false;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_answers.empty()) {
            answer = g_answers.front();
            g_answers.pop_front();
            scripted = true;
        }
    }
    if (!scripted) {
        bool headless;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            headless = g_headless;
        }
        if (!headless && DisplayAvailable()) {
            // As on Win32, the window that was active before the box gets the
            // keyboard back when it closes: without a window manager nobody
            // else hands it over, and a full-screen game would hear no keys.
            // The pointer is let go while the box is up, so that it can be clicked.
            HWND before = w32::ActiveWindow();
            w32::PausePointerGrab(true);
            answer = ShowNative(owner, text, caption, type);
            if (before && w32::Find(before)) w32::RaiseToFront(before);
            w32::PausePointerGrab(false);
        }
        if (answer < 0) {
            std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
            answer = DefaultAnswer(type);
        }
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    g_shown.push_back({text ? text : "", caption ? caption : "", type, answer});
    return answer;
}

namespace quil_automation {
void SetHeadless(bool on) { std::lock_guard<std::mutex> lock(g_mutex); g_headless = on; }
bool IsHeadless() { std::lock_guard<std::mutex> lock(g_mutex); return g_headless || !DisplayAvailable(); }
void QueueMessageBoxAnswer(int answer) { std::lock_guard<std::mutex> lock(g_mutex); g_answers.push_back(answer); }
const std::vector<ShownMessageBox>& MessageBoxesShown() { return g_shown; }
void ClearMessageBoxesShown() { std::lock_guard<std::mutex> lock(g_mutex); g_shown.clear(); }
}  // namespace quil_automation
