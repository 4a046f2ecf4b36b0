// The trap boxes: texts, captions, buttons, and which answers end the process.
#include <gtest/gtest.h>
#include <string>
#include "quil_automation.h"
#include "trap.h"
#include "windows.h"

namespace qa = quil_automation;

namespace {
// Shows one box answered with `answer` and returns what it showed.
qa::ShownMessageBox Shown(int answer, void (*show)(const char*, int, const char*), const char* file, int line,
                          const char* text) {
    qa::SetHeadless(true);
    qa::ClearMessageBoxesShown();
    qa::QueueMessageBoxAnswer(answer);
    show(file, line, text);
    EXPECT_EQ(qa::MessageBoxesShown().size(), 1u);
    return qa::MessageBoxesShown().back();
}
}  // namespace


TEST(TrapDeathTest, NoAndAbortEndTheProcess) {
    EXPECT_EXIT(
        {
            qa::SetHeadless(true);
            Trap("b.cpp", 7, "fatal");  // headless default answer: No
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
            qa::SetHeadless(true);
            qa::QueueMessageBoxAnswer(IDABORT);
            TrapError("c.cpp", 5, "abort me");
        },
        ::testing::ExitedWithCode(1), "");
}

// Yes (Trap) and Retry or Ignore (TrapError) carry on when no debugger is attached;
// texts are cut to fit the box.
TEST(Trap, TextsCaptionsButtonsAndOverlongTexts) {
    auto box = Shown(IDYES, Trap, "a.cpp", 1, nullptr);
    EXPECT_EQ(box.text, "a.cpp(1): Error: FATAL \nDebug (Yes) Exit (No)");
    EXPECT_EQ(box.caption, "TRAP Error");
    EXPECT_EQ(box.type & 0xF, static_cast<UINT>(MB_YESNO));
    box = Shown(IDRETRY, TrapError, "x.cpp", 3, nullptr);
    EXPECT_EQ(box.text, "x.cppTRAP:(3)\nTRAP ERROR \n");
    EXPECT_EQ(box.type & 0xF, static_cast<UINT>(MB_ABORTRETRYIGNORE));

    const std::string longText(2000, 'm');
    box = Shown(IDYES, Trap, "long.cpp", 1, longText.c_str());
    EXPECT_EQ(box.text.size(), 499u);
    EXPECT_EQ(box.text.rfind("long.cpp(1): Error: mmm", 0), 0u);
    EXPECT_EQ(box.text.substr(499 - 22), "\nDebug (Yes) Exit (No)");

    box = Shown(IDIGNORE, TrapError, "e.cpp", 2, longText.c_str());
    EXPECT_EQ(box.text.size(), 499u);
    EXPECT_EQ(box.text.rfind("e.cppTRAP:(2)\nmmm", 0), 0u);
    EXPECT_EQ(box.text.back(), '\n');
    EXPECT_EQ(Shown(IDIGNORE, TrapError, longText.c_str(), 3, "m").text.size(), 499u);  // an over-long file name
}
