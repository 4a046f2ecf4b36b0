// The framework's bounded string copies.
#include <gtest/gtest.h>
#include <cstring>
#include "d3dutil.h"

TEST(Utilities, StringCopiesStayInsideTheirCapacity) {
    char out[8];
    std::memset(out, 'x', sizeof(out));
    CopyGenericString(out, "a long text", 4);
    EXPECT_STREQ(out, "a l");
    EXPECT_EQ(out[4], 'x');
    WCHAR wide[6];
    AnsiToWide(wide, "snowman", 6);
    EXPECT_EQ(wide[5], 0);
}
