// Whole queues of short units, end to end: what reaches the console, "SOLUTION.TXT",
// "LOGSOL.TXT" and "WORKTOUR.INI", and the progress lines beside a running search.
#include "control/worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/catalogue.h"
#include "control/computation.h"
#include "control/progress.h"
#include "control/work_queue.h"
#include "support/results_file.h"
#include "support/write_failure.h"
#include "tests/control/computation_fixture.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

using namespace testing;
using Texts = std::vector<std::string>;

class WorkerTest : public ComputationTest {};

std::vector<long> Milliseconds(const std::string& text) {
    std::vector<long> ms;
    const std::regex milliseconds("in ([0-9]+) milliseconds");
    for (auto m = std::sregex_iterator(text.begin(), text.end(), milliseconds); m != std::sregex_iterator(); ++m)
        ms.push_back(std::stol((*m)[1].str()));
    return ms;
}

// Each unit's tours, summary and node detail reach the files with its own figures, and the
// unit leaves the queue only once they are written.
TEST_F(WorkerTest, EachUnitsToursSummaryAndNodeDetailReachTheFilesWithItsOwnFigures) {
    // Unit 3 searches and sleeps; unit 5 only reports: none of unit 3's time or nodes may
    // leak into unit 5's figures.
    testing::SetShortUnitPlan({{ShortStep::Search, 9, 3}, {ShortStep::Report, 0}, {ShortStep::Sleep, 300, 3},
                               {ShortStep::Search, 8, 3}, {ShortStep::Report, 2}});
    const std::string expected = CleanRunText(3) + CleanRunText(5);
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
    // Unit 3's summary and last counts, and unit 5's last counts (the results go to the file
    // after the console): each time the unit is still queued.
    EXPECT_EQ(queueWhileReporting, (Texts{"3\n5\n", "3\n5\n", "5\r\n"}));
    const std::string results = ReadFile(RESULTS_FILE);
    EXPECT_EQ(WithoutTimes(results), testing::ExpectedStampLine() + expected);
    EXPECT_NE(expected.find("a1-b3 has finished in # milliseconds (# cycles), 2 solutions have"), std::string::npos);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "");
    const std::vector<long> ms = Milliseconds(results);  // unit 3: two tours and summary; unit 5 the same
    ASSERT_EQ(ms.size(), 6u);
    EXPECT_GE(ms[2], 300);
    EXPECT_LT(ms[5], 300);
    // The log holds the very solution lines of the results file, without their line ends.
    std::string solutions;
    for (size_t at = 0; (at = results.find("Solution ", at)) != std::string::npos; at = results.find('\n', at))
        solutions += results.substr(at, results.find('\n', at) + 1 - at);
    EXPECT_EQ(ReadFile(SOLUTION_LOG_FILE), solutions);
    // The console: each start line (console only), then what the file holds.
    std::string console;
    for (const std::string& line : ConsoleLines()) console += line + "\r\n";
    EXPECT_EQ(WithoutTimes(console), "Computation of a1-b3 has started\r\n" + CleanRunText(3) +
                                         "Computation of a1-c4 has started\r\n" + CleanRunText(5));
}

int RefuseEveryUnit(int32_t, SearchState&) { return 1; }

// Stands for closing the window while a unit runs: a stop is asked, the worker not halted.
int StopAskedDuringTheUnit(int32_t unit, SearchState& state) {
    stopRequest.fetch_or(1);
    return testing::RunShortUnit(unit, state);
}

TEST_F(WorkerTest, AnEntryNamingNoUnitARefusedUnitOrAStopEndTheQueueWithoutResults) {
    const struct {
        UnitRunner runner;
        const char* queue;
        Texts console;
        const char* left;
        bool results;  // unit 3's
    } cases[] = {
        {&testing::RunShortUnit, "3\n99\n5\n",
         {"Computation of a1-b3 has started", "Unimplemented", "Execution halted.", "Choose Test/Continue to restart."},
         "99\r\n5\r\n", true},
        {&RefuseEveryUnit, "3\n5\n",
         {"Computation of a1-b3 has started", "ErrorExecution halted.", "Choose Test/Continue to restart."},
         "3\n5\n", false},
        {&StopAskedDuringTheUnit, "3\n5\n",
         {"Computation of a1-b3 has started", "Execution halted.", "Choose Test/Continue to restart."}, "3\n5\n",
         false},
    };
    for (const auto& c : cases) {
        ClearConsole();
        testing::RemovePath(RESULTS_FILE);
        SetUnitRunner(c.runner);
        WriteFile(QUEUE_FILE, c.queue);
        ResetLineTables();
        StartComputation();
        ASSERT_TRUE(WaitForIdle());
        Texts console = ConsoleLines();
        const auto results = [](const std::string& line) { return line.find(" nodes") != std::string::npos || line[0] == ' '; };
        console.erase(std::remove_if(console.begin(), console.end(), results), console.end());
        EXPECT_EQ(console, c.console);
        EXPECT_EQ(ReadFile(QUEUE_FILE), c.left);
        EXPECT_EQ(WithoutTimes(ReadFile(RESULTS_FILE)),
                  c.results ? testing::ExpectedStampLine() + CleanRunText(3) : "<missing>");
    }
    EXPECT_GT(NodeTotal(workerSearchState), 0u);  // the stopped unit's search did run to its end
}

std::string Joined(const Texts& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// A file that cannot be written halts the unit at the first line not on disk and keeps it
// queued; the end names the file and reason (the desktop as a message box), and a Continue
// once it can be written finishes the queue. (The program's own runs: RunCommandTest.)
TEST_F(WorkerTest, AFileThatCannotBeWrittenHaltsTheUnitKeepsItQueuedAndNamesTheCause) {
    // Unit 3 reports a tour, searches, reports another; unit 5 only searches.
    testing::SetShortUnitPlan({{ShortStep::Report, 0, 3}, {ShortStep::Search, 8}, {ShortStep::Report, 1, 3}});
    const std::string unit3 = CleanRunText(3), unit5 = CleanRunText(5);
    const std::string firstTour = unit3.substr(0, unit3.find("\r\n") + 2);
    const struct Case {
        const char* what;
        std::function<void()> setUp, undo;
        const char* cause;
        std::string results;  // "SOLUTION.TXT" after the failure, times blanked; the queue stays
    } cases[] = {
        // (A full device, a full disk, a file size limit: RunCommandPosixTest.)
        {"a folder for SOLUTION.TXT", [] { ASSERT_TRUE(testing::MakeFolder(RESULTS_FILE)); },
         [] { ASSERT_TRUE(testing::RemovePath(RESULTS_FILE)); }, "Cannot write SOLUTION.TXT: Is a directory", "<missing>"},
        {"a folder for LOGSOL.TXT", [] { ASSERT_TRUE(testing::MakeFolder(SOLUTION_LOG_FILE)); },
         [] { ASSERT_TRUE(testing::RemovePath(SOLUTION_LOG_FILE)); }, "Cannot write LOGSOL.TXT: Is a directory",
         testing::ExpectedStampLine() + firstTour},
        // The results are on disk, the queue's rewrite fails: unit 3 stays in the file (its
        // removal is kept in memory), and unit 5 is not started.
        {"WORKTOUR.INI that cannot be replaced", [] { ASSERT_TRUE(testing::MakeFolder("WORKTOUR.INI.tmp")); },
         [] { ASSERT_TRUE(testing::RemovePath("WORKTOUR.INI.tmp")); }, "Cannot write WORKTOUR.INI: File exists",
         testing::ExpectedStampLine() + unit3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetLineTables();
        for (const char* name : {RESULTS_FILE, SOLUTION_LOG_FILE}) testing::RemovePath(name);
        ClearConsole();
        {
            std::lock_guard<std::mutex> hold(shell.lock);
            shell.calls.clear();
        }
        testing::shortUnitRuns.store(0);
        lastStampTime.store(0);
        WriteFile(QUEUE_FILE, "3\n5\n");
        c.setUp();
        StartComputation();
        ASSERT_TRUE(WaitForIdle());
        c.undo();
        EXPECT_EQ(testing::shortUnitRuns.load(), 1);
        EXPECT_EQ(WithoutTimes(ReadFile(RESULTS_FILE)), c.results);
        EXPECT_EQ(ReadFile(QUEUE_FILE), "3\n5\n");
        EXPECT_EQ(LastComputationEnd(), ComputationEnd::WriteFailed);
        EXPECT_EQ(ComputationEndUnit(), 3);
        char cause[256];
        FormatComputationEnd(cause, sizeof cause);
        EXPECT_EQ(std::string(cause), c.cause);
        const std::string console = Joined(ConsoleLines());
        EXPECT_NE(console.find(std::string(c.cause) + "\nExecution halted.\nChoose Test/Continue to restart.\n"),
                  std::string::npos)
            << console;
        EXPECT_EQ(console.find("Computation of a1-c4"), std::string::npos) << console;
        const Texts calls = shell.Calls();
        EXPECT_NE(std::find(calls.begin(), calls.end(),
                            "message Quorbit 1.2a: " + std::string(c.cause) +
                                "\n\nThe computation has halted; the unit being computed stays queued."),
                  calls.end());

        // Continue tries the files again, and the queue runs out.
        StartComputation();
        ASSERT_TRUE(WaitForIdle());
        EXPECT_EQ(LastComputationEnd(), ComputationEnd::QueueDone);
        EXPECT_FALSE(WriteFailed());
        EXPECT_EQ(ReadFile(QUEUE_FILE), "");
        const std::string results = WithoutTimes(ReadFile(RESULTS_FILE));
        EXPECT_NE(results.find(unit3 + unit5), std::string::npos) << results;
    }
}

// The lines show the exact count, whatever the estimate of the unit's end that follows it:
// here the search stands still after a subtree's nodes while the lines come.
TEST_F(WorkerTest, ProgressLinesReplaceEachOtherAndTheNextSolutionTakesTheirPlace) {
    displayFrequency.store(1);
    testing::SetShortUnitPlan({{ShortStep::Search, 8}, {ShortStep::Pause, 0}, {ShortStep::Report, 0}});
    testing::holdActive.store(true);
    WriteFile(QUEUE_FILE, "3\n");
    StartComputation();
    const std::regex progress("(([a-f][1-6]-){7}[a-f][1-6]) in -?[0-9]+ ms \\(([0-9]+) nodes\\)(, ~[0-9.]+ % done(, about "
                              "[0-9a-z ]+ left)?)?");
    auto progressCalls = [&] {
        Texts found;
        for (const std::string& call : shell.Calls(true)) {
            const std::string line = call.substr(call.find(' ', 7) + 1);
            if (std::regex_match(line, progress)) found.push_back(call);
        }
        return found;
    };
    // The unit's end is estimated within seconds, and the title says it too.
    auto estimated = [&] {
        const Texts calls = shell.Calls(true);
        return std::any_of(calls.begin(), calls.end(), [](const std::string& call) { return call.find("% done") != std::string::npos && call.rfind("replace ", 0) == 0; }) &&
               std::find_if(calls.begin(), calls.end(), [](const std::string& call) { return call.rfind("title a1-b3, ~", 0) == 0; }) != calls.end();
    };
    while (progressCalls().size() < 2 || !estimated()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    testing::holdActive.store(false);
    ASSERT_TRUE(WaitForIdle());
    // The first is added below the start line; the next writes over it; the tour over that.
    const Texts lines = progressCalls();
    EXPECT_EQ(lines[0].rfind("redraw 1 ", 0), 0u);
    EXPECT_EQ(lines[1].rfind("replace ", 0), 0u);
    const Texts calls = shell.Calls(true);
    const auto tour = std::find_if(calls.begin(), calls.end(),
                                   [](const std::string& call) { return call.find("Solution 1: ") != std::string::npos; });
    ASSERT_NE(tour, calls.end());
    EXPECT_EQ(tour->rfind("replace Solution 1: ", 0), 0u);
    // Shown while searching below the prefix: the first six moves are the prefix's.
    const std::vector<int> prefix = testing::FirstDescent(workUnits[3].start, workUnits[3].end, 6);
    std::string shown;
    for (const int square : prefix) shown += std::string(1, 'a' + square / 6) + std::string(1, '1' + square % 6) + "-";
    std::smatch match;
    ASSERT_TRUE(std::regex_search(lines[1], match, progress));
    EXPECT_EQ(match[1].str().substr(0, 18), shown);
    const testing::EngineResult searched =
        testing::RunEngine(workUnits[3].start, workUnits[3].end, testing::FirstDescent(workUnits[3].start, workUnits[3].end, 8), 0);
    uint64_t exact = 0;
    for (const uint64_t count : searched.nodeCounters) exact += count;
    for (const std::string& line : lines) {
        ASSERT_TRUE(std::regex_search(line, match, progress));
        EXPECT_EQ(std::stoull(match[3].str()), exact) << line;
    }
    // No progress line stays once something else has been printed after it.
    const Texts console = ConsoleLines();
    for (size_t i = 0; i + 1 < console.size(); ++i) EXPECT_FALSE(std::regex_match(console[i], progress)) << console[i];
}

}  // namespace
}  // namespace quorbit
