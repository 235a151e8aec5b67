#include "platform/threads.h"

#include <cerrno>
#include <process.h>

#include "platform/windows_text.h"

namespace quorbit {

namespace {

struct ThreadStart {
    void* (*body)(void*);
    void* argument;
};

unsigned __stdcall ThreadEntry(void* start) {
    const ThreadStart copy = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    copy.body(copy.argument);
    return 0;
}

// A handle to a thread of this process, or null.
HANDLE OpenOwnThread(ThreadId thread, DWORD access) {
    HANDLE handle = ::OpenThread(access | THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread);
    if (handle == nullptr) return nullptr;
    if (::GetProcessIdOfThread(handle) != ::GetCurrentProcessId()) {
        ::CloseHandle(handle);
        return nullptr;
    }
    return handle;
}

}  // namespace

int StartThread(ThreadHandle* thread, void* (*body)(void*), void* argument) {
    auto* start = new ThreadStart{body, argument};
    // The C runtime's own start, so that its per-thread state is set up and released.
    const uintptr_t handle = ::_beginthreadex(nullptr, 0, &ThreadEntry, start, 0, nullptr);
    if (handle == 0) {
        const int error = errno != 0 ? errno : EAGAIN;
        delete start;
        return error;
    }
    *thread = reinterpret_cast<ThreadHandle>(handle);
    return 0;
}

void JoinThread(ThreadHandle thread) {
    ::WaitForSingleObject(static_cast<HANDLE>(thread), INFINITE);
    ::CloseHandle(static_cast<HANDLE>(thread));
}

ThreadId CurrentThreadId() { return ::GetCurrentThreadId(); }

bool IsThreadOfThisProcess(ThreadId thread) {
    if (thread == 0) return false;
    HANDLE handle = OpenOwnThread(thread, 0);
    if (handle == nullptr) return false;
    DWORD code = 0;
    const bool running = ::GetExitCodeThread(handle, &code) && code == STILL_ACTIVE;
    ::CloseHandle(handle);
    return running;
}

void SetThreadScheduling(ThreadId thread, const ThreadScheduling& scheduling) {
    HANDLE handle = OpenOwnThread(thread, THREAD_SET_INFORMATION);
    if (handle == nullptr) return;
    ::SetPriorityClass(::GetCurrentProcess(), scheduling.idleClass ? IDLE_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS);
    ::SetThreadPriority(handle, scheduling.threadPriority);
    ::CloseHandle(handle);
}

void RestoreProcessScheduling() { ::SetPriorityClass(::GetCurrentProcess(), NORMAL_PRIORITY_CLASS); }

// Every 64-bit Windows can bind threads (only the 95/98/Me family could not).
bool CannotBindThreads() { return false; }

void BindThreadToProcessor(ThreadId thread, int processor) {
    if (processor < 0 || processor >= 64) return;
    HANDLE handle = OpenOwnThread(thread, THREAD_SET_INFORMATION | THREAD_QUERY_INFORMATION);
    if (handle == nullptr) return;
    ::SetThreadAffinityMask(handle, static_cast<DWORD_PTR>(1) << processor);
    ::CloseHandle(handle);
}

void UnbindThread(ThreadId thread) {
    DWORD_PTR process = 0, system = 0;
    if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) return;
    HANDLE handle = OpenOwnThread(thread, THREAD_SET_INFORMATION | THREAD_QUERY_INFORMATION);
    if (handle == nullptr) return;
    ::SetThreadAffinityMask(handle, process);
    ::CloseHandle(handle);
}

}  // namespace quorbit
