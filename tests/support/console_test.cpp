// The console's line store and the shell calls it and the core make.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/console.h"
#include "support/shell.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using testing::ConsoleSlot;

// Every shell call as text; a redraw as "redraw <completed>" or "replace", with the newest
// line that the shell reads back during it.
std::vector<std::string> calls;
void Record(const std::string& call) { calls.push_back(call); }
const ShellOps recorder{
    [](bool replaced, int32_t completed, void*) {
        Record((replaced ? "replace" : "redraw " + std::to_string(completed)) + " " + ConsoleSlot(1));
    },
    [](int32_t state, void*) { Record("menu " + std::to_string(state)); },
    [](const char* status, void*) { Record(std::string("title ") + status); },
    [](const char* tip, void*) { Record(std::string("tray ") + tip); },
    [](const char* text, const char* caption, void*) { Record(std::string("message ") + caption + ": " + text); },
    nullptr};

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearConsole();
        SetQuitting(false);
        calls.clear();
        AttachShell(&recorder);
    }
    void TearDown() override {
        AttachShell(nullptr);
        SetQuitting(false);
    }
};

TEST_F(ConsoleTest, PrintsComposeLinesScrollOncePerCallAndCutLongLines) {
    ConsolePrint("abc");
    EXPECT_EQ(ConsoleSlot(0), "abc");
    ConsolePrint("def\n");
    ConsolePrint("x\ny\nz\n");
    ConsolePrint("");
    ConsolePrint((std::string(300, 'L') + "\na\r\tb\n").c_str());
    EXPECT_EQ(calls, (std::vector<std::string>{"redraw 0 ", "redraw 1 abcdef", "redraw 3 z", "redraw 0 z",
                                               "redraw 2 a\r\tb"}));
    EXPECT_EQ(ConsoleSlot(2), std::string(255, 'L'));
    EXPECT_EQ(ConsoleSlot(3), "z");
    EXPECT_EQ(ConsoleSlot(6), "abcdef");
    EXPECT_EQ(ConsoleSlot(0), "");
    for (int i = 1; i <= 47; ++i) ConsolePrint(("line " + std::to_string(i) + "\n").c_str());
    EXPECT_EQ(ConsoleSlot(1), "line 47");
    EXPECT_EQ(ConsoleSlot(47), "line 1");  // only the newest 47 are kept
    ConsoleSnapshot snapshot;
    TakeConsoleSnapshot(snapshot);
    EXPECT_EQ(snapshot.completedTotal, 53u);
}

TEST_F(ConsoleTest, AProvisionalLineIsReplacedByTheNextPrintOnly) {
    ConsolePrint("older\n");
    ConsolePrint("progress 1\n");
    ConsoleReplaceLastLine();
    ConsolePrint("progress 2\n");
    ConsolePrintProvisional("progress 3\n");
    ConsolePrint("Solution 1\n");
    ConsolePrint("after\n");
    EXPECT_EQ(calls, (std::vector<std::string>{"redraw 1 older", "redraw 1 progress 1", "replace progress 2",
                                               "redraw 1 progress 3", "replace Solution 1", "redraw 1 after"}));
    EXPECT_EQ(ConsoleSlot(2), "Solution 1");
    EXPECT_EQ(ConsoleSlot(3), "progress 2");
    EXPECT_EQ(ConsoleSlot(4), "older");
    // A replacing print of several lines keeps the last; text after its last newline
    // takes the bottom line too, and nothing after it leaves the line as it was.
    ConsolePrintProvisional("p\n");
    ConsolePrint("one\ntwo\n");
    EXPECT_EQ(ConsoleSlot(1), "two");
    ConsolePrintProvisional("p\n");
    ConsolePrint("");
    EXPECT_EQ(ConsoleSlot(1), "p");
    ConsolePrintProvisional("p\n");
    ConsolePrint("x\nrest");
    EXPECT_EQ(ConsoleSlot(1), "rest");
    EXPECT_EQ(ConsoleSlot(3), "two");
    EXPECT_EQ(ConsoleSlot(4), "after");
    EXPECT_EQ(ConsoleSlot(0), "");
}

TEST_F(ConsoleTest, QuittingStopsPrintsAndShellUpdatesButNotMessages) {
    ConsolePrint("before\n");
    SetQuitting(true);
    ConsolePrint("after\n");
    ShellSetMenuState(SHELL_STATE_IDLE);
    ShellSetTitleStatus("IDLE");
    ShellUpdateTrayIcon("tip");
    ShellShowMessage("text", "Status");
    EXPECT_EQ(ConsoleSlot(1), "before");
    SetQuitting(false);
    ShellSetMenuState(SHELL_STATE_RUNNING);
    ShellSetTitleStatus("a1-a2");
    ShellUpdateTrayIcon("running");
    EXPECT_EQ(calls, (std::vector<std::string>{"redraw 1 before", "message Status: text", "menu 1", "title a1-a2",
                                               "tray running"}));
    // Without a shell, or without the operation, nothing is called.
    const ShellOps partial{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    AttachShell(&partial);
    ConsolePrint("a\n");
    ShellSetMenuState(SHELL_STATE_STOPPING);
    ShellShowMessage("t", "c");
    AttachShell(nullptr);
    ConsolePrint("b\n");
    ShellSetTitleStatus("x");
    EXPECT_EQ(calls.size(), 5u);
    EXPECT_EQ(ConsoleSlot(1), "b");
}

}  // namespace
}  // namespace quorbit
