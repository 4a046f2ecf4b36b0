// The "Game Settings" dialog over a scripted Direct3D object.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "d3dapp.h"
#include "fake_direct3d.h"
#include "quil_automation.h"

namespace {
namespace qa = quil_automation;

const int kDriver = setenv("SDL_VIDEODRIVER", "dummy", 0);

const qa::ShownControl* Control(const qa::ShownDialog& d, int id) {
    for (const auto& c : d.controls)
        if (c.id == id) return &c;
    static const qa::ShownControl missing{0, "", "", {}, -1, false, false};
    ADD_FAILURE() << "no control " << id;
    return &missing;
}

std::string Selected(const qa::ShownDialog& d, int id) {
    const auto* c = Control(d, id);
    return c->selection >= 0 && c->selection < (int)c->items.size() ? c->items[c->selection] : "";
}

FakeAdapter Adapter(const char* description, std::vector<D3DDISPLAYMODE> modes) {
    FakeAdapter a;
    a.description = description;
    a.modes = std::move(modes);
    a.halCaps = Caps(true);
    a.refCaps = Caps(false);
    return a;
}

// Choosing an adapter or a device refills the lists with that device's own last choice;
// Apply before any device exists stores the choice and creates nothing.
TEST(SettingsDialog, SelectionRefillsAndApplyStoresTheChoice) {
    qa::SetHeadless(true);
    qa::ClearMessageBoxesShown();
    // The first opening of a process differs (the shell stories' subject): a throwaway table has it.
    FakeDirect3D d3d;
    d3d.adapters = {Adapter("Fake Adapter", {Mode(640, 480, D3DFMT_R5G6B5)})};
    VetoApp app(&d3d);
    ASSERT_EQ(app.BuildDeviceList(), S_OK);
    qa::QueueDialogScript([](HWND dialog) { qa::DialogPressKey(dialog, VK_ESCAPE); });
    app.UserSelectNewDevice();

    FakeDirect3D d3d2;
    const FakeAdapter first = Adapter("First Adapter", {Mode(640, 480, D3DFMT_R5G6B5), Mode(800, 600, D3DFMT_R5G6B5),
                                                        Mode(640, 480, D3DFMT_X8R8G8B8)});
    FakeAdapter second = first;
    second.description = "Second Adapter";
    second.modes.push_back(Mode(1024, 768, D3DFMT_R5G6B5));
    second.halCaps = Caps(true, true, /*windowed=*/false);
    d3d2.adapters = {first, second};
    VetoApp later(&d3d2);
    ASSERT_EQ(later.BuildDeviceList(), S_OK);
    AdapterEntry* second8 = later.GetAdapter(1);
    ASSERT_EQ(second8->dwNumDevices, 2u);
    second8->devices[1].dwCurrentMode = 2;  // the reference device last had 1024 x 768
    const int halMode = (int)second8->devices[0].dwCurrentMode;

    static qa::ShownDialog opened, adapterChosen, modeChosen, refChosen, halAgain;
    qa::QueueDialogScript([](HWND dialog) {
        opened = qa::DescribeDialog(dialog);
        qa::DialogChooseComboEntry(dialog, IDC_ADAPTER_COMBO, 1);
        adapterChosen = qa::DescribeDialog(dialog);
        qa::DialogChooseComboEntry(dialog, IDC_FULLSCREENMODES_COMBO, 2);
        modeChosen = qa::DescribeDialog(dialog);
        qa::DialogChooseComboEntry(dialog, IDC_DEVICE_COMBO, 1);
        refChosen = qa::DescribeDialog(dialog);
        qa::DialogChooseComboEntry(dialog, IDC_DEVICE_COMBO, 0);
        halAgain = qa::DescribeDialog(dialog);
        qa::DialogChooseComboEntry(dialog, IDC_FULLSCREENMODES_COMBO, 1);
        qa::DialogClickButton(dialog, IDOK);
    });
    EXPECT_EQ(later.UserSelectNewDevice(), S_OK);

    // Opened on the table's choice: first adapter, its windowed HAL.
    EXPECT_EQ(Control(opened, IDC_ADAPTER_COMBO)->items,
              (std::vector<std::string>{"First Adapter", "Second Adapter"}));
    EXPECT_EQ(Selected(opened, IDC_ADAPTER_COMBO), "First Adapter");
    EXPECT_EQ(Selected(opened, IDC_DEVICE_COMBO), "HAL");

    // The second adapter's HAL cannot render in a window.
    EXPECT_EQ(Selected(adapterChosen, IDC_ADAPTER_COMBO), "Second Adapter");
    EXPECT_FALSE(Control(adapterChosen, IDC_WINDOW)->enabled);
    EXPECT_TRUE(Control(adapterChosen, IDC_FULLSCREEN)->checked);
    EXPECT_TRUE(Control(adapterChosen, IDC_FULLSCREENMODES_COMBO)->enabled);
    EXPECT_EQ(Control(adapterChosen, IDC_FULLSCREENMODES_COMBO)->items.size(), 4u);
    EXPECT_EQ(Control(adapterChosen, IDC_FULLSCREENMODES_COMBO)->selection, halMode);
    EXPECT_EQ(Control(modeChosen, IDC_FULLSCREENMODES_COMBO)->selection, 2);

    // The reference device brings its own windowed flag and mode.
    EXPECT_TRUE(Control(refChosen, IDC_WINDOW)->checked);
    EXPECT_FALSE(Control(refChosen, IDC_FULLSCREENMODES_COMBO)->enabled);
    EXPECT_EQ(Selected(refChosen, IDC_FULLSCREENMODES_COMBO), "1024 x 768 x 16");

    // Back on the HAL, the mode picked before is forgotten.
    EXPECT_EQ(Control(halAgain, IDC_FULLSCREENMODES_COMBO)->selection, halMode);

    // Apply: the table takes the choice, the framework goes full screen, no device yet.
    EXPECT_EQ(later.GetCurrentAdapter(), 1u);
    EXPECT_EQ(second8->dwCurrentDevice, 0u);
    EXPECT_EQ(second8->devices[0].dwCurrentMode, 1u);
    EXPECT_FALSE(second8->devices[0].bWindowed);
    EXPECT_FALSE(later.IsWindowed());
    EXPECT_EQ(later.GetD3DDevice(), nullptr);
    EXPECT_TRUE(later.GetAdapter(0)->devices[0].bWindowed);  // the other adapter's choice is kept
    EXPECT_TRUE(qa::MessageBoxesShown().empty());
}

}  // namespace
