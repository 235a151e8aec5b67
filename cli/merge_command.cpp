#include "cli/merge_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits.h>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/catalogue.h"
#include "cli/directory_options.h"
#include "cli/output_path.h"
#include "cli/standard_output.h"
#include "cli/subtree_arguments.h"
#include "cli/terminal_shell.h"
#include "cluster/merge_record.h"
#include "cluster/task_file_merge.h"
#include "instance/instance_access.h"
#include "instance/instance_channel.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "support/line_table.h"
#include "support/results_file.h"
#include "support/write_failure.h"

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

"MERGED.TXT" in the working directory records each search (unit and prefix) merged
there: merging it again says so and appends nothing. A merge interrupted while it
appended is taken up by the next one: when every line had reached "SOLUTION.TXT" it
is recorded as merged, when none had it is merged again, and when only a part had,
the merge is refused with the part's place named (remove that part and the merge's
"begun" line in "MERGED.TXT", then merge again).

UNIT       a number 0..44 or a name such as a1-a2.
FILE...    the result files, in any order.
--cut MOVE the cut the tasks were planned with (by default the files' own).
--prefix MOVES
           the files are of the part of the search below these moves.
-w DIR, --directory DIR
           the working directory (by default the program's own); it must not be
           computing at the time.
-h, --help this text.

exit status: 0 merged (or merged already), 1 refused (nothing appended), a file
could not be read, or the results could not be written (the file and the reason are
named), 2 bad arguments, 3 the directory is computing.
)",
    &RunMerge,
};

namespace {

// The lines the merge writes, in order: true for a solution line (also logged).
std::vector<std::pair<bool, std::string>> mergedLines;

void TakeSolution(const char* line) { mergedLines.emplace_back(true, line); }
void TakeResult(const char* line) { mergedLines.emplace_back(false, line); }

// Appends the lines to "SOLUTION.TXT" and the tours to "LOGSOL.TXT"; false at the first
// that could not be written.
bool AppendMergedLines() {
    for (const auto& [solution, line] : mergedLines) {
        if (!ReportLine(line.c_str())) return false;
        std::string logged = line;
        if (solution && !LogSolutionLine(logged.data())) return false;
    }
    return true;
}

int WriteFailure(const char* what) {
    char failure[PATH_MAX + 128];
    FormatWriteFailure(failure, sizeof failure);
    std::fprintf(stderr, "quorbit-cli merge: %s; %s\n", failure, what);
    return 1;
}

// Appends the merge unless the record says it was made here already. The record's lines
// bracket the appending, each synced: see merge_record.h.
int MergeOnce(const char* unit, const char* prefix, int cutMove, uint64_t tasks, const char* directory) {
    char identity[160];
    std::snprintf(identity, sizeof identity, "%s %s cut %d tasks %llu", unit, prefix, cutMove,
                  static_cast<unsigned long long>(tasks));
    for (const char* name : {RESULTS_FILE, SOLUTION_LOG_FILE, MERGE_RECORD_FILE}) {
        char why[PATH_MAX + 64];
        if (IsWritableFileName(name, why, sizeof why)) continue;
        std::fprintf(stderr, "quorbit-cli merge: %s%c%s; nothing was appended\n", directory, FOLDER_SEPARATOR, why);
        return 1;
    }
    std::string record;
    {
        FILE* in = std::fopen(MERGE_RECORD_FILE, "rb");
        if (in == nullptr && errno != ENOENT) {
            std::fprintf(stderr, "quorbit-cli merge: cannot read %s%c%s: %s\n", directory, FOLDER_SEPARATOR, MERGE_RECORD_FILE,
                         std::strerror(errno));
            return 1;
        }
        char chunk[4096];
        size_t got;
        while (in != nullptr && (got = std::fread(chunk, 1, sizeof chunk, in)) > 0) record.append(chunk, got);
        if (in != nullptr) std::fclose(in);
    }
    MergeEntry entry;
    char error[160];
    if (!FindMergeEntry(record.data(), record.size(), unit, prefix, entry, error, sizeof error)) {
        std::fprintf(stderr, "quorbit-cli merge: %s%c%s: %s; nothing was appended\n", directory, FOLDER_SEPARATOR,
                     MERGE_RECORD_FILE, error);
        return 1;
    }
    std::vector<std::string> lines;
    for (const auto& taken : mergedLines) lines.push_back(taken.second);
    if (entry.state == MergeState::Merged) {
        std::fprintf(stderr, "quorbit-cli merge: %s below %s is merged in %s already (%s line %d); nothing was appended\n",
                     unit, prefix, directory, MERGE_RECORD_FILE, entry.line);
        return 0;
    }
    if (entry.state == MergeState::Begun) {
        switch (ReadResultsTail(RESULTS_FILE, entry.resultsSize, lines)) {
            case ResultsTail::Nothing:
                break;  // it appended nothing: merged now
            case ResultsTail::Whole:
                if (!AppendMergeRecord(std::string("merged ") + identity))
                    return WriteFailure("the merge made before is not recorded");
                std::fprintf(stderr, "quorbit-cli merge: %s below %s was merged in %s by a merge that stopped before "
                             "recording it; recorded now, nothing was appended\n", unit, prefix, directory);
                return 0;
            case ResultsTail::Part:
                std::fprintf(stderr,
                             "quorbit-cli merge: an earlier merge of %s below %s stopped after appending part of its "
                             "results to %s%c%s (after byte %llu); remove that part and line %d of %s, then merge "
                             "again; nothing was appended\n",
                             unit, prefix, directory, FOLDER_SEPARATOR, RESULTS_FILE, static_cast<unsigned long long>(entry.resultsSize),
                             entry.line, MERGE_RECORD_FILE);
                return 1;
        }
    }
    uint64_t size = 0;
    if (!FileSize(RESULTS_FILE, size)) size = 0;
    char begun[200];
    std::snprintf(begun, sizeof begun, "begun %s results %llu", identity, static_cast<unsigned long long>(size));
    if (!AppendMergeRecord(begun)) return WriteFailure("nothing was appended");
    if (!AppendMergedLines()) return WriteFailure("the merge is incomplete: merge again once the cause is mended");
    // Read back: a write that failed without saying so must not be recorded as merged.
    if (ReadResultsTail(RESULTS_FILE, size, lines) != ResultsTail::Whole) {
        std::fprintf(stderr, "quorbit-cli merge: %s%c%s does not hold the merged lines after writing them; the merge is "
                     "incomplete: merge again once the cause is mended\n", directory, FOLDER_SEPARATOR, RESULTS_FILE);
        return 1;
    }
    if (!AppendMergeRecord(std::string("merged ") + identity))
        return WriteFailure("the results are appended but not recorded as merged");
    return 0;
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
    mergedLines.clear();
    EmitMergedTaskFiles(plan, work.name, files, MergeEmitter{&TakeSolution, &TakeResult});
    char prefix[SQUARE_COUNT * 3] = {};
    for (int i = 0; i < a.prefixLength; ++i) {
        if (i > 0) std::strcat(prefix, "-");
        WriteSquareName(a.prefix[i], prefix + std::strlen(prefix));
    }
    const int merged = MergeOnce(work.name, prefix, cutMove, plan.tasks.size(), directory);
    FreeLineTables();
    ReleaseInstanceLock(instance.lock);
    const int written = FinishOutput(MERGE_COMMAND.name);
    return merged != 0 ? merged : written;
}

}  // namespace

}  // namespace quorbit
