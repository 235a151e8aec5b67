#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_replace.h"

namespace quorbit {

int OpenToRead(const char* name) { return ::open(name, O_RDONLY | O_CLOEXEC); }

int OpenToReadAtOnce(const char* name) { return ::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

long ReadSome(int fd, char* buffer, size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0 || errno != EINTR) return static_cast<long>(got);
    }
}

long ReadSomeAt(int fd, char* buffer, size_t size, uint64_t offset) {
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, size, static_cast<off_t>(offset));
        if (got >= 0 || errno != EINTR) return static_cast<long>(got);
    }
}

bool OpenFileIsRegular(int fd, bool& regular) {
    struct stat info;
    if (::fstat(fd, &info) != 0) return false;
    regular = S_ISREG(info.st_mode);
    return true;
}

void CloseAfterReading(int fd) { (void)::close(fd); }

int OpenToWriteAfter(const char* name, uint64_t keepBytes) {
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_CLOEXEC | (keepBytes == 0 ? O_TRUNC : 0), 0666);
    if (fd < 0 || keepBytes == 0) return fd;
    if (::ftruncate(fd, static_cast<off_t>(keepBytes)) != 0 || ::lseek(fd, static_cast<off_t>(keepBytes), SEEK_SET) < 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

bool WriteAll(int fd, const char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

bool SyncFileData(int fd) { return ::fdatasync(fd) == 0; }

bool SyncWholeFile(int fd) { return ::fsync(fd) == 0; }

bool CloseWritten(int fd) { return ::close(fd) == 0; }

bool ReadWholeFile(const char* name, std::vector<uint8_t>& bytes, bool& exists, bool& regular) {
    exists = false;
    regular = true;
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT;
    exists = true;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode)) {
        ::close(fd);
        regular = false;
        return true;
    }
    uint8_t buffer[65536];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
        if (got > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    const int error = errno;
    ::close(fd);
    errno = error;
    return got == 0;
}

bool ReadFileFrom(const char* name, uint64_t offset, std::string& text) {
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[65536];
    long got;
    while ((got = ReadSomeAt(fd, buffer, sizeof buffer, offset)) > 0) {
        text.append(buffer, static_cast<size_t>(got));
        offset += static_cast<uint64_t>(got);
    }
    (void)::close(fd);
    return true;
}

bool AppendAndSync(const char* name, const char* bytes, size_t length) {
    struct stat before;
    const bool created = ::stat(name, &before) != 0;
    const int fd = ::open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    if (!WriteAll(fd, bytes, length) || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    if (::close(fd) != 0) return false;
    return !created || SyncDirectoryOf(name);
}

bool SyncNamedFile(const char* name) {
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

bool FileSize(const char* name, uint64_t& size) {
    struct stat status {};
    if (::stat(name, &status) != 0) return false;
    size = static_cast<uint64_t>(status.st_size);
    return true;
}

bool RemoveFile(const char* name) { return ::unlink(name) == 0; }

bool RenameWithoutReplacing(const char* from, const char* to) {
    // A hard link never replaces an existing name; the original goes only once it is linked.
    return ::link(from, to) == 0 && ::unlink(from) == 0;
}

bool RenameReplacing(const char* from, const char* to) { return ::rename(from, to) == 0; }

bool KindOfPath(const char* path, PathKind& kind) {
    struct stat info;
    if (::stat(path, &info) != 0) {
        kind = PathKind::Missing;
        return errno == ENOENT;
    }
    const mode_t mode = info.st_mode;
    kind = S_ISREG(mode)    ? PathKind::Regular
           : S_ISDIR(mode)  ? PathKind::Folder
           : S_ISCHR(mode)  ? PathKind::CharacterDevice
           : S_ISBLK(mode)  ? PathKind::BlockDevice
           : S_ISFIFO(mode) ? PathKind::Fifo
           : S_ISSOCK(mode) ? PathKind::Socket
                            : PathKind::Other;
    return true;
}

}  // namespace quorbit
