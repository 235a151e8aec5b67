// Choosing the working directory at start: the executable's own directory, then each
// directory option in turn. Every file of the program is opened relative to it.
#pragma once

#include <cstddef>
#include <limits.h>

#include "platform/folders.h"  // ExecutablePath, CurrentDirectory
#include "shell/default_directory.h"

namespace quorbit {

// Cuts a path just after its last folder separator, which stays ("/opt/q/quorbit" gives
// "/opt/q/", "C:\Q\quorbit.exe" gives "C:\Q\"); false, leaving it whole, when it has none.
bool CutAfterLastSlash(char* path);

// What happened while the working directory was chosen: the first directory that could
// not be entered, so that the front-end can say so (the program then works in whatever
// directory is current).
struct WorkingDirectoryReport {
    bool executableDirectoryEntered;
    DefaultDirectoryResult defaultDirectory;  // without directory options: where the program went
    int failures;                  // directory options that could not be entered
    char firstFailure[PATH_MAX];   // the first of them, as given
    int firstError;                // its errno
    bool tooLong;                  // a directory option longer than the limit was refused
    bool missingDirectory;         // a directory option came without a directory
};

// Enters the executable's directory (when withExecutableDirectory), then each directory
// option of the arguments in turn, each relative to the one before. Without any directory
// option, an executable's directory that `usable` refuses gives way to the user's data
// directory (default_directory.h). `consumed` as for ParseStartupArguments.
void ChooseWorkingDirectory(int argc, const char* const* argv, bool withExecutableDirectory,
                            WorkingDirectoryReport& report, int* consumed = nullptr,
                            DirectoryUsable usable = &ProgramDirectoryUsable);

}  // namespace quorbit
