// Folders and names in the file system: the working folder, the program's own path, and
// whether a folder may be written in. Failures leave the system's reason in errno.
#pragma once

#include <cstddef>

namespace quorbit {

// '/' between folders; on Windows '\\' too.
bool IsFolderSeparator(char c);

// What this program puts between a folder and a name, in paths it makes and in messages.
#ifdef _WIN32
inline constexpr char FOLDER_SEPARATOR = '\\';
#else
inline constexpr char FOLDER_SEPARATOR = '/';
#endif

// Makes the folder the working folder.
bool EnterFolder(const char* folder);
// The working folder's absolute path; false (out empty) when it cannot be had or does not fit.
bool CurrentDirectory(char* out, size_t size);
// The running executable's absolute path; false (out empty) when it cannot be had or does not fit.
bool ExecutablePath(char* out, size_t size);
// True when this process may make files in the folder.
bool MayWriteIn(const char* folder);
// True when the folder is in one of the system's trees of installed programs, which nothing
// writes to while it runs: /usr, /bin and /sbin; on Windows the Program Files folders and
// the Windows folder (Program Files may be writable, under Wine or to an administrator).
bool InSystemProgramFolder(const char* folder);
// True when the name exists, a link counting as itself whatever it points to.
bool EntryExists(const char* path);

}  // namespace quorbit
