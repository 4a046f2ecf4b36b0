// Render modes and the state caches, against the recording device.
#include <fstream>
#include <string>

#include "render_test_support.h"
#include "trap.h"

namespace quiltest {
namespace {

const DWORD TEX = D3DTA_TEXTURE, DIF = D3DTA_DIFFUSE;

class RenderModeCaches : public RenderTest {};

// Switches send only the blending, alpha-test and z-write changes the caches lack.
TEST_F(RenderModeCaches, SwitchesBetweenModesSendOnlyWhatTheCachesLack) {
    struct Switch { uint32_t from, to; Lines blend, test, zwrite; };
    const Switch switches[] = {
        {1, 0, {RS(D3DRS_ALPHABLENDENABLE, FALSE)}, {RS(D3DRS_ALPHATESTENABLE, FALSE)}, {}},
        {1, 5, {}, {}, {RS(D3DRS_ZWRITEENABLE, FALSE)}},  // additive keeps mode 1's alpha test
        {5, 7, {}, {RS(D3DRS_ALPHATESTENABLE, FALSE)}, {}},  // mode 7 always switches it off
    };
    Renderer renderer;
    for (const Switch& s : switches) {
        renderer.SetRenderMode(s.from);
        device.Clear();
        renderer.SetRenderMode(s.to);
        EXPECT_EQ(device.Matching("RS 27"), s.blend) << s.from << "->" << s.to;
        EXPECT_EQ(device.Matching("RS 15"), s.test) << s.from << "->" << s.to;
        EXPECT_EQ(device.Matching("RS 14"), s.zwrite) << s.from << "->" << s.to;
    }
}

TEST_F(RenderModeCaches, InvalidModeIsLoggedOnceSendsNothingAndIsCached) {
    DebugLog_Start();
    Renderer renderer;
    renderer.SetRenderMode(3);
    device.Clear();
    renderer.SetRenderMode(12);
    renderer.SetRenderMode(12);
    renderer.SetRenderMode(0xFFFFFFFFu);
    EXPECT_TRUE(device.log.empty());
    EXPECT_EQ(renderer.GetRenderMode(), 0xFFFFFFFFu);
    // Back to the mode before the invalid ones: its whole recipe is sent again.
    renderer.SetRenderMode(3);
    EXPECT_EQ(device.log, (Lines{RS(D3DRS_SRCBLEND, D3DBLEND_ONE), RS(D3DRS_DESTBLEND, D3DBLEND_ZERO),
                               TSS(0, D3DTSS_COLORARG1, TEX), TSS(0, D3DTSS_COLORARG2, DIF),
                               TSS(0, D3DTSS_COLOROP, D3DTOP_MODULATE), TSS(1, D3DTSS_COLOROP, D3DTOP_DISABLE)}));

    std::ifstream in(DEBUG_LOG_FILE);
    std::string line;
    size_t count = 0;
    while (std::getline(in, line)) count += line.find("Invalid Render state Set") != std::string::npos;
    EXPECT_EQ(count, 2u);  // 12, then 0xFFFFFFFF; the repeated 12 is cached
}

TEST_F(RenderModeCaches, FogIsSilentUntilConfiguredThenFollowsTheModes) {
    Renderer renderer;
    for (uint32_t m = 0; m < 12; ++m) renderer.SetRenderMode(m);
    EXPECT_TRUE(device.Matching("RS 28").empty());  // D3DRS_FOGENABLE

    renderer.SetRenderMode(0);
    device.Clear();
    renderer.SetFog(true, 10.0f, 200.0f, 0xFF102030);
    EXPECT_EQ(device.log.back(), RS(D3DRS_FOGENABLE, TRUE));
    EXPECT_EQ(device.Matching(RS(D3DRS_FOGEND, FloatBits(200.0f))).size(), 1u);
    device.Clear();
    renderer.SetRenderMode(5);  // no fog
    renderer.SetRenderMode(3);  // fog
    EXPECT_EQ(device.Matching("RS 28"), (Lines{RS(D3DRS_FOGENABLE, FALSE), RS(D3DRS_FOGENABLE, TRUE)}));
    // A device restore switches fog off, then on again for the configured fog.
    device.Clear();
    renderer.SetDefaultStates();
    EXPECT_EQ(device.Matching("RS 28"), (Lines{RS(D3DRS_FOGENABLE, FALSE), RS(D3DRS_FOGENABLE, TRUE)}));
    device.Clear();
    renderer.SetFog(false, 0, 0, 0);
    EXPECT_EQ(device.log, Lines{RS(D3DRS_FOGENABLE, FALSE)});
    device.Clear();
    renderer.SetRenderMode(5);
    renderer.SetRenderMode(0);
    EXPECT_TRUE(device.Matching("RS 28").empty());
}

}  // namespace
}  // namespace quiltest
