#include "platform/file_lock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorbit {

unsigned long long UserNumber() { return static_cast<unsigned long long>(::geteuid()); }

const char* UserHomeFolder() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* entry = ::getpwuid(::geteuid());
        home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    return home;
}

const char* TemporaryFolder() { return "/tmp"; }

bool MakeFolderIfMissing(const char* folder) { return ::mkdir(folder, 0700) == 0 || errno == EEXIST; }

FolderOwner OwnerOfFolder(const char* folder) {
    struct stat info;
    if (::lstat(folder, &info) != 0 || !S_ISDIR(info.st_mode)) return FolderOwner::NotAFolder;
    if (info.st_uid != ::geteuid() || (info.st_mode & 077) != 0) return FolderOwner::NotPrivate;
    return FolderOwner::Private;
}

FileLockOutcome TakeFileLock(const char* path, int& fd, int& error) {
    fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = errno;
        return FileLockOutcome::CannotOpen;
    }
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    // Locks of the open file: they conflict within one process as well as between processes.
    if (::fcntl(fd, F_OFD_SETLK, &whole) == 0) return FileLockOutcome::Taken;
    error = errno;
    ::close(fd);
    fd = -1;
    return error == EAGAIN || error == EACCES ? FileLockOutcome::Held : FileLockOutcome::CannotLock;
}

void RecordLockHolder(int fd) {
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%ld\n", static_cast<long>(::getpid()));
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, text, static_cast<size_t>(length), 0) != length) {
        // The lock holds all the same; only the next taker cannot name this process.
    }
}

long RecordedLockHolder(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return 0;
    char text[32] = {};
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0) return 0;
    const long pid = std::strtol(text, nullptr, 10);
    return pid > 0 ? pid : 0;
}

void ReleaseFileLock(int fd) {
    if (fd < 0) return;
    if (::ftruncate(fd, 0) != 0) {
        // A stale id only names a process that is gone; the lock itself ends with the close.
    }
    ::close(fd);
}

int LockFolder(const char* folder, bool& held) {
    held = false;
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    held = errno == EWOULDBLOCK;
    ::close(fd);
    return -1;
}

void ReleaseFolderLock(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace quorbit
