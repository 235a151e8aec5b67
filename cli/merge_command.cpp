#include "cli/merge_command.h"

#include <cstdio>
#include <cstring>
#include <limits.h>
#include <string>
#include <vector>

#include "cli/directory_options.h"
#include "cli/instance_access.h"
#include "cli/standard_output.h"
#include "cli/subtree_arguments.h"
#include "cli/terminal_shell.h"
#include "control/catalogue.h"
#include "control/task_file_merge.h"
#include "support/instance_channel.h"
#include "support/line_table.h"
#include "support/results_file.h"

namespace quorbit {

namespace {

int RunMerge(int argc, char** argv);

}  // namespace

const Subcommand MERGE_COMMAND = {
    "merge",
    "quorbit-cli merge UNIT FILE... [--cut MOVE] [--prefix MOVES] [-w DIR]\n",
    "merge task result files into the unit's results in SOLUTION.TXT and LOGSOL.TXT",
    R"(
Reads the result files that `quorbit-cli task` wrote for the unit (from any number
of machines), checks that together they hold every task of the plan exactly once,
and appends the unit's results to "SOLUTION.TXT" and "LOGSOL.TXT" of the working
directory exactly as the single search writes them: each tour with its number and
the node total the single search shows with it, then the summary and the node
detail. The times are the files' own: a tour shows the time of the files up to its
own, the summary the time and cycles of all of them.

A file that is cut short, damaged, of another unit, prefix, cut or version, a task
held by two files and tasks that no file holds are named, and nothing is appended.
Merge a unit's files once: a second merge appends its results again.

UNIT       a number 0..44 or a name such as a1-a2.
FILE...    the result files, in any order.
--cut MOVE the cut the tasks were planned with (by default the files' own).
--prefix MOVES
           the files are of the part of the search below these moves.
-w DIR, --directory DIR
           the working directory (by default the program's own); it must not be
           computing at the time.
-h, --help this text.

exit status: 0 merged, 1 refused (nothing appended) or a file could not be read,
2 bad arguments, 3 the directory is computing.
)",
    &RunMerge,
};

namespace {

void AppendSolution(const char* line) {
    ReportLine(line);
    char logged[512];
    std::snprintf(logged, sizeof logged, "%s", line);
    LogSolutionLine(logged);
}

int Refuse(const std::string& problems) {
    for (size_t at = 0; at < problems.size();) {
        const size_t end = problems.find('\n', at);
        std::fprintf(stderr, "quorbit-cli merge: %s\n", problems.substr(at, end - at).c_str());
        at = end == std::string::npos ? problems.size() : end + 1;
    }
    std::fprintf(stderr, "quorbit-cli merge: nothing was appended to SOLUTION.TXT or LOGSOL.TXT\n");
    return 1;
}

int RunMerge(int argc, char** argv) {
    CliOption options[] = {CUT_OPTION, PREFIX_OPTION, DIRECTORY_OPTION};
    int operandCount = 0;
    const int ended = ReadSubcommandArguments(MERGE_COMMAND, argc, argv, options, 3, &operandCount);
    if (ended >= 0) return ended;
    if (operandCount < 2) {
        if (operandCount == 0) return RefuseArguments(MERGE_COMMAND, "which unit, and which result files?");
        return RefuseArguments(MERGE_COMMAND, "which result files? (those quorbit-cli task wrote)");
    }
    SubtreeArguments a;
    const int refused = ReadSubtreeArguments(MERGE_COMMAND, 1, argv, options[1].value, options[0].value, a);
    if (refused >= 0) return refused;

    // Every file read before anything is touched; the names are those given.
    std::vector<TaskFile> files(static_cast<size_t>(operandCount - 1));
    std::vector<std::string> names;
    std::string problems;
    for (int i = 1; i < operandCount; ++i) {
        names.emplace_back(argv[i]);
        char error[TASK_FILE_ERROR_SIZE];
        if (!ReadTaskFile(argv[i], files[static_cast<size_t>(i - 1)], error, sizeof error))
            problems += names.back() + ": " + error + "\n";
    }
    if (!problems.empty()) return Refuse(problems);
    // The plan is the one the files of this unit and prefix name, unless --cut says which.
    int cutMove = a.cutMove;
    for (const TaskFile& file : files) {
        const TaskFileHeader& h = file.header;
        if (cutMove == 0 && h.unit == a.unit && h.prefixLength == a.prefixLength &&
            std::memcmp(h.prefix, a.prefix, static_cast<size_t>(a.prefixLength)) == 0)
            cutMove = h.cutMove;
    }
    const WorkUnit& work = workUnits[a.unit];
    static TaskPlan plan;
    SubtreeArguments planned = a;
    planned.cutMove = cutMove;
    if (cutMove == 0 || CountTasks(planned, MAX_PLANNED_TASKS + 1) > MAX_PLANNED_TASKS ||
        !PlanTasks(plan, work.start, work.end, a.prefix, a.prefixLength, cutMove)) {
        for (const std::string& name : names) problems += name + ": tasks of another search (another unit, prefix or cut)\n";
        return Refuse(problems);
    }
    problems = CheckTaskFileCover(plan, a.unit, files, names);
    if (!problems.empty()) return Refuse(problems);
    if (OutputFailed()) return FinishOutput(MERGE_COMMAND.name);

    static char directory[PATH_MAX];
    if (!EnterCommandDirectory(MERGE_COMMAND.name, options[2].value, directory, sizeof directory)) return 1;
    static CommandInstance instance;
    char held[PATH_MAX + 48];
    std::snprintf(held, sizeof held, "computes in %s; merge when it has stopped", directory);
    const int taken = TakeDirectory(MERGE_COMMAND.name, directory, held, instance);
    if (taken >= 0) return taken;
    AttachTerminalShell();
    EmitMergedTaskFiles(plan, work.name, files, MergeEmitter{&AppendSolution, [](const char* line) { (void)ReportLine(line); }});
    FreeLineTables();
    ReleaseInstanceLock(instance.lock);
    return FinishOutput(MERGE_COMMAND.name);
}

}  // namespace

}  // namespace quorbit
