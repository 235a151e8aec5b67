#include "platform/file_replace.h"

#include <cerrno>
#include <cstring>

// What a replacement does the same way on every system, with the system's calls of
// platform/files.h: its buffer, and the commit's order (flush, sync, close, rename, sync the
// directory). Opening the temporary file and appending are the systems' own
// (file_replace_posix.cpp, file_replace_windows.cpp).

namespace quorbit {

namespace {

void Abandon(FileReplacement& r) {
    const int error = errno;
    // The temporary file is given up whatever closing says about it.
    if (r.fd >= 0) (void)CloseWritten(r.fd);
    r.fd = -1;
    RemoveFile(r.temporary);
    errno = error;
}

void FlushBuffer(FileReplacement& r) {
    if (r.buffered > 0 && !r.failed && !WriteAll(r.fd, r.buffer, r.buffered)) FailReplacement(r, errno);
    r.buffered = 0;
}

}  // namespace

void ResetReplacement(FileReplacement& r) {
    r.fd = -1;
    r.failed = false;
    r.error = 0;
    r.buffered = 0;
    r.temporary[0] = '\0';
}

// Remembers the first failure's reason and leaves errno at it.
void FailReplacement(FileReplacement& r, int error) {
    if (r.error == 0) r.error = error != 0 ? error : EIO;
    r.failed = true;
    errno = r.error;
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
    if (r.fd < 0) {
        if (r.error == 0) r.error = EBADF;
        errno = r.error;
        return false;
    }
    FlushBuffer(r);
    if (!r.failed && !SyncWholeFile(r.fd)) FailReplacement(r, errno);
    if (r.failed) {
        Abandon(r);
        return false;
    }
    const bool closed = CloseWritten(r.fd);
    r.fd = -1;
    if (!closed || !RenameReplacing(r.temporary, r.target)) {
        FailReplacement(r, errno);
        RemoveFile(r.temporary);
        errno = r.error;
        return false;
    }
    // Renamed: the new content is in place, but only lasts a power cut once the directory
    // has reached the disk too (on Windows the rename has: there is nothing more to sync).
    if (!SyncDirectoryOf(r.target)) {
        FailReplacement(r, errno);
        return false;
    }
    return true;
}

}  // namespace quorbit
