// Menus and accelerator tables, the modal menu loop of the menu bar and of popup
// menus, and their drawing with Dear ImGui over the window's GL context.
#include <epoxy/gl.h>
#include <imgui.h>
#include <algorithm>
#include <cstring>
#include "quil_resource_table.h"
#include "win32_internal.h"

namespace rt = quil_resources_table;

namespace w32 {
namespace {
std::map<uintptr_t, Menu>& Menus() { static std::map<uintptr_t, Menu> m; return m; }
uintptr_t g_nextMenu = 0x20000;

struct AccelTable { std::vector<ACCEL> entries; };
std::map<uintptr_t, AccelTable>& Accels() { static std::map<uintptr_t, AccelTable> m; return m; }
uintptr_t g_nextAccel = 0x30000;

// The menu loop's state; only one menu is open at a time.
struct Loop {
    bool active = false;
    HWND owner = nullptr;
    bool bar = false;          // opened from the menu bar
    int top = -1;              // open top-level item of the bar
    HMENU popup = nullptr;     // the open popup menu
    int px = 0, py = 0;        // popup origin in SDL window pixels
    int hover = -1;
    bool done = false;
    UINT chosen = 0;
};
Loop g_loop;

HMENU FromDef(const std::vector<rt::MenuItemDef>& items, bool owned) {
    HMENU h = NewMenu();
    Menu* m = FindMenu(h);
    m->owned = owned;
    for (const auto& d : items) {
        MenuItem it;
        it.text = d.text;
        it.id = d.id;
        it.flags = d.flags;
        if (!d.children.empty() || (d.flags & MF_POPUP)) {
            it.flags |= MF_POPUP;
            it.popup = FromDef(d.children, true);
            m = FindMenu(h);
        }
        m->items.push_back(it);
    }
    return h;
}

int TextWidth(const std::string& label) { return kCharWidth * static_cast<int>(label.size()); }

// Left edge and width of each top-level item of a menu bar, in window pixels.
std::vector<std::pair<int, int>> BarLayout(const Menu& m) {
    std::vector<std::pair<int, int>> v;
    int x = 4;
    for (const auto& it : m.items) {
        int wdt = TextWidth(MenuLabel(it.text)) + 16;
        v.push_back({x, wdt});
        x += wdt;
    }
    return v;
}

struct PopupRow { int y; int h; };
// Rows of a popup menu and its size.
std::vector<PopupRow> PopupLayout(const Menu& m, int* width, int* height) {
    std::vector<PopupRow> rows;
    int y = 3, maxw = 0;
    for (const auto& it : m.items) {
        int h = (it.flags & MF_SEPARATOR) ? 8 : kMenuItemHeight;
        rows.push_back({y, h});
        y += h;
        std::string label = it.text;
        maxw = std::max(maxw, TextWidth(MenuLabel(label)));
    }
    *width = std::max(120, maxw + 48);
    *height = y + 3;
    return rows;
}

void WindowSize(HWND hwnd, int* w, int* h) {
    Window* win = Find(hwnd);
    *w = 640; *h = 480;
    if (!win) return;
    *w = win->clientW;
    *h = win->clientH + StripHeight(*win);
}

void OpenTop(int top) {
    Window* w = Find(g_loop.owner);
    Menu* bar = w ? FindMenu(w->menu) : nullptr;
    if (!bar || top < 0 || top >= static_cast<int>(bar->items.size())) return;
    auto lay = BarLayout(*bar);
    g_loop.top = top;
    g_loop.popup = bar->items[static_cast<size_t>(top)].popup;
    g_loop.px = lay[static_cast<size_t>(top)].first;
    g_loop.py = kMenuStrip;
    g_loop.hover = -1;
    if (g_loop.popup) Send(g_loop.owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(g_loop.popup), top);
}

bool ItemSelectable(const MenuItem& it) { return !(it.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED | MF_POPUP)); }

int PopupHit(int x, int y) {
    Menu* m = FindMenu(g_loop.popup);
    if (!m) return -2;
    int pw = 0, ph = 0;
    auto rows = PopupLayout(*m, &pw, &ph);
    if (x < g_loop.px || x >= g_loop.px + pw || y < g_loop.py || y >= g_loop.py + ph) return -2;  // outside
    for (size_t i = 0; i < rows.size(); ++i)
        if (y >= g_loop.py + rows[i].y && y < g_loop.py + rows[i].y + rows[i].h) return static_cast<int>(i);
    return -1;
}

void Choose(int index) {
    Menu* m = FindMenu(g_loop.popup);
    if (!m || index < 0 || index >= static_cast<int>(m->items.size())) return;
    const MenuItem& it = m->items[static_cast<size_t>(index)];
    if (!ItemSelectable(it)) return;
    g_loop.chosen = it.id;
    g_loop.done = true;
}

// Repaints the owner while its menu is open: the program draws its frame on
// WM_PAINT and the device draws the menu before it presents.
void Repaint() {
    if (Find(g_loop.owner)) Send(g_loop.owner, WM_PAINT, 0, 0);
}

UINT RunLoopInner() {
    int answer = 0;
    if (TakeMenuAnswer(&answer)) {
        g_loop.chosen = static_cast<UINT>(answer);
        g_loop.done = true;
    }
    // On the offscreen driver only a test's pump hook can operate the menu; it
    // gets a few seconds' worth of turns, and without a hook the menu closes at once.
    int turns = Offscreen() ? (HasPumpHook() ? 300 : 0) : -1;
    while (!g_loop.done) {
        if (turns >= 0 && turns-- == 0) break;
        RunPumpHook();
        PumpEvents();
        if (!Find(g_loop.owner)) break;
        if (g_loop.done) break;
        Repaint();
        SDL_Delay(10);
    }
    return g_loop.chosen;
}

// The menu loop with the arrow pointer showing.
UINT RunLoop() {
    ForceArrowCursor(true);
    UINT chosen = RunLoopInner();
    ForceArrowCursor(false);
    return chosen;
}
}  // namespace

Menu* FindMenu(HMENU menu) {
    auto it = Menus().find(reinterpret_cast<uintptr_t>(menu));
    return it == Menus().end() ? nullptr : &it->second;
}

HMENU NewMenu() {
    HMENU h = reinterpret_cast<HMENU>(g_nextMenu);
    g_nextMenu += 4;
    Menus()[reinterpret_cast<uintptr_t>(h)] = Menu{};
    return h;
}

std::string MenuLabel(const std::string& text) {
    std::string r;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\t') break;
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') { r += '&'; ++i; }
            continue;
        }
        r += text[i];
    }
    return r;
}

int MenuBarHit(const Window& w, int x, int y) {
    if (StripHeight(w) == 0 || y < 0 || y >= kMenuStrip) return -1;
    Menu* m = FindMenu(w.menu);
    if (!m) return -1;
    auto lay = BarLayout(*m);
    for (size_t i = 0; i < lay.size(); ++i)
        if (x >= lay[i].first && x < lay[i].first + lay[i].second) return static_cast<int>(i);
    return -1;
}

bool MenuLoopActive() { return g_loop.active; }
HWND MenuLoopOwner() { return g_loop.active ? g_loop.owner : nullptr; }

LRESULT RunMenuBar(HWND hwnd, int top) {
    Window* w = Find(hwnd);
    if (!w || g_loop.active || !FindMenu(w->menu)) return 0;
    g_loop = Loop{};
    g_loop.active = true;
    g_loop.owner = hwnd;
    g_loop.bar = true;
    Send(hwnd, WM_ENTERMENULOOP, FALSE, 0);
    if ((w = Find(hwnd))) Send(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(w->menu), 0);
    OpenTop(top);
    UINT chosen = RunLoop();
    g_loop.active = false;
    if (Find(hwnd)) Send(hwnd, WM_EXITMENULOOP, FALSE, 0);
    if (chosen && Find(hwnd)) Post(hwnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    if (Find(hwnd)) Find(hwnd)->invalid = true;
    return 0;
}

int RunPopupMenu(HMENU menu, int x, int y, HWND owner, bool returnCmd, bool notify) {
    Window* w = Find(owner);
    Menu* m = FindMenu(menu);
    if (!w || !m || g_loop.active) return 0;
    g_loop = Loop{};
    g_loop.active = true;
    g_loop.owner = owner;
    g_loop.popup = menu;
    // Screen position to window pixels, kept inside the window.
    int pw = 0, ph = 0, ww = 0, wh = 0;
    PopupLayout(*m, &pw, &ph);
    WindowSize(owner, &ww, &wh);
    g_loop.px = std::clamp(x - w->sdlX, 0, std::max(0, ww - pw));
    g_loop.py = std::clamp(y - w->sdlY, 0, std::max(0, wh - ph));
    Send(owner, WM_ENTERMENULOOP, TRUE, 0);
    if (Find(owner)) Send(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    UINT chosen = RunLoop();
    g_loop.active = false;
    if (Find(owner)) Send(owner, WM_EXITMENULOOP, TRUE, 0);
    if (Find(owner)) Find(owner)->invalid = true;
    if (returnCmd) return static_cast<int>(chosen);
    if (chosen && notify && Find(owner)) Post(owner, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return chosen ? 1 : 0;
}

// Mouse and keys while a menu is open; events of other windows pass on.
bool MenuHandleEvent(const SDL_Event& e) {
    Window* w = Find(g_loop.owner);
    if (!w) return false;
    Uint32 id = w->sdl ? SDL_GetWindowID(w->sdl) : 0;
    switch (e.type) {
        case SDL_MOUSEMOTION: {
            if (e.motion.windowID != id) return true;
            SetCursorScreen(w->sdlX + e.motion.x, w->sdlY + e.motion.y);
            if (g_loop.bar) {
                int t = MenuBarHit(*w, e.motion.x, e.motion.y);
                if (t >= 0 && t != g_loop.top) OpenTop(t);
            }
            int hit = PopupHit(e.motion.x, e.motion.y);
            g_loop.hover = hit >= 0 ? hit : -1;
            return true;
        }
        case SDL_MOUSEBUTTONDOWN: {
            if (e.button.windowID != id) { g_loop.done = true; return true; }
            int hit = PopupHit(e.button.x, e.button.y);
            if (hit == -2) {
                int t = g_loop.bar ? MenuBarHit(*w, e.button.x, e.button.y) : -1;
                if (t == g_loop.top && t >= 0) g_loop.done = true;  // click on the open title closes it
                else if (t >= 0) OpenTop(t);
                else g_loop.done = true;
            }
            return true;
        }
        case SDL_MOUSEBUTTONUP: {
            if (e.button.windowID != id) return true;
            int hit = PopupHit(e.button.x, e.button.y);
            if (hit >= 0) Choose(hit);
            return true;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            int vk = VirtualKeyFromSdl(e.key.keysym.sym);
            MenuKey(vk, e.type == SDL_KEYDOWN);
            return true;
        }
        default: return false;
    }
}

void MenuKey(int vk, bool down) {
    if (!down || !g_loop.active) return;
    Menu* m = FindMenu(g_loop.popup);
    int n = m ? static_cast<int>(m->items.size()) : 0;
    switch (vk) {
        case VK_ESCAPE: g_loop.done = true; break;
        case VK_MENU: case VK_F10: g_loop.done = true; break;
        case VK_DOWN:
        case VK_UP:
            for (int step = 0; step < n; ++step) {
                g_loop.hover = (g_loop.hover + (vk == VK_DOWN ? 1 : n - 1) + (g_loop.hover < 0 && vk == VK_UP ? 1 : 0)) % n;
                if (ItemSelectable(m->items[static_cast<size_t>(g_loop.hover)])) break;
            }
            break;
        case VK_LEFT:
        case VK_RIGHT:
            if (g_loop.bar) {
                Window* w = Find(g_loop.owner);
                Menu* bar = w ? FindMenu(w->menu) : nullptr;
                int count = bar ? static_cast<int>(bar->items.size()) : 0;
                if (count > 0) OpenTop((g_loop.top + (vk == VK_RIGHT ? 1 : count - 1)) % count);
            }
            break;
        case VK_RETURN: Choose(g_loop.hover); break;
        default:
            // A mnemonic letter chooses its item.
            if (m && vk >= 'A' && vk <= 'Z') {
                for (int i = 0; i < n; ++i) {
                    const std::string& t = m->items[static_cast<size_t>(i)].text;
                    size_t amp = t.find('&');
                    if (amp != std::string::npos && amp + 1 < t.size() &&
                        std::toupper(static_cast<unsigned char>(t[amp + 1])) == vk) { Choose(i); break; }
                }
            }
            break;
    }
}

// Draws the menu bar and, while a menu of this window is open, its popup.
void DrawMenuOverlay(Window& w) {
    ImDrawList* dl = ImGui::GetForegroundDrawList();
    const ImU32 face = IM_COL32(240, 240, 240, 255), text = IM_COL32(0, 0, 0, 255),
                grey = IM_COL32(128, 128, 128, 255), sel = IM_COL32(0, 120, 215, 255),
                selText = IM_COL32(255, 255, 255, 255), edge = IM_COL32(160, 160, 160, 255);
    auto drawLabel = [&](float x, float y, const std::string& raw, ImU32 col) {
        std::string label = MenuLabel(raw);
        dl->AddText(ImVec2(x, y), col, label.c_str());
        size_t amp = raw.find('&');
        if (amp != std::string::npos && amp + 1 < raw.size() && raw[amp + 1] != '&') {
            std::string before = MenuLabel(raw.substr(0, amp));
            float ux = x + ImGui::CalcTextSize(before.c_str()).x;
            float uw = ImGui::CalcTextSize(raw.substr(amp + 1, 1).c_str()).x;
            dl->AddLine(ImVec2(ux, y + 13.0f), ImVec2(ux + uw, y + 13.0f), col);
        }
        size_t tab = raw.find('\t');
        return tab;
    };
    int strip = StripHeight(w);
    Menu* bar = FindMenu(w.menu);
    if (strip > 0 && bar) {
        dl->AddRectFilled(ImVec2(0, 0), ImVec2(static_cast<float>(w.clientW), static_cast<float>(strip)), face);
        auto lay = BarLayout(*bar);
        for (size_t i = 0; i < lay.size(); ++i) {
            bool open = g_loop.active && g_loop.bar && g_loop.owner == w.hwnd && g_loop.top == static_cast<int>(i);
            float x = static_cast<float>(lay[i].first);
            if (open)
                dl->AddRectFilled(ImVec2(x, 0), ImVec2(x + static_cast<float>(lay[i].second), static_cast<float>(strip)), sel);
            drawLabel(x + 8, 3.5f, bar->items[i].text, open ? selText : text);
        }
    }
    if (!g_loop.active || g_loop.owner != w.hwnd) return;
    Menu* m = FindMenu(g_loop.popup);
    if (!m) return;
    int pw = 0, ph = 0;
    auto rows = PopupLayout(*m, &pw, &ph);
    float x0 = static_cast<float>(g_loop.px), y0 = static_cast<float>(g_loop.py);
    dl->AddRectFilled(ImVec2(x0, y0), ImVec2(x0 + pw, y0 + ph), face);
    dl->AddRect(ImVec2(x0, y0), ImVec2(x0 + pw, y0 + ph), edge);
    for (size_t i = 0; i < rows.size(); ++i) {
        const MenuItem& it = m->items[i];
        float y = y0 + rows[i].y;
        if (it.flags & MF_SEPARATOR) {
            dl->AddLine(ImVec2(x0 + 4, y + 4), ImVec2(x0 + pw - 4, y + 4), edge);
            continue;
        }
        bool hot = static_cast<int>(i) == g_loop.hover && ItemSelectable(it);
        if (hot) dl->AddRectFilled(ImVec2(x0 + 2, y), ImVec2(x0 + pw - 2, y + rows[i].h), sel);
        ImU32 col = (it.flags & (MF_GRAYED | MF_DISABLED)) ? grey : hot ? selText : text;
        if (it.flags & MF_CHECKED) dl->AddText(ImVec2(x0 + 8, y + 3.5f), col, "*");
        size_t tab = drawLabel(x0 + 24, y + 3.5f, it.text, col);
        if (tab != std::string::npos) {
            std::string acc = it.text.substr(tab + 1);
            float aw = ImGui::CalcTextSize(acc.c_str()).x;
            dl->AddText(ImVec2(x0 + pw - 12 - aw, y + 3.5f), col, acc.c_str());
        }
    }
}

namespace {
// Whether the strip kept in copy shows what the window's strip shows now.
bool StripUnchanged(const ImGuiHost::StripCopy& copy, const Window& w, const Menu& bar, int dw, int dh) {
    if (!copy.framebuffer || copy.menu != w.menu || copy.width != dw || copy.height != StripHeight(w) ||
        copy.drawableHeight != dh || copy.clientWidth != w.clientW || copy.labels.size() != bar.items.size())
        return false;
    for (size_t i = 0; i < bar.items.size(); ++i)
        if (copy.labels[i] != bar.items[i].text) return false;
    return true;
}

// Keeps the strip just drawn (the top rows of the default framebuffer) and what it shows.
void KeepStrip(ImGuiHost::StripCopy& copy, const Window& w, const Menu& bar, int dw, int dh) {
    const int strip = StripHeight(w);
    if (copy.width != dw || copy.height != strip || !copy.framebuffer) {
        if (!copy.texture) glGenTextures(1, &copy.texture);
        if (!copy.framebuffer) glGenFramebuffers(1, &copy.framebuffer);
        GLint texture = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        glBindTexture(GL_TEXTURE_2D, copy.texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, dw, strip, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, copy.framebuffer);
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, copy.texture, 0);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, copy.framebuffer);
    glBlitFramebuffer(0, dh - strip, dw, dh, 0, 0, dw, strip, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    copy.width = dw;
    copy.height = strip;
    copy.drawableHeight = dh;
    copy.clientWidth = w.clientW;
    copy.menu = w.menu;
    copy.labels.clear();
    for (const MenuItem& item : bar.items) copy.labels.push_back(item.text);
}
}  // namespace

bool DrawNonClient(Window& w, int dw, int dh) {
    ImGuiHost& host = HostFor(w);
    Menu* bar = StripHeight(w) > 0 ? FindMenu(w.menu) : nullptr;
    // An open menu of this window changes from frame to frame: drawn afresh, and not kept.
    const bool menuOpen = g_loop.active && g_loop.owner == w.hwnd;
    if (!menuOpen && !bar) return false;
    if (!menuOpen && host.ctx && StripUnchanged(host.strip, w, *bar, dw, dh)) {
        const int strip = host.strip.height;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, host.strip.framebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBlitFramebuffer(0, 0, dw, strip, 0, dh - strip, dw, dh, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return false;
    }
    if (!BeginImGuiFrame(w, dw, dh)) return false;
    DrawMenuOverlay(w);
    EndImGuiFrame(w);
    if (menuOpen) host.strip.menu = nullptr;  // the bar showed its open item: drawn afresh next time
    else KeepStrip(host.strip, w, *bar, dw, dh);
    return true;
}

// Where a menu command sits on screen, for scripted clicks: the top-level index
// holding it and the centre of its row once that menu is open (window pixels).
bool MenuItemPosition(HWND hwnd, UINT id, int* top, int* topX, int* itemX, int* itemY) {
    Window* w = Find(hwnd);
    Menu* bar = w ? FindMenu(w->menu) : nullptr;
    if (!bar) return false;
    auto lay = BarLayout(*bar);
    for (size_t t = 0; t < bar->items.size(); ++t) {
        Menu* sub = FindMenu(bar->items[t].popup);
        if (!sub) continue;
        int pw = 0, ph = 0;
        auto rows = PopupLayout(*sub, &pw, &ph);
        for (size_t i = 0; i < sub->items.size(); ++i) {
            if (sub->items[i].id != id || (sub->items[i].flags & MF_SEPARATOR)) continue;
            *top = static_cast<int>(t);
            *topX = lay[t].first + lay[t].second / 2;
            *itemX = lay[t].first + pw / 2;
            *itemY = kMenuStrip + rows[i].y + rows[i].h / 2;
            return true;
        }
    }
    return false;
}

}  // namespace w32

using namespace w32;

HMENU LoadMenuA(HINSTANCE, LPCSTR name) {
    const rt::MenuDef* def = rt::FindMenu(rt::ResourceId(name));
    if (!def) { SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND); return nullptr; }
    return FromDef(def->items, false);
}

HMENU GetSubMenu(HMENU menu, int pos) {
    Menu* m = FindMenu(menu);
    if (!m || pos < 0 || pos >= static_cast<int>(m->items.size())) return nullptr;
    return m->items[static_cast<size_t>(pos)].popup;
}

HMENU GetMenu(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || (w->style & WS_CHILD)) return nullptr;
    return (w->menu && FindMenu(w->menu)) ? w->menu : nullptr;
}

// Puts a menu bar on a window or takes it off: the window keeps its outer size,
// so the client area shrinks or grows by the strip, as on Win32.
BOOL SetMenu(HWND hwnd, HMENU menu) {
    Window* w = Find(hwnd);
    if (!w || (w->style & WS_CHILD)) return FALSE;
    if (menu && !FindMenu(menu)) return FALSE;
    int before = StripHeight(*w);
    w->menu = menu;
    int after = StripHeight(*w);
    if (before != after) {
        w->clientH = std::max(0, w->clientH + before - after);
        if (!w->minimized) Send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->clientW, w->clientH));
    }
    if ((w = Find(hwnd))) w->invalid = true;
    return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
    Menu* m = FindMenu(menu);
    if (!m) return FALSE;
    std::vector<HMENU> subs;
    for (auto& it : m->items)
        if (it.popup) subs.push_back(it.popup);
    Menus().erase(reinterpret_cast<uintptr_t>(menu));
    for (HMENU s : subs) DestroyMenu(s);
    // A window whose bar this was has no menu any more.
    for (HWND h : AllWindows()) {
        Window* w = Find(h);
        if (w && w->menu == menu) w->menu = nullptr;
    }
    return TRUE;
}

int GetMenuItemCount(HMENU menu) { Menu* m = FindMenu(menu); return m ? static_cast<int>(m->items.size()) : -1; }

UINT GetMenuItemID(HMENU menu, int pos) {
    Menu* m = FindMenu(menu);
    if (!m || pos < 0 || pos >= static_cast<int>(m->items.size())) return static_cast<UINT>(-1);
    const MenuItem& it = m->items[static_cast<size_t>(pos)];
    return it.popup ? static_cast<UINT>(-1) : it.id;
}

static MenuItem* LocateItem(HMENU menu, UINT item, UINT flags) {
    Menu* m = FindMenu(menu);
    if (!m) return nullptr;
    if (flags & MF_BYPOSITION) return item < m->items.size() ? &m->items[item] : nullptr;
    for (auto& it : m->items) {
        if (!it.popup && it.id == item) return &it;
        if (it.popup) if (MenuItem* r = LocateItem(it.popup, item, flags)) return r;
    }
    return nullptr;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int maxCount, UINT flags) {
    MenuItem* it = LocateItem(menu, item, flags);
    if (!it) return 0;
    int n = static_cast<int>(it->text.size());
    if (!text || maxCount <= 0) return n;
    n = std::min(n, maxCount - 1);
    std::memcpy(text, it->text.data(), static_cast<size_t>(n));
    text[n] = 0;
    return n;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS) {
    return RunPopupMenu(menu, x, y, owner, (flags & TPM_RETURNCMD) != 0, (flags & TPM_NONOTIFY) == 0);
}

HACCEL LoadAcceleratorsA(HINSTANCE, LPCSTR name) {
    const rt::AccelDef* def = rt::FindAccelerators(rt::ResourceId(name));
    if (!def) { SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND); return nullptr; }
    if (def->entries.empty()) return nullptr;
    HACCEL h = reinterpret_cast<HACCEL>(g_nextAccel);
    g_nextAccel += 4;
    Accels()[reinterpret_cast<uintptr_t>(h)].entries = def->entries;
    return h;
}

BOOL DestroyAcceleratorTable(HACCEL table) { return Accels().erase(reinterpret_cast<uintptr_t>(table)) ? TRUE : FALSE; }

// Turns a key-down that matches the table into WM_COMMAND (high word 1). An
// auto-repeated key-down (lParam bit 30) is swallowed without a command, so a
// held key never fires a command again and again.
int TranslateAcceleratorA(HWND hwnd, HACCEL table, LPMSG msg) {
    if (!msg || !hwnd || !Find(hwnd)) return 0;
    auto it = Accels().find(reinterpret_cast<uintptr_t>(table));
    if (it == Accels().end()) return 0;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return 0;
    bool alt = (msg->lParam & (1 << 29)) != 0 || KeyIsDown(VK_MENU);
    bool ctrl = KeyIsDown(VK_CONTROL), shift = KeyIsDown(VK_SHIFT);
    for (const ACCEL& a : it->second.entries) {
        if (!(a.fVirt & FVIRTKEY)) continue;
        if (a.key != msg->wParam) continue;
        if (((a.fVirt & FALT) != 0) != alt || ((a.fVirt & FCONTROL) != 0) != ctrl || ((a.fVirt & FSHIFT) != 0) != shift)
            continue;
        if (msg->lParam & (1 << 30)) return 1;
        Send(hwnd, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
        return 1;
    }
    return 0;
}
