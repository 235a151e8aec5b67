#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/console.h"
#include "support/shell.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using testing::ConsoleSlot;

struct Redraw {
    bool replaced;
    int32_t completed;
    std::string newest;  // slot 1 as the shell reads it back during the redraw
};

struct Recorder {
    std::vector<Redraw> redraws;
    std::vector<std::string> calls;
};

void RecordRedraw(bool replaced, int32_t completed, void* context) {
    static_cast<Recorder*>(context)->redraws.push_back({replaced, completed, ConsoleSlot(1)});
}
void RecordMenu(int32_t state, void* context) {
    static_cast<Recorder*>(context)->calls.push_back("menu " + std::to_string(state));
}
void RecordTitle(const char* status, void* context) {
    static_cast<Recorder*>(context)->calls.push_back(std::string("title ") + status);
}
void RecordTray(const char* tip, void* context) {
    static_cast<Recorder*>(context)->calls.push_back(std::string("tray ") + tip);
}
void RecordMessage(const char* text, const char* caption, void* context) {
    static_cast<Recorder*>(context)->calls.push_back(std::string("message ") + caption + ": " + text);
}

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearConsole();
        SetQuitting(false);
        ops_ = {RecordRedraw, RecordMenu, RecordTitle, RecordTray, RecordMessage, &recorder_};
        AttachShell(&ops_);
    }
    void TearDown() override {
        AttachShell(nullptr);
        SetQuitting(false);
    }
    Recorder recorder_;
    ShellOps ops_{};
};

TEST_F(ConsoleTest, TextWithoutNewlineWaitsInTheComposingLine) {
    ConsolePrint("abc");
    EXPECT_EQ(ConsoleSlot(0), "abc");
    EXPECT_EQ(ConsoleSlot(1), "");
    ConsolePrint("def\n");
    EXPECT_EQ(ConsoleSlot(1), "abcdef");
    EXPECT_EQ(ConsoleSlot(0), "");
    ASSERT_EQ(recorder_.redraws.size(), 2u);
    EXPECT_EQ(recorder_.redraws[0].completed, 0);
    EXPECT_EQ(recorder_.redraws[1].completed, 1);
    EXPECT_EQ(recorder_.redraws[1].newest, "abcdef");  // the shell may read back during a redraw
}

TEST_F(ConsoleTest, SeveralLinesInOneCallAskForOneRedraw) {
    ConsolePrint("x\ny\nz\n");
    EXPECT_EQ(ConsoleSlot(1), "z");
    EXPECT_EQ(ConsoleSlot(2), "y");
    EXPECT_EQ(ConsoleSlot(3), "x");
    ASSERT_EQ(recorder_.redraws.size(), 1u);
    EXPECT_FALSE(recorder_.redraws[0].replaced);
    EXPECT_EQ(recorder_.redraws[0].completed, 3);
}

TEST_F(ConsoleTest, LongLinesAreCutAndTheTextAfterTheirNewlineIsKept) {
    ConsolePrint((std::string(300, 'L') + "\nnext\n").c_str());
    EXPECT_EQ(ConsoleSlot(2), std::string(255, 'L'));
    EXPECT_EQ(ConsoleSlot(1), "next");
    ConsolePrint("a\r\tb\n");
    EXPECT_EQ(ConsoleSlot(1), "a\r\tb");
}

TEST_F(ConsoleTest, OnlyTheNewest47LinesAreKept) {
    for (int i = 1; i <= 48; ++i) ConsolePrint(("line " + std::to_string(i) + "\n").c_str());
    EXPECT_EQ(ConsoleSlot(1), "line 48");
    EXPECT_EQ(ConsoleSlot(47), "line 2");
    ConsoleSnapshot snapshot;
    TakeConsoleSnapshot(snapshot);
    EXPECT_EQ(snapshot.completedTotal, 48u);
}

TEST_F(ConsoleTest, ProvisionalLineIsReplacedByTheNextPrintOnly) {
    ConsolePrint("older\n");
    ConsolePrint("progress 1\n");
    ConsoleReplaceLastLine();
    ConsolePrint("progress 2\n");
    EXPECT_EQ(ConsoleSlot(1), "progress 2");
    EXPECT_EQ(ConsoleSlot(2), "older");
    ConsoleReplaceLastLine();
    ConsolePrint("Solution 1\n");
    EXPECT_EQ(ConsoleSlot(1), "Solution 1");
    ConsolePrint("after\n");
    EXPECT_EQ(ConsoleSlot(1), "after");
    EXPECT_EQ(ConsoleSlot(2), "Solution 1");
    EXPECT_EQ(ConsoleSlot(3), "older");
    ASSERT_EQ(recorder_.redraws.size(), 5u);
    EXPECT_TRUE(recorder_.redraws[2].replaced);
    EXPECT_EQ(recorder_.redraws[2].completed, 0);
    EXPECT_FALSE(recorder_.redraws[4].replaced);
}

TEST_F(ConsoleTest, ReplacingPrintWithSeveralLinesKeepsTheLastAndItsTail) {
    ConsolePrint("keep\n");
    ConsolePrintProvisional("a long progress line\n");
    ConsolePrint("one\ntwo\n");
    EXPECT_EQ(ConsoleSlot(1), "two");
    EXPECT_EQ(ConsoleSlot(2), "keep");
    ConsolePrintProvisional("p\n");
    ConsolePrint("");  // nothing after the last newline: the bottom line stays as it was
    EXPECT_EQ(ConsoleSlot(1), "p");
    ConsolePrintProvisional("progress\n");
    ConsolePrint("x\nrest");  // text after the last newline takes the bottom line
    EXPECT_EQ(ConsoleSlot(1), "rest");
    EXPECT_EQ(ConsoleSlot(0), "");
}

TEST_F(ConsoleTest, EmptyTextRedrawsAndChangesNothing) {
    ConsolePrint("a\n");
    ConsolePrint("");
    EXPECT_EQ(ConsoleSlot(1), "a");
    ASSERT_EQ(recorder_.redraws.size(), 2u);
    EXPECT_EQ(recorder_.redraws[1].completed, 0);
    EXPECT_FALSE(recorder_.redraws[1].replaced);
}

TEST_F(ConsoleTest, QuittingStopsPrintsAndShellUpdatesButNotMessages) {
    ConsolePrint("before\n");
    SetQuitting(true);
    EXPECT_TRUE(IsQuitting());
    ConsolePrint("after\n");
    ShellSetMenuState(SHELL_STATE_IDLE);
    ShellSetTitleStatus("IDLE");
    ShellUpdateTrayIcon("tip");
    ShellShowMessage("text", "Status");
    EXPECT_EQ(ConsoleSlot(1), "before");
    EXPECT_EQ(recorder_.redraws.size(), 1u);
    ASSERT_EQ(recorder_.calls.size(), 1u);
    EXPECT_EQ(recorder_.calls[0], "message Status: text");
    SetQuitting(false);
    ShellSetMenuState(SHELL_STATE_RUNNING);
    ShellSetTitleStatus("a1-a2");
    ShellUpdateTrayIcon("running");
    EXPECT_EQ(recorder_.calls.size(), 4u);
    EXPECT_EQ(recorder_.calls[1], "menu 1");
    EXPECT_EQ(recorder_.calls[3], "tray running");
}

TEST_F(ConsoleTest, WithoutAShellOrAnOperationNothingIsCalled) {
    const ShellOps partial{nullptr, nullptr, nullptr, nullptr, nullptr, &recorder_};
    AttachShell(&partial);
    ConsolePrint("a\n");
    ShellSetMenuState(SHELL_STATE_STOPPING);
    ShellShowMessage("t", "c");
    AttachShell(nullptr);
    ConsolePrint("b\n");
    ShellSetTitleStatus("x");
    EXPECT_TRUE(recorder_.redraws.empty());
    EXPECT_TRUE(recorder_.calls.empty());
    EXPECT_EQ(ConsoleSlot(1), "b");
}

}  // namespace
}  // namespace quorbit
