// Prints and solution-log additions from several threads at once.
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
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

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
