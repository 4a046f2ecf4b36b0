// The device table built over a scripted Direct3D object.
#include <gtest/gtest.h>
#include "d3dapp.h"
#include "fake_direct3d.h"
#include "quil_automation.h"

namespace {
namespace qa = quil_automation;

FakeAdapter StandardAdapter() {
    FakeAdapter a;
    a.modes = {Mode(320, 240, D3DFMT_R5G6B5),  Mode(800, 600, D3DFMT_X8R8G8B8), Mode(640, 480, D3DFMT_X8R8G8B8),
               Mode(640, 480, D3DFMT_X8R8G8B8, 75), Mode(800, 600, D3DFMT_R5G6B5), Mode(640, 480, D3DFMT_R5G6B5),
               Mode(640, 400, D3DFMT_R5G6B5),  Mode(1024, 768, D3DFMT_R5G6B5)};
    a.halCaps = Caps(true);
    a.refCaps = Caps(false);
    return a;
}

// A scripted object and the application over it, its table built.
struct Built {
    explicit Built(std::vector<FakeAdapter> adapters) : app(&d3d) {
        qa::SetHeadless(true);
        qa::ClearMessageBoxesShown();
        d3d.adapters = std::move(adapters);
        hr = app.BuildDeviceList();
    }
    const DeviceEntry& Device(int adapter = 0, int device = 0) { return app.GetAdapter(adapter)->devices[device]; }
    FakeDirect3D d3d;
    VetoApp app;
    HRESULT hr;
};
}  // namespace

TEST(Enumeration, ModesAreFilteredDeduplicatedAndSortedByFormatThenSizeAndNoneIsAnError) {
    Built b({StandardAdapter()});
    ASSERT_EQ(b.hr, S_OK);
    ASSERT_EQ(b.app.GetNumAdapters(), 1u);
    const DeviceEntry& hal = b.Device();
    EXPECT_EQ(hal.DeviceType, D3DDEVTYPE_HAL);
    // 320 x 240 dropped, the 75 Hz duplicate merged; R5G6B5 (23) before X8R8G8B8 (22).
    ASSERT_EQ(hal.dwNumModes, 6u);
    const DWORD expected[6][3] = {{640, 400, D3DFMT_R5G6B5}, {640, 480, D3DFMT_R5G6B5}, {800, 600, D3DFMT_R5G6B5},
                                  {1024, 768, D3DFMT_R5G6B5}, {640, 480, D3DFMT_X8R8G8B8}, {800, 600, D3DFMT_X8R8G8B8}};
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(hal.modes[i].Width, expected[i][0]) << i;
        EXPECT_EQ(hal.modes[i].Height, expected[i][1]) << i;
        EXPECT_EQ((DWORD)hal.modes[i].Format, expected[i][2]) << i;
        EXPECT_EQ(hal.modes[i].DepthStencilFormat, D3DFMT_D16);
    }
    EXPECT_EQ(hal.dwCurrentMode, 1u);  // the first 640 x 480 16-bit mode
    EXPECT_TRUE(hal.bWindowed);
    EXPECT_TRUE(b.app.IsWindowed());
    EXPECT_TRUE(qa::MessageBoxesShown().empty());
    EXPECT_EQ(Built({}).hr, D3DAPPERR_NOCOMPATIBLEDEVICES);
}

TEST(Enumeration, VetoLeavesMixedOrSoftwareProcessingAndDropsDevicesWithoutFog) {
    FakeAdapter a = StandardAdapter();
    a.refCaps = Caps(false, /*fog=*/false);
    Built mixed({a});
    ASSERT_EQ(mixed.app.GetAdapter(0)->dwNumDevices, 1u);  // the fog-less REF device has no modes
    EXPECT_EQ(mixed.Device().modes[0].dwBehavior, (DWORD)D3DCREATE_MIXED_VERTEXPROCESSING);
    a.halCaps = Caps(false);
    EXPECT_EQ(Built({a}).Device().modes[0].dwBehavior, (DWORD)D3DCREATE_SOFTWARE_VERTEXPROCESSING);
}

TEST(Enumeration, TablesStopAtTheirLimits) {
    FakeAdapter a = StandardAdapter();
    a.modes.clear();
    for (int i = 0; i < 120; i++) a.modes.push_back(Mode(640 + 8 * i, 480, i % 2 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8));
    Built b(std::vector<FakeAdapter>(12, a));
    ASSERT_EQ(b.hr, S_OK);
    EXPECT_EQ(b.app.GetNumAdapters(), kMaxAdapters);
    EXPECT_EQ(b.Device().dwNumModes, kMaxEnumModes);
}
