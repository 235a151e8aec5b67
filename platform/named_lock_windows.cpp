#include "platform/named_lock.h"

#include "platform/windows_text.h"

namespace quorbit {

NamedLockOutcome TakeNamedLock(const char* name, int& handle, int& error) {
    handle = -1;
    error = 0;
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, Widen(name).c_str());
    const DWORD status = ::GetLastError();
    if (mutex != nullptr && status == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return NamedLockOutcome::Held;
    }
    if (mutex == nullptr) {
        // Another user's object of that name, which this user may not open.
        if (status == ERROR_ACCESS_DENIED) return NamedLockOutcome::Held;
        error = ErrnoOfWindowsError(status);
        return NamedLockOutcome::Failed;
    }
    handle = FdOf(mutex);
    return NamedLockOutcome::Taken;
}

void ReleaseNamedLock(int handle) {
    if (handle >= 0) ::CloseHandle(HandleOf(handle));
}

}  // namespace quorbit
