#include "tasks/task_plan.h"

#include <cstring>

namespace quorbit {

namespace {

bool CountTask(const uint8_t*, uint64_t, void* context) {
    auto& aim = *static_cast<uint64_t*>(context);
    return --aim != 0;  // enough tasks seen: this cut will do
}

bool KeepTask(const uint8_t* prefix, uint64_t shallowBefore, void* context) {
    auto& plan = *static_cast<TaskPlan*>(context);
    PlannedTask task{};
    std::memcpy(task.prefix, prefix, static_cast<size_t>(plan.cut.cutMove));
    task.shallowBefore = shallowBefore;
    plan.tasks.push_back(task);
    return true;
}

bool IgnoreTask(const uint8_t*, uint64_t, void*) { return true; }

SubtreeCut CutOf(int start, int end, const uint8_t* prefix, int prefixLength, int cutMove) {
    SubtreeCut cut{};
    cut.start = start;
    cut.end = end;
    cut.prefixLength = prefixLength;
    if (prefixLength > 0 && prefixLength <= HOOK_MOVE) std::memcpy(cut.prefix, prefix, static_cast<size_t>(prefixLength));
    cut.cutMove = cutMove;
    return cut;
}

}  // namespace

int ChooseCutMove(int start, int end, const uint8_t* prefix, int prefixLength, uint64_t aim) {
    const int deepest = prefixLength + 16 < HOOK_MOVE - 1 ? prefixLength + 16 : HOOK_MOVE - 1;
    for (int move = prefixLength + 1; move <= deepest; ++move) {
        SubtreeCut cut = CutOf(start, end, prefix, prefixLength, move);
        uint64_t left = aim;
        if (!CutSubtree(cut, &CountTask, &left)) return 0;
        if (cut.ended || move == deepest) return move;
    }
    return prefixLength + 1;  // a prefix of HOOK_MOVE - 1 moves or more: one cut is left
}

bool PlanTasks(TaskPlan& plan, int start, int end, const uint8_t* prefix, int prefixLength, int cutMove) {
    plan.cut = CutOf(start, end, prefix, prefixLength, cutMove);
    plan.tasks.clear();
    return CutSubtree(plan.cut, &KeepTask, &plan);
}

void ShallowCountsAt(const TaskPlan& plan, uint64_t shallowNodes, uint64_t counters[COUNTED_MOVES]) {
    SubtreeCut cut = plan.cut;
    if (shallowNodes == 0) {
        for (int k = 0; k < COUNTED_MOVES; ++k) counters[k] = 0;
        return;
    }
    if (shallowNodes < plan.cut.shallowCounted) {
        cut.shallowLimit = shallowNodes;
        CutSubtree(cut, &IgnoreTask, nullptr);
    }
    std::memcpy(counters, cut.shallowCounters, sizeof cut.shallowCounters);
}

void UnitCountsAt(const TaskPlan& plan, uint64_t shallowNodes, const TaskMerge& merged, uint64_t counters[COUNTED_MOVES]) {
    ShallowCountsAt(plan, shallowNodes, counters);
    for (int k = 0; k < COUNTED_MOVES; ++k) counters[k] += merged.ownCounters[k];
}

}  // namespace quorbit
