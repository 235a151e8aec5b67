#include "results/solution_report.h"

#include "results/unit_report.h"
#include "results/unit_run.h"
#include "support/results_file.h"

namespace quorbit {

void ReportSolution(const SearchState& state, void* context) {
    UnitRun& unit = *static_cast<UnitRun*>(context);
    if (state.haltRequested.load(std::memory_order_relaxed)) return;
    const uint64_t total = NodeTotal(state);
    const int32_t number = unit.solutions.fetch_add(1, std::memory_order_relaxed) + 1;
    char line[SOLUTION_LINE_SIZE];
    FormatSolutionLine(line, sizeof line, number, state, UnitElapsedMs(unit), total);
    // The console line also takes the place of a progress line shown last.
    if (ReportLine(line) && LogSolutionLine(line)) return;
    // A tour that is not in both files: nothing more is written for the unit. The search
    // unwinds, the unit stays queued, and the worker ends saying why (the failure is recorded).
    AskUnitStop(unit);
    // The halt is the one thing a sink may change: the search reads it, it never writes it.
    RequestSearchHalt(const_cast<SearchState&>(state));
}

}  // namespace quorbit
