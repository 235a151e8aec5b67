#include "cli/run_command.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "catalogue/catalogue.h"
#include "cli/cli_arguments.h"
#include "cli/directory_options.h"
#include "cli/standard_output.h"
#include "cli/terminal_shell.h"
#include "control/computation.h"
#include "control/queue_status.h"
#include "control/unit_request.h"
#include "control/work_queue.h"
#include "control/worker.h"
#include "instance/instance_access.h"
#include "instance/instance_channel.h"
#include "platform/folders.h"
#include "platform/halt_signals.h"
#include "platform/processor.h"
#include "platform/system_words.h"
#include "shell/first_run.h"
#include "shell/program_settings.h"
#include "shell/short_work.h"
#include "support/console.h"
#include "support/line_table.h"
#include "support/write_failure.h"
#include "tasks/checkpoint_discard.h"
#include "tasks/unit_tasks.h"

namespace quorbit {

namespace {

int RunRun(int argc, char** argv);

}  // namespace

const Subcommand RUN_COMMAND = {
    "run",
    "quorbit-cli run [-w DIR] [--threads N]\n",
    "work through the working directory's queue, as the desktop program does",
    R"(
Works through the work queue of the directory (WORKTOUR.INI) as the desktop program
does, without a window: each unit's tours, summary and node detail go to standard
output and to SOLUTION.TXT, the tours also to LOGSOL.TXT, and a unit leaves the queue
only once its results are written. On a terminal the progress line is rewritten in
place; otherwise each progress line is an ordinary line. Settings come from
QUORBIT.INI (Priority, CpuNumber, DisplayFrequency, DisplayDepth, Threads). With an
empty queue it says how to add work.

With Threads (or --threads) each unit is searched on that many threads, cut into
tasks whose tours are reported in the order the single search finds them, with the
same numbers, counts and summary. Every finished task is kept in CHECKPT.DAT in the
directory, so that a unit halted, killed or cut off by a power failure resumes where
it was, without writing any tour twice; the checkpoint goes once the unit's results
are written.

Every line reaches the disk (synced) before the run goes on, and a unit leaves the queue
only once its results are on disk. A file that cannot be written (a full disk, a file
size limit, a folder where SOLUTION.TXT should be) halts the run at once: the unit being
computed stays queued, the files keep whole lines only, and standard error names the
file and the system's reason. A WORKTOUR.INI that cannot be rewritten (one holding NUL
bytes, for instance) is refused before anything is computed, since no finished unit
could leave it.

One instance works in a directory at a time, desktop program or console program.
While this one runs, quorbit-cli add, status and stop in another terminal reach it.
)" QUORBIT_HALT_WORDS R"(
halt it as the Stop command does: the unit being computed stays queued and the next
run computes it again from its beginning.

-w DIR, --directory DIR
           the working directory (default: the program's own directory, or where
           it may not write there, )" QUORBIT_USER_DATA_WORDS R"().
-h, --help this text.

For trials, QUORBIT_UNIT_NODE_LIMIT=N in the environment stops every unit after N
nodes and reports it as finished, and QUORBIT_UNIT_PREFIX_MOVES=M (2..33) searches
every unit only below its first M moves as the search first takes them: such results
are not whole units'.

exit status: 0 the queue is done (or was empty, or quorbit-cli stop ended the run),
1 failed (output or a file that cannot be written, a WORKTOUR.INI that cannot be
rewritten, an entry that names no unit),
2 bad arguments, 3 another instance works in the directory,
)" QUORBIT_HALT_STATUS_WORDS R"(.
)",
    &RunRun,
};

namespace {

std::atomic<bool> stopAsked{false};
std::atomic<int32_t> unitsAdded{0};
const char* runDirectory = "";

int32_t RefuseShow(char* reply, size_t size, void*) {
    std::snprintf(reply, size, "no window to show: quorbit-cli run computes in %s without one\n", runDirectory);
    return REPLY_REFUSED;
}

int32_t AddUnits(const char* const* units, int32_t count, char* reply, size_t size, void*) {
    int32_t added = 0;
    const int32_t status = QueueUnitWords(units, count, reply, size, &added);
    if (added > 0) unitsAdded.fetch_add(added);
    return status;
}

int32_t ReportStatus(char* reply, size_t size, void*) {
    char text[STATUS_REPLY_SIZE];
    FormatStatusReply(text, sizeof text);
    std::snprintf(reply, size, "%s\n", text);
    return REPLY_DONE;
}

int32_t AskStop(char*, size_t, void*) {
    stopAsked.store(true);
    return REPLY_DONE;
}

const InstanceRequestOps runRequests = {&RefuseShow, &AddUnits, &ReportStatus, &AskStop, nullptr};


// Says on standard error why the computation failed, naming the cause the worker recorded
// and no other. Returns the exit status.
int ReportFailedEnd(ComputationEnd end) {
    char cause[640];
    FormatComputationEnd(cause, sizeof cause);
    const char* unit = UnitName(ComputationEndUnit());
    char stays[64] = "";
    if (unit != nullptr) std::snprintf(stays, sizeof stays, "; %s stays queued", unit);
    switch (end) {
        case ComputationEnd::WriteFailed:
            std::fprintf(stderr, "quorbit-cli run: %s%s\n", cause, stays);
            return 1;
        case ComputationEnd::QueueNotKept:
            std::fprintf(stderr, "quorbit-cli run: %s\n", cause);
            return 1;
        case ComputationEnd::UnitRefused:
            std::fprintf(stderr, "quorbit-cli run: unit %s could not be computed%s\n", unit != nullptr ? unit : "?",
                         stays);
            return 1;
        case ComputationEnd::TaskFailed:
            std::fprintf(stderr, "quorbit-cli run: the unit could not be computed in task mode (the reason is above)%s\n",
                         stays);
            return 1;
        case ComputationEnd::NoUnit: {
            char head[QUEUE_ENTRY_SIZE];
            char quoted[2 * QUEUE_ENTRY_SIZE];
            QueueEntry(0, head, sizeof head);
            QuoteArgument(head, quoted, sizeof quoted);
            std::fprintf(stderr,
                         "quorbit-cli run: the queue's first entry %s names no unit; correct WORKTOUR.INI in %s\n",
                         quoted, runDirectory);
            return 1;
        }
        default:
            return 0;
    }
}

// Runs the computation until the queue is done, a signal or a stop request halts it, or the
// worker ends for a failure it records (a file that cannot be written, an entry that names
// no unit...). Returns the exit status.
int Compute(int& signalNumber) {
    bool halted = false;
    unitsAdded.store(0);
    StartComputation();
    for (;;) {
        const int got = WaitForHaltSignal(100);
        if (got != 0 && signalNumber == 0) signalNumber = got;  // a second signal changes nothing
        const bool haltNow = (signalNumber != 0 || stopAsked.load() || OutputFailed()) && !halted;
        if (haltNow) {
            halted = true;
            HaltComputation();
        }
        if (WorkerThreadExists() || ProgressThreadExists()) continue;
        WaitForComputationEnd();
        const ComputationEnd end = LastComputationEnd();
        if (signalNumber != 0) {
            // A failure that came before the signal is still said; the signal gives the status.
            if (end != ComputationEnd::Halted) ReportFailedEnd(end);
            return HALT_STATUS_BASE + signalNumber;
        }
        if (OutputFailed()) return 1;
        if (end == ComputationEnd::None) {  // no worker ran: the console has said why
            std::fprintf(stderr, "quorbit-cli run: the computation threads could not be created\n");
            return 1;
        }
        if (end != ComputationEnd::QueueDone && end != ComputationEnd::Halted) return ReportFailedEnd(end);
        if (halted || QueueCount() == 0) return 0;
        if (unitsAdded.exchange(0) > 0) {  // work added just as the last unit ended
            StartComputation();
            continue;
        }
        return 0;
    }
}

int RunRun(int argc, char** argv) {
    // The halting signals are taken by this thread alone, from the start: every thread made
    // later inherits the block, and a signal that comes during start-up waits for the halt.
    BlockHaltSignals();

    CliOption options[] = {DIRECTORY_OPTION, {"threads", 0, "N", nullptr}};
    int operandCount = 0;
    const int ended = ReadSubcommandArguments(RUN_COMMAND, argc, argv, options, 2, &operandCount);
    if (ended >= 0) return ended;
    uint64_t threads = 0;
    if (options[1].value != nullptr &&
        (!ParsePositiveCount(options[1].value, threads) || threads > static_cast<uint64_t>(AvailableProcessors()))) {
        char quoted[160];
        QuoteArgument(options[1].value, quoted, sizeof quoted);
        return RefuseArguments(RUN_COMMAND, "--threads takes a number of threads from 1 to %d (the processors available), not %s",
                               AvailableProcessors(), quoted);
    }
    if (operandCount > 0) {
        char quoted[160];
        QuoteArgument(argv[0], quoted, sizeof quoted);
        return RefuseArguments(RUN_COMMAND, "takes no arguments, not %s", quoted);
    }
    ShortWork shortWork{};
    if (!InstallShortWork(shortWork))
        return RefuseArguments(RUN_COMMAND, "%s must be a positive whole number of nodes, %s a number of moves from 2 to 33",
                               UNIT_NODE_LIMIT_VARIABLE, UNIT_PREFIX_MOVES_VARIABLE);
    static char directory[PATH_MAX];
    if (OutputFailed()) return FinishOutput(RUN_COMMAND.name);
    if (!EnterCommandDirectory(RUN_COMMAND.name, options[0].value, directory, sizeof directory)) return 1;
    runDirectory = directory;
    if (!MayWriteIn(".")) {
        std::fprintf(stderr, "quorbit-cli run: cannot write in %s; choose a directory with -w DIR\n", directory);
        return 1;
    }
    static CommandInstance instance;
    char held[PATH_MAX + 32];
    std::snprintf(held, sizeof held, "already computes in %s", directory);
    const int refused = TakeDirectory("run", directory, held, instance);
    if (refused >= 0) return refused;

    if (shortWork.nodeLimit > 0)
        std::fprintf(stderr, "quorbit-cli run: %s is set: every unit stops after %llu nodes; results are not whole units'\n",
                     UNIT_NODE_LIMIT_VARIABLE, static_cast<unsigned long long>(shortWork.nodeLimit));
    if (shortWork.prefixMoves > 0)
        std::fprintf(stderr,
                     "quorbit-cli run: %s is set: every unit is searched below its first %d moves only; results are not "
                     "whole units'\n",
                     UNIT_PREFIX_MOVES_VARIABLE, static_cast<int>(shortWork.prefixMoves));
    AttachTerminalShell();
    ProgramSettings settings = ReadProgramSettings();
    ApplyProgramSettings(settings);
    if (threads > 0) taskThreads.store(static_cast<int32_t>(threads));
    const int32_t queued = QueueCount();
    RunFirstRunSetup(settings, nullptr);
    char error[256];
    if (!StartInstanceServer(instance.lock, runRequests, error, sizeof error))
        std::fprintf(stderr, "quorbit-cli run: other commands cannot reach this run: %s\n", error);

    int status = 0;
    int signalNumber = 0;
    char failure[600];
    FormatWriteFailure(failure, sizeof failure);
    if (failure[0] != '\0') {
        // A file that cannot be written already (the settings of the first run): computing
        // now would only lose results.
        std::fprintf(stderr, "quorbit-cli run: %s\n", failure);
        status = 1;
    } else if (queued == 0) {
        DiscardFinishedCheckpoint();
        ConsolePrint("The work queue is empty. Queue units with: quorbit-cli add UNIT... (numbers 0..44, names such "
                     "as a1-a2, or all), then run again.\n");
    } else {
        status = Compute(signalNumber);
    }
    StopInstanceServer();
    FinishTerminalLine();
    SetConsoleTextSink(nullptr, nullptr);
    FreeLineTables();
    ReleaseInstanceLock(instance.lock);
    const int written = FinishOutput(RUN_COMMAND.name);
    if (signalNumber != 0) {
        std::fprintf(stderr, "quorbit-cli run: halted by %s; the unit being computed stays queued\n",
                     HaltSignalName(signalNumber));
    }
    return status != 0 ? status : written;
}

}  // namespace

}  // namespace quorbit
