#include <gtest/gtest.h>
#include <cstdlib>
#include "windows.h"
#include "quil_automation.h"

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

TEST(Timer, VirtualClockMovesOnlyWhenAdvanced) {
    LARGE_INTEGER freq, a, b;
    ASSERT_TRUE(QueryPerformanceFrequency(&freq));
    ASSERT_GT(freq.QuadPart, 0);
    quil_automation::UseVirtualClock(true);
    QueryPerformanceCounter(&a);
    DWORD t0 = timeGetTime();
    QueryPerformanceCounter(&b);
    EXPECT_EQ(a.QuadPart, b.QuadPart);
    quil_automation::AdvanceClock(0.25);
    QueryPerformanceCounter(&b);
    EXPECT_NEAR(double(b.QuadPart - a.QuadPart) / double(freq.QuadPart), 0.25, 1e-9);
    EXPECT_EQ(timeGetTime() - t0, 250u);
    quil_automation::UseVirtualClock(false);
}

TEST(Timer, RealClockIsMonotonic) {
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    Sleep(2);
    QueryPerformanceCounter(&b);
    EXPECT_GT(b.QuadPart, a.QuadPart);
}
