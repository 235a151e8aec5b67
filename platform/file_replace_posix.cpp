#include "platform/file_replace.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorbit {

namespace {

bool CopyText(char* out, size_t size, const char* text) {
    const int written = std::snprintf(out, size, "%s", text);
    return written >= 0 && static_cast<size_t>(written) < size;
}

}  // namespace

bool SyncDirectoryOf(const char* path) {
    char directory[PATH_MAX];
    if (!CopyText(directory, sizeof directory, path)) {
        errno = ENAMETOOLONG;
        return false;
    }
    char* slash = std::strrchr(directory, '/');
    if (slash == nullptr) {
        CopyText(directory, sizeof directory, ".");
    } else if (slash == directory) {
        slash[1] = '\0';
    } else {
        *slash = '\0';
    }
    const int fd = ::open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    // A read-only descriptor: closing it cannot lose anything written.
    (void)::close(fd);
    errno = error;
    return synced;
}

bool BeginReplacement(FileReplacement& r, const char* name) {
    ResetReplacement(r);
    struct stat link;
    const bool isLink = ::lstat(name, &link) == 0 && S_ISLNK(link.st_mode);
    if (!(isLink && ::realpath(name, r.target) != nullptr) && !CopyText(r.target, sizeof r.target, name)) {
        FailReplacement(r, ENAMETOOLONG);
        return false;
    }
    if (std::snprintf(r.temporary, sizeof r.temporary, "%s%s", r.target, REPLACEMENT_SUFFIX) >=
        static_cast<int>(sizeof r.temporary)) {
        FailReplacement(r, ENAMETOOLONG);
        return false;
    }
    // A stray temporary file from an earlier crash is removed rather than opened, so that a
    // link planted under that name cannot redirect the write.
    ::unlink(r.temporary);
    r.fd = ::open(r.temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (r.fd < 0) {
        FailReplacement(r, errno);
        return false;
    }
    struct stat old;
    if (::stat(r.target, &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(r.fd, old.st_mode & 07777);
    return true;
}

bool AppendLineToFile(const char* name, const char* bytes, size_t length, bool* openFailed) {
    if (openFailed != nullptr) *openFailed = false;
    struct stat before;
    const bool existed = ::stat(name, &before) == 0;
    int fd = ::open(name, O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    const bool lastByteKnown = fd >= 0;
    if (fd < 0 && errno != EISDIR) fd = ::open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        if (openFailed != nullptr) *openFailed = true;
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) info.st_size = 0;
    const off_t oldSize = info.st_size;
    const char* lineEnd = "";
    if (oldSize > 0 && S_ISREG(info.st_mode)) {
        char last = '\n';
        if (!lastByteKnown || ::pread(fd, &last, 1, oldSize - 1) != 1) last = '\0';
        // An unknown last byte costs at most a blank line, which readers skip.
        lineEnd = LineEndAfter(last);
    }
    const size_t endLength = std::strlen(lineEnd);
    bool ok = WriteAll(fd, lineEnd, endLength) && WriteAll(fd, bytes, length);
    if (ok && ::fsync(fd) != 0) ok = false;
    int error = ok ? 0 : errno;
    if (!ok && S_ISREG(info.st_mode)) {
        // Whatever part went in is taken out again, so that the file holds whole lines
        // only, unless something else has written to the file meanwhile.
        struct stat now;
        if (::fstat(fd, &now) == 0 && now.st_size > oldSize &&
            now.st_size <= oldSize + static_cast<off_t>(endLength + length) && ::ftruncate(fd, oldSize) == 0)
            (void)::fsync(fd);  // at best: the failure is reported whatever this does
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && !existed && !SyncDirectoryOf(name)) {
        ok = false;
        error = errno;
    }
    errno = error;
    return ok;
}

}  // namespace quorbit
