// Prints and solution-log additions from several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/console.h"
#include "support/results_file.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using testing::ReadFile;

class ConcurrentOutputTest : public testing::WorkDirTest {};

TEST_F(ConcurrentOutputTest, EachPrintStaysWholeAndItsLinesStayTogether) {
    constexpr int THREADS = 4;
    constexpr int PRINTS = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([t] {
            for (int n = 0; n < PRINTS; ++n) {
                const std::string id = "t" + std::to_string(t) + "-" + std::to_string(n);
                ConsolePrint((id + " first half\n" + id + " second half\n").c_str());
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    ConsoleSnapshot snapshot;
    TakeConsoleSnapshot(snapshot);
    EXPECT_EQ(snapshot.completedTotal, static_cast<uint64_t>(THREADS * PRINTS * 2));
    EXPECT_STREQ(snapshot.slots[0], "");
    // Slot 1 is the newest: every print's second line sits directly below its first.
    for (int slot = 1; slot < CONSOLE_SLOT_COUNT; ++slot) {
        const std::string line = snapshot.slots[slot];
        const size_t blank = line.find(' ');
        ASSERT_NE(blank, std::string::npos) << line;
        const std::string id = line.substr(0, blank);
        const std::string half = line.substr(blank);
        ASSERT_TRUE(half == " first half" || half == " second half") << line;
        if (half == " first half" && slot > 1) {
            EXPECT_EQ(std::string(snapshot.slots[slot - 1]), id + " second half");
        }
        if (half == " second half" && slot < CONSOLE_SLOT_COUNT - 1) {
            EXPECT_EQ(std::string(snapshot.slots[slot + 1]), id + " first half");
        }
    }
}

TEST_F(ConcurrentOutputTest, SolutionLogHoldsEachLineOnceWhateverThreadAddsIt) {
    constexpr int THREADS = 3;
    constexpr int LINES = 12;
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([] {
            for (int n = 0; n < LINES; ++n) {
                std::string text = "Solution " + std::to_string(n) + ": a1-a2\n";
                LogSolutionLine(text.data());
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    std::set<std::string> seen;
    const std::string log = ReadFile("LOGSOL.TXT");
    size_t start = 0;
    while (start < log.size()) {
        const size_t end = log.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_TRUE(seen.insert(log.substr(start, end - start)).second) << "twice: " << log.substr(start, end - start);
        start = end + 2;
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(LINES));
}

}  // namespace
}  // namespace quorbit

namespace quorbit {
namespace {

// A front-end that, like the desktop, hands each redraw to another thread and waits for it;
// here that thread logs a solution. The log's first reading reports an over-long file on the
// console: the redraw must not come while the log's lock is held.
std::atomic<bool> otherLogged{false};
void LogFromAnotherThread(bool, int32_t, void*) {
    std::thread other([] {
        char line[] = "Solution 2\n";
        LogSolutionLine(line);
        otherLogged.store(true);
    });
    for (int i = 0; i < 500 && !otherLogged.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    other.detach();
}

TEST_F(ConcurrentOutputTest, TheShellIsNeverCalledUnderTheSolutionLogsLock) {
    std::string lines;
    for (int i = 0; i < MAX_TABLE_LINES + 1; ++i) lines += "Solution " + std::to_string(100 + i) + "\r\n";
    testing::WriteFile(SOLUTION_LOG_FILE, lines);
    const ShellOps ops{&LogFromAnotherThread, nullptr, nullptr, nullptr, nullptr, nullptr};
    AttachShell(&ops);
    char line[] = "Solution 1\n";
    LogSolutionLine(line);
    AttachShell(nullptr);
    EXPECT_TRUE(otherLogged.load());
    while (!otherLogged.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace
}  // namespace quorbit
