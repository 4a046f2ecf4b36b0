#include <gtest/gtest.h>
#include <cstring>
#include "d3dapp.h"
#include "fake_direct3d.h"
#include "quil_automation.h"

namespace {

// The application object's veto: no hardware vertex processing, vertex fog required.
class TestApp : public D3DApplication {
public:
    explicit TestApp(FakeDirect3D* d3d, bool veto = true) : m_bVeto(veto) {
        m_pD3D = d3d;
        m_bUseDepthBuffer = TRUE;
        D3DApplication::ResetProcessState();
    }
    HRESULT ConfirmDevice(D3DCAPS8* caps, DWORD behavior, D3DFORMAT) override {
        if (!m_bVeto) return S_OK;
        if (behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING) return E_FAIL;
        if (!(caps->RasterCaps & D3DPRASTERCAPS_FOGVERTEX)) return E_FAIL;
        return S_OK;
    }
    void SetDepth(DWORD depthBits, DWORD stencilBits, BOOL use = TRUE) {
        m_dwMinDepthBits = depthBits;
        m_dwMinStencilBits = stencilBits;
        m_bUseDepthBuffer = use;
    }
    bool m_bVeto;
};

class Enumeration : public ::testing::Test {
protected:
    void SetUp() override {
        quil_automation::SetHeadless(true);
        quil_automation::ClearMessageBoxesShown();
    }
    FakeAdapter StandardAdapter() {
        FakeAdapter a;
        a.modes = {Mode(320, 240, D3DFMT_R5G6B5),  Mode(800, 600, D3DFMT_X8R8G8B8), Mode(640, 480, D3DFMT_X8R8G8B8),
                   Mode(640, 480, D3DFMT_X8R8G8B8, 75), Mode(800, 600, D3DFMT_R5G6B5), Mode(640, 480, D3DFMT_R5G6B5),
                   Mode(640, 400, D3DFMT_R5G6B5),  Mode(1024, 768, D3DFMT_R5G6B5)};
        a.halCaps = Caps(true);
        a.refCaps = Caps(false);
        return a;
    }
    FakeDirect3D d3d;
};

TEST_F(Enumeration, ModesAreFilteredDeduplicatedAndSortedByFormatThenSize) {
    d3d.adapters.push_back(StandardAdapter());
    TestApp app(&d3d);
    ASSERT_EQ(app.BuildDeviceList(), S_OK);
    ASSERT_EQ(app.GetNumAdapters(), 1u);
    const DeviceEntry& hal = app.GetAdapter(0)->devices[0];
    EXPECT_EQ(hal.DeviceType, D3DDEVTYPE_HAL);
    EXPECT_STREQ(hal.strDesc, "HAL");
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
    // Default: the first 640 x 480 16-bit mode.
    EXPECT_EQ(hal.dwCurrentMode, 1u);
    EXPECT_TRUE(hal.bWindowed);
    EXPECT_TRUE(app.IsWindowed());
    EXPECT_EQ(app.GetAdapter(0)->dwCurrentDevice, 0u);
    EXPECT_TRUE(quil_automation::MessageBoxesShown().empty());
}

TEST_F(Enumeration, VetoLeavesMixedOrSoftwareProcessingAndDropsDevicesWithoutFog) {
    FakeAdapter a = StandardAdapter();
    a.halCaps = Caps(true);
    a.refCaps = Caps(false, /*fog=*/false);
    d3d.adapters.push_back(a);
    TestApp app(&d3d);
    ASSERT_EQ(app.BuildDeviceList(), S_OK);
    const AdapterEntry* ad = app.GetAdapter(0);
    ASSERT_EQ(ad->dwNumDevices, 1u);  // the fog-less REF device has no modes
    EXPECT_EQ(ad->devices[0].modes[0].dwBehavior, (DWORD)D3DCREATE_MIXED_VERTEXPROCESSING);

    FakeDirect3D d3d2;
    FakeAdapter b = StandardAdapter();
    b.halCaps = Caps(false);
    d3d2.adapters.push_back(b);
    TestApp app2(&d3d2);
    ASSERT_EQ(app2.BuildDeviceList(), S_OK);
    EXPECT_EQ(app2.GetAdapter(0)->devices[0].modes[0].dwBehavior, (DWORD)D3DCREATE_SOFTWARE_VERTEXPROCESSING);
}

TEST_F(Enumeration, DefaultModeFallsBackToLast640x480ThenToModeZero) {
    FakeAdapter a = StandardAdapter();
    a.modes = {Mode(640, 480, D3DFMT_X8R8G8B8), Mode(800, 600, D3DFMT_X8R8G8B8), Mode(640, 480, D3DFMT_A8R8G8B8)};
    d3d.adapters.push_back(a);
    TestApp app(&d3d);
    ASSERT_EQ(app.BuildDeviceList(), S_OK);
    const DeviceEntry& hal = app.GetAdapter(0)->devices[0];
    // Order: A8R8G8B8 640x480 (21 is below 22, so after) -> 22 first: 640x480, 800x600, then 21: 640x480.
    ASSERT_EQ(hal.dwNumModes, 3u);
    EXPECT_EQ(hal.modes[hal.dwCurrentMode].Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(hal.dwCurrentMode, 2u);

    FakeDirect3D d3d2;
    FakeAdapter b = StandardAdapter();
    b.modes = {Mode(800, 600, D3DFMT_X8R8G8B8), Mode(1024, 768, D3DFMT_X8R8G8B8)};
    d3d2.adapters.push_back(b);
    TestApp app2(&d3d2);
    ASSERT_EQ(app2.BuildDeviceList(), S_OK);
    EXPECT_EQ(app2.GetAdapter(0)->devices[0].dwCurrentMode, 0u);
}

TEST_F(Enumeration, FailuresWithoutAdaptersOrWindowableDevices) {
    TestApp empty(&d3d);
    EXPECT_EQ(empty.BuildDeviceList(), D3DAPPERR_NOCOMPATIBLEDEVICES);

    // The desktop format is rejected: full-screen modes exist but nothing is windowed.
    FakeDirect3D d3d2;
    FakeAdapter a = StandardAdapter();
    a.rejectedDisplayFormats = {D3DFMT_X8R8G8B8};
    d3d2.adapters.push_back(a);
    TestApp app(&d3d2);
    EXPECT_EQ(app.BuildDeviceList(), D3DAPPERR_NOWINDOWABLEDEVICES);
    ASSERT_EQ(app.GetNumAdapters(), 1u);
    EXPECT_FALSE(app.GetAdapter(0)->devices[0].bWindowed);
    EXPECT_GT(app.GetAdapter(0)->devices[0].dwNumModes, 0u);
}

TEST_F(Enumeration, ReferenceFallbackWarnsWithTheFirstReasonThatHolds) {
    FakeAdapter a = StandardAdapter();
    a.halTypeOk = false;
    d3d.adapters.push_back(a);
    TestApp app(&d3d);
    ASSERT_EQ(app.BuildDeviceList(), S_OK);
    const AdapterEntry* ad = app.GetAdapter(0);
    EXPECT_EQ(ad->devices[ad->dwCurrentDevice].DeviceType, D3DDEVTYPE_REF);
    const auto& boxes = quil_automation::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("No hardware-accelerated Direct3D devices\nwere found.\n\nSwitching to the reference "
                                  "rasterizer,",
                                  0),
              0u);

    // A HAL that cannot render in a window.
    quil_automation::ClearMessageBoxesShown();
    FakeDirect3D d3d2;
    FakeAdapter b = StandardAdapter();
    b.halCaps = Caps(true, true, /*windowed=*/false);
    d3d2.adapters.push_back(b);
    TestApp app2(&d3d2);
    ASSERT_EQ(app2.BuildDeviceList(), S_OK);
    ASSERT_EQ(quil_automation::MessageBoxesShown().size(), 1u);
    EXPECT_EQ(quil_automation::MessageBoxesShown()[0].text.rfind("Your Direct3D hardware accelerator cannot\nrender "
                                                                 "into a window.\n",
                                                                 0),
              0u);
}

TEST_F(Enumeration, DepthStencilCandidatesFollowTheRequirements) {
    FakeAdapter a = StandardAdapter();
    a.depthFormats = {D3DFMT_D24S8, D3DFMT_D32};
    d3d.adapters.push_back(a);
    TestApp app(&d3d);
    D3DFORMAT found = D3DFMT_UNKNOWN;
    EXPECT_TRUE(app.FindDepthStencilFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, &found));
    EXPECT_EQ(found, D3DFMT_D24S8);
    // With 16 depth bits D15S1 is skipped: D16, D24X8, then D24S8 is taken.
    ASSERT_EQ(d3d.depthChecks.size(), 3u);
    EXPECT_EQ(d3d.depthChecks[0], D3DFMT_D16);
    EXPECT_EQ(d3d.depthChecks[1], D3DFMT_D24X8);
    EXPECT_EQ(d3d.depthChecks[2], D3DFMT_D24S8);

    d3d.depthChecks.clear();
    app.SetDepth(32, 0);
    EXPECT_TRUE(app.FindDepthStencilFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, &found));
    EXPECT_EQ(found, D3DFMT_D32);
    EXPECT_EQ(d3d.depthChecks.size(), 1u);

    app.SetDepth(16, 8);
    d3d.adapters[0].depthFormats = {D3DFMT_D32};
    found = D3DFMT_UNKNOWN;
    EXPECT_FALSE(app.FindDepthStencilFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, &found));
    EXPECT_EQ(found, D3DFMT_UNKNOWN);
}

TEST_F(Enumeration, NoDepthBufferMeansNoDepthFormatAndNoChecks) {
    d3d.adapters.push_back(StandardAdapter());
    TestApp app(&d3d);
    app.SetDepth(16, 0, FALSE);
    ASSERT_EQ(app.BuildDeviceList(), S_OK);
    EXPECT_TRUE(d3d.depthChecks.empty());
    EXPECT_EQ(app.GetAdapter(0)->devices[0].modes[0].DepthStencilFormat, (D3DFORMAT)0);
}

TEST_F(Enumeration, TablesStopAtTheirLimits) {
    FakeAdapter a = StandardAdapter();
    a.modes.clear();
    const D3DFORMAT formats[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    for (int i = 0; i < 120; i++) a.modes.push_back(Mode(640 + 8 * i, 480, formats[i % 2]));
    for (int i = 0; i < 12; i++) d3d.adapters.push_back(a);
    TestApp app(&d3d);
    ASSERT_EQ(app.BuildDeviceList(), S_OK);
    EXPECT_EQ(app.GetNumAdapters(), kMaxAdapters);
    EXPECT_EQ(app.GetAdapter(0)->devices[0].dwNumModes, kMaxEnumModes);
}

}  // namespace
