// Halting the computation: nothing lost, nothing partial, nothing left behind, and the
// halted unit computed again exactly as if it had never been interrupted.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "control/catalogue.h"
#include "control/computation.h"
#include "control/work_queue.h"
#include "control/worker.h"
#include "support/results_file.h"
#include "tests/control/computation_fixture.h"

namespace quorbit {
namespace {

using testing::ConsoleLines;
using testing::ExpectedSolutionLines;
using testing::ExpectedUnitResults;
using testing::ReadFile;
using testing::ShortStep;
using testing::WithoutTimes;
using testing::WriteFile;
using Texts = std::vector<std::string>;

int CountEntries(const char* directory) {
    int count = 0;
    if (DIR* dir = opendir(directory)) {
        while (readdir(dir) != nullptr) ++count;
        closedir(dir);
    }
    return count;
}

// The process's threads and open files, as "threads/files".
std::string Holdings() {
    return std::to_string(CountEntries("/proc/self/task")) + "/" + std::to_string(CountEntries("/proc/self/fd"));
}

// Before a computation; a sanitizer's helper thread, started with the first thread, counted in.
std::string HoldingsBefore() {
    std::thread([] {}).join();
    return Holdings();
}

Texts SplitCrLf(const std::string& text) {
    Texts lines;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    EXPECT_EQ(at, text.size()) << "a line without its line end";
    return lines;
}

class HaltTest : public testing::ComputationTest {};

TEST_F(HaltTest, AUnitHaltedInItsSearchIsComputedAgainExactlyAsWithoutTheHalt) {
    testing::SetShortUnitPlan({{ShortStep::Search, 9}, {ShortStep::Report, 0}, {ShortStep::Hold, 6},
                               {ShortStep::Search, 8}, {ShortStep::Report, 1}});
    const testing::ExpectedUnit expected3 = testing::ExpectShortUnit(3);
    const testing::ExpectedUnit expected5 = testing::ExpectShortUnit(5);
    const std::string before = HoldingsBefore();
    WriteFile(QUEUE_FILE, "3\n5\n");
    testing::holdActive.store(true);
    StartComputation();
    // Halted once the held search has counted nodes of its own: in the middle of a search.
    while (!testing::holdReached.load() || NodeTotal(workerSearchState) <= expected3.totalsAtTours[0])
        std::this_thread::yield();
    HaltComputation();
    ASSERT_TRUE(WaitForIdle());

    // What was reported before the halt, nothing more; the queue untouched.
    const std::string firstTour = ExpectedSolutionLines(expected3);
    EXPECT_EQ(WithoutTimes(ReadFile(RESULTS_FILE)),
              testing::ExpectedStampLine() + firstTour.substr(0, firstTour.find('\r') + 2));
    EXPECT_EQ(ReadFile(QUEUE_FILE), "3\n5\n");
    const Texts console = ConsoleLines();
    ASSERT_EQ(console.size(), 4u);
    EXPECT_EQ(Texts(console.begin() + 2, console.end()),
              (Texts{"Execution halted.", "Choose Test/Continue to restart."}));
    EXPECT_EQ(Holdings(), before);
    EXPECT_EQ(queueLock.load(), 0u);

    // Continue: unit 3 again from its start, then unit 5.
    testing::holdActive.store(false);
    const std::string halted = ReadFile(RESULTS_FILE);
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    const std::string results = ReadFile(RESULTS_FILE);
    ASSERT_EQ(results.substr(0, halted.size()), halted);
    EXPECT_EQ(WithoutTimes(results.substr(halted.size())),
              ExpectedSolutionLines(expected3) + ExpectedUnitResults("a1-b3", expected3) +
                  ExpectedSolutionLines(expected5) + ExpectedUnitResults("a1-c4", expected5));
    EXPECT_EQ(ReadFile(QUEUE_FILE), "");
    EXPECT_EQ(Holdings(), before);
    // Each line logged once: the first tour twice only if its two lines differ in time.
    Texts logged = SplitCrLf(ReadFile(SOLUTION_LOG_FILE));
    EXPECT_TRUE(logged.size() == 4u || logged.size() == 5u) << logged.size();
    std::sort(logged.begin(), logged.end());
    EXPECT_EQ(std::unique(logged.begin(), logged.end()), logged.end());
}

TEST_F(HaltTest, AHaltAtAnyMomentLosesNothingAndLeavesNothingHalfWritten) {
    testing::SetShortUnitPlan({{ShortStep::Search, 8}, {ShortStep::Report, 0}, {ShortStep::Search, 9}});
    const std::vector<int32_t> units = {3, 5, 0};
    const std::string before = HoldingsBefore();
    WriteFile(QUEUE_FILE, "3\n5\n0\n");
    std::mt19937 random(20261206);
    const std::regex line("\\[.*\\]|Solution 1: .* found in [0-9]+ milliseconds \\([0-9]+ nodes\\)|"
                          "Computation of .* has finished in .*|Detail of nodes:|( [0-9]+){4}|( [0-9]+){10}");
    const std::regex tenCounts("( [0-9]+){10}");
    for (int round = 0; round < 10 && QueueCount() > 0; ++round) {
        ClearConsole();
        StartComputation();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 150000));
        HaltComputation();
        ASSERT_TRUE(WaitForIdle());

        // Whole lines only, and every summary followed by its five lines.
        const std::string file = ReadFile(RESULTS_FILE);
        const Texts lines = SplitCrLf(file == "<missing>" ? "" : file);
        size_t summaries = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_TRUE(std::regex_match(lines[i], line)) << lines[i];
            if (lines[i].rfind("Computation of ", 0) != 0) continue;
            ++summaries;
            ASSERT_LT(i + 5, lines.size());
            EXPECT_EQ(lines[i + 1], "Detail of nodes:");
            EXPECT_TRUE(std::regex_match(lines[i + 4], tenCounts));
            EXPECT_LT(lines[i + 5].size(), lines[i + 4].size());
        }
        // Exactly the units with results have left the queue, in order.
        std::string rest;
        for (size_t u = summaries; u < units.size(); ++u) rest += std::to_string(units[u]) + "\r\n";
        EXPECT_EQ(ReadFile(QUEUE_FILE), summaries == 0 ? "3\n5\n0\n" : rest);
        // The halted lines at most once, and last.
        const Texts console = ConsoleLines();
        const auto halts = std::count(console.begin(), console.end(), "Execution halted.");
        EXPECT_LE(halts, 1);
        EXPECT_TRUE(halts == 0 || console.back() == "Choose Test/Continue to restart.");
        EXPECT_EQ(queueLock.load(), 0u);
    }
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(ReadFile(QUEUE_FILE), "");
    // Each unit's results exactly once, as an uninterrupted run gives them.
    const std::string results = WithoutTimes(ReadFile(RESULTS_FILE));
    for (const int32_t unit : units) {
        const std::string expected = ExpectedUnitResults(UnitName(unit), testing::ExpectShortUnit(unit));
        const size_t at = results.find(expected);
        EXPECT_NE(at, std::string::npos) << unit;
        EXPECT_EQ(results.find(expected, at + 1), std::string::npos) << unit;
    }
    EXPECT_EQ(Holdings(), before);
}

TEST_F(HaltTest, TheShutdownEndsEveryThreadAndNoLongerTouchesTheScreen) {
    testing::SetShortUnitPlan({{ShortStep::Hold, 6}});
    testing::holdActive.store(true);
    const std::string before = HoldingsBefore();
    WriteFile(QUEUE_FILE, "3\n");
    StartComputation();
    while (!testing::holdReached.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    SetQuitting(true);
    HaltComputation();
    StopComputationAndWait();
    EXPECT_EQ(Holdings(), before);
    EXPECT_EQ(ConsoleLines(), Texts{"Computation of a1-b3 has started"});
    EXPECT_EQ(shell.Calls(), (Texts{"menu 1", "title a1-b3"}));
    EXPECT_EQ(ReadFile(QUEUE_FILE), "3\n");
}

TEST_F(HaltTest, WaitingWithoutAHaltLetsTheUnitEndButWritesNoResultsForIt) {
    testing::SetShortUnitPlan({{ShortStep::Sleep, 300}, {ShortStep::Search, 9}});
    WriteFile(QUEUE_FILE, "3\n5\n");
    StartComputation();
    while (testing::shortUnitRuns.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    StopComputationAndWait();
    EXPECT_TRUE(IsQuitting());
    EXPECT_FALSE(WorkerThreadExists() || ProgressThreadExists());
    EXPECT_EQ(testing::shortUnitRuns.load(), 1);
    EXPECT_EQ(ReadFile(RESULTS_FILE), "<missing>");
    EXPECT_EQ(ReadFile(QUEUE_FILE), "3\n5\n");
}

}  // namespace
}  // namespace quorbit
