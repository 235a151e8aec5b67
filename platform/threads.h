// Threads: starting and joining them, and their scheduling and processors. A computation
// thread is named by its kernel id (ThreadId, 0 for none), which it learns with
// CurrentThreadId and publishes before it starts its work.
#pragma once

#if defined(_WIN32)
namespace quorbit {
using ThreadHandle = void*;      // the thread's HANDLE
using ThreadId = unsigned long;  // its DWORD id
}  // namespace quorbit
#else
#include <pthread.h>
#include <sys/types.h>
namespace quorbit {
using ThreadHandle = pthread_t;
using ThreadId = pid_t;
}  // namespace quorbit
#endif

namespace quorbit {

// Starts body(argument) on a new thread: 0, or the system's error number.
int StartThread(ThreadHandle* thread, void* (*body)(void*), void* argument);
void JoinThread(ThreadHandle thread);

ThreadId CurrentThreadId();

// Thread ids are recycled system-wide: a stale id must never reach another program's thread.
bool IsThreadOfThisProcess(ThreadId thread);

// How hard a thread competes for the processor, in each system's own terms; each system
// takes its half.
struct ThreadScheduling {
    // Linux: the idle policy (the thread runs only when nothing else wants the processor)
    // or the ordinary one, with the nice value (0..19).
    bool idlePolicy;
    int nice;
    // Windows: the process's priority class (IDLE_PRIORITY_CLASS or NORMAL_PRIORITY_CLASS)
    // and the thread's priority (THREAD_PRIORITY_IDLE -15, LOWEST -2 ... HIGHEST 2).
    bool idleClass;
    int threadPriority;
};
// Gives the thread that scheduling; what the system refuses stays as it was. On Windows the
// priority class is the whole process's.
void SetThreadScheduling(ThreadId thread, const ThreadScheduling& scheduling);
// The process's own scheduling back to normal after a halt: Windows's priority class, which
// the computation's scheduling set; nothing on Linux, where only threads were changed.
void RestoreProcessScheduling();

// True when threads cannot be bound to a processor here.
bool CannotBindThreads();
// Binds the thread to the processor numbered from 0.
void BindThreadToProcessor(ThreadId thread, int processor);
// Lets the thread run on every processor the process may use.
void UnbindThread(ThreadId thread);

}  // namespace quorbit
