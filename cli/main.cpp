// quorbit-cli: the console program.
#include <cstdio>
#include <cstring>

#include "cli/bench_command.h"
#include "cli/board_command.h"
#include "cli/merge_command.h"
#include "cli/plan_command.h"
#include "cli/queue_commands.h"
#include "cli/run_command.h"
#include "cli/search_command.h"
#include "cli/standard_output.h"
#include "cli/task_command.h"
#include "cli/verify_command.h"
#include "platform/process.h"
#include "platform/system_words.h"
#include "shell/program_version.h"

namespace {

using quorbit::Subcommand;

// In the order the program's help lists them.
const Subcommand* const SUBCOMMANDS[] = {
    &quorbit::RUN_COMMAND,
    &quorbit::ADD_COMMAND,
    &quorbit::STATUS_COMMAND,
    &quorbit::STOP_COMMAND,
    &quorbit::SHOW_COMMAND,
    &quorbit::SEARCH_COMMAND,
    &quorbit::PLAN_COMMAND,
    &quorbit::TASK_COMMAND,
    &quorbit::MERGE_COMMAND,
    &quorbit::VERIFY_COMMAND,
    &quorbit::BOARD_COMMAND,
    &quorbit::BENCH_COMMAND,
};

const char* const INTRODUCTION = "quorbit-cli - semi-magic knight's tours of the 6x6 torus, from the console\n";

const char* const CLOSING = R"(
Every command takes -h or --help and explains itself; "quorbit-cli help COMMAND"
does the same, and "quorbit-cli --version" gives the version number. Options take
their value as "--name VALUE" or "--name=VALUE", and each may be given once.

The queue commands work in a directory: -w DIR (--directory DIR), by default the
program's own directory, as for the desktop program, or where the program may not
write there ()" QUORBIT_INSTALLED_WORDS R"() in
)" QUORBIT_USER_DATA_WORDS R"(.

exit status: 0 done, 1 failed (output could not be written and the like), 2 bad
arguments, )" QUORBIT_HALT_STATUS_WORDS R"(;
a command's help gives its own.
)";

const Subcommand* FindSubcommand(const char* name) {
    for (const Subcommand* command : SUBCOMMANDS)
        if (std::strcmp(command->name, name) == 0) return command;
    return nullptr;
}

void PrintUsages(bool toOutput) {
    bool first = true;
    for (const Subcommand* command : SUBCOMMANDS) {
        const char* lead = first ? "usage: " : "       ";
        first = false;
        // A usage may hold several lines; each after the first is indented like the rest.
        for (const char* line = command->usage; *line != '\0';) {
            const char* end = std::strchr(line, '\n');
            const int length = end != nullptr ? static_cast<int>(end - line) : static_cast<int>(std::strlen(line));
            if (toOutput)
                quorbit::PrintOut("%s%.*s\n", lead, length, line);
            else
                std::fprintf(stderr, "%s%.*s\n", lead, length, line);
            lead = "       ";
            line += length + (end != nullptr ? 1 : 0);
        }
    }
    const char* last = "       quorbit-cli COMMAND --help\n"
                       "       quorbit-cli --version\n";
    if (toOutput)
        quorbit::WriteOut(last);
    else
        std::fputs(last, stderr);
}

int PrintProgramHelp() {
    quorbit::WriteOut(INTRODUCTION);
    quorbit::WriteOut("\n");
    PrintUsages(true);
    quorbit::WriteOut("\ncommands:\n");
    for (const Subcommand* command : SUBCOMMANDS) quorbit::PrintOut("  %-8s %s\n", command->name, command->summary);
    quorbit::WriteOut(CLOSING);
    return quorbit::FinishOutput(nullptr);
}

int RefuseCommand(const char* format, const char* detail) {
    std::fputs("quorbit-cli: ", stderr);
    std::fprintf(stderr, format, detail);
    std::fputs("\n", stderr);
    PrintUsages(false);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    quorbit::TakeUtf8Arguments(argc, argv);
    quorbit::PrepareStandardStreams();
    if (quorbit::OutputFailed()) {
        quorbit::ReportOutputFailure(nullptr);
        return 1;
    }
    if (argc < 2) return RefuseCommand("which command?%s", "");
    const char* name = argv[1];
    if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0 || std::strcmp(name, "help") == 0) {
        if (argc == 2 || std::strcmp(name, "help") != 0) return PrintProgramHelp();
        const Subcommand* command = FindSubcommand(argv[2]);
        if (command == nullptr || argc > 3) {
            char quoted[96];
            quorbit::QuoteArgument(argv[argc > 3 && command != nullptr ? 3 : 2], quoted, sizeof quoted);
            return RefuseCommand(command == nullptr ? "help on what? There is no command %s" : "help takes one command, not %s too",
                                 quoted);
        }
        return quorbit::PrintSubcommandHelp(*command);
    }
    if (std::strcmp(name, "--version") == 0) {
        if (argc > 2) {
            char quoted[96];
            quorbit::QuoteArgument(argv[2], quoted, sizeof quoted);
            return RefuseCommand("--version takes nothing after it, not %s", quoted);
        }
        quorbit::PrintOut("quorbit-cli (Quorbit) %s\n", quorbit::PROGRAM_VERSION);
        return quorbit::FinishOutput(nullptr);
    }
    const Subcommand* command = FindSubcommand(name);
    if (command == nullptr) {
        char quoted[96];
        quorbit::QuoteArgument(name, quoted, sizeof quoted);
        return RefuseCommand("unknown command %s", quoted);
    }
    return command->run(argc - 2, argv + 2);
}
