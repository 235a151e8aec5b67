#include "control/solution_report.h"

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
    ReportLine(line);
    LogSolutionLine(line);
}

}  // namespace quorbit
