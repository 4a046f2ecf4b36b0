// The resource table: the resources library fills it, the window platform looks
// resources up in it by numeric id.
#include <cstdlib>
#include <map>

#include "quil_resource_table.h"

namespace quil_resources_table {
namespace {
struct Table {
    std::map<int, MenuDef> menus;
    std::map<int, AccelDef> accels;
    std::map<int, DialogDef> dialogs;
    std::map<int, ImageDef> bitmaps;
    std::map<int, ImageDef> icons;
    std::map<int, DataDef> data;
};
Table& Raw() { static Table t; return t; }
// The table, filled from the resources library on first use.
Table& T() {
    static bool filled = false;
    if (!filled) {
        filled = true;
        QuilRegisterProgramResources();
    }
    return Raw();
}
template <class M> const typename M::mapped_type* Get(const M& m, int id) {
    auto it = m.find(id);
    return it == m.end() ? nullptr : &it->second;
}
}  // namespace

void AddMenu(const MenuDef& d) { Raw().menus[d.id] = d; }
void AddAccelerators(const AccelDef& d) { Raw().accels[d.id] = d; }
void AddDialog(const DialogDef& d) { Raw().dialogs[d.id] = d; }
void AddBitmap(const ImageDef& d) { Raw().bitmaps[d.id] = d; }
void AddIcon(const ImageDef& d) { Raw().icons[d.id] = d; }
void AddData(const DataDef& d) { Raw().data[d.id] = d; }
const MenuDef* FindMenu(int id) { return Get(T().menus, id); }
const AccelDef* FindAccelerators(int id) { return Get(T().accels, id); }
const DialogDef* FindDialog(int id) { return Get(T().dialogs, id); }
const ImageDef* FindBitmap(int id) { return Get(T().bitmaps, id); }
const ImageDef* FindIcon(int id) { return Get(T().icons, id); }
const DataDef* FindData(int id) { return Get(T().data, id); }

int ResourceId(LPCSTR name) {
    if (IS_INTRESOURCE(name)) return static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
    if (name[0] == '#') {
        char* end = nullptr;
        long v = std::strtol(name + 1, &end, 10);
        if (end && *end == 0 && v >= 0 && v <= 0xFFFF) return static_cast<int>(v);
    }
    return -1;
}

}  // namespace quil_resources_table
