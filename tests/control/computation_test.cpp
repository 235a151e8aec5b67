// The console's lines and the shell calls; the idle, running and stopping states as the shell
// shows them, Continue and Stop at every moment, the shutdown, thread creation failing, and
// the threads' priority. (A halt at any moment loses nothing: the program's own runs,
// RunCommandPosixTest.SignalsHalt...)
#include "control/computation.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "results/trial_mark.h"
#include "tasks/search_threads.h"
#include "tasks/unit_tasks.h"
#include "control/work_queue.h"
#include "control/worker.h"
#include "tests/control/computation_fixture.h"

namespace quorbit {
namespace {

using namespace testing;
using Texts = std::vector<std::string>;

class ComputationStateTest : public ComputationTest {};

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The console: a print completes lines and scrolls once per call, a redraw reading back the
// newest line; a progress line is replaced by the next print.
TEST_F(ComputationStateTest, PrintsComposeLinesScrollOncePerCallAndCutLongLines) {
    ConsolePrint("abc");
    EXPECT_EQ(ConsoleSlot(0), "abc");
    ConsolePrint("def\n");
    ConsolePrint("x\ny\nz\n");
    ConsolePrint("");
    ConsolePrint((std::string(300, 'L') + "\na\r\tb\n").c_str());
    EXPECT_EQ(shell.Calls(true), (Texts{"redraw 0 ", "redraw 1 abcdef", "redraw 3 z", "redraw 0 z", "redraw 2 a\r\tb"}));
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

TEST_F(ComputationStateTest, AProvisionalLineIsReplacedByTheNextPrintOnly) {
    ConsolePrint("older\n");
    ConsolePrint("progress 1\n");
    ConsoleReplaceLastLine();
    ConsolePrint("progress 2\n");
    ConsolePrintProvisional("progress 3\n");
    ConsolePrint("Solution 1\n");
    ConsolePrint("after\n");
    EXPECT_EQ(shell.Calls(true), (Texts{"redraw 1 older", "redraw 1 progress 1", "replace progress 2", "redraw 1 progress 3",
                                     "replace Solution 1", "redraw 1 after"}));
    EXPECT_EQ(ConsoleSlot(2), "Solution 1");
    EXPECT_EQ(ConsoleSlot(3), "progress 2");
    EXPECT_EQ(ConsoleSlot(4), "older");
    // A replacing print of several lines keeps the last.
    ConsolePrintProvisional("p\n");
    ConsolePrint("one\ntwo\n");
    EXPECT_EQ(ConsoleSlot(1), "two");
    EXPECT_EQ(ConsoleSlot(2), "after");
}

TEST_F(ComputationStateTest, QuittingStopsPrintsAndShellUpdatesButNotMessages) {
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
    EXPECT_EQ(shell.Calls(true), (Texts{"redraw 1 before", "message Status: text", "menu 1", "title a1-a2", "tray running 2"}));
}

TEST_F(ComputationStateTest, StopShowsStoppingUntilBothThreadsEndAndCallsOffAWaitingContinue) {
    testing::SetShortUnitPlan({{ShortStep::Search, 9}, {ShortStep::Hold, 6}});
    testing::holdActive.store(true);
    WriteFile(QUEUE_FILE, "3\n");
    StartComputation();
    while (!testing::holdReached.load()) SleepMs(1);
    const ThreadId worker = workerThreadId.load();
    StartComputation();  // Continue while running: nothing
    EXPECT_EQ(workerThreadId.load(), worker);
    EXPECT_EQ(ComputationState(), 1);
    HaltComputation();
    EXPECT_EQ(ComputationState(), 2);
    HaltComputation();   // Esc again: nothing more
    StartComputation();  // Continue: waits for the halted threads...
    HaltComputation();   // ...and Esc calls it off
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(shell.Calls(), (Texts{"menu 1", "title a1-b3", "menu 2", "tray Quorbit 1.2a 2", "menu 0"}));
    EXPECT_EQ(shell.items, (Texts{"Stop\tESC", "Stopping\tESC", "C&ontinue\tCtrl+O"}));
    EXPECT_EQ(testing::shortUnitRuns.load(), 1);
    EXPECT_EQ(ConsoleLines(),
              (Texts{"Computation of a1-b3 has started", "Execution halted.", "Choose Test/Continue to restart."}));
}

#ifndef _WIN32
std::atomic<int> threadsAsked{0};
int FailTheSecondThread(pthread_t* thread, void* (*body)(void*), void* argument) {
    return threadsAsked.fetch_add(1) % 2 == 1 ? EAGAIN : pthread_create(thread, nullptr, body, argument);
}

TEST_F(ComputationStateTest, AThreadThatCannotBeCreatedLeavesTheComputationIdle) {
    WriteFile(QUEUE_FILE, "3\n");
    const ThreadStarter failures[] = {[](pthread_t*, void* (*)(void*), void*) { return EAGAIN; },
                                      &FailTheSecondThread};
    for (const ThreadStarter starter : failures) {
        SetThreadStarter(starter);
        StartComputation();
        EXPECT_FALSE(workerRunning.load() || WorkerThreadExists() || ProgressThreadExists());
        EXPECT_EQ(ConsoleLines().back(), "The computation threads could not be created.");
    }
    // The worker that was created was called off before it did anything.
    EXPECT_EQ(testing::shortUnitRuns.load(), 0);
    EXPECT_TRUE(shell.Calls().empty());
    SetThreadStarter(nullptr);
    StartComputation();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(ReadFile(QUEUE_FILE), "");
}

// The threads of this process now at the nice value.
int ThreadsAtNice(int nice) {
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        errno = 0;
        const int value = getpriority(PRIO_PROCESS, static_cast<id_t>(std::stoi(task.path().filename().string())));
        if (errno == 0 && value == nice) ++count;
    }
    return count;
}

TEST_F(ComputationStateTest, APriorityChangeReachesEverySearchThreadOfAUnitInTaskMode) {
    // A process started with a higher nice value cannot go below it, unless it is root's.
    const auto expected = [](int wanted) {
        return geteuid() == 0 ? wanted : std::max(getpriority(PRIO_PROCESS, 0), wanted);
    };
    const int before = expected(4), after = expected(16);  // levels 9 and 2
    if (before == after || before == getpriority(PRIO_PROCESS, 0)) GTEST_SKIP() << "no nice value to tell apart";
    priorityLevel.store(9);
    taskThreads.store(2);
    taskNodeLimit.store(UINT64_C(1) << 40);  // far more than the test waits for
    WriteFile(QUEUE_FILE, "3\n");
    StartComputation();
    // The worker, the second search thread and the progress reporter, each at the chosen
    // priority from its start (a new thread starts with its maker's nice value).
    // Waits as long as it takes (CTest's timeout bounds a hang): a loaded machine may be
    // slow to start them.
    while (ThreadsAtNice(before) < 3) SleepMs(5);
    priorityLevel.store(2);
    EXPECT_TRUE(ApplyPriorityToTaskRun());
    // A search thread just starting may take the new level itself, a moment later.
    while (ThreadsAtNice(after) < 2) SleepMs(5);
    EXPECT_EQ(ThreadsAtNice(before), 1);
    HaltComputation();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_FALSE(ApplyPriorityToTaskRun());
    taskThreads.store(0);
    taskNodeLimit.store(0);
}
#endif

// The process's threads and open files, as "threads/files". Taken first after a thread has
// come and gone, so that a sanitizer's helper thread, started with the first thread, counts.
std::string Holdings() {
    const auto count = [](const char* folder) { return std::to_string(FolderEntries(folder).size()); };
    return count("/proc/self/task") + "/" + count("/proc/self/fd");
}

class HaltTest : public ComputationTest {
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
#ifndef _WIN32
        EXPECT_EQ(Holdings(), before);
#endif
        EXPECT_EQ(ConsoleLines(), Texts{"Computation of a1-b3 has started"});
        EXPECT_EQ(shell.Calls(), (Texts{"menu 1", "title a1-b3"}));
        EXPECT_EQ(ReadFile(QUEUE_FILE), "3\n5\n");
        EXPECT_EQ(ReadFile(RESULTS_FILE), "<missing>");
        EXPECT_EQ(testing::shortUnitRuns.load(), 1);
    }
}

}  // namespace
}  // namespace quorbit
