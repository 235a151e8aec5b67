// What every subcommand of quorbit-cli has: its name, usage and help, and the same way of
// reading its arguments and refusing bad ones.
#pragma once

#include "cli/option_reader.h"

namespace quorbit {

struct Subcommand {
    const char* name;     // "search"
    const char* usage;    // its usage lines, each "quorbit-cli NAME ...\n"
    const char* summary;  // one line for the program's help
    const char* help;     // the rest of "quorbit-cli NAME --help", after the usage
    int (*run)(int argc, char** argv);  // the arguments after the name; returns the exit status
};

// Reads the subcommand's arguments (see option_reader.h). Returns -1 when the command is to
// go on, with the operands at the front of argv; otherwise the exit status to end with:
// 0 after printing the help, 1 when it could not be written, 2 after a refusal.
int ReadSubcommandArguments(const Subcommand& command, int argc, char** argv, CliOption* options, int optionCount,
                            int* operandCount);

// "quorbit-cli NAME: MESSAGE" and the usage on standard error; returns 2.
int RefuseArguments(const Subcommand& command, const char* format, ...) __attribute__((format(printf, 2, 3)));

// "usage: ..." then the help, on standard output; returns the exit status (0, or 1 when it
// could not be written).
int PrintSubcommandHelp(const Subcommand& command);

}  // namespace quorbit
