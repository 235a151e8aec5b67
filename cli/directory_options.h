// The working directory of the commands that work on a directory's files: -w DIR or
// --directory DIR, by default the program's own directory, or the user's data directory
// where the program may not write in its own (as for the desktop program).
#pragma once

#include <cstddef>

#include "cli/option_reader.h"

namespace quorbit {

inline constexpr CliOption DIRECTORY_OPTION = {"directory", 'w', "DIR", nullptr};

// Enters the directory given (a relative one taken from where the command was started), or
// the default one (default_directory.h) when null, saying on standard error when that is
// the user's data directory, and gives its full name. Prints what went wrong after
// "quorbit-cli COMMAND: " and returns false when it cannot be entered.
bool EnterCommandDirectory(const char* command, const char* given, char* directory, size_t size);

}  // namespace quorbit
