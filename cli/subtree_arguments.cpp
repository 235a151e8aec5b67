#include "cli/subtree_arguments.h"

#include <cstdlib>

#include "catalogue/catalogue.h"
#include "cli/cli_arguments.h"
#include "search/path_text.h"
#include "search/prefix_walk.h"
#include "search/subtree_cut.h"

namespace quorbit {

namespace {

bool CountOne(const uint8_t*, uint64_t, void* context) {
    auto& counter = *static_cast<uint64_t(*)[2]>(context);
    return ++counter[0] < counter[1];
}

}  // namespace

uint64_t CountTasks(const SubtreeArguments& a, uint64_t limit) {
    SubtreeCut cut{};
    cut.start = workUnits[a.unit].start;
    cut.end = workUnits[a.unit].end;
    for (int i = 0; i < a.prefixLength; ++i) cut.prefix[i] = a.prefix[i];
    cut.prefixLength = a.prefixLength;
    cut.cutMove = a.cutMove;
    uint64_t counter[2] = {0, limit};
    CutSubtree(cut, &CountOne, &counter);
    return counter[0];
}

int ReadSubtreeArguments(const Subcommand& command, int operandCount, char** operands, const char* prefixText,
                         const char* cutText, SubtreeArguments& out) {
    char quoted[160];
    if (operandCount == 0)
        return RefuseArguments(command, "which unit? Give a number 0..44 or a name such as a1-a2");
    if (operandCount > 1) {
        QuoteArgument(operands[1], quoted, sizeof quoted);
        return RefuseArguments(command, "one unit at a time; %s is one too many", quoted);
    }
    out.unit = ParseUnitArgument(operands[0]);
    if (out.unit < 0) {
        QuoteArgument(operands[0], quoted, sizeof quoted);
        return RefuseArguments(command, "no such unit: %s (give a number 0..44 or a name such as a1-a2)", quoted);
    }
    const WorkUnit& work = workUnits[out.unit];
    out.prefix[0] = work.start;
    out.prefixLength = 1;
    if (prefixText != nullptr) {
        char error[128];
        out.prefixLength = ParseSquareList(prefixText, out.prefix, HOOK_MOVE, error, sizeof error);
        if (out.prefixLength < 0) return RefuseArguments(command, "bad --prefix: %s", error);
        const PrefixCheck check = CheckPrefix(work.start, work.end, out.prefix, out.prefixLength);
        if (check.badMove != 0)
            return RefuseArguments(command, "bad --prefix at move %d: %s", check.badMove, check.reason);
    }
    out.cutMove = 0;
    if (cutText != nullptr) {
        uint64_t move = 0;
        if (!ParsePositiveCount(cutText, move) || move <= static_cast<uint64_t>(out.prefixLength) || move >= HOOK_MOVE) {
            QuoteArgument(cutText, quoted, sizeof quoted);
            return RefuseArguments(command, "--cut takes a move number from %d to %d (below the prefix), not %s",
                                   out.prefixLength + 1, HOOK_MOVE - 1, quoted);
        }
        out.cutMove = static_cast<int>(move);
        if (CountTasks(out, MAX_PLANNED_TASKS + 1) > MAX_PLANNED_TASKS)
            return RefuseArguments(command,
                                   "a cut at move %d gives more than %llu tasks; choose a cut nearer the start "
                                   "('quorbit-cli plan %s' shows the counts)",
                                   out.cutMove, static_cast<unsigned long long>(MAX_PLANNED_TASKS), work.name);
    }
    return -1;
}

}  // namespace quorbit
