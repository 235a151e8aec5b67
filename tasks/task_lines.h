// A task's tours as the lines the single search reports for them, for task mode and for the
// merge of task files alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "search/search_state.h"
#include "tasks/task_plan.h"
#include "tasks/task_result.h"

namespace quorbit {

// The "Solution N: ..." lines of the task's tours, numbered after the tours of the tasks
// before it (`before`), each with the node count the single search had when it found the
// tour and the elapsed time given. `scratch` holds each tour's squares while its line is made.
std::vector<std::string> TaskSolutionLines(const TaskResult& result, const PlannedTask& planned, const TaskMerge& before,
                                           int32_t elapsedMs, SearchState& scratch);

}  // namespace quorbit
