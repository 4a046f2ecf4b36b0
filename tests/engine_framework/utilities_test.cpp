// The framework utilities: GUID text, bounded string copies, media search, the arc ball.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include <cstring>
#include "d3dapp.h"
#include "d3dutil.h"

TEST(Utilities, GuidTextRoundTripsAndRejectsMissingFields) {
    GUID g{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 0xFF}};
    char text[64];
    GuidToString(&g, text);
    EXPECT_STREQ(text, "{12345678-9ABC-DEF0-0102-0304050607FF}");
    GUID back{};
    EXPECT_TRUE(StringToGuid(text, &back));
    EXPECT_TRUE(IsEqualGUID(g, back));
    GUID bad{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_FALSE(StringToGuid("{12345678-9ABC-DEF0-0102}", &bad));
    EXPECT_TRUE(IsEqualGUID(bad, GUID{}));
}

TEST(Utilities, StringCopiesStayInsideTheirCapacity) {
    char out[8];
    std::memset(out, 'x', sizeof(out));
    CopyGenericString(out, "a long text", 4);
    EXPECT_STREQ(out, "a l");
    EXPECT_EQ(out[4], 'x');
    WCHAR wide[6];
    AnsiToWide(wide, "snowman", 6);
    EXPECT_EQ(wide[5], 0);
    char narrow[16];
    WideToAnsi(narrow, L"tree", -1);
    EXPECT_STREQ(narrow, "tree");
}

TEST(Utilities, FindMediaFileFallsBackToTheBareName) {
    std::FILE* f = std::fopen("media_probe.tga", "wb");
    ASSERT_TRUE(f);
    std::fclose(f);
    char path[2048];
    EXPECT_EQ(FindMediaFile(path, "no/such/dir/media_probe.tga"), S_OK);
    EXPECT_STREQ(path, "media_probe.tga");
    EXPECT_EQ(FindMediaFile(path, "nowhere_at_all.tga"), E_FAIL);
    EXPECT_EQ(FindMediaFile(nullptr, "x"), E_INVALIDARG);
    std::remove("media_probe.tga");
}

TEST(Utilities, ArcBallMapsTheCentreToTheFrontAndFarPointsToTheRim) {
    ArcBall ball;
    ball.SetWindow(200, 100, 1.0f);
    D3DXVECTOR3 v = ball.ScreenToVector(100, 50);  // the centre faces the viewer
    EXPECT_FLOAT_EQ(v.z, 1.0f);
    v = ball.ScreenToVector(10000, 50);  // far outside: on the rim
    EXPECT_NEAR(std::sqrt(v.x * v.x + v.y * v.y), 1.0f, 1e-5f);
    EXPECT_EQ(v.z, 0.0f);
}
