// Task files from any number of machines, merged into the single search's results: first
// checked to be the tasks of one plan, each exactly once, then handed on in the plan's
// order as the solution lines, summary and node detail the single search would write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cluster/task_file.h"
#include "tasks/task_plan.h"

namespace quorbit {

// Empty when the files hold every task of the plan exactly once and are all of the plan
// (unit, prefix, cut and size, and each task's prefix); otherwise what is wrong, one line
// each, naming the files (names[i] is files[i]'s) and the tasks missing or held twice.
std::string CheckTaskFileCover(const TaskPlan& plan, int32_t unit, const std::vector<TaskFile>& files,
                               const std::vector<std::string>& names);

struct MergeEmitter {
    void (*solution)(const char* line);  // each solution line, in order
    void (*results)(const char* line);   // then the summary and the node detail
};

// Hands on the merged results of files that passed CheckTaskFileCover. The times are the
// files' own: a tour's line shows the time of the files up to and with its own, the
// summary the time and cycles of all of them.
void EmitMergedTaskFiles(const TaskPlan& plan, const char* unitName, const std::vector<TaskFile>& files,
                         const MergeEmitter& emit);

}  // namespace quorbit
