#include "cluster/task_range.h"

#include "platform/ticks.h"

namespace quorbit {

namespace {

void Collect(const TaskResult& result, const PlannedTask&, const TaskMerge&, void* context) {
    auto& file = *static_cast<TaskFile*>(context);
    file.results.push_back(result);
    file.results.back().index += file.header.first;  // the range's own numbering starts at 0
}

}  // namespace

void PrepareTaskRange(const TaskPlan& plan, int32_t unit, uint64_t first, uint64_t last, int threadCount,
                      TaskRange& range, TaskFile& file) {
    const SubtreeCut& cut = plan.cut;
    file = TaskFile{};
    file.header = {unit, cut.prefixLength, {}, cut.cutMove, plan.tasks.size(), first, last};
    for (int i = 0; i < cut.prefixLength; ++i) file.header.prefix[i] = cut.prefix[i];
    range.plan.cut = cut;
    range.plan.tasks.assign(plan.tasks.begin() + static_cast<long>(first), plan.tasks.begin() + static_cast<long>(last) + 1);
    PrepareTaskRun(range.run, range.plan, threadCount, 0, TaskOutput{&Collect, nullptr, nullptr, &file});
}

SearchOutcome SearchTaskRange(TaskRange& range, TaskFile& file) {
    const uint32_t startTick = TickCount();
    const uint64_t cyclesBefore = ReadCycleCounter();
    const SearchOutcome outcome = RunTasks(range.run);
    file.cycles = ReadCycleCounter() - cyclesBefore;
    file.elapsedMs = TickCount() - startTick;
    return outcome;
}

}  // namespace quorbit
