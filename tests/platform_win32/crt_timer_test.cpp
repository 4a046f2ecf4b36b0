#include <gtest/gtest.h>
#include <cstdlib>
#include "windows.h"

// The generator must give the same sequence on every machine: the classic LCG.
TEST(Crt, RandIsTheClassicGeneratorAndSrandRestartsIt) {
    srand(1);
    EXPECT_EQ(rand(), 41);
    EXPECT_EQ(rand(), 18467);
    EXPECT_EQ(rand(), 6334);
    srand(1);
    EXPECT_EQ(rand(), 41);
    for (int i = 0; i < 10000; ++i) {
        int r = rand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 0x7FFF);
    }
}
