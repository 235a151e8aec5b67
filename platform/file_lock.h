// Locks held by this process on a file or a folder: the system's own, so they end with the
// process that holds them, and a crashed holder never blocks the next one. Also the user's
// private folders they live in.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

// This user's number (the effective user id) and home folder (null when there is none).
unsigned long long UserNumber();
const char* UserHomeFolder();
// The system's folder for temporary files.
const char* TemporaryFolder();

// Makes the folder, closed to others; true when it was made or already exists (errno set
// otherwise).
bool MakeFolderIfMissing(const char* folder);
enum class FolderOwner {
    NotAFolder,    // missing, a link, or something else than a folder
    NotPrivate,    // another user's, or open to others
    Private,       // this user's alone
};
FolderOwner OwnerOfFolder(const char* folder);

enum class FileLockOutcome {
    Taken,       // fd holds the lock
    Held,        // another holds it
    CannotOpen,  // the file cannot be made or opened: error says why
    CannotLock,  // the system refuses the lock: error says why
};
// Opens (making it, private to the user; a link is refused) and locks the whole file
// without waiting. A lock of the open file: it conflicts within one process too.
FileLockOutcome TakeFileLock(const char* path, int& fd, int& error);
// Writes this process's id in the locked file, for the next taker to name.
void RecordLockHolder(int fd);
// The process id recorded in the lock file, or 0.
long RecordedLockHolder(const char* path);
// Empties the file (a stale id only names a process that is gone) and lets the lock go.
void ReleaseFileLock(int fd);

// Locks the folder itself without waiting: its descriptor, or -1. `held` tells that another
// holds it; -1 with `held` false means the file system cannot lock a folder.
int LockFolder(const char* folder, bool& held);
void ReleaseFolderLock(int fd);

}  // namespace quorbit
