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

// Gives the thread the idle policy (it runs only when nothing else wants the processor) or
// the ordinary one, with the nice value (0..19). What the system refuses stays as it was.
void SetThreadScheduling(ThreadId thread, bool idlePolicy, int nice);

// True when threads cannot be bound to a processor here.
bool CannotBindThreads();
// Binds the thread to the processor numbered from 0.
void BindThreadToProcessor(ThreadId thread, int processor);
// Lets the thread run on every processor the process may use.
void UnbindThread(ThreadId thread);

}  // namespace quorbit
