#include <gtest/gtest.h>
#include <cstdlib>
#include "quil_automation.h"
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

// Headless boxes answer the safe default: No for Yes/No, Ignore for Abort/Retry/Ignore.
// (Scripted answers and the record of boxes shown are checked by the trap tests.)
TEST(MessageBox, HeadlessDefaults) {
    quil_automation::SetHeadless(true);
    EXPECT_EQ(MessageBoxA(nullptr, "text", "TRAP Error", MB_YESNO | MB_ICONERROR | MB_TASKMODAL), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_ABORTRETRYIGNORE), IDIGNORE);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK), IDOK);
}
