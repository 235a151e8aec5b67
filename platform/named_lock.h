// A lock that a name stands for across the system: Windows's named mutex. It exists while a
// process that made or opened it lives, so a crashed holder never blocks the next one.
// (On Linux the instance lock is a lock file instead: file_lock.h.)
#pragma once

namespace quorbit {

enum class NamedLockOutcome {
    Taken,   // handle holds the name
    Held,    // another holds it (another user's too, whose object this user may not open)
    Failed,  // the system refuses the name: error (an errno value) says why
};

// Makes the named object, or finds it made already by another: a second take in this
// process finds it held too.
NamedLockOutcome TakeNamedLock(const char* name, int& handle, int& error);
void ReleaseNamedLock(int handle);

}  // namespace quorbit
