#include "instance/instance_lock.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "platform/file_lock.h"
#include "support/path_hash.h"

namespace quorbit {

namespace {

// A folder of ours that no one else may enter; created when missing.
bool PrivateFolder(const char* folder, char* error, size_t errorSize) {
    if (!MakeFolderIfMissing(folder)) {
        std::snprintf(error, errorSize, "cannot create the runtime folder %s: %s", folder, std::strerror(errno));
        return false;
    }
    switch (OwnerOfFolder(folder)) {
        case FolderOwner::NotAFolder:
            std::snprintf(error, errorSize, "the runtime folder %s is not a folder", folder);
            return false;
        case FolderOwner::NotPrivate:
            std::snprintf(error, errorSize, "the runtime folder %s is not private to this user", folder);
            return false;
        case FolderOwner::Private:
            break;
    }
    return true;
}

bool Fits(int written, size_t size) { return written > 0 && static_cast<size_t>(written) < size; }

}  // namespace

bool ChooseRuntimeFolder(const char* runtimeDir, const char* tmpDir, const char* home, char* out, size_t size,
                         char* error, size_t errorSize) {
    if (runtimeDir != nullptr && runtimeDir[0] == '/') {
        if (Fits(std::snprintf(out, size, "%s/quorbit", runtimeDir), size) && PrivateFolder(out, error, errorSize))
            return true;
        // A runtime folder that is missing or someone else's (after su, say): the folders
        // below serve; the lock on the working directory itself still keeps two instances
        // with different runtime folders apart.
    }
    if (Fits(std::snprintf(out, size, "%s/quorbit-%llu", tmpDir, UserNumber()), size) &&
        PrivateFolder(out, error, errorSize))
        return true;
    // Another user made that name first (anyone may create names in /tmp), or it is open
    // to others: the user's own home holds a private folder no one else can take.
    char refused[320];
    std::snprintf(refused, sizeof refused, "%s", error);
    char cache[PATH_MAX];
    if (home == nullptr || home[0] != '/' || !Fits(std::snprintf(cache, sizeof cache, "%s/.cache", home), sizeof cache) ||
        !Fits(std::snprintf(out, size, "%s/quorbit-runtime", cache), size)) {
        std::snprintf(error, errorSize, "%s, and there is no home folder to use instead", refused);
        return false;
    }
    if (!MakeFolderIfMissing(cache)) {
        std::snprintf(error, errorSize, "%s, and %s cannot be made: %s", refused, cache, std::strerror(errno));
        return false;
    }
    if (PrivateFolder(out, error, errorSize)) return true;
    std::snprintf(refused + std::strlen(refused), sizeof refused - std::strlen(refused), "; %s", error);
    std::snprintf(error, errorSize, "%s", refused);
    return false;
}

bool InstanceRuntimeFolder(char* out, size_t size, char* error, size_t errorSize) {
    return ChooseRuntimeFolder(std::getenv("XDG_RUNTIME_DIR"), TemporaryFolder(), UserHomeFolder(), out, size, error,
                               errorSize);
}

bool FindInstancePaths(const char* instanceName, const char* directory, InstancePaths& paths, char* error,
                       size_t errorSize) {
    char folder[PATH_MAX];
    if (!InstanceRuntimeFolder(folder, sizeof folder, error, errorSize)) return false;
    const uint64_t hash = PathHash(directory);
    if (!Fits(std::snprintf(paths.lockPath, sizeof paths.lockPath, "%s/%s %016" PRIx64 ".lock", folder, instanceName,
                            hash),
              sizeof paths.lockPath) ||
        !Fits(std::snprintf(paths.socketPath, sizeof paths.socketPath, "%s/%s %016" PRIx64 ".sock", folder,
                            instanceName, hash),
              sizeof paths.socketPath)) {
        std::snprintf(error, errorSize, "the runtime folder's path %s is too long for a socket", folder);
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
    int fd = -1;
    int error = 0;
    switch (TakeFileLock(lock.paths.lockPath, fd, error)) {
        case FileLockOutcome::Taken:
            break;
        case FileLockOutcome::Held:
            result.outcome = InstanceLockOutcome::HeldByOther;
            result.holder = RecordedLockHolder(lock.paths.lockPath);
            return result;
        case FileLockOutcome::CannotOpen:
            result.outcome = InstanceLockOutcome::Failed;
            std::snprintf(result.error, sizeof result.error, "cannot open %s: %s", lock.paths.lockPath, std::strerror(error));
            return result;
        case FileLockOutcome::CannotLock:
            result.outcome = InstanceLockOutcome::Failed;
            std::snprintf(result.error, sizeof result.error, "cannot lock %s: %s", lock.paths.lockPath,
                          std::strerror(error));
            return result;
    }
    // The directory itself too, so that an instance of another user (whose runtime folder
    // differs) is seen. Where the file system cannot lock a directory, the lock above stands.
    bool held = false;
    lock.directoryFd = LockFolder(directory, held);
    if (held) {
        ReleaseFileLock(fd);
        result.outcome = InstanceLockOutcome::HeldByOther;
        return result;
    }
    RecordLockHolder(fd);
    lock.lockFd = fd;
    result.outcome = InstanceLockOutcome::Acquired;
    return result;
}

void ReleaseInstanceLock(InstanceLock& lock) {
    ReleaseFolderLock(lock.directoryFd);
    ReleaseFileLock(lock.lockFd);
    lock.directoryFd = -1;
    lock.lockFd = -1;
}

}  // namespace quorbit
