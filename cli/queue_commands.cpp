#include "cli/queue_commands.h"

#include <cstdio>
#include <cstring>

#include "cli/directory_options.h"
#include "cli/standard_output.h"
#include "control/queue_status.h"
#include "control/unit_request.h"
#include "instance/instance_access.h"
#include "instance/instance_channel.h"
#include "platform/folders.h"
#include "platform/system_words.h"
#include "support/console.h"
#include "support/line_table.h"
#include "support/results_file.h"

namespace quorbit {

namespace {

int RunAdd(int argc, char** argv);
int RunStatus(int argc, char** argv);
int RunStop(int argc, char** argv);
int RunShow(int argc, char** argv);

#define QUORBIT_INSTANCE_NOTE                                                                        \
    "While an instance (the desktop program or quorbit-cli run) works in the directory, the\n"       \
    "command goes to it through its " QUORBIT_LOCAL_CHANNEL_WORDS ", and it acts at once on its\n"    \
    "own queue.\n"                                                                                   \
    "\n"                                                                                             \
    "-w DIR, --directory DIR\n"                                                                      \
    "           the working directory (default: the program's own directory, or where\n"             \
    "           it may not write there, " QUORBIT_USER_DATA_WORDS ").\n"                              \
    "-h, --help this text.\n"                                                                        \
    "\n"                                                                                             \
    "exit status: 0 done, 1 failed (no instance where one is needed, an instance that\n"             \
    "does not answer, a directory or queue that cannot be written, a full queue,\n"                  \
    "output that cannot be written), 2 bad arguments.\n"

}  // namespace

const Subcommand ADD_COMMAND = {
    "add",
    "quorbit-cli add UNIT... [-w DIR]\n",
    "queue units in the working directory's work queue",
    "\nQueues units at the end of the work queue (WORKTOUR.INI): numbers 0..44, names\n"
    "such as a1-a2 (letters in either case), or all for the 45 units in catalogue order.\n"
    "A unit already queued is passed over; when any UNIT is not a unit, nothing is\n"
    "queued. A running instance starts computing what was added.\n\n" QUORBIT_INSTANCE_NOTE,
    &RunAdd,
};

const Subcommand STATUS_COMMAND = {
    "status",
    "quorbit-cli status [-w DIR]\n",
    "list the units queued, the one being computed first",
    "\nLists the units of the work queue, head first: the Status box's text.\n\n" QUORBIT_INSTANCE_NOTE,
    &RunStatus,
};

const Subcommand STOP_COMMAND = {
    "stop",
    "quorbit-cli stop [-w DIR]\n",
    "halt the computation running in the working directory",
    "\nHalts the computation of the instance working in the directory, as its Stop\n"
    "command does: the unit being computed stays queued and is computed again from its\n"
    "beginning next time. quorbit-cli run then ends. With no instance it says so and\n"
    "exits with status 1, as show does.\n\n" QUORBIT_INSTANCE_NOTE,
    &RunStop,
};

const Subcommand SHOW_COMMAND = {
    "show",
    "quorbit-cli show [-w DIR]\n",
    "bring the desktop program working in the directory to the front",
    "\nShows the window of the desktop program working in the directory and brings it\n"
    "to the front, also when it is hidden in the tray.\n\n" QUORBIT_INSTANCE_NOTE,
    &RunShow,
};

namespace {

void SayOnStandardError(const char* text, bool, void*) { std::fprintf(stderr, "quorbit-cli status: %s", text); }

// The command carried out here, under the directory's lock.
int RunLocally(const Subcommand& command, char** units, int unitCount, const char* directory) {
    if (&command == &ADD_COMMAND) {
        if (!MayWriteIn(".")) {
            std::fprintf(stderr, "quorbit-cli add: cannot write in %s\n", directory);
            return 1;
        }
        static char reply[INSTANCE_REPLY_MAX];
        int32_t added = 0;
        // A full queue or a queue file that cannot be written is refused: said on
        // standard error, with what was queued all the same.
        if (QueueUnitWords(units, unitCount, reply, sizeof reply, &added) != REPLY_DONE) {
            std::fprintf(stderr, "quorbit-cli add: %s", reply);
            return 1;
        }
        WriteOut(reply);
        return 0;
    }
    if (&command == &STATUS_COMMAND) {
        // Only reads: the store's report of an over-long file goes to standard error, and
        // no file is created or written.
        SetResultsFileReadOnly(true);
        SetConsoleTextSink(&SayOnStandardError, nullptr);
        char text[QUEUE_STATUS_SIZE];
        FormatQueueStatus(text, sizeof text);
        SetConsoleTextSink(nullptr, nullptr);
        PrintOut("%s\n", text);
        return 0;
    }
    if (&command == &STOP_COMMAND) {
        std::fprintf(stderr, "quorbit-cli stop: nothing is computing in %s\n", directory);
        return 1;
    }
    std::fprintf(stderr, "quorbit-cli show: no desktop program runs in %s\n", directory);
    return 1;
}

// The request line for the instance: the command and its words.
bool FormRequest(const char* name, char** words, int count, char* request, size_t size) {
    size_t used = static_cast<size_t>(std::snprintf(request, size, "%s", name));
    for (int i = 0; i < count; ++i) {
        const int written = std::snprintf(request + used, size - used, " %s", words[i]);
        if (written < 0 || used + static_cast<size_t>(written) >= size) return false;
        used += static_cast<size_t>(written);
    }
    return true;
}

int RunQueueCommand(const Subcommand& command, int argc, char** argv) {
    CliOption options[] = {DIRECTORY_OPTION};
    int operandCount = 0;
    const int ended = ReadSubcommandArguments(command, argc, argv, options, 1, &operandCount);
    if (ended >= 0) return ended;
    char quoted[160];
    if (&command == &ADD_COMMAND) {
        if (operandCount == 0) return RefuseArguments(command, "which units? Give numbers 0..44, names or all");
        // Refused here, the way the instance would refuse them, before anything is touched.
        static int32_t units[MAX_TABLE_LINES];
        int32_t unitCount = 0;
        char refusal[256];
        if (ReadUnitWords(argv, operandCount, units, MAX_TABLE_LINES, &unitCount, refusal, sizeof refusal) !=
            REPLY_DONE) {
            std::fprintf(stderr, "quorbit-cli add: %s", refusal);
            return 2;
        }
    } else if (operandCount > 0) {
        QuoteArgument(argv[0], quoted, sizeof quoted);
        return RefuseArguments(command, "takes no arguments, not %s", quoted);
    }
    char request[INSTANCE_REQUEST_MAX];
    if (!FormRequest(command.name, argv, operandCount, request, sizeof request))
        return RefuseArguments(command, "too many units for one request");
    if (OutputFailed()) return FinishOutput(command.name);

    char directory[PATH_MAX];
    if (!EnterCommandDirectory(command.name, options[0].value, directory, sizeof directory)) return 1;
    static CommandInstance instance;
    static char reply[INSTANCE_REPLY_MAX];
    int32_t answer = REPLY_NO_INSTANCE;
    int status = 1;
    switch (ReachInstance(command.name, directory, request, instance, reply, sizeof reply, &answer)) {
        case InstanceReach::Locked:
            status = RunLocally(command, argv, operandCount, directory);
            FreeLineTables();
            ReleaseInstanceLock(instance.lock);
            break;
        case InstanceReach::Answered: {
            // A reply's last line may come without its line end.
            const size_t length = std::strlen(reply);
            const char* end = length > 0 && reply[length - 1] != '\n' ? "\n" : "";
            if (answer == REPLY_DONE) {
                WriteOut(reply);
                WriteOut(end);
            } else {
                std::fprintf(stderr, "quorbit-cli %s: %s%s", command.name, reply, end);
            }
            status = answer == REPLY_DONE ? 0 : 1;
            break;
        }
        case InstanceReach::Silent: {
            char holder[64];
            DescribeHolder(instance.result, holder, sizeof holder);
            std::fprintf(stderr, "quorbit-cli %s: %s holds %s but does not answer\n", command.name, holder, directory);
            break;
        }
        case InstanceReach::Failed:
            break;
    }
    const int written = FinishOutput(command.name);
    return status != 0 ? status : written;
}

int RunAdd(int argc, char** argv) { return RunQueueCommand(ADD_COMMAND, argc, argv); }
int RunStatus(int argc, char** argv) { return RunQueueCommand(STATUS_COMMAND, argc, argv); }
int RunStop(int argc, char** argv) { return RunQueueCommand(STOP_COMMAND, argc, argv); }
int RunShow(int argc, char** argv) { return RunQueueCommand(SHOW_COMMAND, argc, argv); }

}  // namespace

}  // namespace quorbit
