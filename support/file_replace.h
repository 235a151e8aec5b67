// Writing a file so that a crash or a full disk never leaves it half written: the new
// content goes to a temporary file next to it, reaches the disk, and then takes the old
// file's place in one rename. Until that rename the old file stays exactly as it was.
#pragma once

#include <cstddef>
#include <limits.h>

namespace quorbit {

// The temporary file is the target's name followed by this; a stray one left by a crash is
// simply written over by the next replacement.
inline constexpr const char* REPLACEMENT_SUFFIX = ".tmp";

struct FileReplacement {
    int fd;            // -1 once finished or when it could not start
    bool failed;       // a write failed: the replacement will be abandoned
    char target[PATH_MAX];
    char temporary[PATH_MAX];
    char buffer[16384];
    size_t buffered;
};

// Starts replacing the file `name`. A symbolic link is followed, so the file it points to
// is replaced and the link stays. Returns false when the temporary file cannot be made.
bool BeginReplacement(FileReplacement& r, const char* name);
void ReplacementWrite(FileReplacement& r, const char* bytes, size_t length);
// Flushes, syncs and renames. On any failure the temporary file is removed, the old file
// is untouched, and the result is false.
bool CommitReplacement(FileReplacement& r);

// Appends bytes to the end of `name`, creating it if missing, ending the file's last line
// first when it is unfinished (LineEndAfter). Returns false when nothing could be written.
bool AppendLineToFile(const char* name, const char* bytes, size_t length);

// What completes a line whose last byte is `last`: nothing after LF, LF after a bare CR
// (which readers already drop at the end of a file), CR LF after anything else.
const char* LineEndAfter(char last);

// Writes all the bytes to the descriptor, going on after interrupted or partial writes.
bool WriteAll(int fd, const char* bytes, size_t length);

}  // namespace quorbit
