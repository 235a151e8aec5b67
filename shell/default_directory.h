// Where a program works when no directory option names one: its own directory, as the
// program has always done, unless it may not keep its files there. An installed program
// lives in a directory that its user cannot write (and that even root must not fill with
// a queue and results); it then works in the user's data directory instead.
#pragma once

#include <cstddef>
#include <limits.h>

namespace quorbit {

// Whether a program may keep its files in its own directory: the directory can be written
// (MayWriteIn), is not one of the system's directories of programs, such as /usr/bin or
// C:\Program Files (InSystemProgramFolder), and is
// not the bin folder of an installation (PREFIX/bin beside PREFIX/share/quorbit, as
// `cmake --install build --prefix ~/.local` leaves them), which the user may write but
// where a queue and results do not belong.
bool ProgramDirectoryUsable(const char* directory);

// The question above; tests put their own answer in its place, since a process running as
// root can write everywhere.
using DirectoryUsable = bool (*)(const char* directory);

// The per-user data directory: $XDG_DATA_HOME/quorbit, by default ~/.local/share/quorbit;
// %LOCALAPPDATA%\Quorbit on Windows. False when the system names none.
bool UserDataDirectory(char* out, size_t size);

struct DefaultDirectoryResult {
    bool entered;              // the process now works in the directory chosen
    bool userData;             // the program's own directory was not usable: the data directory was chosen
    bool created;              // ... and had to be created
    int error;                 // errno when the data directory could not be found, made or entered; else 0
    char programDirectory[PATH_MAX];  // the directory the program's executable is in
    char dataDirectory[PATH_MAX];     // the data directory (empty when there is none)
};

// Enters programDirectory when `usable` says so; otherwise the user's data directory,
// created with its missing parents (private to the user) when missing. When the data
// directory cannot be had, the program's own directory is entered after all (entered says
// whether that worked) and error says why.
DefaultDirectoryResult EnterDefaultDirectory(const char* programDirectory,
                                             DirectoryUsable usable = &ProgramDirectoryUsable);

// What the user is told when the data directory was chosen or could not be had, starting
// with a small letter and without a line end ("working in /home/ann/.local/share/quorbit,
// made now: ..."); false, out empty, when the program's own directory was used as usual.
// The console program says it only when the data directory was made or cannot be had
// (DefaultDirectoryWorthSaying), not at every command.
bool DescribeDefaultDirectory(const DefaultDirectoryResult& result, char* out, size_t size);
bool DefaultDirectoryWorthSaying(const DefaultDirectoryResult& result);

}  // namespace quorbit
