#include "cli/subcommand.h"

#include <cstdarg>
#include <cstdio>

#include "cli/standard_output.h"

namespace quorbit {

int ReadSubcommandArguments(const Subcommand& command, int argc, char** argv, CliOption* options, int optionCount,
                            int* operandCount) {
    char error[256];
    switch (ReadArguments(argc, argv, options, optionCount, operandCount, error, sizeof error)) {
        case ArgumentsRead::Ok:
            return -1;
        case ArgumentsRead::Help:
            return PrintSubcommandHelp(command);
        case ArgumentsRead::Refused:
            break;
    }
    return RefuseArguments(command, "%s", error);
}

int RefuseArguments(const Subcommand& command, const char* format, ...) {
    std::fprintf(stderr, "quorbit-cli %s: ", command.name);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fprintf(stderr, "\nusage: %sTry 'quorbit-cli %s --help'.\n", command.usage, command.name);
    return 2;
}

int PrintSubcommandHelp(const Subcommand& command) {
    PrintOut("usage: %s\n%s", command.usage, command.help);
    return FinishOutput(command.name);
}

}  // namespace quorbit
