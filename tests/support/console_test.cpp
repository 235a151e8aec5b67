// The console's line store and the shell calls it and the core make; the solution log's lock
// and the shell.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/console.h"
#include "support/line_table.h"
#include "support/results_file.h"
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
    // A replacing print of several lines keeps the last.
    ConsolePrintProvisional("p\n");
    ConsolePrint("one\ntwo\n");
    EXPECT_EQ(ConsoleSlot(1), "two");
    EXPECT_EQ(ConsoleSlot(2), "after");
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
}

class ConcurrentOutputTest : public testing::WorkDirTest {};

// A front-end that, like the desktop, hands each redraw to another thread and waits for it;
// here that thread logs a solution. The log's first reading reports an over-long file on the
// console: that redraw must not come while the log's lock is held.
std::atomic<bool> otherLogged{false};

TEST_F(ConcurrentOutputTest, TheShellIsNeverCalledUnderTheSolutionLogsLock) {
    std::string lines;
    for (int i = 0; i <= MAX_TABLE_LINES; ++i) lines += "Solution " + std::to_string(100 + i) + "\r\n";
    testing::WriteFile(SOLUTION_LOG_FILE, lines);
    const ShellOps waitsForAnotherThread{[](bool, int32_t, void*) {
                                             static std::atomic<bool> started{false};
                                             if (started.exchange(true)) return;
                                             std::thread([] {
                                                 char line[] = "Solution 2\n";
                                                 LogSolutionLine(line);
                                                 otherLogged.store(true);
                                             }).detach();
                                             for (int i = 0; i < 500 && !otherLogged.load(); ++i)
                                                 std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                         },
                                         nullptr, nullptr, nullptr, nullptr, nullptr};
    AttachShell(&waitsForAnotherThread);
    char line[] = "Solution 1\n";
    LogSolutionLine(line);
    AttachShell(nullptr);
    EXPECT_TRUE(otherLogged.load());
    while (!otherLogged.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace
}  // namespace quorbit
