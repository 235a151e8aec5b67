#include "tasks/node_estimate.h"

#include <algorithm>
#include <cstring>

namespace quorbit {

namespace {

// How far, in standard deviations of the descents' estimates, the complete tasks' real sizes
// may lie from their estimates by chance alone. Scaling the rest by a chance difference only
// adds the complete tasks' errors to the rest's (measured: see docs/progress-estimate.md).
constexpr double CHANCE_DEVIATIONS = 3;

uint64_t TaskCount(const NodeEstimate& estimate) { return estimate.plan.tasks.size(); }

uint32_t Descents(const NodeEstimate& estimate, uint64_t task) {
    return estimate.rounds + (task < estimate.nextTask ? 1 : 0);
}

// The task's estimate: the mean of its descents.
double TaskEstimate(const NodeEstimate& estimate, uint64_t task) {
    const uint32_t descents = Descents(estimate, task);
    return descents != 0 ? estimate.sums[task] / descents : 0;
}

// The variance of that mean, from the descents' spread (after a single descent, its square:
// an error as large as the estimate itself).
double TaskVariance(const NodeEstimate& estimate, uint64_t task) {
    const uint32_t n = Descents(estimate, task);
    const double mean = TaskEstimate(estimate, task);
    if (n < 2) return mean * mean;
    return std::max(0.0, (estimate.squares[task] / n - mean * mean) / (n - 1));
}

bool PrefixBefore(const NodeEstimate& estimate, uint32_t a, const uint8_t* b) {
    return std::memcmp(estimate.plan.tasks[a].prefix, b, static_cast<size_t>(estimate.plan.cut.cutMove)) < 0;
}

// The task whose prefix the squares are, or -1.
int64_t FindTask(const NodeEstimate& estimate, const uint8_t* squares) {
    const auto at = std::lower_bound(estimate.byPrefix.begin(), estimate.byPrefix.end(), squares,
                                     [&](uint32_t task, const uint8_t* key) { return PrefixBefore(estimate, task, key); });
    if (at == estimate.byPrefix.end() ||
        std::memcmp(estimate.plan.tasks[*at].prefix, squares, static_cast<size_t>(estimate.plan.cut.cutMove)) != 0)
        return -1;
    return *at;
}

}  // namespace

void BeginNodeEstimate(NodeEstimate& estimate, const TaskPlan& plan, uint64_t nodeLimit, uint64_t seed) {
    estimate.plan = plan;
    estimate.nodeLimit = nodeLimit;
    PrepareDescentWalker(estimate.walker, plan.cut.start, plan.cut.end);
    estimate.random = DescentRandom{seed};
    estimate.sums.assign(plan.tasks.size(), 0);
    estimate.squares.assign(plan.tasks.size(), 0);
    // A cut without tasks is known exactly from the start.
    estimate.rounds = plan.tasks.empty() ? ESTIMATE_ROUNDS : 0;
    estimate.nextTask = 0;
    estimate.byPrefix.resize(plan.tasks.size());
    for (uint32_t i = 0; i < estimate.byPrefix.size(); ++i) estimate.byPrefix[i] = i;
    std::sort(estimate.byPrefix.begin(), estimate.byPrefix.end(),
              [&](uint32_t a, uint32_t b) { return PrefixBefore(estimate, a, estimate.plan.tasks[b].prefix); });
    estimate.current = 0;
    estimate.nodesAtCurrent = 0;
}

bool BeginSubtreeEstimate(NodeEstimate& estimate, int start, int end, const uint8_t* prefix, int prefixLength,
                          uint64_t nodeLimit, uint64_t seed) {
    static TaskPlan plan;  // large; one estimate is begun at a time
    const int cutMove = ChooseCutMove(start, end, prefix, prefixLength, TasksAimedAt(1));
    if (!PlanTasks(plan, start, end, prefix, prefixLength, cutMove)) return false;
    BeginNodeEstimate(estimate, plan, nodeLimit, seed);
    return true;
}

void RefineNodeEstimate(NodeEstimate& estimate, uint32_t descents) {
    const uint64_t count = TaskCount(estimate);
    const int length = estimate.plan.cut.cutMove;
    for (uint32_t k = 0; k < descents && estimate.rounds < ESTIMATE_ROUNDS; ++k) {
        const uint64_t task = estimate.nextTask;
        const double one = SumOfDescents(estimate.walker, estimate.plan.tasks[task].prefix, length, 1, estimate.random);
        estimate.sums[task] += one;
        estimate.squares[task] += one * one;
        if (++estimate.nextTask == count) {
            estimate.nextTask = 0;
            ++estimate.rounds;
        }
    }
}

double EstimateTotalNodes(const NodeEstimate& estimate, const RunSoFar& run) {
    const uint64_t count = TaskCount(estimate);
    const SubtreeCut& cut = estimate.plan.cut;
    const uint64_t earliest = std::min(run.earliest, count);
    const uint64_t begun = std::min(std::max(run.begun, earliest), count);
    const uint64_t shallowBefore = earliest < count ? estimate.plan.tasks[earliest].shallowBefore : cut.shallowCounted;
    double done = 0, doneVariance = 0, begunLeft = 0, waiting = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const double e = TaskEstimate(estimate, i);
        const bool complete = run.done != nullptr ? run.done[i] != 0 : i < earliest;
        if (complete) {
            done += e;
            doneVariance += TaskVariance(estimate, i);
        } else if (i < begun) {
            begunLeft += e;
        } else {
            waiting += e;
        }
    }
    // The share of the difference that chance does not explain: none within CHANCE_DEVIATIONS,
    // nearly all of it far beyond.
    const double difference = static_cast<double>(run.doneNodes) - done;
    const double squared = difference * difference;
    const double bound = CHANCE_DEVIATIONS * CHANCE_DEVIATIONS * doneVariance;
    const double kept = squared > bound ? 1 - bound / squared : 0;
    const double scale = done > 0 ? 1 + kept * difference / done : 1;
    // What the begun tasks have counted so far, past the nodes of the complete ones.
    const uint64_t counted = shallowBefore + run.doneNodes;
    const double inflight = run.nodes > counted ? static_cast<double>(run.nodes - counted) : 0;
    const double toCome = static_cast<double>(cut.shallowCounted - std::min(shallowBefore, cut.shallowCounted)) +
                          scale * waiting + std::max(0.0, scale * begunLeft - inflight);
    double total = static_cast<double>(run.nodes) + toCome;
    if (estimate.nodeLimit != 0) total = std::min(total, static_cast<double>(estimate.nodeLimit));
    return std::max(total, static_cast<double>(run.nodes));
}

RunSoFar TaskRunSoFar(TaskRun& run, std::vector<uint8_t>& done) {
    // Handed on first: a task is done before it is handed on, so those before it are all marked.
    const uint64_t earliest = run.outputNext.load();
    const uint64_t count = run.plan->tasks.size();
    done.assign(count, 0);
    uint64_t doneNodes = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t status = run.status[i].load(std::memory_order_acquire);
        if (status != TASK_DONE && status != TASK_CAPPED) continue;
        done[i] = 1;
        doneNodes += run.ownNodes[i].load(std::memory_order_relaxed);
    }
    const uint64_t begun = run.nextTask.load();
    uint32_t path[SQUARE_COUNT];
    uint64_t nodes = 0;
    TaskRunProgress(run, path, nodes);
    return RunSoFar{nodes, earliest, begun, done.data(), doneNodes};
}

RunSoFar FollowSingleSearch(NodeEstimate& estimate, const SearchState& search, uint64_t nodes) {
    const int length = estimate.plan.cut.cutMove;
    uint8_t first[HOOK_MOVE], again[HOOK_MOVE];
    for (int i = 0; i < length; ++i) first[i] = static_cast<uint8_t>(search.path[i].load(std::memory_order_relaxed));
    for (int i = 0; i < length; ++i) again[i] = static_cast<uint8_t>(search.path[i].load(std::memory_order_relaxed));
    const int64_t found = std::memcmp(first, again, static_cast<size_t>(length)) == 0 ? FindTask(estimate, first) : -1;
    if (found >= 0) {
        const auto task = static_cast<uint64_t>(found);
        // The search reaches a task only after every node above the cut before it and at
        // least one node of each earlier task.
        if (task > estimate.current && nodes >= estimate.plan.tasks[task].shallowBefore + task) {
            estimate.current = task;
            estimate.nodesAtCurrent = nodes;
        }
    }
    const uint64_t current = estimate.current;
    const uint64_t shallowBefore = current < TaskCount(estimate) ? estimate.plan.tasks[current].shallowBefore : 0;
    const uint64_t doneNodes = estimate.nodesAtCurrent > shallowBefore ? estimate.nodesAtCurrent - shallowBefore : 0;
    return RunSoFar{nodes, current, current + 1, nullptr, doneNodes};
}

}  // namespace quorbit
