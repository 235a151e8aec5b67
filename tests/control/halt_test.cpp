// The shutdown leaves no thread or file behind. (A halt at any moment loses nothing: the
// program's own runs, RunCommandTest.SignalsHaltAtAnyMomentAndLoseNothing.)
#include <gtest/gtest.h>

#include <filesystem>

#include <chrono>
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

using testing::ConsoleLines;
using testing::ReadFile;
using testing::ShortStep;
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

class HaltTest : public testing::ComputationTest {
protected:
    void SetUp() override {
        ComputationTest::SetUp();
        std::thread([] {}).join();
        before = Holdings();
    }
    std::string before;
};

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
