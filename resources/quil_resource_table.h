// The program's compiled-in resources, as the resources library registers them
// and the window platform looks them up by numeric id.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "windows.h"

namespace quil_resources_table {

struct MenuItemDef {
    std::string text;  // '&' marks the mnemonic
    UINT id = 0;
    UINT flags = 0;    // MF_POPUP (with children), MF_SEPARATOR, MF_GRAYED
    std::vector<MenuItemDef> children;
};
struct MenuDef { int id; std::vector<MenuItemDef> items; };

struct AccelDef { int id; std::vector<ACCEL> entries; };

struct ControlDef {
    std::string cls;   // "BUTTON", "STATIC" or "COMBOBOX"
    std::string text;  // for an SS_BITMAP static: "#<bitmap id>"
    int id;
    DWORD style;       // WS_ and control styles
    int x, y, cx, cy;  // dialog units
};
struct DialogDef {
    int id;
    DWORD style;
    int x, y, cx, cy;  // dialog units
    std::string caption;
    std::string font;
    int pointSize;
    std::vector<ControlDef> controls;
};

// Pixels, rows top-down: 3 bytes (B, G, R) each for bitmaps, 4 (R, G, B, A) for icons.
struct ImageDef { int id; int width; int height; int bytesPerPixel; std::vector<uint8_t> pixels; };

struct DataDef { int id; const unsigned char* data; size_t size; };

void AddMenu(const MenuDef& def);
void AddAccelerators(const AccelDef& def);
void AddDialog(const DialogDef& def);
void AddBitmap(const ImageDef& def);
void AddIcon(const ImageDef& def);
void AddData(const DataDef& def);

const MenuDef* FindMenu(int id);
const AccelDef* FindAccelerators(int id);
const DialogDef* FindDialog(int id);
const ImageDef* FindBitmap(int id);
const ImageDef* FindIcon(int id);
const DataDef* FindData(int id);

// Numeric id of a resource name (MAKEINTRESOURCE or "#123"); -1 for a plain name.
int ResourceId(LPCSTR name);

}  // namespace quil_resources_table

// Registers all of the program's resources (called on the first lookup).
void QuilRegisterProgramResources();
