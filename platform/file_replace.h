// Writing a file so that a crash or a full disk never leaves it half written: the new
// content goes to a temporary file next to it, reaches the disk, and then takes the old
// file's place in one rename. Until that rename the old file stays exactly as it was.
#pragma once

#include <cstddef>
#include <limits.h>

#include "platform/files.h"

namespace quorbit {

// The temporary file is the target's name followed by this; a stray one left by a crash is
// simply written over by the next replacement.
inline constexpr const char* REPLACEMENT_SUFFIX = ".tmp";

struct FileReplacement {
    int fd;            // -1 once finished or when it could not start
    bool failed;       // a write failed: the replacement will be abandoned
    int error;         // the errno of the first failure (0: none); errno is also left so
    char target[PATH_MAX];
    char temporary[PATH_MAX];
    char buffer[16384];
    size_t buffered;
};

// Starts replacing the file `name`. A symbolic link is followed, so the file it points to
// is replaced and the link stays. Returns false when the temporary file cannot be made,
// with the reason in `error` and errno.
bool BeginReplacement(FileReplacement& r, const char* name);
void ReplacementWrite(FileReplacement& r, const char* bytes, size_t length);
// Flushes, syncs, renames and syncs the directory. On any failure before the rename the
// temporary file is removed and the old file is untouched; the result is false, with the
// system's reason in `error` and errno. True only once the new file is on disk.
bool CommitReplacement(FileReplacement& r);

// For the systems' BeginReplacement (file_replace_posix.cpp, file_replace_windows.cpp; the
// rest is the same on both, in file_replace.cpp): a replacement with no file, no failure and
// nothing buffered yet; and the failure of one, whose first reason (EIO for none) stays in
// `error` and is left in errno.
void ResetReplacement(FileReplacement& r);
void FailReplacement(FileReplacement& r, int error);

// Appends bytes to the end of `name`, creating it if missing, ending the file's last line
// first when it is unfinished (LineEndAfter), and syncs it. Returns true only when every
// byte was written and synced; otherwise false with errno set, and the file cut back to
// its old length where that is possible, so that no partial line stays.
// When `openFailed` is given it tells whether the failure was that the file could not be
// opened (nothing was written).
bool AppendLineToFile(const char* name, const char* bytes, size_t length, bool* openFailed = nullptr);

// Syncs the directory that holds `path`, so that an entry made or renamed there lasts a
// power cut. False, with errno set, when the directory cannot be synced; a file system
// that cannot sync directories at all (EINVAL) counts as done.
bool SyncDirectoryOf(const char* path);

// What completes a line whose last byte is `last`: nothing after LF, LF after a bare CR
// (which readers already drop at the end of a file), CR LF after anything else.
inline const char* LineEndAfter(char last) { return last == '\n' ? "" : last == '\r' ? "\n" : "\r\n"; }

}  // namespace quorbit
