// The trap boxes: texts, captions, buttons, and which answers end the process.
#include <gtest/gtest.h>
#include <string>
#include "quil_automation.h"
#include "trap.h"
#include "windows.h"

namespace {
class TrapTest : public ::testing::Test {
protected:
    void SetUp() override {
        quil_automation::SetHeadless(true);
        quil_automation::ClearMessageBoxesShown();
    }
    const quil_automation::ShownMessageBox& LastBox() { return quil_automation::MessageBoxesShown().back(); }
};

const UINT kBoxStyle = MB_ICONEXCLAMATION | MB_TASKMODAL | MB_TOPMOST;
}  // namespace

TEST_F(TrapTest, TrapShowsItsTextAndYesReturnsWithoutADebugger) {
    quil_automation::QueueMessageBoxAnswer(IDYES);
    Trap("engine.cpp", 42, "Cannot Initialise Renderer");
    ASSERT_EQ(quil_automation::MessageBoxesShown().size(), 1u);
    EXPECT_EQ(LastBox().text, "engine.cpp(42): Error: Cannot Initialise Renderer\nDebug (Yes) Exit (No)");
    EXPECT_EQ(LastBox().caption, "TRAP Error");
    EXPECT_EQ(LastBox().type, static_cast<UINT>(MB_YESNO | kBoxStyle));

    quil_automation::QueueMessageBoxAnswer(IDYES);
    Trap("a.cpp", 1, nullptr);
    EXPECT_EQ(LastBox().text, "a.cpp(1): Error: FATAL \nDebug (Yes) Exit (No)");
}

TEST_F(TrapTest, TrapEndsTheProcessOnNo) {
    EXPECT_EXIT(
        {
            quil_automation::SetHeadless(true);
            Trap("b.cpp", 7, "fatal");  // headless default answer: No
        },
        ::testing::ExitedWithCode(1), "");
}

TEST_F(TrapTest, TrapErrorShowsFileTrapLineAndMessage) {
    quil_automation::QueueMessageBoxAnswer(IDIGNORE);
    TrapError("file.cpp", 99, "File Buffer not NULL");
    EXPECT_EQ(LastBox().text, "file.cppTRAP:(99)\nFile Buffer not NULL\n");
    EXPECT_EQ(LastBox().caption, "TRAP Error");
    EXPECT_EQ(LastBox().type, static_cast<UINT>(MB_ABORTRETRYIGNORE | kBoxStyle));

    quil_automation::QueueMessageBoxAnswer(IDRETRY);  // no debugger: carries on
    TrapError("x.cpp", 3, nullptr);
    EXPECT_EQ(LastBox().text, "x.cppTRAP:(3)\nTRAP ERROR \n");
}

TEST_F(TrapTest, TrapErrorEndsTheProcessOnAbort) {
    EXPECT_EXIT(
        {
            quil_automation::SetHeadless(true);
            quil_automation::QueueMessageBoxAnswer(IDABORT);
            TrapError("c.cpp", 5, "abort me");
        },
        ::testing::ExitedWithCode(1), "");
}

TEST_F(TrapTest, OverlongTrapTextsAreCut) {
    const std::string longMessage(2000, 'm');
    quil_automation::QueueMessageBoxAnswer(IDYES);
    Trap("long.cpp", 1, longMessage.c_str());
    EXPECT_EQ(LastBox().text.size(), 499u);
    EXPECT_EQ(LastBox().text.rfind("long.cpp(1): Error: mmm", 0), 0u);
    EXPECT_EQ(LastBox().text.substr(499 - 22), "\nDebug (Yes) Exit (No)");

    quil_automation::QueueMessageBoxAnswer(IDIGNORE);
    TrapError("e.cpp", 2, longMessage.c_str());
    EXPECT_EQ(LastBox().text.size(), 499u);
    EXPECT_EQ(LastBox().text.rfind("e.cppTRAP:(2)\nmmm", 0), 0u);
    EXPECT_EQ(LastBox().text.back(), '\n');

    quil_automation::QueueMessageBoxAnswer(IDIGNORE);  // even a file name beyond the buffer
    TrapError(longMessage.c_str(), 3, "m");
    EXPECT_EQ(LastBox().text.size(), 499u);
}
