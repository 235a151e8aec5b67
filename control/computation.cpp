#include "control/computation.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "control/compute_menu.h"
#include "control/progress.h"
#include "control/work_queue.h"
#include "control/worker.h"
#include "support/console.h"
#include "support/shell.h"
#include "tasks/unit_tasks.h"

namespace quorbit {

std::atomic<uint32_t> stopRequest{0};
std::atomic<bool> workerRunning{false};
std::atomic<bool> progressRunning{false};
std::atomic<bool> haltPending{false};
std::atomic<ThreadId> workerThreadId{0};
std::atomic<ThreadId> progressThreadId{0};

namespace {

enum class Role { Worker, Progress };

struct ComputationThread {
    ThreadHandle handle;
    bool joinable;            // created and not yet joined; guarded by controlLock
    std::atomic<bool> live;   // created and not yet past its last action
};

// A computation's last thread may start the next one before it has returned itself, so
// the threads of two computations can exist at once: two slots each, and a spare.
constexpr int THREAD_SLOTS = 6;
ComputationThread threads[THREAD_SLOTS];
std::atomic<int> liveWorkers{0};
std::atomic<int> liveReporters{0};

// Guards the decisions of the computation's life: starting, halting, the worker's end, a
// thread's end, and the slots' handles. Never held while the shell is called, nor while
// waiting for anything but a thread that is past its last action.
std::mutex controlLock;
int activeThreads = 0;      // threads that may still call the shell
bool startPending = false;  // a Continue that waits for the last computation's threads to end

// Both threads wait here until both exist, so that a failure to create the second one can
// still call the first one off before it has done anything.
// A condition variable rather than the atomic's own wait: GCC 12's std::atomic::wait, on a
// system without futexes (Windows), can miss a notification, and a worker that missed the
// gate's opening never started its unit while the progress reporter went on reporting.
enum : uint32_t { GATE_CLOSED, GATE_OPEN, GATE_ABANDONED };
std::atomic<uint32_t> startGate{GATE_CLOSED};
std::mutex gateLock;
std::condition_variable gateChanged;

std::atomic<ThreadStarter> threadStarter{StartThread};

void SetGate(uint32_t state) {
    {
        std::lock_guard<std::mutex> hold(gateLock);
        startGate.store(state, std::memory_order_release);
    }
    gateChanged.notify_all();
}

// True when the thread is to do its work.
bool PassStartGate(std::atomic<ThreadId>& id) {
    id.store(CurrentThreadId(), std::memory_order_relaxed);
    uint32_t gate;
    {
        std::unique_lock<std::mutex> hold(gateLock);
        gateChanged.wait(hold, [] { return startGate.load(std::memory_order_acquire) != GATE_CLOSED; });
        gate = startGate.load(std::memory_order_acquire);
    }
    if (gate != GATE_OPEN) return false;
    // Before any work: the chosen priority and processor hold from the thread's first node.
    ApplyPriority(id.load(std::memory_order_relaxed));
    return true;
}

// Joins threads that have passed their last action; they are about to return, if not gone.
// The caller holds controlLock.
void JoinEndedThreads() {
    for (ComputationThread& thread : threads) {
        if (thread.joinable && !thread.live.load(std::memory_order_acquire)) {
            JoinThread(thread.handle);
            thread.joinable = false;
        }
    }
}

std::atomic<int>& LiveCount(Role role) { return role == Role::Worker ? liveWorkers : liveReporters; }

// The caller holds controlLock. Null when no slot is free or the thread cannot be made.
ComputationThread* CreateThread(Role role, void* (*body)(void*)) {
    for (ComputationThread& thread : threads) {
        if (thread.joinable) continue;
        // Marked live first: the thread may end before the starter returns.
        thread.live.store(true, std::memory_order_relaxed);
        LiveCount(role).fetch_add(1);
        if (threadStarter.load(std::memory_order_relaxed)(&thread.handle, body, &thread) != 0) {
            LiveCount(role).fetch_sub(1);
            thread.live.store(false, std::memory_order_relaxed);
            return nullptr;
        }
        thread.joinable = true;
        return &thread;
    }
    return nullptr;
}

// Creates both threads behind the closed gate; false, with nothing left running, when
// either cannot be made. The caller holds controlLock and no earlier thread is active.
bool LaunchLocked();

// The thread's last action: from here on a new start may reuse everything it used.
void LeaveThread(ComputationThread& thread, Role role) {
    LiveCount(role).fetch_sub(1);
    thread.live.store(false, std::memory_order_release);
}

// After the thread's own work: the last thread of a computation shows idle, or starts the
// computation a Continue asked for meanwhile. Until it has done so it counts as active, so
// no other start can come between and have its running state overwritten by this idle.
void FinishThread(ComputationThread& self, Role role) {
    std::unique_lock<std::mutex> hold(controlLock);
    if (activeThreads > 1) {
        --activeThreads;
        hold.unlock();
        LeaveThread(self, role);
        return;
    }
    for (;;) {
        if (startPending) {
            startPending = false;
            --activeThreads;  // from here the new computation's threads are the active ones
            const bool started = LaunchLocked();
            hold.unlock();
            if (started) {
                ShellSetMenuState(SHELL_STATE_RUNNING);
                SetGate(GATE_OPEN);
                break;
            }
            ConsolePrint("The computation threads could not be created.\n");
            hold.lock();
            ++activeThreads;
            continue;
        }
        hold.unlock();
        ShellUpdateTrayIcon(PROGRAM_TITLE);
        ShellSetMenuState(SHELL_STATE_IDLE);
        hold.lock();
        if (!startPending) {
            --activeThreads;
            hold.unlock();
            break;
        }
    }
    LeaveThread(self, role);
}

void RunThread(void* slot, Role role, std::atomic<ThreadId>& id, void (*work)()) {
    ComputationThread& self = *static_cast<ComputationThread*>(slot);
    const bool admitted = PassStartGate(id);
    if (admitted) work();
    id.store(0, std::memory_order_relaxed);
    // A thread called off at the gate leaves without a word (and without the lock, which its
    // starter holds while it waits for it).
    if (admitted) {
        FinishThread(self, role);
    } else {
        LeaveThread(self, role);
    }
}

void* WorkerBody(void* slot) {
    RunThread(slot, Role::Worker, workerThreadId, &WorkerThreadProc);
    return nullptr;
}

void* ProgressBody(void* slot) {
    RunThread(slot, Role::Progress, progressThreadId, &ProgressThreadProc);
    return nullptr;
}

bool LaunchLocked() {
    JoinEndedThreads();
    workerRunning.store(true);
    stopRequest.store(0);
    haltPending.store(false);
    // Every file is tried again, and the new computation records its own end.
    ResetComputationEnd();
    SetGate(GATE_CLOSED);
    ComputationThread* worker = CreateThread(Role::Worker, &WorkerBody);
    if (worker != nullptr && CreateThread(Role::Progress, &ProgressBody) != nullptr) {
        activeThreads += 2;
        return true;
    }
    // Nothing may look as if it ran: the worker, if there is one, leaves untouched.
    workerRunning.store(false);
    stopRequest.store(1);
    SetGate(GATE_ABANDONED);
    if (worker != nullptr) {
        // It takes no lock on this way out; wait for it without releasing ours.
        JoinThread(worker->handle);
        worker->joinable = false;
    }
    return false;
}

void SleepMilliseconds(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

void SetThreadStarter(ThreadStarter starter) {
    threadStarter.store(starter != nullptr ? starter : StartThread, std::memory_order_relaxed);
}

bool WorkerThreadExists() { return liveWorkers.load() > 0; }

bool ProgressThreadExists() { return liveReporters.load() > 0; }

void StartComputation() {
    std::unique_lock<std::mutex> hold(controlLock);
    // A running worker looks at the queue once more before it ends (EndWorker).
    if (workerRunning.load()) return;
    // The last computation's threads are still ending: start as soon as they have. Never
    // waited for here, since an ending thread may itself be waiting for this thread.
    if (activeThreads > 0) {
        startPending = true;
        return;
    }
    const bool started = LaunchLocked();
    hold.unlock();
    if (!started) {
        ConsolePrint("The computation threads could not be created.\n");
        return;
    }
    // Shown before the threads run, so that a worker with nothing to do cannot show idle first.
    ShellSetMenuState(SHELL_STATE_RUNNING);
    SetGate(GATE_OPEN);
}

bool EndWorker() {
    std::lock_guard<std::mutex> hold(controlLock);
    if ((stopRequest.load() & 1u) == 0 && QueueCount() > 0) return false;
    stopRequest.fetch_or(1);
    workerRunning.store(false);
    return true;
}

void HaltComputation() {
    {
        std::lock_guard<std::mutex> hold(controlLock);
        // A Stop also calls off a Continue that waits for the last computation's end.
        startPending = false;
        // Only the halt that clears the flag acts: Esc while idle or already stopping does nothing.
        if (!workerRunning.exchange(false)) return;
    }
    ShellSetMenuState(SHELL_STATE_STOPPING);
    stopRequest.fetch_or(1);
    // The worker clears the search's flag at each unit's start and then looks at haltPending
    // (both sequentially consistent), so one of the two always sees this halt.
    haltPending.store(true);
    workerSearchState.haltRequested.store(true);
    HaltWorkerTaskRun();
    // Windows's priority class is the whole process's: the halt puts it back to normal. (On
    // Linux only the computation threads were lowered.) The halted threads end by themselves.
    RestoreProcessScheduling();
}

int32_t ComputationState() { return workerRunning.load(std::memory_order_relaxed) ? 1 : 2; }

void StopComputationAndWait() {
    {
        std::lock_guard<std::mutex> hold(controlLock);
        startPending = false;
    }
    while (workerRunning.load() || WorkerThreadExists()) {
        SetQuitting(true);
        stopRequest.fetch_or(1);
        SleepMilliseconds(10);
    }
    WaitForComputationEnd();
}

void WaitForComputationEnd() {
    for (;;) {
        while (WorkerThreadExists() || ProgressThreadExists()) SleepMilliseconds(5);
        std::lock_guard<std::mutex> hold(controlLock);
        // A thread that ended may have started the next computation; wait for that one too.
        if (WorkerThreadExists() || ProgressThreadExists()) continue;
        JoinEndedThreads();
        return;
    }
}

}  // namespace quorbit
