// One instance per working directory. On Linux the instance holds a lock file named after
// its instance name in the user's runtime folder, and listens on a local socket beside it
// (see instance_channel.h); on Windows it holds the named mutex of its instance name and
// listens on a named pipe (instance_lock_windows.cpp). A second start finds the lock held
// and talks to the first through the channel. The locks are the kernel's: they end with the
// process that holds them, so a crashed or killed instance never blocks the next start.
#pragma once

#include <cstddef>
#include <limits.h>

#include "platform/local_channel.h"

namespace quorbit {

// Where one directory's instance keeps its lock and socket (the mutex's and the pipe's
// names on Windows).
struct InstancePaths {
    char lockPath[PATH_MAX];
    char socketPath[LOCAL_CHANNEL_NAME_SIZE];
};

// Linux only. The runtime folder: the first of "$XDG_RUNTIME_DIR/quorbit" (when XDG_RUNTIME_DIR is an
// absolute path), "/tmp/quorbit-UID" and "$HOME/.cache/quorbit-runtime" that is, or can be
// made, a folder of this user's closed to others (created with mode 0700 when missing). A
// name someone else took first, or one open to others, is passed over. False, with the
// reasons in error, when none serves.
bool InstanceRuntimeFolder(char* out, size_t size, char* error, size_t errorSize);
// The same choice with the three places given (tmpDir in place of "/tmp").
bool ChooseRuntimeFolder(const char* runtimeDir, const char* tmpDir, const char* home, char* out, size_t size,
                         char* error, size_t errorSize);

// The lock and socket names: the instance name (e.g. "TRI 347562") and a 64-bit hash of the
// directory, so that two directories whose instance names happen to be equal never share
// them. False, with the reason in error, when the folder is refused or a path is too long.
bool FindInstancePaths(const char* instanceName, const char* directory, InstancePaths& paths, char* error,
                       size_t errorSize);

struct InstanceLock {
    int lockFd;        // the held lock file (the mutex's handle on Windows); -1 when nothing is held
    int directoryFd;   // the working directory, locked too (against instances of other users); -1 on Windows
    InstancePaths paths;
};

enum class InstanceLockOutcome {
    Acquired,     // this process now holds the directory
    HeldByOther,  // another instance holds it: `holder` names it when known
    Failed,       // no lock could be made: `error` says why
};

struct InstanceLockResult {
    InstanceLockOutcome outcome;
    long holder;       // HeldByOther: the holder's process id, or 0 when not known (another user's)
    char error[320];   // Failed: the reason
};

// Takes the directory's instance lock without waiting, and records this process's id in
// the lock file for the next start to name.
InstanceLockResult AcquireInstanceLock(const char* instanceName, const char* directory, InstanceLock& lock);

// Lets the lock go (the socket is the server's to remove). Safe on a lock not held.
void ReleaseInstanceLock(InstanceLock& lock);

}  // namespace quorbit
