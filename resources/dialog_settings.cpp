// Dialog 106: "Game Settings", the device-selection dialog.
#include "quil_resource_table.h"

namespace {
namespace rt = quil_resources_table;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCombo = kChild | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;

void Register() {
    rt::DialogDef d;
    d.id = 106;
    d.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT;
    d.x = 0; d.y = 0; d.cx = 192; d.cy = 237;
    d.caption = "Game Settings";
    d.font = "MS Sans Serif";
    d.pointSize = 8;
    d.controls = {
        {"BUTTON", "", -1, kChild | BS_GROUPBOX, 5, 0, 180, 100},
        {"STATIC", "#110", -1, kChild | SS_BITMAP | SS_CENTERIMAGE | SS_SUNKEN | WS_BORDER, 10, 10, 170, 40},
        {"STATIC", "FROST-WICK", -1, kChild | SS_CENTER, 10, 55, 170, 8},
        {"STATIC", "Built on QuilEngine", -1, kChild | SS_CENTER, 10, 66, 170, 8},
        {"STATIC", "Merry Christmas!", -1, kChild | SS_CENTER, 10, 80, 170, 8},
        {"BUTTON", "Rendering Device", -1, kChild | BS_GROUPBOX, 5, 105, 180, 50},
        {"STATIC", "&Adapter", -1, kChild | SS_LEFT | WS_GROUP, 10, 121, 30, 10},
        {"COMBOBOX", "", 1000, kCombo, 40, 121, 140, 140},
        {"STATIC", "&Device", -1, kChild | SS_LEFT | WS_GROUP, 10, 135, 30, 10},
        {"COMBOBOX", "", 1001, kCombo, 40, 135, 140, 145},
        {"BUTTON", "Screen Mode", -1, kChild | BS_GROUPBOX, 5, 161, 180, 45},
        // The two radio buttons form one group (it starts at the first of them),
        // so choosing one clears the other.
        {"BUTTON", "&Fullscreen Mode:", 1003, kChild | BS_AUTORADIOBUTTON | WS_GROUP, 10, 175, 65, 10},
        {"COMBOBOX", "", 1002, kCombo, 95, 175, 85, 145},
        {"BUTTON", "Use desktop &window", 1004, kChild | BS_AUTORADIOBUTTON, 10, 190, 80, 10},
        {"BUTTON", "Apply", IDOK, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 5, 215, 180, 14},
    };
    rt::AddDialog(d);
}
}  // namespace

void QuilRegisterDialogs() { Register(); }
