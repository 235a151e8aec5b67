#include "control/end_estimate.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

#include "catalogue/catalogue.h"
#include "control/worker.h"
#include "platform/ticks.h"
#include "results/trial_mark.h"
#include "tasks/node_estimate.h"
#include "tasks/unit_tasks.h"

namespace quorbit {

namespace {

// Descents per wake-up, about a microsecond each: some 4 % of one core until every task has
// had FIRST_ROUNDS of them (the estimate then within a few per cent; for a whole unit, its
// first six seconds), then a tenth of that until ESTIMATE_ROUNDS (for a whole unit, its first
// quarter of an hour): some 5 s of processor time in a unit of hours, and in a trial of a
// minute about 1 %.
constexpr uint32_t FIRST_DESCENTS = 4000;
constexpr uint32_t FIRST_ROUNDS = 16;
constexpr uint32_t LATER_DESCENTS = 400;

// The speed is taken over the last ten minutes, so that a change of load or priority shows
// in the time left within minutes.
constexpr uint32_t SAMPLE_INTERVAL_MS = 1000;
constexpr int RATE_SAMPLES = 601;

constexpr uint64_t ESTIMATE_SEED = 0x71756f7262697421ull;

struct Watch {
    bool active;
    uint32_t serial;  // unitsBegun when the unit began
    int32_t unit;
    bool begun;       // the estimate has its tasks
    bool impossible;  // nothing to cut below the unit's prefix: no estimate for this unit
    bool taskMode;
    NodeEstimate estimate;
    std::vector<uint8_t> done;
    RunSoFar soFar;
    uint32_t sampleTick[RATE_SAMPLES];
    uint64_t sampleNodes[RATE_SAMPLES];
    int samples;  // held, at most RATE_SAMPLES; the newest at index (next - 1)
    int next;
};

Watch& TheWatch() {
    static Watch* watch = new Watch();  // large, and used until the process ends
    return *watch;
}

std::mutex publishedLock;
UnitEndEstimate published{-1, 0, 0, -1};

void Publish(const UnitEndEstimate& estimate) {
    const std::lock_guard<std::mutex> hold(publishedLock);
    published = estimate;
}

// The task run's tasks become the estimate's (task mode shows its run once it is planned).
void BeginFromRun(TaskRun& run, void* context) {
    Watch& watch = *static_cast<Watch*>(context);
    BeginNodeEstimate(watch.estimate, *run.plan, run.budget, ESTIMATE_SEED + static_cast<uint64_t>(watch.unit));
    watch.begun = true;
    watch.taskMode = true;
}

void SampleRun(TaskRun& run, void* context) {
    Watch& watch = *static_cast<Watch*>(context);
    watch.soFar = TaskRunSoFar(run, watch.done);
}

// Begins the estimate of the watched unit when its tasks are known. False while they are not.
bool BeginEstimate(Watch& watch) {
    if (!watch.taskMode) WithWorkerTaskRun(&BeginFromRun, &watch);
    if (watch.begun || watch.impossible || taskThreads.load() > 0) return watch.begun;
    const WorkUnit& work = workUnits[watch.unit];
    uint8_t base[HOOK_MOVE];
    const int length = UnitSearchBase(watch.unit, base);
    watch.begun = BeginSubtreeEstimate(watch.estimate, work.start, work.end, base, length, taskNodeLimit.load(),
                                       ESTIMATE_SEED + static_cast<uint64_t>(watch.unit));
    watch.impossible = !watch.begun;
    return watch.begun;
}

// Nodes per second over the samples held; 0 while they span less than a second.
double RecentSpeed(const Watch& watch) {
    if (watch.samples < 2) return 0;
    const int newest = (watch.next + RATE_SAMPLES - 1) % RATE_SAMPLES;
    const int oldest = (watch.next + RATE_SAMPLES - watch.samples) % RATE_SAMPLES;
    const uint32_t span = watch.sampleTick[newest] - watch.sampleTick[oldest];
    if (span < 1000 || watch.sampleNodes[newest] < watch.sampleNodes[oldest]) return 0;
    return static_cast<double>(watch.sampleNodes[newest] - watch.sampleNodes[oldest]) * 1000.0 / span;
}

void AddSample(Watch& watch, uint32_t tick, uint64_t nodes) {
    watch.sampleTick[watch.next] = tick;
    watch.sampleNodes[watch.next] = nodes;
    watch.next = (watch.next + 1) % RATE_SAMPLES;
    if (watch.samples < RATE_SAMPLES) ++watch.samples;
}

}  // namespace

void FormatEndEstimate(char* out, size_t size, const UnitEndEstimate& estimate) {
    if (out == nullptr || size == 0) return;
    out[0] = '\0';
    if (!(estimate.totalNodes > 0)) return;
    double percent = 100.0 * static_cast<double>(estimate.nodes) / estimate.totalNodes;
    if (!(percent < 99)) percent = 99;  // not done before the end, whatever the estimate says
    if (!(percent > 0)) percent = 0;
    char done[32];
    if (percent < 10)
        std::snprintf(done, sizeof done, "~%.1f %%", std::floor(percent * 10) / 10);
    else
        std::snprintf(done, sizeof done, "~%d %%", static_cast<int>(percent));
    const double seconds = std::fmin(estimate.secondsLeft, 1e9);  // a stalled search: some 30 years
    char left[64] = "";
    if (seconds >= 0) {
        if (seconds < 90) {
            std::snprintf(left, sizeof left, ", about %d s left", std::max(1, static_cast<int>(std::lround(seconds))));
        } else if (seconds < 90 * 60) {
            std::snprintf(left, sizeof left, ", about %ld min left", std::lround(seconds / 60));
        } else if (seconds < 48 * 3600) {
            long minutes = std::lround(seconds / 60);
            std::snprintf(left, sizeof left, ", about %ld h %ld min left", minutes / 60, minutes % 60);
        } else {
            long hours = std::lround(seconds / 3600);
            std::snprintf(left, sizeof left, ", about %ld d %ld h left", hours / 24, hours % 24);
        }
    }
    std::snprintf(out, size, ", %s done%s", done, left);
}

void FormatUnitEndLine(char* out, size_t size, const UnitEndEstimate& estimate) {
    if (out == nullptr || size == 0) return;
    out[0] = '\0';
    const char* name = UnitName(estimate.unit);
    if (name == nullptr) return;
    if (!(estimate.totalNodes > 0)) {
        std::snprintf(out, size, "%s: %" PRIu64 " nodes, its end not estimated yet", name, estimate.nodes);
        return;
    }
    char end[END_ESTIMATE_SIZE];
    FormatEndEstimate(end, sizeof end, estimate);
    std::snprintf(out, size, "%s: %" PRIu64 " nodes of about %.3g%s", name, estimate.nodes, estimate.totalNodes, end);
}

void WatchUnitEnd() {
    Watch& watch = TheWatch();
    const uint32_t serial = unitsBegun.load();
    if (!watch.active || serial != watch.serial) {
        watch.active = true;
        watch.serial = serial;
        watch.unit = currentUnit.load();
        watch.begun = watch.impossible = watch.taskMode = false;
        watch.samples = watch.next = 0;
        Publish(UnitEndEstimate{UnitName(watch.unit) != nullptr ? watch.unit : -1, 0, 0, -1});
    }
    if (UnitName(watch.unit) == nullptr || !BeginEstimate(watch)) return;
    RefineNodeEstimate(watch.estimate, watch.estimate.rounds < FIRST_ROUNDS ? FIRST_DESCENTS : LATER_DESCENTS);

    const uint32_t now = TickCount();
    if (watch.taskMode) {
        if (!WithWorkerTaskRun(&SampleRun, &watch)) return;  // the unit's run has ended
    } else {
        // Every wake-up, so that the task the search is in is seen soon after it is entered.
        watch.soFar = FollowSingleSearch(watch.estimate, workerSearchState, NodeTotal(workerSearchState));
    }
    if (watch.samples > 0 && now - watch.sampleTick[(watch.next + RATE_SAMPLES - 1) % RATE_SAMPLES] < SAMPLE_INTERVAL_MS)
        return;
    AddSample(watch, now, watch.soFar.nodes);
    UnitEndEstimate estimate{watch.unit, watch.soFar.nodes, 0, -1};
    if (EstimateReady(watch.estimate)) {
        estimate.totalNodes = EstimateTotalNodes(watch.estimate, watch.soFar);
        const double speed = RecentSpeed(watch);
        if (speed > 0) estimate.secondsLeft = (estimate.totalNodes - static_cast<double>(estimate.nodes)) / speed;
    }
    Publish(estimate);
}

void ForgetUnitEnd() {
    TheWatch().active = false;
    Publish(UnitEndEstimate{-1, 0, 0, -1});
}

UnitEndEstimate LastUnitEnd() {
    const std::lock_guard<std::mutex> hold(publishedLock);
    return published;
}

}  // namespace quorbit
