// The program's command-line options: /W or -w followed by a directory makes it the
// working directory. Both the Windows-style single command-line text and the argument
// vector a Linux program receives are read; every other option letter is skipped.
#pragma once

#include <cstddef>

namespace quorbit {

// Called for each directory option in the order given, so that a relative directory is
// taken from the previous one's. Returns nothing: a directory that cannot be entered is the
// handler's to report.
using DirectoryOptionHandler = void (*)(const char* directory, void* context);

// The longest directory an option may name; a longer one is not handed over.
inline constexpr size_t DIRECTORY_OPTION_MAX = 4095;

struct StartupOptionsResult {
    int directoryOptions;  // how many directory options were found (and handed over)
    bool tooLong;          // a directory longer than DIRECTORY_OPTION_MAX was refused (not handed over)
    bool missingDirectory; // argument vectors only: the last argument was a directory option without one
};

// One command-line text. Parsing starts at its first character: while it is '/' or '-', the
// next character is the option letter; 'W' or 'w' takes a directory after optional blanks,
// in double quotes (to the next double quote or the end) or up to the next blank. Any
// other letter takes nothing. After an option, blanks lead to the next option; anything
// else, or the end, ends the list.
StartupOptionsResult ParseCommandLine(const char* commandLine, DirectoryOptionHandler onDirectory, void* context);

// An argument vector (without the program name). Each argument is read as a piece of the
// command line above, the argument boundaries standing for blanks: "-w DIR", "/W DIR",
// "-wDIR", "/W\"DIR\"", plus the long forms "--directory DIR" and "--directory=DIR". The first
// argument that is not an option ends the list; `consumed` (when given) receives how many
// arguments were options or their directories.
StartupOptionsResult ParseStartupArguments(int argc, const char* const* argv, DirectoryOptionHandler onDirectory,
                                           void* context, int* consumed = nullptr);

}  // namespace quorbit
