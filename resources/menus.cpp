// Menu 108 (the window's menu bar), menu 107 (the context menu) and accelerator
// table 109.
#include "quil_resource_table.h"

namespace {
namespace rt = quil_resources_table;

constexpr UINT kChangeDevice = 40001;
constexpr UINT kExit = 40002;
constexpr UINT kPausePlay = 40003;
constexpr UINT kToggleFullscreen = 40004;

void Register() {
    rt::MenuItemDef game{"Game", 0, MF_POPUP, {}};
    game.children = {{"&Pause/Play", kPausePlay, 0, {}},
                     {"&Change Device", kChangeDevice, 0, {}},
                     {"E&xit", kExit, 0, {}}};
    rt::AddMenu({108, {game}});

    rt::MenuItemDef popup{"Popup", 0, MF_POPUP, {}};
    popup.children = {{"&Change Device", kChangeDevice, 0, {}}, {"E&xit", kExit, 0, {}}};
    rt::AddMenu({107, {popup}});

    ACCEL f2{FVIRTKEY | FNOINVERT, VK_F2, static_cast<WORD>(kChangeDevice)};
    ACCEL altEnter{FVIRTKEY | FALT | FNOINVERT, VK_RETURN, static_cast<WORD>(kToggleFullscreen)};
    rt::AddAccelerators({109, {f2, altEnter}});
}
}  // namespace

void QuilRegisterMenus() { Register(); }
