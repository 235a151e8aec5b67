// The console's line store and the shell calls it and the core make; prints and solution-log
// additions from several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
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

class ConcurrentOutputTest : public testing::WorkDirTest {};

void OnThreads(int count, void (*body)(int thread)) {
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t) threads.emplace_back(body, t);
    for (std::thread& thread : threads) thread.join();
}

TEST_F(ConcurrentOutputTest, EachPrintStaysWholeAndItsLinesStayTogether) {
    OnThreads(4, [](int t) {
        for (int n = 0; n < 300; ++n) {
            const std::string id = "t" + std::to_string(t) + "-" + std::to_string(n);
            ConsolePrint((id + " first\n" + id + " second\n").c_str());
        }
    });
    ConsoleSnapshot snapshot;
    TakeConsoleSnapshot(snapshot);
    EXPECT_EQ(snapshot.completedTotal, 4u * 300 * 2);
    // Slot 1 is the newest: every print's second line sits directly below its first.
    for (int slot = 1; slot < CONSOLE_SLOT_COUNT; ++slot) {
        const std::string line = snapshot.slots[slot];
        const std::string id = line.substr(0, line.find(' '));
        ASSERT_TRUE(line == id + " first" || line == id + " second") << line;
        const int partner = line == id + " first" ? slot - 1 : slot + 1;
        if (partner >= 1 && partner < CONSOLE_SLOT_COUNT) {
            EXPECT_EQ(std::string(snapshot.slots[partner]), id + (partner < slot ? " second" : " first"));
        }
    }
}

TEST_F(ConcurrentOutputTest, TheSolutionLogHoldsEachLineOnceWhateverThreadAddsIt) {
    OnThreads(3, [](int) {
        for (int n = 0; n < 12; ++n) {
            std::string text = "Solution " + std::to_string(n) + ": a1-" + std::to_string(n) + "\n";
            LogSolutionLine(text.data());
        }
    });
    std::string expected;
    for (int n = 0; n < 12; ++n) expected += "Solution " + std::to_string(n) + ": a1-" + std::to_string(n) + "\r\n";
    std::string log = testing::ReadFile(SOLUTION_LOG_FILE);
    std::multiset<std::string> lines, once;
    for (size_t at = 0, end; (end = log.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.insert(log.substr(at, end - at));
    for (size_t at = 0, end; (end = expected.find("\r\n", at)) != std::string::npos; at = end + 2)
        once.insert(expected.substr(at, end - at));
    EXPECT_EQ(lines, once);
}

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
