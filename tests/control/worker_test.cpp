// Whole queues of short units, end to end: what reaches the console, "SOLUTION.TXT",
// "LOGSOL.TXT" and "WORKTOUR.INI".
#include "control/worker.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "control/computation.h"
#include "control/unit_input.h"
#include "control/work_queue.h"
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

class WorkerTest : public testing::ComputationTest {};

TEST_F(WorkerTest, AUnitsToursSummaryAndNodeDetailReachTheResultsFileAndTheLog) {
    testing::SetShortUnitPlan(
        {{ShortStep::Search, 9}, {ShortStep::Report, 0}, {ShortStep::Search, 8}, {ShortStep::Report, 1}});
    const testing::ExpectedUnit expected = testing::ExpectShortUnit(3);
    WriteFile(QUEUE_FILE, "3\n");
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    const std::string results = ReadFile(RESULTS_FILE);
    EXPECT_EQ(WithoutTimes(results),
              testing::ExpectedStampLine() + ExpectedSolutionLines(expected) + ExpectedUnitResults("a1-b3", expected));
    // The log holds the very lines of the results file, without their line ends.
    const std::string logged = ReadFile(SOLUTION_LOG_FILE);
    EXPECT_EQ(WithoutTimes(logged), ExpectedSolutionLines(expected));
    EXPECT_NE(results.find(logged), std::string::npos);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "");
    // The console: the start line (console only), then what the file holds.
    std::string console;
    for (const std::string& line : ConsoleLines()) console += line + "\r\n";
    EXPECT_EQ("Computation of a1-b3 has started\r\n" + results.substr(results.find("\r\n") + 2), console);
}

TEST_F(WorkerTest, EachUnitCountsItsOwnTimeToursAndNodes) {
    // The first unit sleeps long: its time must not leak into the second one's figures.
    constexpr int SLEEP_MS = 1500;
    testing::SetShortUnitPlan(
        {{ShortStep::Search, 8}, {ShortStep::Report, 0}, {ShortStep::Sleep, SLEEP_MS, 3}, {ShortStep::Report, 2}});
    const testing::ExpectedUnit first = testing::ExpectShortUnit(3);
    const testing::ExpectedUnit second = testing::ExpectShortUnit(5);
    WriteFile(QUEUE_FILE, "3\r\n5\r\n");
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    const std::string results = ReadFile(RESULTS_FILE);
    EXPECT_EQ(WithoutTimes(results), testing::ExpectedStampLine() + ExpectedSolutionLines(first) +
                                         ExpectedUnitResults("a1-b3", first) + ExpectedSolutionLines(second) +
                                         ExpectedUnitResults("a1-c4", second));
    // Milliseconds in order: unit 3's two tours and summary, then unit 5's.
    std::vector<long> ms;
    const std::regex milliseconds("in ([0-9]+) milliseconds");
    for (auto m = std::sregex_iterator(results.begin(), results.end(), milliseconds); m != std::sregex_iterator(); ++m)
        ms.push_back(std::stol((*m)[1].str()));
    ASSERT_EQ(ms.size(), 6u);
    EXPECT_GE(ms[2], SLEEP_MS);
    EXPECT_LT(ms[5], SLEEP_MS);
    EXPECT_LE(ms[3], ms[4]);
}

TEST_F(WorkerTest, AUnitLeavesTheQueueOnlyOnceItsResultsAreWritten) {
    WriteFile(QUEUE_FILE, "3\n5\n");
    Texts queueWhileReporting;  // filled on the worker thread, read after it has ended
    const std::regex lastCounts("( [0-9]+){4}");
    shell.onRedraw = [&](const std::string& newest) {
        if (newest.rfind("Computation of a1-b3 has finished", 0) == 0 ||
            (std::regex_match(newest, lastCounts) && ReadFile(RESULTS_FILE).find("a1-c4") == std::string::npos))
            queueWhileReporting.push_back(ReadFile(QUEUE_FILE));
    };
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(queueWhileReporting, (Texts{"3\n5\n", "3\n5\n"}));
    EXPECT_EQ(ReadFile(QUEUE_FILE), "");
}

TEST_F(WorkerTest, AnEntryNamingNoUnitStopsTheQueueThere) {
    WriteFile(QUEUE_FILE, "3\n99\n5\n");
    const testing::ExpectedUnit expected = testing::ExpectShortUnit(3);
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(ReadFile(QUEUE_FILE), "99\r\n5\r\n");
    EXPECT_EQ(WithoutTimes(ReadFile(RESULTS_FILE)),
              testing::ExpectedStampLine() + ExpectedUnitResults("a1-b3", expected));
    const Texts console = ConsoleLines();
    ASSERT_EQ(console.size(), 10u);
    EXPECT_EQ(Texts(console.begin() + 7, console.end()),
              (Texts{"Unimplemented", "Execution halted.", "Choose Test/Continue to restart."}));
    // Every later Continue ends the same way.
    ClearConsole();
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(ConsoleLines(), (Texts{"Unimplemented", "Execution halted.", "Choose Test/Continue to restart."}));
    EXPECT_EQ(ReadFile(QUEUE_FILE), "99\r\n5\r\n");
    EXPECT_EQ(testing::shortUnitRuns.load(), 1);
}

int RefuseEveryUnit(int32_t, SearchState&) { return 1; }

// Stands for closing the window while a unit runs: a stop is asked, the worker not halted.
int StopAskedDuringTheUnit(int32_t unit, SearchState& state) {
    stopRequest.fetch_or(1);
    return testing::RunShortUnit(unit, state);
}

TEST_F(WorkerTest, ARefusedOrStoppedUnitGetsNoResultsAndStaysQueued) {
    const std::pair<UnitRunner, const char*> cases[] = {{&RefuseEveryUnit, "ErrorExecution halted."},
                                                       {&StopAskedDuringTheUnit, "Execution halted."}};
    for (const auto& [runner, halted] : cases) {
        ClearConsole();
        SetUnitRunner(runner);
        WriteFile(QUEUE_FILE, "3\n5\n");
        ResetLineTables();
        StartComputation();
        ASSERT_TRUE(WaitForIdle());
        EXPECT_EQ(ConsoleLines(),
                  (Texts{"Computation of a1-b3 has started", halted, "Choose Test/Continue to restart."}));
        EXPECT_EQ(ReadFile(RESULTS_FILE), "<missing>");
        EXPECT_EQ(ReadFile(QUEUE_FILE), "3\n5\n");
    }
    EXPECT_GT(NodeTotal(workerSearchState), 0u);  // the stopped unit's search did run to its end
}

TEST_F(WorkerTest, AFullQueueIsSaidAndTheQueuedWorkStillStarts) {
    std::string lines = "3\r\n";
    for (int i = 1; i < MAX_TABLE_LINES; ++i) lines += std::to_string(100 + i) + "\r\n";
    WriteFile(QUEUE_FILE, lines);
    EnqueueWork("44");
    ASSERT_TRUE(WaitForIdle());
    const Texts console = ConsoleLines();
    EXPECT_EQ(console.front(), "The work queue is full: 44 was not queued.");
    EXPECT_EQ(console[1], "Computation of a1-b3 has started");
    EXPECT_EQ(ReadFile(QUEUE_FILE), lines.substr(3));  // unit 3 done, then 101 blocks the queue
}

TEST_F(WorkerTest, TheDialogQueuesANameAsItsNumberAndStartsTheComputation) {
    testing::SetShortUnitPlan({{ShortStep::Sleep, 500}, {ShortStep::Search, 8}});
    EXPECT_EQ(SubmitUnitInput("A1-B3"), UnitInput::Unit);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "3\r\n");  // the unit takes longer than this to leave
    EXPECT_EQ(SubmitUnitInput("3"), UnitInput::Unit);  // already queued: nothing changes
    EXPECT_EQ(ReadFile(QUEUE_FILE), "3\r\n");
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(testing::shortUnitRuns.load(), 1);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "");
}

}  // namespace
}  // namespace quorbit
