// Short work for trials and tests: with QUORBIT_UNIT_NODE_LIMIT=N in the environment, every
// unit that `quorbit-cli run` or the desktop program computes stops after N nodes and is
// reported as finished, so
// a queue runs out in moments; with QUORBIT_UNIT_PREFIX_MOVES=M every unit is searched only
// below its first M moves as the search first takes them (a subtree of the unit), and
// reported as finished. Such results are not a whole unit's; the programs say so when they
// start.
#pragma once

#include <cstdint>

namespace quorbit {

inline constexpr const char* UNIT_NODE_LIMIT_VARIABLE = "QUORBIT_UNIT_NODE_LIMIT";
inline constexpr const char* UNIT_PREFIX_MOVES_VARIABLE = "QUORBIT_UNIT_PREFIX_MOVES";

struct ShortWork {
    uint64_t nodeLimit;   // 0: none
    int32_t prefixMoves;  // 0: whole units
};

// Reads the variables and, when either is set, puts the short search in place of the whole
// units. A set but bad value (the limit not a positive count, the moves not 2..33) is
// refused: false, and nothing changes.
bool InstallShortWork(ShortWork& work);

}  // namespace quorbit
