// Short work for trials and tests: with QUORBIT_UNIT_NODE_LIMIT=N in the environment, every
// unit that `quorbit-cli run` computes stops after N nodes and is reported as finished, so
// a queue runs out in moments. Its results are then not a whole unit's; the program says
// so on standard error when it starts.
#pragma once

#include <cstdint>

namespace quorbit {

inline constexpr const char* UNIT_NODE_LIMIT_VARIABLE = "QUORBIT_UNIT_NODE_LIMIT";

// Reads the variable and, when it holds a positive count, puts the limited search in place
// of the whole units. Returns the limit (0 when unset). A set but bad value is refused:
// *bad is set and nothing changes.
uint64_t InstallShortWork(bool* bad);

}  // namespace quorbit
