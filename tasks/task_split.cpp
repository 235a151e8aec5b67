#include "tasks/task_split.h"

#include <cstring>

namespace quorbit {

bool CutTaskChildren(TaskPlan& children, const SubtreeCut& cut, const uint8_t* taskPrefix, int depth) {
    const int childMove = cut.cutMove + depth;
    if (depth < 1 || childMove > HOOK_MOVE) return false;
    return PlanTasks(children, cut.start, cut.end, taskPrefix, cut.cutMove, childMove);
}

void AssembleTaskResult(const TaskPlan& children, const TaskResult* childResults, TaskResult& result) {
    const SubtreeCut& cut = children.cut;
    const int length = cut.prefixLength;  // the task's own cut move
    result.prefixLength = length;
    std::memcpy(result.prefix, cut.prefix, static_cast<size_t>(length));
    result.solutions.clear();
    // The cut walks the task's prefix first, counting each move above the task's last once,
    // as the task's own search does: those are not the task's.
    const uint64_t prefixNodes = static_cast<uint64_t>(length - 1);
    TaskMerge merged{};
    for (size_t j = 0; j < children.tasks.size(); ++j) {
        const TaskResult& child = childResults[j];
        for (const TaskSolution& solution : child.solutions) {
            TaskSolution moved = solution;
            moved.nodeOffset = SolutionNodeTotal(merged, children.tasks[j].shallowBefore, solution) - prefixNodes;
            result.solutions.push_back(moved);
        }
        MergeTask(merged, child);
    }
    for (int k = 0; k < COUNTED_MOVES; ++k)
        result.nodeCounters[k] = (k < length - 1 ? 0 : cut.shallowCounters[k]) + merged.ownCounters[k];
}

}  // namespace quorbit
