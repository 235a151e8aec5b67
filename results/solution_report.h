// Reports each tour the worker's search completes: numbered within its unit, printed with
// the time and node count reached, kept in "SOLUTION.TXT" and logged once in "LOGSOL.TXT".
#pragma once

#include "search/search_state.h"

namespace quorbit {

// The worker's solution sink, its context the unit's UnitRun (results/unit_run.h); runs on the worker thread while the search waits. Once the
// search has been asked to halt it reports nothing: the unit will be computed again. A tour
// that cannot be written to "SOLUTION.TXT" and "LOGSOL.TXT" (the failure is recorded)
// asks the computation to stop and the search to halt, so that nothing more is written.
void ReportSolution(const SearchState& state, void* context);

}  // namespace quorbit
