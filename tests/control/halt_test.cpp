// Halting the computation at any moment: nothing lost, nothing partial, nothing left
// behind, and each halted unit computed again exactly as if it had never been interrupted.
#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "control/computation.h"
#include "control/work_queue.h"
#include "control/worker.h"
#include "support/results_file.h"
#include "tests/control/computation_fixture.h"

namespace quorbit {
namespace {

using testing::CleanRunText;
using testing::ConsoleLines;
using testing::ReadFile;
using testing::ShortStep;
using testing::WithoutTimes;
using testing::WriteFile;
using Texts = std::vector<std::string>;

// The process's threads and open files, as "threads/files". Taken first after a thread has
// come and gone, so that a sanitizer's helper thread, started with the first thread, counts.
std::string Holdings() {
    const auto count = [](const char* folder) {
        const std::filesystem::directory_iterator entries(folder);
        return std::to_string(std::distance(begin(entries), end(entries)));
    };
    return count("/proc/self/task") + "/" + count("/proc/self/fd");
}

Texts SplitCrLf(const std::string& text) {
    Texts lines;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    EXPECT_EQ(at, text.size()) << "a line without its line end";
    return lines;
}

class HaltTest : public testing::ComputationTest {
protected:
    void SetUp() override {
        ComputationTest::SetUp();
        std::thread([] {}).join();
        before = Holdings();
    }
    std::string before;
};

TEST_F(HaltTest, AHaltAtAnyMomentLosesNothingAndLeavesNothingHalfWritten) {
    testing::SetShortUnitPlan({{ShortStep::Search, 8}, {ShortStep::Report, 0}, {ShortStep::Search, 9}});
    const std::vector<int32_t> units = {3, 5, 0};
    std::vector<std::string> unitResults;  // each unit's summary and node detail
    for (const int32_t unit : units) {
        const std::string text = CleanRunText(unit);
        unitResults.push_back(text.substr(text.find("Computation of ")));
    }
    WriteFile(QUEUE_FILE, "3\n5\n0\n");
    std::mt19937 random(20261206);
    for (int round = 0; round < 10 && QueueCount() > 0; ++round) {
        ClearConsole();
        StartComputation();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 150000));
        HaltComputation();
        ASSERT_TRUE(WaitForIdle());
        // Whole lines only, and whole results for exactly the units that left the queue.
        const std::string file = ReadFile(RESULTS_FILE);
        const std::string results = WithoutTimes(file == "<missing>" ? "" : file);
        SplitCrLf(results);
        size_t done = 0;
        while (done < units.size() && results.find(unitResults[done]) != std::string::npos) ++done;
        size_t summaries = 0;
        for (size_t at = 0; (at = results.find("Computation of ", at)) != std::string::npos; ++at) ++summaries;
        EXPECT_EQ(summaries, done);
        std::string rest;
        for (size_t u = done; u < units.size(); ++u) rest += std::to_string(units[u]) + "\r\n";
        EXPECT_EQ(ReadFile(QUEUE_FILE), done == 0 ? "3\n5\n0\n" : rest);
        // The halted lines at most once, and last.
        const Texts console = ConsoleLines();
        const auto halts = std::count(console.begin(), console.end(), "Execution halted.");
        EXPECT_LE(halts, 1);
        EXPECT_TRUE(halts == 0 || console.back() == "Choose Test/Continue to restart.");
        EXPECT_EQ(queueLock.load(), 0u);
        EXPECT_EQ(Holdings(), before);
    }
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(ReadFile(QUEUE_FILE), "");
    // Each unit's results exactly once, as an uninterrupted run gives them.
    const std::string results = WithoutTimes(ReadFile(RESULTS_FILE));
    for (const std::string& unitText : unitResults) {
        const size_t at = results.find(unitText);
        EXPECT_NE(at, std::string::npos) << unitText;
        EXPECT_EQ(results.find(unitText, at + 1), std::string::npos) << unitText;
    }
    // Each tour logged once, though reported again after a halt (unless its time differs).
    Texts logged = SplitCrLf(ReadFile(SOLUTION_LOG_FILE));
    std::sort(logged.begin(), logged.end());
    EXPECT_EQ(std::unique(logged.begin(), logged.end()), logged.end());
    EXPECT_GE(logged.size(), units.size());
}

// The shutdown, after a halt or without one (the unit then runs to its end but writes no
// results): every thread ends, the screen is no longer touched, the queue stays.
TEST_F(HaltTest, TheShutdownEndsEveryThreadAndNoLongerTouchesTheScreen) {
    for (const bool halt : {true, false}) {
        ClearConsole();
        shell.calls.clear();
        testing::shortUnitRuns.store(0);
        testing::SetShortUnitPlan({{halt ? ShortStep::Hold : ShortStep::Sleep, halt ? 6 : 300}, {ShortStep::Search, 9}});
        testing::holdActive.store(true);
        WriteFile(QUEUE_FILE, "3\n5\n");
        ResetLineTables();
        StartComputation();
        while (testing::shortUnitRuns.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        SetQuitting(true);
        if (halt) HaltComputation();
        StopComputationAndWait();
        SetQuitting(false);
        EXPECT_EQ(Holdings(), before);
        EXPECT_EQ(ConsoleLines(), Texts{"Computation of a1-b3 has started"});
        EXPECT_EQ(shell.Calls(), (Texts{"menu 1", "title a1-b3"}));
        EXPECT_EQ(ReadFile(QUEUE_FILE), "3\n5\n");
        EXPECT_EQ(ReadFile(RESULTS_FILE), "<missing>");
        EXPECT_EQ(testing::shortUnitRuns.load(), 1);
    }
}

}  // namespace
}  // namespace quorbit
