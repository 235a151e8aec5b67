// A task split into its own children: the subtree below the task's prefix cut again a move
// or two deeper, so that several threads can share a long task. The children's results,
// put together with what that cut counted, are exactly the task's result as RunTask gives it.
#pragma once

#include "tasks/task_plan.h"
#include "tasks/task_result.h"

namespace quorbit {

// Cuts the task (a prefix of cut.cutMove squares of the unit `cut` describes) at
// cut.cutMove + depth. False when that is below HOOK_MOVE or the prefix is refused.
bool CutTaskChildren(TaskPlan& children, const SubtreeCut& cut, const uint8_t* taskPrefix, int depth);

// The task's result from its children's complete results (one per child, in order): its own
// counters are its last move's node and the cut's nodes below it, plus the children's; its
// tours are the children's, their offsets moved to the task's own count. The index is left
// to the caller.
void AssembleTaskResult(const TaskPlan& children, const TaskResult* childResults, TaskResult& result);

}  // namespace quorbit
