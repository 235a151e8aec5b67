#include "control/solution_report.h"

#include "control/computation.h"
#include "control/unit_report.h"
#include "control/worker.h"
#include "support/results_file.h"
#include "support/ticks.h"

namespace quorbit {

void ReportSolution(const SearchState& state, void*) {
    if (state.haltRequested.load(std::memory_order_relaxed)) return;
    const uint32_t now = TickCount();
    const uint64_t total = NodeTotal(state);
    const int32_t number = solutionCount.fetch_add(1, std::memory_order_relaxed) + 1;
    char line[SOLUTION_LINE_SIZE];
    FormatSolutionLine(line, sizeof line, number, state,
                       static_cast<int32_t>(now - unitStartTick.load(std::memory_order_relaxed)), total);
    // The console line also takes the place of a progress line shown last.
    if (ReportLine(line) && LogSolutionLine(line)) return;
    // A tour that is not in both files: nothing more is written for the unit. The search
    // unwinds, the unit stays queued, and the worker ends saying why (the failure is recorded).
    stopRequest.fetch_or(1);
    // The halt is the one thing a sink may change: the search reads it, it never writes it.
    RequestSearchHalt(const_cast<SearchState&>(state));
}

}  // namespace quorbit
