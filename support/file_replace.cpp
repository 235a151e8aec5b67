#include "support/file_replace.h"

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

// The renamed entry only lasts a power cut once its directory has reached the disk too.
void SyncDirectoryOf(const char* path) {
    char directory[PATH_MAX];
    if (!CopyText(directory, sizeof directory, path)) return;
    char* slash = std::strrchr(directory, '/');
    if (slash == nullptr) {
        CopyText(directory, sizeof directory, ".");
    } else if (slash == directory) {
        slash[1] = '\0';
    } else {
        *slash = '\0';
    }
    const int fd = ::open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void Abandon(FileReplacement& r) {
    if (r.fd >= 0) ::close(r.fd);
    r.fd = -1;
    ::unlink(r.temporary);
}

void FlushBuffer(FileReplacement& r) {
    if (r.buffered > 0 && !r.failed && !WriteAll(r.fd, r.buffer, r.buffered)) r.failed = true;
    r.buffered = 0;
}

}  // namespace

bool BeginReplacement(FileReplacement& r, const char* name) {
    r.fd = -1;
    r.failed = false;
    r.buffered = 0;
    r.temporary[0] = '\0';
    struct stat link;
    const bool isLink = ::lstat(name, &link) == 0 && S_ISLNK(link.st_mode);
    if (!(isLink && ::realpath(name, r.target) != nullptr) && !CopyText(r.target, sizeof r.target, name))
        return false;
    if (std::snprintf(r.temporary, sizeof r.temporary, "%s%s", r.target, REPLACEMENT_SUFFIX) >=
        static_cast<int>(sizeof r.temporary))
        return false;
    // A stray temporary file from an earlier crash is removed rather than opened, so that a
    // link planted under that name cannot redirect the write.
    ::unlink(r.temporary);
    r.fd = ::open(r.temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (r.fd < 0) return false;
    struct stat old;
    if (::stat(r.target, &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(r.fd, old.st_mode & 07777);
    return true;
}

void ReplacementWrite(FileReplacement& r, const char* bytes, size_t length) {
    if (r.fd < 0 || r.failed) return;
    while (length > 0) {
        if (r.buffered == sizeof r.buffer) FlushBuffer(r);
        const size_t room = sizeof r.buffer - r.buffered;
        const size_t step = length < room ? length : room;
        std::memcpy(r.buffer + r.buffered, bytes, step);
        r.buffered += step;
        bytes += step;
        length -= step;
    }
}

bool CommitReplacement(FileReplacement& r) {
    if (r.fd < 0) return false;
    FlushBuffer(r);
    if (r.failed || ::fsync(r.fd) != 0) {
        Abandon(r);
        return false;
    }
    const int closed = ::close(r.fd);
    r.fd = -1;
    if (closed != 0 || ::rename(r.temporary, r.target) != 0) {
        ::unlink(r.temporary);
        return false;
    }
    SyncDirectoryOf(r.target);
    return true;
}

bool AppendLineToFile(const char* name, const char* bytes, size_t length) {
    int fd = ::open(name, O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    bool lastByteKnown = fd >= 0;
    if (fd < 0) fd = ::open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return false;
    struct stat info;
    const char* lineEnd = "";
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        char last = '\n';
        if (!lastByteKnown || ::pread(fd, &last, 1, info.st_size - 1) != 1) last = '\0';
        // An unknown last byte costs at most a blank line, which readers skip.
        lineEnd = LineEndAfter(last);
    }
    bool ok = WriteAll(fd, lineEnd, std::strlen(lineEnd)) && WriteAll(fd, bytes, length);
    ok = ::fsync(fd) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

const char* LineEndAfter(char last) { return last == '\n' ? "" : last == '\r' ? "\n" : "\r\n"; }

bool WriteAll(int fd, const char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace quorbit
