#include "cli/plan_command.h"

#include <cinttypes>
#include <cstdio>

#include "catalogue/catalogue.h"
#include "cli/standard_output.h"
#include "cli/subtree_arguments.h"
#include "search/path_text.h"
#include "tasks/task_plan.h"

namespace quorbit {

namespace {

int RunPlan(int argc, char** argv);

}  // namespace

const Subcommand PLAN_COMMAND = {
    "plan",
    "quorbit-cli plan UNIT [--cut MOVE] [--prefix MOVES]\n",
    "list the tasks a unit is cut into, for running them on other machines",
    R"(
Cuts a unit's search (or the part below --prefix) at move MOVE into tasks: the
subtrees below each way the search reaches that move. Prints one line per task, in
the order the single search visits them, with its number and its moves:

  0 a1-e6-c5-a4-e3-c2
  1 a1-e6-c5-a4-e3-c6
  ...

`quorbit-cli task` searches a range of these tasks, on any machine, into a result
file, and `quorbit-cli merge` turns the result files into the unit's results.

Without --cut it prints, for each move below the prefix, how many tasks a cut
there gives (up to ten million; a cut is taken up to two million), to help
choose the cut: a few thousand tasks per
machine keep every core busy to the end; a whole unit is about 10^12 nodes, so a
cut giving T tasks makes tasks of 10^12/T nodes on average (some far larger).

UNIT       a number 0..44 or a name such as a1-a2.
--cut MOVE the move number (below the prefix, at most 33) at which to cut.
--prefix MOVES
           plan only the part of the search below these moves (as for search).
-h, --help this text.

exit status: 0 done, 1 output could not be written, 2 bad arguments.
)",
    &RunPlan,
};

namespace {

constexpr uint64_t COUNT_LIMIT = MAX_PLANNED_TASKS * 5;

// The number of tasks a cut at each move gives, until they pass the limit.
int PrintTaskCounts(const SubtreeArguments& a) {
    const WorkUnit& work = workUnits[a.unit];
    PrintOut("move  tasks  (%s%s%s)\n", work.name, a.prefixLength > 1 ? " below " : "", a.prefixLength > 1 ? "the prefix" : "");
    for (int move = a.prefixLength + 1; move < HOOK_MOVE; ++move) {
        SubtreeArguments at = a;
        at.cutMove = move;
        const uint64_t tasks = CountTasks(at, COUNT_LIMIT);
        if (tasks >= COUNT_LIMIT) {
            PrintOut("%4d  more than %" PRIu64 "\n", move, COUNT_LIMIT - 1);
            break;
        }
        PrintOut("%4d  %" PRIu64 "\n", move, tasks);
        if (tasks == 0) break;
    }
    return FinishOutput(PLAN_COMMAND.name);
}

int RunPlan(int argc, char** argv) {
    CliOption options[] = {CUT_OPTION, PREFIX_OPTION};
    int operandCount = 0;
    const int ended = ReadSubcommandArguments(PLAN_COMMAND, argc, argv, options, 2, &operandCount);
    if (ended >= 0) return ended;
    SubtreeArguments a;
    const int refused = ReadSubtreeArguments(PLAN_COMMAND, operandCount, argv, options[1].value, options[0].value, a);
    if (refused >= 0) return refused;
    if (a.cutMove == 0) return PrintTaskCounts(a);

    const WorkUnit& work = workUnits[a.unit];
    static TaskPlan plan;
    PlanTasks(plan, work.start, work.end, a.prefix, a.prefixLength, a.cutMove);
    for (size_t i = 0; i < plan.tasks.size() && !OutputFailed(); ++i) {
        uint32_t squares[HOOK_MOVE];
        for (int k = 0; k < a.cutMove; ++k) squares[k] = plan.tasks[i].prefix[k];
        char moves[3 * HOOK_MOVE + 1];
        FormatSquareList(squares, a.cutMove, moves);
        PrintOut("%zu %s\n", i, moves);
    }
    std::fprintf(stderr, "quorbit-cli plan: %s cut at move %d: %zu tasks, %" PRIu64 " nodes above the cut\n", work.name,
                 a.cutMove, plan.tasks.size(), plan.cut.shallowCounted);
    return FinishOutput(PLAN_COMMAND.name);
}

}  // namespace

}  // namespace quorbit
