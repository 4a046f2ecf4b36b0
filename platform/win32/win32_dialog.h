// Modal dialogs built from a dialog template and their controls.
#pragma once
#include <string>
#include <vector>
#include "win32_internal.h"

namespace w32 {

enum class ControlKind { Static, Picture, GroupBox, PushButton, RadioButton, ComboBox };

struct Control {
    ControlKind kind = ControlKind::Static;
    std::vector<std::string> items;  // combo box entries
    int selection = -1;
    bool checked = false;
    bool isDefault = false;
    int bitmapId = -1;
    unsigned int texture = 0;  // the picture, in the dialog's GL context
};

struct DialogState {
    HWND owner = nullptr;
    bool ownerWasEnabled = true;
    bool ended = false;
    INT_PTR result = 0;
    int templateId = 0;
    std::vector<HWND> controls;  // in template order
};

HWND ActiveDialog();                               // innermost running modal dialog
bool DialogHandleEvent(Window& w, const SDL_Event& e);  // mouse for the dialog's ImGui
void DialogDestroyed(Window& w);
bool ClickControl(HWND control);                   // as the user clicking it
bool ChooseComboEntry(HWND control, int index);    // as the user picking an entry
void DialogKey(HWND dialog, int vk);               // Return and Escape

}  // namespace w32
