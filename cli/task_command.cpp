#include "cli/task_command.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <limits.h>
#include <string>

#include "catalogue/catalogue.h"
#include "cli/cli_arguments.h"
#include "cli/output_path.h"
#include "cli/subtree_arguments.h"
#include "cluster/task_range.h"
#include "platform/file_replace.h"
#include "platform/halt_signals.h"
#include "platform/system_words.h"
#include "support/cpu_identity.h"

namespace quorbit {

namespace {

int RunTask(int argc, char** argv);

}  // namespace

const Subcommand TASK_COMMAND = {
    "task",
    "quorbit-cli task UNIT --cut MOVE --tasks A-B --out FILE [--prefix MOVES] [--threads N]\n",
    "search a range of a unit's tasks (see plan) into a result file",
    R"(
Searches the tasks A to B (both included) of the unit cut at move MOVE, as
`quorbit-cli plan UNIT --cut MOVE` numbers them, on several threads, and writes
their counts and tours to FILE. The file is written in one step once every task of
the range is done: a file of that name is always whole. `quorbit-cli merge` reads
such files, from any machine, and writes the unit's results.

UNIT       a number 0..44 or a name such as a1-a2.
--cut MOVE the move at which the unit is cut into tasks.
--tasks A-B
           the range of task numbers; a single number A for one task.
--out FILE the result file to write (replaced if it exists; a name that holds
           anything but a regular file, such as a device, FIFO or folder, is
           refused before the search).
--prefix MOVES
           tasks of the part of the search below these moves (as for plan).
--threads N
           search threads (default: every processor this process may use).
-h, --help this text.

)" QUORBIT_HALT_WORDS R"(
stop the search within milliseconds and write nothing: run the range again.

exit status: 0 written, 1 the file could not be written or is not a regular file,
2 bad arguments,
)" QUORBIT_HALT_STATUS_WORDS R"(.
)",
    &RunTask,
};

namespace {

TaskRange range;  // static: the halt handler reaches its run

void HaltTasks() { HaltTaskRun(range.run); }

// FILE and the temporary FILE.tmp beside it must be regular files where they exist.
bool RefuseOutput(const char* path) {
    char why[PATH_MAX + 64];
    const std::string temporary = std::string(path) + REPLACEMENT_SUFFIX;
    if (IsWritableFileName(path, why, sizeof why) && IsWritableFileName(temporary.c_str(), why, sizeof why)) return false;
    (void)path;
    std::fprintf(stderr, "quorbit-cli task: --out %s; nothing was written\n", why);
    return true;
}

bool ParseRange(const char* text, uint64_t& first, uint64_t& last) {
    char* end = nullptr;
    if (*text < '0' || *text > '9') return false;
    first = std::strtoull(text, &end, 10);
    if (*end == '\0') {
        last = first;
        return true;
    }
    if (*end != '-' || end[1] < '0' || end[1] > '9') return false;
    last = std::strtoull(end + 1, &end, 10);
    return *end == '\0' && first <= last;
}

int RunTask(int argc, char** argv) {
    CliOption options[] = {CUT_OPTION, {"tasks", 0, "A-B", nullptr}, {"out", 0, "FILE", nullptr}, PREFIX_OPTION,
                           {"threads", 0, "N", nullptr}};
    int operandCount = 0;
    const int ended = ReadSubcommandArguments(TASK_COMMAND, argc, argv, options, 5, &operandCount);
    if (ended >= 0) return ended;
    SubtreeArguments a;
    const int refused = ReadSubtreeArguments(TASK_COMMAND, operandCount, argv, options[3].value, options[0].value, a);
    if (refused >= 0) return refused;
    if (a.cutMove == 0) return RefuseArguments(TASK_COMMAND, "--cut is needed (the cut the tasks were planned with)");
    uint64_t first = 0, last = 0;
    char quoted[160];
    if (options[1].value == nullptr) return RefuseArguments(TASK_COMMAND, "--tasks is needed (a range A-B)");
    if (!ParseRange(options[1].value, first, last)) {
        QuoteArgument(options[1].value, quoted, sizeof quoted);
        return RefuseArguments(TASK_COMMAND, "--tasks takes a range A-B of task numbers (A at most B), not %s", quoted);
    }
    if (options[2].value == nullptr || options[2].value[0] == '\0')
        return RefuseArguments(TASK_COMMAND, "--out is needed (the result file to write)");
    if (RefuseOutput(options[2].value)) return 1;
    const ProcessorCount processors = CountProcessors();
    uint64_t threads = processors.known && processors.available > 0 ? static_cast<uint64_t>(processors.available) : 1;
    if (options[4].value != nullptr && (!ParsePositiveCount(options[4].value, threads) || threads > MAX_TASK_THREADS)) {
        QuoteArgument(options[4].value, quoted, sizeof quoted);
        return RefuseArguments(TASK_COMMAND, "--threads takes a number from 1 to %d, not %s", MAX_TASK_THREADS, quoted);
    }

    const WorkUnit& work = workUnits[a.unit];
    static TaskPlan plan;
    PlanTasks(plan, work.start, work.end, a.prefix, a.prefixLength, a.cutMove);
    if (last >= plan.tasks.size())
        return RefuseArguments(TASK_COMMAND, "--tasks %s: %s cut at move %d has the tasks 0-%zu", options[1].value,
                               work.name, a.cutMove, plan.tasks.size() - 1);
    static TaskFile file;
    PrepareTaskRange(plan, a.unit, first, last, static_cast<int>(threads), range, file);
    CatchHaltSignals(&HaltTasks);
    const SearchOutcome outcome = SearchTaskRange(range, file);
    if (outcome != SearchOutcome::Finished) {
        const int signal = CaughtHaltSignal();
        std::fprintf(stderr, "quorbit-cli task: halted by %s; nothing was written (run the range again)\n",
                     HaltSignalName(signal));
        return signal != 0 ? 128 + signal : 1;
    }
    // Looked at again: the search may have lasted hours.
    if (RefuseOutput(options[2].value)) return 1;
    char error[TASK_FILE_ERROR_SIZE];
    if (!WriteTaskFile(options[2].value, file, error, sizeof error)) {
        std::fprintf(stderr, "quorbit-cli task: %s\n", error);
        return 1;
    }
    uint64_t nodes = 0;
    size_t tours = 0;
    for (const TaskResult& result : file.results) {
        nodes += OwnNodeTotal(result);
        tours += result.solutions.size();
    }
    std::fprintf(stderr, "quorbit-cli task: tasks %" PRIu64 "-%" PRIu64 " of %s cut at move %d: %" PRIu64
                 " nodes, %zu tours, %" PRIu64 " ms on %d threads; written to %s\n",
                 first, last, work.name, a.cutMove, nodes, tours, file.elapsedMs, range.run.threadCount, options[2].value);
    return 0;
}

}  // namespace

}  // namespace quorbit
