#include "tasks/search_threads.h"

#include <mutex>

#include "platform/threads.h"
#include "support/priority.h"
#include "tasks/task_run.h"

namespace quorbit {

namespace {

// Under its lock: a thread leaves the table before it ends, and a priority is applied only
// while the lock is held, so every id applied to names a living thread of the unit.
std::mutex registryLock;
ThreadId searchThreadIds[MAX_TASK_THREADS];
int32_t searchThreadsRunning = 0;  // the run's thread count while it runs, else 0

void ApplySearchPriority(ThreadId thread, int threadCount) {
    // "CpuNumber" binds the search only when it runs on one thread.
    if (threadCount == 1)
        ApplyPriority(thread);
    else
        ApplyPriorityUnbound(thread);
}

}  // namespace

void BeginSearchThreads(int32_t threadCount) {
    std::lock_guard<std::mutex> hold(registryLock);
    searchThreadsRunning = threadCount;
}

void StartSearchThread(int threadCount, void*) {
    // Known and given its priority under the lock that a change takes too: a change made
    // at any moment reaches the thread through one or the other, and the thread's own
    // application, reading the level a moment earlier, can never come after the change's.
    const ThreadId self = CurrentThreadId();
    std::lock_guard<std::mutex> hold(registryLock);
    for (ThreadId& id : searchThreadIds) {
        if (id != 0) continue;
        id = self;
        break;
    }
    ApplySearchPriority(self, threadCount);
}

void EndSearchThread(void*) {
    const ThreadId self = CurrentThreadId();
    std::lock_guard<std::mutex> hold(registryLock);
    for (ThreadId& id : searchThreadIds)
        if (id == self) id = 0;
}

void ForgetSearchThreads() {
    std::lock_guard<std::mutex> hold(registryLock);
    searchThreadsRunning = 0;
    for (ThreadId& id : searchThreadIds) id = 0;
}

bool ApplyPriorityToTaskRun() {
    std::lock_guard<std::mutex> hold(registryLock);
    if (searchThreadsRunning == 0) return false;
    for (const ThreadId thread : searchThreadIds)
        if (thread != 0) ApplySearchPriority(thread, searchThreadsRunning);
    return true;
}

}  // namespace quorbit
