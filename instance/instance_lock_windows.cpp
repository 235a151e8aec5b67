#include "instance/instance_lock.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/named_lock.h"
#include "support/path_hash.h"

// On Windows the instance is the named mutex "TRI %ld" of the directory's key, made in the
// machine's global namespace so that an instance of another session or user in the same
// directory is seen too, and its channel a named pipe of the same name. The directory's
// 64-bit hash follows the key in both names, so that two directories whose keys happen to
// be equal never share them.

namespace quorbit {

namespace {

bool Fits(int written, size_t size) { return written > 0 && static_cast<size_t>(written) < size; }

}  // namespace

bool FindInstancePaths(const char* instanceName, const char* directory, InstancePaths& paths, char* error,
                       size_t errorSize) {
    const uint64_t hash = PathHash(directory);
    if (!Fits(std::snprintf(paths.lockPath, sizeof paths.lockPath, "Global\\%s %016" PRIx64, instanceName, hash),
              sizeof paths.lockPath) ||
        !Fits(std::snprintf(paths.socketPath, sizeof paths.socketPath, "\\\\.\\pipe\\%s %016" PRIx64, instanceName,
                            hash),
              sizeof paths.socketPath)) {
        std::snprintf(error, errorSize, "the instance name %s is too long", instanceName);
        return false;
    }
    return true;
}

InstanceLockResult AcquireInstanceLock(const char* instanceName, const char* directory, InstanceLock& lock) {
    InstanceLockResult result{};
    lock.lockFd = -1;
    lock.directoryFd = -1;
    if (!FindInstancePaths(instanceName, directory, lock.paths, result.error, sizeof result.error)) {
        result.outcome = InstanceLockOutcome::Failed;
        return result;
    }
    int handle = -1;
    int error = 0;
    switch (TakeNamedLock(lock.paths.lockPath, handle, error)) {
        case NamedLockOutcome::Taken:
            lock.lockFd = handle;
            result.outcome = InstanceLockOutcome::Acquired;
            return result;
        case NamedLockOutcome::Held:
            // A mutex names no holder: the process that serves its channel does (0 when
            // it does not listen, or is another user's).
            result.outcome = InstanceLockOutcome::HeldByOther;
            result.holder = LocalChannelServerProcess(lock.paths.socketPath);
            return result;
        case NamedLockOutcome::Failed:
            break;
    }
    result.outcome = InstanceLockOutcome::Failed;
    std::snprintf(result.error, sizeof result.error, "cannot make the mutex %s: %s", lock.paths.lockPath,
                  std::strerror(error));
    return result;
}

void ReleaseInstanceLock(InstanceLock& lock) {
    ReleaseNamedLock(lock.lockFd);
    lock.lockFd = -1;
    lock.directoryFd = -1;
}

}  // namespace quorbit
