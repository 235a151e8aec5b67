// Files by name and by descriptor (an int; -1 for none). Every function that fails leaves
// the system's reason in errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorbit {

// Opens the file to read; -1 when it cannot be opened.
int OpenToRead(const char* name);
// The same without waiting for a writer when the name holds a FIFO.
int OpenToReadAtOnce(const char* name);
// Reads up to `size` bytes: the count, 0 at the end, -1 on an error (interruptions are retried).
long ReadSome(int fd, char* buffer, size_t size);
// The same from byte `offset` of the file, wherever reading stands.
long ReadSomeAt(int fd, char* buffer, size_t size, uint64_t offset);
// True when the open file is a regular file; false with errno set when it cannot be looked at.
bool OpenFileIsRegular(int fd, bool& regular);
// For a file only read: closing it cannot lose anything.
void CloseAfterReading(int fd);

// Opens (creating) the file to write records at the end of its first keepBytes bytes; the
// rest is cut off (with keepBytes 0, all of it). -1 when it cannot be opened or cut.
int OpenToWriteAfter(const char* name, uint64_t keepBytes);
// Writes all the bytes, going on after interrupted or partial writes.
bool WriteAll(int fd, const char* bytes, size_t length);
// Puts the file's data on disk.
bool SyncFileData(int fd);
// Puts the file's data and what the system keeps of it (its size, its mode) on disk.
bool SyncWholeFile(int fd);
// Closes a file that was written; false when the system reports a failure on closing.
bool CloseWritten(int fd);

// The whole file. False, with the reason in errno, when the file exists but cannot be read
// whole. A name that holds neither a regular file nor a folder (a device, a FIFO) is read as
// empty, with regular false: reading a device may never end.
bool ReadWholeFile(const char* name, std::vector<uint8_t>& bytes, bool& exists, bool& regular);
// The file from byte `offset` to its end; false when it cannot be opened.
bool ReadFileFrom(const char* name, uint64_t offset, std::string& text);

// Appends the bytes to the file (creating it), syncs it, and syncs its folder when the file
// was made, so that the new name lasts a power cut too.
bool AppendAndSync(const char* name, const char* bytes, size_t length);
// Puts the named file's written data on disk (errno ENOENT when there is no such file).
bool SyncNamedFile(const char* name);

// The file's size in bytes; false when it cannot be looked at.
bool FileSize(const char* name, uint64_t& size);
bool RemoveFile(const char* name);
// Gives the file a second name `to` and removes the first; never replaces an existing `to`
// (errno EEXIST).
bool RenameWithoutReplacing(const char* from, const char* to);
// Gives the file the name `to` in one step, in place of the file of that name if there is
// one: `to` names the old file or the new, never neither. On Windows the move is on disk
// when it returns.
bool RenameReplacing(const char* from, const char* to);

enum class PathKind { Missing, Regular, Folder, CharacterDevice, BlockDevice, Fifo, Socket, Other };
// What the path names, following links; false (errno set) when it cannot be looked at for
// a reason other than being missing.
bool KindOfPath(const char* path, PathKind& kind);

}  // namespace quorbit
