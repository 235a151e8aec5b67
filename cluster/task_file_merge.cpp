#include "cluster/task_file_merge.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "results/unit_report.h"
#include "tasks/task_lines.h"

namespace quorbit {

namespace {

std::string Range(uint64_t first, uint64_t last) {
    return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
}

bool SamePrefix(const uint8_t* a, int32_t aLength, const uint8_t* b, int32_t bLength) {
    return aLength == bLength && std::memcmp(a, b, static_cast<size_t>(aLength)) == 0;
}

int32_t Milliseconds(uint64_t ms) { return ms > INT32_MAX ? INT32_MAX : static_cast<int32_t>(ms); }

}  // namespace

std::string CheckTaskFileCover(const TaskPlan& plan, int32_t unit, const std::vector<TaskFile>& files,
                               const std::vector<std::string>& names) {
    const SubtreeCut& cut = plan.cut;
    const uint64_t count = plan.tasks.size();
    std::string problems;
    std::vector<int> holder(count, -1);
    struct Twice {
        uint64_t from, last;
        int first, second;  // the files
    };
    std::vector<Twice> twice;
    for (size_t f = 0; f < files.size(); ++f) {
        const TaskFileHeader& h = files[f].header;
        if (h.unit != unit || !SamePrefix(h.prefix, h.prefixLength, cut.prefix, cut.prefixLength) ||
            h.cutMove != cut.cutMove || h.planTasks != count) {
            problems += names[f] + ": tasks of another search (another unit, prefix or cut)\n";
            continue;
        }
        for (const TaskResult& result : files[f].results) {
            const uint64_t i = result.index;
            if (!SamePrefix(result.prefix, result.prefixLength, plan.tasks[i].prefix, cut.cutMove)) {
                problems += names[f] + ": task " + std::to_string(i) + " is not this plan's task " + std::to_string(i) + "\n";
            } else if (holder[i] >= 0) {
                // Told once per run of tasks that the same two files hold.
                if (twice.empty() || twice.back().last + 1 != i || twice.back().first != holder[i] ||
                    twice.back().second != static_cast<int>(f))
                    twice.push_back({i, i, holder[i], static_cast<int>(f)});
                else
                    twice.back().last = i;
            } else {
                holder[i] = static_cast<int>(f);
            }
        }
    }
    for (const Twice& t : twice)
        problems += std::string(t.from == t.last ? "task " : "tasks ") + Range(t.from, t.last) + (t.from == t.last ? " is" : " are") +
                    " in both " + names[static_cast<size_t>(t.first)] + " and " + names[static_cast<size_t>(t.second)] + "\n";
    std::string missing;
    int ranges = 0;
    for (uint64_t i = 0; i < count;) {
        if (holder[i] >= 0) {
            ++i;
            continue;
        }
        uint64_t last = i;
        while (last + 1 < count && holder[last + 1] < 0) ++last;
        if (++ranges <= 20) missing += (missing.empty() ? "" : ", ") + Range(i, last);
        i = last + 1;
    }
    if (ranges > 20) missing += " and " + std::to_string(ranges - 20) + " more ranges";
    if (!missing.empty()) problems += "no file holds the tasks " + missing + " (of 0-" + std::to_string(count - 1) + ")\n";
    return problems;
}

void EmitMergedTaskFiles(const TaskPlan& plan, const char* unitName, const std::vector<TaskFile>& files,
                         const MergeEmitter& emit) {
    // The files in the plan's order; each tour shows the time of the files up to its own.
    std::vector<const TaskFile*> ordered;
    for (const TaskFile& file : files) ordered.push_back(&file);
    std::sort(ordered.begin(), ordered.end(),
              [](const TaskFile* a, const TaskFile* b) { return a->header.first < b->header.first; });
    auto state = std::make_unique<SearchState>();
    TaskMerge merge{};
    uint64_t elapsed = 0, cycles = 0;
    for (const TaskFile* file : ordered) {
        elapsed += file->elapsedMs;
        cycles += file->cycles;
        for (const TaskResult& result : file->results) {
            for (const std::string& line :
                 TaskSolutionLines(result, plan.tasks[result.index], merge, Milliseconds(elapsed), *state))
                emit.solution(line.c_str());
            MergeTask(merge, result);
        }
    }
    uint64_t counters[COUNTED_MOVES];
    UnitCountsAt(plan, plan.cut.shallowCounted, merge, counters);
    for (int k = 0; k < COUNTED_MOVES; ++k) state->nodeCounters[k].store(counters[k]);
    EmitUnitResults(unitName, Milliseconds(elapsed), cycles, merge.solutions, *state, emit.results);
}

}  // namespace quorbit
