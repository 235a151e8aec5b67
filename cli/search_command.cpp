#include "cli/search_command.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "catalogue/catalogue.h"
#include "cli/cli_arguments.h"
#include "cli/progress_meter.h"
#include "cli/standard_output.h"
#include "platform/halt_signals.h"
#include "platform/system_words.h"
#include "platform/ticks.h"
#include "results/unit_report.h"
#include "search/path_text.h"
#include "search/subtree_search.h"
#include "tasks/task_run.h"

namespace quorbit {

namespace {

int RunSearch(int argc, char** argv);

}  // namespace

const Subcommand SEARCH_COMMAND = {
    "search",
    "quorbit-cli search UNIT [--prefix MOVES] [--max-nodes N] [--threads N]\n",
    "search one work unit, or part of one, and print its tours and counts",
    R"(
Searches one work unit on this thread and prints, on standard output, each tour as
it is found, then the unit's summary and its nodes per move:

  Solution 1: a1-e6-...-a2 found in 812 milliseconds (123456 nodes)
  Computation of a1-a2 has finished in ... milliseconds (... cycles),
    ... solutions have been found in ... total nodes
  Detail of nodes:
   (34 counters, one per move number 1..34, on four lines)

UNIT       a number 0..44 or a name such as a1-a2 (letters in either case).
--prefix MOVES
           search only below these first moves, e.g. a1-e6-c5-a4. The first
           square is the unit's start; every move must be one the search itself
           would take, or the prefix is refused naming the first bad move. Counts
           and tours are exactly the part of the whole unit's search on and below
           the prefix.
--max-nodes N
           stop right after the N-th node is counted and print the counters as
           they stand then, marked as partial counts.
--threads N
           search on N threads (1..256): the tree is cut into tasks, searched
           side by side and reported in the order the single search takes them.
           The tours, their numbers and node totals, the summary and the
           counters are exactly those of the search on one thread; only the
           times differ. With --max-nodes the budget is counted in that same
           order, so the run stops at exactly the same node.
-h, --help this text.

Options may also be written --prefix=MOVES, --max-nodes=N and --threads=N; each may
be given once. A whole unit is about 10^12 nodes, hours of computing; on a terminal a
progress line on standard error shows nodes, speed and the current moves every
10 seconds. Nothing is written to disk.

)" QUORBIT_HALT_WORDS R"(
halt the search within milliseconds; the tours found so far have been printed, and
the summary and the counters as they stood follow, marked as partial counts.

exit status: 0 done (also when stopped at --max-nodes), 1 output could not be
written, 2 bad arguments,
)" QUORBIT_HALT_STATUS_WORDS R"(.
)",
    &RunSearch,
};

namespace {

struct SearchRun {
    uint32_t startTick;
    int32_t solutions;
};

constexpr unsigned PROGRESS_INTERVAL_SECONDS = 10;

SearchState searchState;  // static: the halt handler reaches it, and it is too big for a thread's stack to matter
std::atomic<TaskRun*> taskRun{nullptr};  // the run of --threads, for the halt handler

void PrintSolution(const SearchState& state, void* context) {
    auto& run = *static_cast<SearchRun*>(context);
    const uint64_t total = NodeTotal(state);
    const auto elapsed = static_cast<int32_t>(TickCount() - run.startTick);
    char line[SOLUTION_LINE_SIZE];
    FormatSolutionLine(line, sizeof line, ++run.solutions, state, elapsed, total);
    // Nobody reads what follows when the output is gone: hours of search for nothing.
    if (!WriteOut(line) || !FlushOut()) RequestSearchHalt(searchState);
}

void HaltSearch() {
    RequestSearchHalt(searchState);
    if (TaskRun* run = taskRun.load()) HaltTaskRun(*run);
}

// In task mode: the tours of each task, in the single search's order, numbered and totalled as it does.
void PrintTaskSolutions(const TaskResult& result, const PlannedTask& planned, const TaskMerge& before, void* context) {
    auto& run = *static_cast<SearchRun*>(context);
    for (const TaskSolution& solution : result.solutions) {
        for (int i = 0; i < SQUARE_COUNT; ++i) searchState.path[i].store(solution.squares[i], std::memory_order_relaxed);
        const auto elapsed = static_cast<int32_t>(TickCount() - run.startTick);
        char line[SOLUTION_LINE_SIZE];
        FormatSolutionLine(line, sizeof line, ++run.solutions, searchState, elapsed,
                           SolutionNodeTotal(before, planned.shallowBefore, solution));
        if (!WriteOut(line) || !FlushOut()) HaltTaskRun(*taskRun.load());
    }
}

void SampleTaskRun(void* context, uint32_t path[SQUARE_COUNT], uint64_t& nodes) {
    TaskRunProgress(*static_cast<TaskRun*>(context), path, nodes);
}

// The search on several threads, its counters left in searchState as the single search's.
// False when the prefix leaves no move to cut at: the single search then does it all.
bool SearchInTasks(const WorkUnit& work, const uint8_t* prefix, int prefixLength, uint64_t budget, int threads,
                   SearchRun& run, SearchOutcome& outcome) {
    static TaskPlan plan;
    const int cutMove = ChooseCutMove(work.start, work.end, prefix, prefixLength, TasksAimedAt(threads));
    if (!PlanTasks(plan, work.start, work.end, prefix, prefixLength, cutMove)) return false;
    static TaskRun tasks;
    PrepareTaskRun(tasks, plan, threads, budget, TaskOutput{&PrintTaskSolutions, nullptr, nullptr, &run});
    taskRun.store(&tasks);
    if (searchState.haltRequested.load()) HaltTaskRun(tasks);  // a signal before the run existed
    {
        const ProgressMeter meter(&SampleTaskRun, &tasks, work.name, stderr, PROGRESS_INTERVAL_SECONDS);
        outcome = RunTasks(tasks);
    }
    for (int k = 0; k < COUNTED_MOVES; ++k) searchState.nodeCounters[k].store(tasks.counters[k], std::memory_order_relaxed);
    return true;
}

void WriteError(const char* line) { std::fputs(line, stderr); }
void WriteOutput(const char* line) { WriteOut(line); }

int RunSearch(int argc, char** argv) {
    CliOption options[] = {{"prefix", 0, "MOVES", nullptr}, {"max-nodes", 0, "N", nullptr}, {"threads", 0, "N", nullptr}};
    int operandCount = 0;
    const int ended = ReadSubcommandArguments(SEARCH_COMMAND, argc, argv, options, 3, &operandCount);
    if (ended >= 0) return ended;
    const char* prefixText = options[0].value;
    char quoted[160];
    uint64_t budget = 0;
    if (options[1].value != nullptr && !ParsePositiveCount(options[1].value, budget)) {
        QuoteArgument(options[1].value, quoted, sizeof quoted);
        return RefuseArguments(SEARCH_COMMAND, "--max-nodes takes a positive whole number, not %s", quoted);
    }
    uint64_t threads = 0;
    if (options[2].value != nullptr && (!ParsePositiveCount(options[2].value, threads) || threads > MAX_TASK_THREADS)) {
        QuoteArgument(options[2].value, quoted, sizeof quoted);
        return RefuseArguments(SEARCH_COMMAND, "--threads takes a number of threads from 1 to %d, not %s",
                               MAX_TASK_THREADS, quoted);
    }
    if (operandCount == 0)
        return RefuseArguments(SEARCH_COMMAND, "which unit? Give a number 0..44 or a name such as a1-a2");
    if (operandCount > 1) {
        QuoteArgument(argv[1], quoted, sizeof quoted);
        return RefuseArguments(SEARCH_COMMAND, "one unit at a time; %s is one too many", quoted);
    }
    const int unit = ParseUnitArgument(argv[0]);
    if (unit < 0) {
        QuoteArgument(argv[0], quoted, sizeof quoted);
        return RefuseArguments(SEARCH_COMMAND, "no such unit: %s (give a number 0..44 or a name such as a1-a2)",
                               quoted);
    }
    const WorkUnit& work = workUnits[unit];

    uint8_t prefix[SQUARE_COUNT];
    int prefixLength = 1;
    prefix[0] = work.start;
    if (prefixText != nullptr) {
        char error[128];
        prefixLength = ParseSquareList(prefixText, prefix, HOOK_MOVE, error, sizeof error);
        if (prefixLength < 0) return RefuseArguments(SEARCH_COMMAND, "bad --prefix: %s", error);
        const PrefixCheck check = CheckPrefix(work.start, work.end, prefix, prefixLength);
        if (check.badMove != 0)
            return RefuseArguments(SEARCH_COMMAND, "bad --prefix at move %d: %s", check.badMove, check.reason);
    }
    if (OutputFailed()) return FinishOutput(SEARCH_COMMAND.name);

    SearchRun run{TickCount(), 0};
    ResetSearchState(searchState);
    ClearNodeCounters(searchState);
    searchState.solutionSink = &PrintSolution;
    searchState.solutionContext = &run;
    CatchHaltSignals(&HaltSearch);

    const uint64_t cyclesBefore = ReadCycleCounter();
    SearchOutcome outcome;
    if (threads == 0 ||
        !SearchInTasks(work, prefix, prefixLength, budget, static_cast<int>(threads), run, outcome)) {
        const ProgressMeter meter(searchState, work.name, stderr, PROGRESS_INTERVAL_SECONDS);
        outcome = SearchSubtree(searchState, work.start, work.end, prefix, prefixLength, budget);
    }
    const uint64_t cycles = ReadCycleCounter() - cyclesBefore;
    const auto elapsed = static_cast<int32_t>(TickCount() - run.startTick);
    const uint64_t total = NodeTotal(searchState);

    char line[320];
    // A signal that came too late to stop the search changes nothing.
    const int signal = outcome == SearchOutcome::Halted ? CaughtHaltSignal() : 0;
    if (outcome == SearchOutcome::Finished) {
        FormatUnitSummary(line, sizeof line, work.name, elapsed, cycles, run.solutions, total);
    } else {
        char how[64];
        if (outcome == SearchOutcome::BudgetReached)
            std::snprintf(how, sizeof how, "stopped at the node budget of %" PRIu64, budget);
        else if (signal != 0)
            std::snprintf(how, sizeof how, "was halted by %s", HaltSignalName(signal));
        else
            std::snprintf(how, sizeof how, "was halted: its output could not be written");
        FormatStoppedUnitSummary(line, sizeof line, work.name, how, elapsed, cycles, run.solutions, total);
    }
    if (!OutputFailed()) {
        WriteOut(line);
        EmitNodeDetail(searchState, &WriteOutput);
        FlushOut();
    }
    if (OutputFailed()) {
        // The counts still reach the user, on the other stream.
        ReportOutputFailure(SEARCH_COMMAND.name);
        WriteError(line);
        EmitNodeDetail(searchState, &WriteError);
        return signal != 0 ? 128 + signal : 1;
    }
    if (signal != 0) {
        std::fprintf(stderr, "quorbit-cli search: halted by %s; the counts printed are partial\n",
                     HaltSignalName(signal));
        return 128 + signal;
    }
    if (outcome == SearchOutcome::BudgetReached)
        std::fprintf(stderr, "quorbit-cli search: stopped at the node budget of %" PRIu64 "; the counts are partial\n",
                     budget);
    return 0;
}

}  // namespace

}  // namespace quorbit
