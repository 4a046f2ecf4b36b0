// The fading screen texts: how lines fade in and the list's limits.
#include <gtest/gtest.h>

#include <string>

#include "TextOverlay.h"

namespace {

uint32_t Alpha(const TextOverlay& o, uint32_t i) { return o.GetLine(i)->colour >> 24; }

TEST(TextOverlay, LinesFadeInKeepTheirColourAndAFullListRefusesMore) {
    TextOverlay o;
    o.Init();
    ASSERT_EQ(o.Add(140, 200, 0.7f, 0x80112233u, "LEVEL 1 - GET READY", 2.0f), 0u);
    ASSERT_EQ(o.Add(10, 20, 0.3f, 0x00445566u, "AT ONCE", 0.0f), 1u);
    o.Update(0.0f);
    EXPECT_EQ(Alpha(o, 0), 0u);    // starts transparent, whatever alpha was given
    EXPECT_EQ(Alpha(o, 1), 255u);  // no fade time: opaque at once
    o.Update(1.0f);
    EXPECT_EQ(Alpha(o, 0), 127u);  // 1/2 x 255, truncated
    o.Update(10.0f);
    EXPECT_EQ(o.GetLine(0)->colour, 0xFF112233u);
    EXPECT_EQ(o.GetLine(1)->colour, 0xFF445566u);
    // New text keeps the line's place, colour and fade.
    o.SetText("BONUS SCORE: 123", 0);
    EXPECT_STREQ(o.GetLine(0)->text, "BONUS SCORE: 123");
    EXPECT_EQ(o.GetLine(0)->colour, 0xFF112233u);
    EXPECT_EQ(o.GetLine(0)->x, 140.0f);

    o.Clear();
    for (uint32_t i = 0; i < TextOverlay::MAX_LINES; ++i)
        EXPECT_EQ(o.Add(0, 10.0f * float(i), 1.0f, 0, ("LINE " + std::to_string(i)).c_str(), 1.0f), i);
    EXPECT_EQ(o.Add(0, 0, 1.0f, 0, "ONE TOO MANY", 1.0f), TextOverlay::NO_LINE);
    EXPECT_EQ(o.GetLineCount(), 5u);
    EXPECT_EQ(o.GetLine(5), nullptr);
    o.SetText("NOWHERE", TextOverlay::NO_LINE);  // the refused index changes nothing
    EXPECT_STREQ(o.GetLine(4)->text, "LINE 4");
    o.Clear();
    EXPECT_EQ(o.GetLine(0), nullptr);
    EXPECT_EQ(o.Add(1, 2, 1.0f, 0, "AGAIN", 1.0f), 0u);
    o.SetText("NOT IN USE", 3);
    EXPECT_EQ(o.GetLineCount(), 1u);
}

}  // namespace
