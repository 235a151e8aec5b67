// The idle, running and stopping states as the shell shows them, starting twice, thread
// creation failing, and the threads' priority.
#include "control/computation.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "control/work_queue.h"
#include "control/worker.h"
#include "tests/control/computation_fixture.h"

namespace quorbit {
namespace {

using testing::ConsoleLines;
using testing::ReadFile;
using testing::ShortStep;
using testing::WriteFile;
using Texts = std::vector<std::string>;

class ComputationStateTest : public testing::ComputationTest {
protected:
    // Unit 3, held in its search so that the computation stays running.
    void StartHeld() {
        testing::SetShortUnitPlan({{ShortStep::Search, 9}, {ShortStep::Hold, 6}});
        testing::holdActive.store(true);
        WriteFile(QUEUE_FILE, "3\n");
        StartComputation();
        while (!testing::holdReached.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

TEST_F(ComputationStateTest, AFinishedQueueGoesFromRunningBackToIdle) {
    WriteFile(QUEUE_FILE, "3\n");
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    // Idle is shown once, by whichever thread ends last.
    EXPECT_EQ(shell.Calls(), (Texts{"menu 1", "title a1-b3", "tray Quorbit 1.2a 2", "menu 0"}));
    EXPECT_EQ(shell.items, (Texts{"Stop\tESC", "C&ontinue\tCtrl+O"}));
    EXPECT_EQ(shell.titles, (Texts{"Quorbit 1.2a - a1-b3", "Quorbit 1.2a - IDLE"}));
    // The tray showed the running picture while the unit ran, the idle one afterwards.
    EXPECT_EQ(shell.trayIcons, (std::vector<int32_t>{1, 2, 2}));
    EXPECT_EQ(workerThreadId.load(), 0);
    EXPECT_EQ(progressThreadId.load(), 0);
}

TEST_F(ComputationStateTest, StopWhileIdleDoesNothingAndAnEmptyQueueEndsWithoutAWord) {
    HaltComputation();
    EXPECT_TRUE(shell.Calls().empty());
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(shell.Calls(), (Texts{"menu 1", "tray Quorbit 1.2a 2", "menu 0"}));
    EXPECT_TRUE(ConsoleLines().empty());
    EXPECT_EQ(ReadFile(RESULTS_FILE), "<missing>");
    EXPECT_EQ(testing::shortUnitRuns.load(), 0);
}

TEST_F(ComputationStateTest, StopShowsStoppingUntilBothThreadsHaveEndedAndCallsOffAWaitingContinue) {
    StartHeld();
    EXPECT_EQ(ComputationState(), 1);
    HaltComputation();
    EXPECT_EQ(ComputationState(), 2);
    HaltComputation();     // Esc again: nothing more
    StartComputation();    // Continue: waits for the halted threads...
    HaltComputation();     // ...and Esc calls it off
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(shell.Calls(), (Texts{"menu 1", "title a1-b3", "menu 2", "tray Quorbit 1.2a 2", "menu 0"}));
    EXPECT_EQ(shell.items, (Texts{"Stop\tESC", "Stopping\tESC", "C&ontinue\tCtrl+O"}));
    EXPECT_EQ(testing::shortUnitRuns.load(), 1);
    EXPECT_EQ(ConsoleLines(),
              (Texts{"Computation of a1-b3 has started", "Execution halted.", "Choose Test/Continue to restart."}));
}

TEST_F(ComputationStateTest, ContinueWhileRunningIsIgnored) {
    StartHeld();
    const ThreadId worker = workerThreadId.load();
    StartComputation();
    EXPECT_EQ(shell.Calls(), (Texts{"menu 1", "title a1-b3"}));
    EXPECT_EQ(workerThreadId.load(), worker);
    testing::holdActive.store(false);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(testing::shortUnitRuns.load(), 1);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "");
}

std::atomic<bool> releaseUnit{false};
std::atomic<int> unitsEntered{0};
// Stands for a worker that is slow to end after a halt (still writing its files).
int SlowToEnd(int32_t unit, SearchState& state) {
    unitsEntered.fetch_add(1);
    while (!releaseUnit.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return testing::RunShortUnit(unit, state);
}

TEST_F(ComputationStateTest, AContinueWhileTheHaltedWorkerStillEndsStartsOnceItHasEnded) {
    releaseUnit.store(false);
    unitsEntered.store(0);
    SetUnitRunner(&SlowToEnd);
    WriteFile(QUEUE_FILE, "3\n");
    StartComputation();
    while (unitsEntered.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    HaltComputation();
    while (ProgressThreadExists()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    StartComputation();  // the reporter has ended; the worker has not
    releaseUnit.store(true);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(unitsEntered.load(), 2);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "");
    // Never idle between the halt and the new start.
    EXPECT_EQ(shell.Calls(), (Texts{"menu 1", "title a1-b3", "menu 2", "menu 1", "title a1-b3",
                                    "tray Quorbit 1.2a 2", "menu 0"}));
    EXPECT_EQ(shell.items, (Texts{"Stop\tESC", "Stopping\tESC", "Stop\tESC", "C&ontinue\tCtrl+O"}));
}

int FailEveryThread(pthread_t*, void* (*)(void*), void*) { return EAGAIN; }

std::atomic<int> threadsAsked{0};
int FailTheSecondThread(pthread_t* thread, void* (*body)(void*), void* argument) {
    return threadsAsked.fetch_add(1) == 1 ? EAGAIN : pthread_create(thread, nullptr, body, argument);
}

TEST_F(ComputationStateTest, AThreadThatCannotBeCreatedLeavesTheComputationIdle) {
    WriteFile(QUEUE_FILE, "3\n");
    for (const ThreadStarter starter : {&FailEveryThread, &FailTheSecondThread}) {
        SetThreadStarter(starter);
        StartComputation();
        EXPECT_FALSE(workerRunning.load());
        EXPECT_FALSE(WorkerThreadExists() || ProgressThreadExists());
        EXPECT_EQ(ConsoleLines().back(), "The computation threads could not be created.");
    }
    // The worker that was created was called off before it did anything.
    EXPECT_EQ(testing::shortUnitRuns.load(), 0);
    EXPECT_TRUE(shell.Calls().empty());
    SetThreadStarter(nullptr);
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(testing::shortUnitRuns.load(), 1);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "");
}

std::atomic<int> workerNice{-100};
int RecordOwnNice(int32_t, SearchState&) {
    workerNice.store(getpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId())));
    return 0;
}

TEST_F(ComputationStateTest, TheWorkerRunsAtTheChosenPriorityFromItsFirstUnit) {
    // A process started with a higher nice value cannot go below it.
    const int expected = std::max(getpriority(PRIO_PROCESS, 0), PriorityForLevel(9).nice);
    priorityLevel.store(9);
    SetUnitRunner(&RecordOwnNice);
    WriteFile(QUEUE_FILE, "3\n");
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(workerNice.load(), expected);
}

}  // namespace
}  // namespace quorbit
