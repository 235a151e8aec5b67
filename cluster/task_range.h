// A range of a plan's tasks searched into a task file: the piece of a unit that one job of
// a cluster does.
#pragma once

#include <cstdint>

#include "cluster/task_file.h"
#include "tasks/task_plan.h"
#include "tasks/task_run.h"

namespace quorbit {

struct TaskRange {
    TaskPlan plan;  // the range's tasks only, with the whole plan's cut
    TaskRun run;    // HaltTaskRun(run) stops the search from another thread or a signal handler
};

// Readies the search of the tasks first..last (last < the plan's task count) on threadCount
// threads into file, whose header it fills. From here HaltTaskRun(range.run) may be called.
void PrepareTaskRange(const TaskPlan& plan, int32_t unit, uint64_t first, uint64_t last, int threadCount,
                      TaskRange& range, TaskFile& file);

// Searches the range, adding the tasks' results in order and the time taken to file. Only
// a Finished search gives a whole file; a halted one leaves it incomplete.
SearchOutcome SearchTaskRange(TaskRange& range, TaskFile& file);

}  // namespace quorbit
