#include <gtest/gtest.h>
#include "windows.h"
#include "quil_automation.h"

// Headless boxes answer the safe default: No for Yes/No, Ignore for Abort/Retry/Ignore.
TEST(MessageBox, HeadlessDefaultsAndScriptedAnswers) {
    quil_automation::SetHeadless(true);
    quil_automation::ClearMessageBoxesShown();
    EXPECT_EQ(MessageBoxA(nullptr, "text", "TRAP Error", MB_YESNO | MB_ICONERROR | MB_TASKMODAL), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_ABORTRETRYIGNORE), IDIGNORE);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OK), IDOK);
    quil_automation::QueueMessageBoxAnswer(IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "asked", "cap", MB_YESNO), IDYES);
    quil_automation::QueueMessageBoxAnswer(IDRETRY);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_ABORTRETRYIGNORE | MB_TOPMOST), IDRETRY);
    const auto& shown = quil_automation::MessageBoxesShown();
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[0].caption, "TRAP Error");
    EXPECT_EQ(shown[0].type & MB_TASKMODAL, static_cast<UINT>(MB_TASKMODAL));
    EXPECT_EQ(shown[3].text, "asked");
    EXPECT_EQ(shown[3].answer, IDYES);
}

TEST(Com, UnknownClassIsNotRegistered) {
    void* p = reinterpret_cast<void*>(1);
    GUID g{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_TRUE(FAILED(CoCreateInstance(g, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p)));
    EXPECT_EQ(p, nullptr);
}
