// Render modes and the state caches, against the recording device.
#include <fstream>
#include <string>

#include "render_test_support.h"
#include "trap.h"

namespace quiltest {
namespace {

const DWORD TEX = D3DTA_TEXTURE, DIF = D3DTA_DIFFUSE, CUR = D3DTA_CURRENT;

Lines Blend(DWORD src, DWORD dst) { return {RS(D3DRS_SRCBLEND, src), RS(D3DRS_DESTBLEND, dst)}; }
Lines Select(DWORD arg) { return {TSS(0, D3DTSS_COLORARG1, arg), TSS(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)}; }
Lines Modulate() {
    return {TSS(0, D3DTSS_COLORARG1, TEX), TSS(0, D3DTSS_COLORARG2, DIF), TSS(0, D3DTSS_COLOROP, D3DTOP_MODULATE)};
}
Lines AlphaSelect() { return {TSS(0, D3DTSS_ALPHAARG1, TEX), TSS(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)}; }
Lines AlphaModulate() {
    return {TSS(0, D3DTSS_ALPHAARG1, TEX), TSS(0, D3DTSS_ALPHAARG2, DIF), TSS(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE)};
}
Lines Stage1Off() { return {TSS(1, D3DTSS_COLOROP, D3DTOP_DISABLE)}; }
Lines Lightmap() {
    return {TSS(1, D3DTSS_COLOROP, D3DTOP_MODULATE), TSS(1, D3DTSS_COLORARG1, CUR), TSS(1, D3DTSS_COLORARG2, TEX)};
}
Lines Cat(std::initializer_list<Lines> parts) {
    Lines out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// What a fresh renderer (nothing cached) sends for each mode. Switches from the
// caches come last: blending on, then z-write on (opaque modes), or blending
// only (no z-write modes, whose cached z-write is still off).
const Lines kBlendOn = {RS(D3DRS_ALPHABLENDENABLE, TRUE)};
const Lines kZOn = {RS(D3DRS_ZWRITEENABLE, TRUE)};
const Lines kTestOn = {RS(D3DRS_ALPHATESTENABLE, TRUE)};
const Lines kTestOff = {RS(D3DRS_ALPHATESTENABLE, FALSE)};

struct ModeCase {
    uint32_t mode;
    Lines expected;
};

class RenderModeSequence : public RenderTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(RenderModeSequence, FreshRendererSendsTheWholeRecipeInOrder) {
    Renderer renderer;
    renderer.SetRenderMode(GetParam().mode);
    EXPECT_EQ(device.log, GetParam().expected);
    // The same mode again costs nothing.
    device.Clear();
    renderer.SetRenderMode(GetParam().mode);
    EXPECT_TRUE(device.log.empty());
}

INSTANTIATE_TEST_SUITE_P(
    AllModes, RenderModeSequence,
    ::testing::Values(
        ModeCase{0, Cat({Blend(D3DBLEND_ONE, D3DBLEND_ZERO), Select(TEX), Stage1Off(), kZOn})},
        ModeCase{1, Cat({Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA), Select(TEX), AlphaSelect(), Stage1Off(),
                         kTestOn, kBlendOn, kZOn})},
        ModeCase{2, Cat({Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA), Modulate(), AlphaModulate(), Stage1Off(),
                         kTestOn, kBlendOn, kZOn})},
        ModeCase{3, Cat({Blend(D3DBLEND_ONE, D3DBLEND_ZERO), Modulate(), Stage1Off(), kZOn})},
        ModeCase{4, Cat({Blend(D3DBLEND_ONE, D3DBLEND_ZERO), Select(DIF), Stage1Off(), kZOn})},
        ModeCase{5, Cat({Blend(D3DBLEND_ONE, D3DBLEND_ONE), Select(DIF), Stage1Off(), kBlendOn})},
        ModeCase{6, Cat({Blend(D3DBLEND_ONE, D3DBLEND_ONE), Select(TEX), Stage1Off(), kBlendOn})},
        ModeCase{7, Cat({Blend(D3DBLEND_ONE, D3DBLEND_ONE), Modulate(), AlphaModulate(), Stage1Off(), kTestOff,
                         kBlendOn})},
        ModeCase{8, Cat({Blend(D3DBLEND_ONE, D3DBLEND_ZERO), Modulate(), Lightmap(), kZOn})},
        ModeCase{9, Cat({Blend(D3DBLEND_ONE, D3DBLEND_ZERO), Select(TEX), Lightmap(), kZOn})},
        ModeCase{10, Cat({Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA), Modulate(), AlphaModulate(), Lightmap(),
                          kTestOn, kBlendOn, kZOn})},
        ModeCase{11, Cat({Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA), Select(TEX), AlphaSelect(), Lightmap(),
                          kTestOn, kBlendOn, kZOn})}));

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
    EXPECT_EQ(device.log, Cat({Blend(D3DBLEND_ONE, D3DBLEND_ZERO), Modulate(), Stage1Off()}));

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
