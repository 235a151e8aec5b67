#include "instance/instance_lock.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/path_hash.h"

namespace quorbit {

namespace {

// A folder of ours that no one else may enter; created when missing.
bool PrivateFolder(const char* folder, char* error, size_t errorSize) {
    if (::mkdir(folder, 0700) != 0 && errno != EEXIST) {
        std::snprintf(error, errorSize, "cannot create the runtime folder %s: %s", folder, std::strerror(errno));
        return false;
    }
    struct stat info;
    if (::lstat(folder, &info) != 0 || !S_ISDIR(info.st_mode)) {
        std::snprintf(error, errorSize, "the runtime folder %s is not a folder", folder);
        return false;
    }
    if (info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) {
        std::snprintf(error, errorSize, "the runtime folder %s is not private to this user", folder);
        return false;
    }
    return true;
}

bool Fits(int written, size_t size) { return written > 0 && static_cast<size_t>(written) < size; }

// The id written in a held lock file, or 0.
pid_t RecordedHolder(const char* lockPath) {
    const int fd = ::open(lockPath, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return 0;
    char text[32] = {};
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0) return 0;
    const long pid = std::strtol(text, nullptr, 10);
    return pid > 0 ? static_cast<pid_t>(pid) : 0;
}

bool LockWholeFile(int fd) {
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    // Locks of the open file: they conflict within one process as well as between processes.
    return ::fcntl(fd, F_OFD_SETLK, &whole) == 0;
}

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
    if (Fits(std::snprintf(out, size, "%s/quorbit-%ju", tmpDir, static_cast<uintmax_t>(::geteuid())), size) &&
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
    if (::mkdir(cache, 0700) != 0 && errno != EEXIST) {
        std::snprintf(error, errorSize, "%s, and %s cannot be made: %s", refused, cache, std::strerror(errno));
        return false;
    }
    if (PrivateFolder(out, error, errorSize)) return true;
    std::snprintf(refused + std::strlen(refused), sizeof refused - std::strlen(refused), "; %s", error);
    std::snprintf(error, errorSize, "%s", refused);
    return false;
}

bool InstanceRuntimeFolder(char* out, size_t size, char* error, size_t errorSize) {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* entry = ::getpwuid(::geteuid());
        home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    return ChooseRuntimeFolder(std::getenv("XDG_RUNTIME_DIR"), "/tmp", home, out, size, error, errorSize);
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
    const int fd = ::open(lock.paths.lockPath, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        result.outcome = InstanceLockOutcome::Failed;
        std::snprintf(result.error, sizeof result.error, "cannot open %s: %s", lock.paths.lockPath, std::strerror(errno));
        return result;
    }
    if (!LockWholeFile(fd)) {
        const int error = errno;
        ::close(fd);
        if (error == EAGAIN || error == EACCES) {
            result.outcome = InstanceLockOutcome::HeldByOther;
            result.holder = RecordedHolder(lock.paths.lockPath);
        } else {
            result.outcome = InstanceLockOutcome::Failed;
            std::snprintf(result.error, sizeof result.error, "cannot lock %s: %s", lock.paths.lockPath,
                          std::strerror(error));
        }
        return result;
    }
    // The directory itself too, so that an instance of another user (whose runtime folder
    // differs) is seen. Where the file system cannot lock a directory, the lock above stands.
    const int directoryFd = ::open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd >= 0 && ::flock(directoryFd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(directoryFd);
        if (error == EWOULDBLOCK) {
            ::close(fd);
            result.outcome = InstanceLockOutcome::HeldByOther;
            return result;
        }
    } else if (directoryFd >= 0) {
        lock.directoryFd = directoryFd;
    }
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%ld\n", static_cast<long>(::getpid()));
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, text, static_cast<size_t>(length), 0) != length) {
        // The lock holds all the same; only the next start cannot name this process.
    }
    lock.lockFd = fd;
    result.outcome = InstanceLockOutcome::Acquired;
    return result;
}

void ReleaseInstanceLock(InstanceLock& lock) {
    if (lock.directoryFd >= 0) ::close(lock.directoryFd);
    if (lock.lockFd >= 0) {
        if (::ftruncate(lock.lockFd, 0) != 0) {
            // A stale id only names a process that is gone; the lock itself ends with the close.
        }
        ::close(lock.lockFd);
    }
    lock.directoryFd = -1;
    lock.lockFd = -1;
}

}  // namespace quorbit
