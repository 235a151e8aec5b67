#include "tasks/task_lines.h"

#include "results/unit_report.h"

namespace quorbit {

std::vector<std::string> TaskSolutionLines(const TaskResult& result, const PlannedTask& planned, const TaskMerge& before,
                                           int32_t elapsedMs, SearchState& scratch) {
    std::vector<std::string> lines;
    int32_t number = before.solutions;
    for (const TaskSolution& solution : result.solutions) {
        for (int i = 0; i < SQUARE_COUNT; ++i) scratch.path[i].store(solution.squares[i], std::memory_order_relaxed);
        char line[SOLUTION_LINE_SIZE];
        FormatSolutionLine(line, sizeof line, ++number, scratch, elapsedMs,
                           SolutionNodeTotal(before, planned.shallowBefore, solution));
        lines.emplace_back(line);
    }
    return lines;
}

}  // namespace quorbit
