// Modal dialogs: a window of their own built from the dialog template, its
// controls as child windows, a modal loop, and drawing with Dear ImGui.
#include <imgui.h>
#include <epoxy/gl.h>
#include <algorithm>
#include <cstring>
#include "quil_resource_table.h"
#include "win32_dialog.h"

namespace rt = quil_resources_table;

namespace w32 {
namespace {
std::vector<HWND> g_dialogStack;

// Dialog base units of the template font (MS Sans Serif 8 pt at 96 dpi).
constexpr int kBaseX = 6, kBaseY = 13;
int DluX(int v) { return (v * kBaseX + 2) / 4; }
int DluY(int v) { return (v * kBaseY + 4) / 8; }

Control* ControlOf(HWND h) { Window* w = Find(h); return w ? w->control.get() : nullptr; }

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* w = Find(hwnd);
    Control* c = w ? w->control.get() : nullptr;
    if (!c) return 0;
    switch (msg) {
        case CB_RESETCONTENT: c->items.clear(); c->selection = -1; return 0;
        case CB_ADDSTRING:
            if (c->kind != ControlKind::ComboBox) return CB_ERR;
            c->items.push_back(lp ? reinterpret_cast<const char*>(lp) : "");
            return static_cast<LRESULT>(c->items.size() - 1);
        case CB_DELETESTRING:
            if (wp >= c->items.size()) return CB_ERR;
            c->items.erase(c->items.begin() + static_cast<long>(wp));
            if (c->selection == static_cast<int>(wp)) c->selection = -1;
            else if (c->selection > static_cast<int>(wp)) --c->selection;
            return static_cast<LRESULT>(c->items.size());
        case CB_GETCOUNT: return static_cast<LRESULT>(c->items.size());
        case CB_SETCURSEL:
            if (static_cast<INT_PTR>(wp) < 0 || wp >= c->items.size()) { c->selection = -1; return CB_ERR; }
            c->selection = static_cast<int>(wp);
            return static_cast<LRESULT>(wp);
        case CB_GETCURSEL: return c->selection < 0 ? CB_ERR : c->selection;
        case CB_GETLBTEXTLEN:
            return wp < c->items.size() ? static_cast<LRESULT>(c->items[wp].size()) : CB_ERR;
        case CB_GETLBTEXT:
            if (wp >= c->items.size() || !lp) return CB_ERR;
            std::memcpy(reinterpret_cast<char*>(lp), c->items[wp].c_str(), c->items[wp].size() + 1);
            return static_cast<LRESULT>(c->items[wp].size());
        case BM_GETCHECK: return c->checked ? BST_CHECKED : BST_UNCHECKED;
        case BM_SETCHECK: c->checked = wp == BST_CHECKED; return 0;
        case BM_CLICK: ClickControl(hwnd); return 0;
        case WM_SETTEXT: w->title = lp ? reinterpret_cast<const char*>(lp) : ""; return TRUE;
        case WM_GETTEXT: return GetWindowTextA(hwnd, reinterpret_cast<LPSTR>(lp), static_cast<int>(wp));
        default: return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

void SendCommand(HWND ctrl, int notification) {
    Window* w = Find(ctrl);
    if (!w) return;
    Send(w->parent, WM_COMMAND, MAKEWPARAM(w->id, notification), reinterpret_cast<LPARAM>(ctrl));
}

LRESULT CALLBACK DialogProcWrapper(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    INT_PTR handled = w->dlgProc ? w->dlgProc(hwnd, msg, wp, lp) : 0;
    if (handled && msg != WM_CLOSE) return handled;
    switch (msg) {
        case WM_INITDIALOG: return handled;
        case WM_CLOSE:
            if (!handled) Send(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return 0;
        case WM_COMMAND: return 0;
        default: return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

HWND MakeControl(HWND dlg, const rt::ControlDef& def) {
    Window* d = Find(dlg);
    if (!d) return nullptr;
    DWORD style = def.style | WS_CHILD;
    HWND h = CreateWindowExA(0, def.cls.c_str(), def.text.c_str(), style, DluX(def.x), DluY(def.y), DluX(def.cx),
                             DluY(def.cy), dlg, reinterpret_cast<HMENU>(static_cast<intptr_t>(def.id)), nullptr, nullptr);
    Window* w = Find(h);
    if (!w) return nullptr;
    w->proc = ControlProc;
    w->visible = true;
    w->enabled = !(def.style & WS_DISABLED);
    w->control = std::make_unique<Control>();
    Control& c = *w->control;
    std::string cls = def.cls;
    for (char& ch : cls) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    DWORD type = def.style & 0xF;
    if (cls == "COMBOBOX") c.kind = ControlKind::ComboBox;
    else if (cls == "BUTTON") {
        if (type == BS_GROUPBOX) c.kind = ControlKind::GroupBox;
        else if (type == BS_AUTORADIOBUTTON) c.kind = ControlKind::RadioButton;
        else { c.kind = ControlKind::PushButton; c.isDefault = type == BS_DEFPUSHBUTTON; }
    } else if ((def.style & 0x1F) == SS_BITMAP) {
        c.kind = ControlKind::Picture;
        c.bitmapId = rt::ResourceId(def.text.c_str());
        w->title.clear();
    }
    return h;
}

// The auto radio buttons that share a group with this one: from the control
// that starts the group up to the next one that starts a group.
std::vector<HWND> RadioGroup(HWND ctrl) {
    Window* w = Find(ctrl);
    Window* d = w ? Find(w->parent) : nullptr;
    std::vector<HWND> group;
    if (!d || !d->dialog) return group;
    const auto& all = d->dialog->controls;
    auto pos = std::find(all.begin(), all.end(), ctrl);
    if (pos == all.end()) return group;
    size_t start = static_cast<size_t>(pos - all.begin());
    while (start > 0 && !(Find(all[start])->style & WS_GROUP)) --start;
    for (size_t i = start; i < all.size(); ++i) {
        Window* cw = Find(all[i]);
        if (i > start && (cw->style & WS_GROUP)) break;
        if (cw->control && cw->control->kind == ControlKind::RadioButton) group.push_back(all[i]);
    }
    return group;
}

unsigned int PictureTexture(Control& c) {
    if (c.texture) return c.texture;
    const rt::ImageDef* img = rt::FindBitmap(c.bitmapId);
    if (!img || img->bytesPerPixel != 3) return 0;
    std::vector<uint8_t> rgba(static_cast<size_t>(img->width * img->height * 4));
    for (int i = 0; i < img->width * img->height; ++i) {
        rgba[static_cast<size_t>(i * 4 + 0)] = img->pixels[static_cast<size_t>(i * 3 + 2)];
        rgba[static_cast<size_t>(i * 4 + 1)] = img->pixels[static_cast<size_t>(i * 3 + 1)];
        rgba[static_cast<size_t>(i * 4 + 2)] = img->pixels[static_cast<size_t>(i * 3 + 0)];
        rgba[static_cast<size_t>(i * 4 + 3)] = 255;
    }
    GLint oldTex = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &oldTex);
    glGenTextures(1, &c.texture);
    glBindTexture(GL_TEXTURE_2D, c.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, img->width, img->height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(oldTex));
    return c.texture;
}

// One frame of the dialog: every control drawn with ImGui; what the user did is
// carried out after the frame, when no control list is being walked.
void DrawDialog(HWND dlg) {
    Window* d = Find(dlg);
    if (!d || !d->sdl || !d->gl || d->minimized) return;
    SDL_Window* prevWin = SDL_GL_GetCurrentWindow();
    SDL_GLContext prevCtx = SDL_GL_GetCurrentContext();
    if (SDL_GL_MakeCurrent(d->sdl, static_cast<SDL_GLContext>(d->gl)) != 0) return;
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(d->sdl, &dw, &dh);
    glViewport(0, 0, dw, dh);
    glClearColor(0.94f, 0.94f, 0.94f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::function<void()> action;
    if (BeginImGuiFrame(*d, dw, dh)) {
        ImGui::SetNextWindowPos(ImVec2(0, 0));
        ImGui::SetNextWindowSize(ImVec2(static_cast<float>(dw), static_cast<float>(dh)));
        ImGui::Begin("##dialog", nullptr,
                     ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                         ImGuiWindowFlags_NoBackground | ImGuiWindowFlags_NoBringToFrontOnFocus);
        ImDrawList* dl = ImGui::GetWindowDrawList();
        const ImU32 text = IM_COL32(0, 0, 0, 255), edge = IM_COL32(160, 160, 160, 255);
        for (HWND h : d->dialog->controls) {
            Window* cw = Find(h);
            if (!cw || !cw->control || !cw->visible) continue;
            Control& c = *cw->control;
            float x = static_cast<float>(cw->sdlX), y = static_cast<float>(cw->sdlY);
            float wdt = static_cast<float>(cw->clientW), hgt = static_cast<float>(cw->clientH);
            std::string label = MenuLabel(cw->title);
            ImGui::PushID(static_cast<int>(reinterpret_cast<uintptr_t>(h)));
            ImGui::BeginDisabled(!cw->enabled);
            switch (c.kind) {
                case ControlKind::GroupBox:
                    dl->AddRect(ImVec2(x, y + 6), ImVec2(x + wdt, y + hgt), edge);
                    if (!label.empty()) {
                        ImVec2 ts = ImGui::CalcTextSize(label.c_str());
                        dl->AddRectFilled(ImVec2(x + 6, y), ImVec2(x + 10 + ts.x, y + 13), IM_COL32(240, 240, 240, 255));
                        dl->AddText(ImVec2(x + 8, y), text, label.c_str());
                    }
                    break;
                case ControlKind::Static: {
                    ImVec2 ts = ImGui::CalcTextSize(label.c_str());
                    float tx = x;
                    if ((cw->style & 0x3) == SS_CENTER) tx = x + (wdt - ts.x) / 2;
                    else if ((cw->style & 0x3) == SS_RIGHT) tx = x + wdt - ts.x;
                    dl->AddText(ImVec2(tx, y), cw->enabled ? text : edge, label.c_str());
                    break;
                }
                case ControlKind::Picture: {
                    unsigned int tex = PictureTexture(c);
                    const rt::ImageDef* img = rt::FindBitmap(c.bitmapId);
                    dl->AddRect(ImVec2(x, y), ImVec2(x + wdt, y + hgt), edge);
                    if (tex && img) {
                        float s = std::min((wdt - 4) / img->width, (hgt - 4) / img->height);
                        s = std::min(s, 1.0f);
                        float iw = img->width * s, ih = img->height * s;
                        float ix = x + (wdt - iw) / 2, iy = y + (hgt - ih) / 2;
                        dl->AddImage(reinterpret_cast<ImTextureID>(static_cast<uintptr_t>(tex)), ImVec2(ix, iy),
                                     ImVec2(ix + iw, iy + ih));
                    }
                    break;
                }
                case ControlKind::PushButton:
                    ImGui::SetCursorPos(ImVec2(x, y));
                    if (c.isDefault) ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 1.0f);
                    if (ImGui::Button(label.c_str(), ImVec2(wdt, hgt))) action = [h] { ClickControl(h); };
                    if (c.isDefault) ImGui::PopStyleVar();
                    break;
                case ControlKind::RadioButton:
                    ImGui::SetCursorPos(ImVec2(x, y - 3));
                    if (ImGui::RadioButton(label.c_str(), c.checked)) action = [h] { ClickControl(h); };
                    break;
                case ControlKind::ComboBox: {
                    ImGui::SetCursorPos(ImVec2(x, y - 2));
                    ImGui::SetNextItemWidth(wdt);
                    const char* preview = c.selection >= 0 && c.selection < static_cast<int>(c.items.size())
                                              ? c.items[static_cast<size_t>(c.selection)].c_str() : "";
                    if (ImGui::BeginCombo("##combo", preview)) {
                        for (size_t i = 0; i < c.items.size(); ++i) {
                            ImGui::PushID(static_cast<int>(i));
                            if (ImGui::Selectable(c.items[i].c_str(), static_cast<int>(i) == c.selection)) {
                                int index = static_cast<int>(i);
                                action = [h, index] { ChooseComboEntry(h, index); };
                            }
                            ImGui::PopID();
                        }
                        ImGui::EndCombo();
                    }
                    break;
                }
            }
            ImGui::EndDisabled();
            ImGui::PopID();
        }
        ImGui::End();
        EndImGuiFrame(*d);
    }
    SDL_GL_SwapWindow(d->sdl);
    if (prevCtx) SDL_GL_MakeCurrent(prevWin, prevCtx);
    else SDL_GL_MakeCurrent(d->sdl, nullptr);
    if (action) action();
}

HWND FindDefaultButton(Window& d) {
    for (HWND h : d.dialog->controls) {
        Control* c = ControlOf(h);
        if (c && c->kind == ControlKind::PushButton && c->isDefault) return h;
    }
    return nullptr;
}
}  // namespace

HWND ActiveDialog() {
    while (!g_dialogStack.empty() && !Find(g_dialogStack.back())) g_dialogStack.pop_back();
    return g_dialogStack.empty() ? nullptr : g_dialogStack.back();
}

bool DialogHandleEvent(Window& w, const SDL_Event& e) {
    ImGuiHost& host = HostFor(w);
    switch (e.type) {
        case SDL_MOUSEMOTION: host.mouseX = e.motion.x; host.mouseY = e.motion.y; return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            int b = e.button.button == SDL_BUTTON_LEFT ? 0 : e.button.button == SDL_BUTTON_RIGHT ? 1 : 2;
            host.mouseX = e.button.x; host.mouseY = e.button.y;
            host.clicks.push_back({b, e.type == SDL_MOUSEBUTTONDOWN});
            return true;
        }
        default: return false;
    }
}

void DialogDestroyed(Window& w) {
    if (!w.dialog) return;
    if (w.gl && w.sdl) {
        SDL_Window* prevWin = SDL_GL_GetCurrentWindow();
        SDL_GLContext prevCtx = SDL_GL_GetCurrentContext();
        if (SDL_GL_MakeCurrent(w.sdl, static_cast<SDL_GLContext>(w.gl)) == 0) {
            for (HWND h : w.dialog->controls) {
                Control* c = ControlOf(h);
                if (c && c->texture) { glDeleteTextures(1, &c->texture); c->texture = 0; }
            }
            ReleaseImGui(w);
        }
        if (prevCtx && prevCtx != w.gl) SDL_GL_MakeCurrent(prevWin, prevCtx);
        else SDL_GL_MakeCurrent(w.sdl, nullptr);
    }
}

bool ClickControl(HWND ctrl) {
    Window* w = Find(ctrl);
    if (!w || !w->control || !w->enabled || !w->visible) return false;
    Window* d = Find(w->parent);
    if (!d || !d->enabled) return false;
    Control& c = *w->control;
    if (c.kind == ControlKind::RadioButton) {
        for (HWND other : RadioGroup(ctrl))
            if (Control* oc = ControlOf(other)) oc->checked = other == ctrl;
        SendCommand(ctrl, BN_CLICKED);
        return true;
    }
    if (c.kind == ControlKind::PushButton) {
        SendCommand(ctrl, BN_CLICKED);
        return true;
    }
    return false;
}

bool ChooseComboEntry(HWND ctrl, int index) {
    Window* w = Find(ctrl);
    if (!w || !w->control || w->control->kind != ControlKind::ComboBox || !w->enabled) return false;
    if (index < 0 || index >= static_cast<int>(w->control->items.size())) return false;
    w->control->selection = index;
    SendCommand(ctrl, CBN_SELENDOK);
    if (Find(ctrl)) SendCommand(ctrl, CBN_SELCHANGE);
    return true;
}

void DialogKey(HWND dlg, int vk) {
    Window* d = Find(dlg);
    if (!d || !d->dialog) return;
    if (vk == VK_RETURN) {
        HWND def = FindDefaultButton(*d);
        if (def && !IsWindowEnabled(def)) return;
        Send(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(def));
    } else if (vk == VK_ESCAPE) {
        HWND cancel = GetDlgItem(dlg, IDCANCEL);
        Send(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
    }
}

}  // namespace w32

using namespace w32;

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) {
    const rt::DialogDef* def = rt::FindDialog(rt::ResourceId(name));
    if (!def) { SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND); return -1; }
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DialogProcWrapper;
        wc.lpszClassName = "#32770";
        RegisterClassA(&wc);
        registered = true;
    }
    // Client size from the template, frame around it; centred on the owner.
    DWORD style = def->style & ~WS_VISIBLE;
    RECT r{0, 0, DluX(def->cx), DluY(def->cy)};
    AdjustWindowRect(&r, style, FALSE);
    int w = r.right - r.left, h = r.bottom - r.top;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    Window* ow = Find(owner);
    if (ow && ow->visible) GetWindowRect(owner, &area);
    int x = area.left + (area.right - area.left - w) / 2, y = area.top + (area.bottom - area.top - h) / 2;
    if (!(def->style & DS_CENTER)) { x = area.left + DluX(def->x); y = area.top + DluY(def->y); }

    SDL_Window* prevWin = SDL_GL_GetCurrentWindow();
    SDL_GLContext prevCtx = SDL_GL_GetCurrentContext();

    HWND dlg = CreateWindowExA(0, "#32770", def->caption.c_str(), style, x, y, w, h, owner, nullptr, nullptr, nullptr);
    Window* d = Find(dlg);
    if (!d) return -1;
    d->dlgProc = proc;
    if ((def->style & DS_SETFONT) && !def->font.empty()) {
        ImGuiHost& host = HostFor(*d);
        host.fontFace = def->font;
        host.fontCell = kBaseY;
        host.fontAverage = kBaseX;
    }
    d->dialog = std::make_unique<DialogState>();
    d->dialog->owner = owner;
    d->dialog->templateId = def->id;
    for (const auto& cd : def->controls) {
        HWND c = MakeControl(dlg, cd);
        if (c && (d = Find(dlg))) d->dialog->controls.push_back(c);
    }
    if (!(d = Find(dlg))) return -1;
    if (d->sdl && (SDL_GetWindowFlags(d->sdl) & SDL_WINDOW_OPENGL)) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        d->gl = SDL_GL_CreateContext(d->sdl);
        d->ownsGl = d->gl != nullptr;
        if (prevCtx) SDL_GL_MakeCurrent(prevWin, prevCtx);
    }
    bool ownerEnabled = IsWindowEnabled(owner) != FALSE;
    d->dialog->ownerWasEnabled = ownerEnabled;
    if (owner && ownerEnabled) EnableWindow(owner, FALSE);
    g_dialogStack.push_back(dlg);
    ForceArrowCursor(true);

    HWND first = d->dialog->controls.empty() ? nullptr : d->dialog->controls.front();
    Send(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
    if (Find(dlg) && !Find(dlg)->dialog->ended) ShowWindow(dlg, SW_SHOW);

    // Dispatches what waits in the queue, with Return and Escape taken by the dialog.
    bool quit = false;
    auto pumpOnce = [&]() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) { quit = true; PostQuitMessage(static_cast<int>(m.wParam)); return; }
            if (m.hwnd == dlg && m.message == WM_KEYDOWN && (m.wParam == VK_RETURN || m.wParam == VK_ESCAPE)) {
                DialogKey(dlg, static_cast<int>(m.wParam));
            } else {
                DispatchMessageA(&m);
            }
            if (!Find(dlg) || Find(dlg)->dialog->ended) return;
        }
    };
    auto open = [&]() { Window* dw = Find(dlg); return dw && !dw->dialog->ended; };

    if (open()) DrawDialog(dlg);  // the first picture, before anyone answers

    std::function<void(HWND)> script;
    bool scripted = TakeDialogScript(&script);
    if (scripted && open()) {
        script(dlg);
        if (open()) pumpOnce();
    }
    // With nobody to answer it the dialog is cancelled, never left hanging.
    if ((scripted || Offscreen()) && open()) EndDialog(dlg, IDCANCEL);

    while (open()) {
        pumpOnce();
        if (quit) { if (open()) EndDialog(dlg, IDCANCEL); break; }
        if (!open()) break;
        DrawDialog(dlg);
        SDL_Delay(10);
    }
    INT_PTR result = IDCANCEL;
    if ((d = Find(dlg))) {
        result = d->dialog->result;
        if (owner && d->dialog->ownerWasEnabled) EnableWindow(owner, TRUE);
        // The owner takes the activation over before the dialog goes, so the
        // program does not pass through an inactive moment.
        if (owner && Find(owner) && Find(owner)->visible) Activate(owner);
        DestroyWindow(dlg);
    } else if (owner && ownerEnabled) {
        EnableWindow(owner, TRUE);
    }
    g_dialogStack.erase(std::remove(g_dialogStack.begin(), g_dialogStack.end(), dlg), g_dialogStack.end());
    ForceArrowCursor(false);
    if (owner && Find(owner) && Find(owner)->visible) {
        Activate(owner);
        RaiseToFront(owner);
    }
    if (prevCtx) SDL_GL_MakeCurrent(prevWin, prevCtx);
    return result;
}

BOOL EndDialog(HWND dlg, INT_PTR result) {
    Window* d = Find(dlg);
    if (!d || !d->dialog) return FALSE;
    if (!d->dialog->ended) {
        d->dialog->ended = true;
        d->dialog->result = result;
        RecordDialog(dlg);
    }
    return TRUE;
}

HWND GetDlgItem(HWND dlg, int id) {
    Window* d = Find(dlg);
    if (!d || !d->dialog) return nullptr;
    for (HWND h : d->dialog->controls) {
        Window* c = Find(h);
        if (c && c->id == id) return h;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND control) { Window* w = Find(control); return w ? w->id : 0; }

LRESULT SendDlgItemMessageA(HWND dlg, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND c = GetDlgItem(dlg, id);
    return c ? SendMessageA(c, message, wParam, lParam) : 0;
}

BOOL CheckRadioButton(HWND dlg, int first, int last, int check) {
    for (int id = first; id <= last; ++id) {
        HWND c = GetDlgItem(dlg, id);
        if (c) SendMessageA(c, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dlg, int id) { return static_cast<UINT>(SendDlgItemMessageA(dlg, id, BM_GETCHECK, 0, 0)); }

BOOL MapDialogRect(HWND, LPRECT r) {
    if (!r) return FALSE;
    r->left = DluX(r->left); r->right = DluX(r->right);
    r->top = DluY(r->top); r->bottom = DluY(r->bottom);
    return TRUE;
}
