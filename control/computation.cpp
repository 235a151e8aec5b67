#include "control/computation.h"

#include <chrono>
#include <thread>

#include "control/progress.h"
#include "control/worker.h"
#include "support/console.h"
#include "support/shell.h"

namespace quorbit {

std::atomic<uint32_t> stopRequest{0};
std::atomic<bool> workerRunning{false};
std::atomic<bool> progressRunning{false};
std::atomic<bool> haltPending{false};
std::atomic<ThreadId> workerThreadId{0};
std::atomic<ThreadId> progressThreadId{0};

namespace {

struct ComputationThread {
    pthread_t handle;
    bool joinable;            // created and not yet joined; touched by the starting thread only
    std::atomic<bool> live;   // created and not yet past its last action
};

ComputationThread worker{};
ComputationThread progress{};

// Both threads wait here until both exist, so that a failure to create the second one can
// still call the first one off before it has done anything.
enum : uint32_t { GATE_CLOSED, GATE_OPEN, GATE_ABANDONED };
std::atomic<uint32_t> startGate{GATE_CLOSED};

int StartPthread(pthread_t* thread, void* (*body)(void*)) { return pthread_create(thread, nullptr, body, nullptr); }

std::atomic<ThreadStarter> threadStarter{StartPthread};

void SetGate(uint32_t state) {
    startGate.store(state, std::memory_order_release);
    startGate.notify_all();
}

// True when the thread is to do its work.
bool PassStartGate(std::atomic<ThreadId>& id) {
    id.store(CurrentThreadId(), std::memory_order_relaxed);
    uint32_t gate;
    while ((gate = startGate.load(std::memory_order_acquire)) == GATE_CLOSED)
        startGate.wait(GATE_CLOSED, std::memory_order_acquire);
    if (gate != GATE_OPEN) return false;
    // Before any work: the chosen priority and processor hold from the thread's first node.
    ApplyPriority(id.load(std::memory_order_relaxed));
    return true;
}

// The thread's last action: from here on a new start may reuse everything it used.
void LeaveThread(ComputationThread& thread, std::atomic<ThreadId>& id) {
    id.store(0, std::memory_order_relaxed);
    thread.live.store(false, std::memory_order_release);
}

void* WorkerBody(void*) {
    if (PassStartGate(workerThreadId)) WorkerThreadProc();
    LeaveThread(worker, workerThreadId);
    return nullptr;
}

void* ProgressBody(void*) {
    if (PassStartGate(progressThreadId)) ProgressThreadProc();
    LeaveThread(progress, progressThreadId);
    return nullptr;
}

bool CreateThread(ComputationThread& thread, void* (*body)(void*)) {
    // Marked live first: the thread may end before the starter returns.
    thread.live.store(true, std::memory_order_relaxed);
    if (threadStarter.load(std::memory_order_relaxed)(&thread.handle, body) != 0) {
        thread.live.store(false, std::memory_order_relaxed);
        return false;
    }
    thread.joinable = true;
    return true;
}

// Joins threads that have passed their last action; they are about to return, if not gone.
void JoinEndedThreads() {
    for (ComputationThread* thread : {&worker, &progress}) {
        if (thread->joinable && !thread->live.load(std::memory_order_acquire)) {
            pthread_join(thread->handle, nullptr);
            thread->joinable = false;
        }
    }
}

void SleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

void SetThreadStarter(ThreadStarter starter) {
    threadStarter.store(starter != nullptr ? starter : StartPthread, std::memory_order_relaxed);
}

bool WorkerThreadExists() { return worker.live.load(std::memory_order_acquire); }

bool ProgressThreadExists() { return progress.live.load(std::memory_order_acquire); }

void StartComputation() {
    // A second Continue while a computation runs, or while the last one is still ending.
    if (progressRunning.load() || workerRunning.load() || WorkerThreadExists() || ProgressThreadExists()) return;
    JoinEndedThreads();

    workerRunning.store(true);
    stopRequest.store(0);
    haltPending.store(false);
    startGate.store(GATE_CLOSED, std::memory_order_relaxed);
    const bool started = CreateThread(worker, &WorkerBody);
    if (!started || !CreateThread(progress, &ProgressBody)) {
        // Nothing may look as if it ran: the worker, if there is one, leaves untouched.
        workerRunning.store(false);
        stopRequest.store(1);
        SetGate(GATE_ABANDONED);
        WaitForComputationEnd();
        ConsolePrint("The computation threads could not be created.\n");
        return;
    }
    // Shown before the threads run, so that a worker with nothing to do cannot show idle first.
    ShellSetMenuState(SHELL_STATE_RUNNING);
    SetGate(GATE_OPEN);
}

void HaltComputation() {
    // Only the halt that clears the flag acts: Esc while idle or already stopping does nothing.
    if (!workerRunning.exchange(false)) return;
    ShellSetMenuState(SHELL_STATE_STOPPING);
    stopRequest.fetch_or(1);
    // The worker clears the search's flag at each unit's start and then looks at haltPending
    // (both sequentially consistent), so one of the two always sees this halt.
    haltPending.store(true);
    workerSearchState.haltRequested.store(true);
    // Nothing process-wide is lowered on this system (only the computation threads are), so
    // there is no priority to restore; the halted threads end by themselves.
}

int32_t ComputationState() { return workerRunning.load(std::memory_order_relaxed) ? 1 : 2; }

void StopComputationAndWait() {
    while (workerRunning.load() || WorkerThreadExists()) {
        SetQuitting(true);
        stopRequest.fetch_or(1);
        SleepMilliseconds(10);
    }
    WaitForComputationEnd();
}

void WaitForComputationEnd() {
    while (WorkerThreadExists() || ProgressThreadExists()) SleepMilliseconds(5);
    JoinEndedThreads();
}

}  // namespace quorbit
