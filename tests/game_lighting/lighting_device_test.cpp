// On a real device: a cached lightmap loaded as a texture.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Level.h"
#include "LightMan.h"
#include "LightMap.h"
#include "lighting_test_support.h"
#include "quil_automation_d3d.h"
#include "renderdevice.h"

namespace {

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        lighting_test::StartRecordingBoxes();
        ASSERT_EQ(quil_automation::CreateOffscreenDevice(64, 64, true, &m_pD3D, &m_pDevice), D3D_OK);
        RenderDevice_Bind(m_pDevice);
        GetLevel()->Free();
        GetLightMan()->Clear();
    }
    void TearDown() override {
        GetLightMan()->Clear();
        RenderDevice_Unbind();
        if (m_pDevice) m_pDevice->Release();
        if (m_pD3D) m_pD3D->Release();
    }
    IDirect3D8* m_pD3D = nullptr;
    IDirect3DDevice8* m_pDevice = nullptr;
};

// Texel (x, y) of a locked level as 0xFFRRGGBB, for 24- and 32-bit formats.
uint32_t TexelAt(const D3DLOCKED_RECT& rect, D3DFORMAT format, int x, int y) {
    const uint8_t* p = static_cast<const uint8_t*>(rect.pBits) + y * rect.Pitch + x * (format == D3DFMT_R8G8B8 ? 3 : 4);
    return 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

TEST_F(DeviceTest, CachedMapLoadsTopRowFirstWithMipChain) {
    lighting_test::ScratchDir dir;
    std::vector<uint32_t> texels(256 * 256);
    for (uint32_t i = 0; i < 256 * 256; ++i) texels[i] = 0xFF000000u | (i >> 8) << 16 | (i & 0xFF) << 8 | (i * 7 & 0xFF);
    LightMap* lm = GetLightMap();
    lm->Save(0, 0, 1, texels.data(), 256, 256, 0);

    IDirect3DTexture8* texture = lm->Load(0, 0, 1);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetLevelCount(), 9u);
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width * desc.Height, 65536u);
    D3DLOCKED_RECT rect;
    ASSERT_EQ(texture->LockRect(0, &rect, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (int y : {0, 1, 255})
        for (int x : {0, 7, 255}) EXPECT_EQ(TexelAt(rect, desc.Format, x, y), texels[y * 256 + x]) << x << "," << y;
    texture->UnlockRect(0);
    texture->Release();

    // A damaged or missing file gives no texture and no message.
    std::FILE* f = std::fopen("gfx/lightmaps/LMP0001.tga", "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 16, SEEK_SET);
    std::fputc(32, f);
    std::fclose(f);
    EXPECT_EQ(lm->Load(0, 0, 1), nullptr);
    EXPECT_EQ(lm->Load(0, 0, 2), nullptr);
    EXPECT_EQ(lighting_test::BoxCount(), 0u);
}

}  // namespace
