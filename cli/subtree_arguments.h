// The arguments that name a piece of a unit's search, shared by the commands that plan,
// search and merge tasks: UNIT, --prefix MOVES and --cut MOVE.
#pragma once

#include <cstdint>

#include "cli/subcommand.h"
#include "search/search_state.h"

namespace quorbit {

struct SubtreeArguments {
    int unit;
    uint8_t prefix[SQUARE_COUNT];  // the unit's start alone without --prefix
    int prefixLength;
    int cutMove;  // 0 without --cut
};

// A plan's list is held in memory (about 50 bytes a task): deeper cuts are refused.
inline constexpr uint64_t MAX_PLANNED_TASKS = 2000000;

inline constexpr CliOption PREFIX_OPTION = {"prefix", 0, "MOVES", nullptr};
inline constexpr CliOption CUT_OPTION = {"cut", 0, "MOVE", nullptr};

// Reads the unit (the one operand expected), the prefix and the cut, which must lie below
// the prefix and give at most MAX_PLANNED_TASKS tasks. Returns -1 when the command goes on, or the exit status after a refusal.
int ReadSubtreeArguments(const Subcommand& command, int operandCount, char** operands, const char* prefixText,
                         const char* cutText, SubtreeArguments& out);

// The tasks a cut at a.cutMove gives, counted up to limit.
uint64_t CountTasks(const SubtreeArguments& a, uint64_t limit);

}  // namespace quorbit
