#include "tests/control/computation_fixture.h"

#include <chrono>
#include <regex>
#include <thread>

#include "catalogue/catalogue.h"
#include "control/computation.h"
#include "control/progress.h"
#include "results/unit_report.h"
#include "control/worker.h"
#include "search/subtree_search.h"
#include "support/cpu_identity.h"
#include "support/priority.h"
#include "support/results_file.h"
#include "tests/search_fixtures.h"

namespace quorbit::testing {

std::atomic<bool> holdActive{false};
std::atomic<bool> holdReached{false};
std::atomic<int> shortUnitRuns{0};

namespace {

constexpr int64_t FIXED_TIME = 1800000000;
int64_t FixedClock() { return FIXED_TIME; }

void Record(void* context, const std::string& call) {
    RecordingShell& shell = *static_cast<RecordingShell*>(context);
    std::lock_guard<std::mutex> hold(shell.lock);
    shell.calls.push_back(call);
}

// Per unit, worked out once under planLock: the first descent and three tours.
struct UnitMaterial {
    std::vector<uint8_t> descent;
    std::vector<std::vector<int>> tours;
};
std::mutex planLock;
std::vector<ShortStep> shortPlan;
UnitMaterial material[WORK_UNIT_COUNT];

std::vector<ShortStep> PlanFor(int32_t unit, const UnitMaterial** m) {
    std::lock_guard<std::mutex> hold(planLock);
    UnitMaterial& u = material[unit];
    if (u.descent.empty()) {
        const std::vector<int> descent = FirstDescent(workUnits[unit].start, workUnits[unit].end, 12);
        u.descent.assign(descent.begin(), descent.end());
        // Tour k: the start, the other squares in turn from the k-th, the end.
        std::vector<int> middle;
        for (int q = 0; q < SQUARE_COUNT; ++q)
            if (q != workUnits[unit].start && q != workUnits[unit].end) middle.push_back(q);
        for (int k = 0; k < 3; ++k) {
            std::vector<int> tour = {workUnits[unit].start};
            for (size_t i = 0; i < middle.size(); ++i) tour.push_back(middle[(i + k) % middle.size()]);
            tour.push_back(workUnits[unit].end);
            u.tours.push_back(tour);
        }
    }
    *m = &u;
    std::vector<ShortStep> steps;
    for (const ShortStep& step : shortPlan)
        if (step.unit < 0 || step.unit == unit) steps.push_back(step);
    return steps;
}

struct Capture {
    std::string text;
    int32_t number = 0;
};

void CaptureSolution(const SearchState& state, void* context) {
    Capture& capture = *static_cast<Capture*>(context);
    char line[SOLUTION_LINE_SIZE];
    FormatSolutionLine(line, sizeof line, ++capture.number, state, 0, NodeTotal(state));
    capture.text += line;
}

Capture* emitted = nullptr;
void EmitTo(const char* line) { emitted->text += line; }

}  // namespace

RecordingShell::RecordingShell() {
    ops = {[](bool replaced, int32_t completed, void* context) {
               const std::string newest = ConsoleSlot(1);
               RecordingShell& shell = *static_cast<RecordingShell*>(context);
               if (shell.onRedraw) shell.onRedraw(newest);
               Record(context, (replaced ? "replace " : "redraw " + std::to_string(completed) + " ") + newest);
           },
           [](int32_t state, void* context) {
               RecordingShell& shell = *static_cast<RecordingShell*>(context);
               Record(context, "menu " + std::to_string(state));
               std::lock_guard<std::mutex> hold(shell.lock);
               shell.item = MenuItemAfter(shell.item, state);
               shell.items.push_back(shell.item.text);
           },
           [](const char* status, void* context) { Record(context, std::string("title ") + status); },
           [](const char* tip, void* context) {
               Record(context, std::string("tray ") + tip + " " + std::to_string(ComputationState()));
           },
           [](const char* text, const char* caption, void* context) {
               Record(context, std::string("message ") + caption + ": " + text);
           },
           this};
}

std::vector<std::string> RecordingShell::Calls(bool withRedraws) {
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::string> kept;
    for (const std::string& call : calls)
        if (withRedraws || (call.rfind("redraw ", 0) != 0 && call.rfind("replace ", 0) != 0)) kept.push_back(call);
    return kept;
}

void SetShortUnitPlan(const std::vector<ShortStep>& plan) {
    std::lock_guard<std::mutex> hold(planLock);
    shortPlan = plan;
}

int RunShortUnit(int32_t unit, SearchState& state) {
    shortUnitRuns.fetch_add(1);
    if (unit < 0 || unit >= WORK_UNIT_COUNT) return 1;
    const UnitMaterial* m;
    const WorkUnit& w = workUnits[unit];
    for (const ShortStep& step : PlanFor(unit, &m)) {
        if (step.kind == ShortStep::Sleep) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step.value));
        } else if (step.kind == ShortStep::Report) {
            for (int i = 0; i < SQUARE_COUNT; ++i) state.path[i].store(static_cast<uint32_t>(m->tours[step.value][i]));
            state.solutionSink(state, state.solutionContext);
        } else if (step.kind == ShortStep::Search) {
            if (SearchSubtree(state, w.start, w.end, m->descent.data(), step.value, 0) != SearchOutcome::Finished)
                return 0;  // halted: the worker resets the state
        } else {
            while (holdActive.load()) {
                holdReached.store(true);
                if (step.kind == ShortStep::Pause) {
                    if (state.haltRequested.load()) return 0;
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    continue;
                }
                if (SearchSubtree(state, w.start, w.end, m->descent.data(), step.value, 1u << 18) ==
                    SearchOutcome::Halted)
                    return 0;
                ResetSearchState(state);
            }
        }
    }
    return 0;
}

std::string CleanRunText(int32_t unit) {
    auto state = NewSearchState();
    Capture capture;
    state->solutionSink = &CaptureSolution;
    state->solutionContext = &capture;
    const bool held = holdActive.exchange(false);
    const int runs = shortUnitRuns.load();
    RunShortUnit(unit, *state);
    shortUnitRuns.store(runs);
    holdActive.store(held);
    emitted = &capture;
    EmitUnitResults(UnitName(unit), 0, 0, capture.number, *state, &EmitTo);
    return WithoutTimes(std::regex_replace(capture.text, std::regex("\n"), "\r\n"));
}

std::string WithoutTimes(const std::string& text) {
    static const std::regex milliseconds("in [0-9]+ milliseconds");
    static const std::regex cycles("\\([0-9]+ cycles\\)");
    return std::regex_replace(std::regex_replace(text, milliseconds, "in # milliseconds"), cycles, "(# cycles)");
}

std::string ExpectedStampLine() {
    char stamp[STAMP_SIZE];
    FormatStampLine(FIXED_TIME, stamp, sizeof stamp);
    std::string line = stamp;
    return line.insert(line.size() - 1, "\r");
}

std::vector<std::string> ConsoleLines() {
    ConsoleSnapshot snapshot;
    TakeConsoleSnapshot(snapshot);
    std::vector<std::string> lines;
    for (int slot = CONSOLE_SLOT_COUNT - 1; slot >= 1; --slot)
        if (snapshot.slots[slot][0] != '\0') lines.push_back(snapshot.slots[slot]);
    return lines;
}

void ComputationTest::SetUp() {
    WorkDirTest::SetUp();
    SetCalendarClock(&FixedClock);
    // Above the scale: the computation threads keep the scheduling they were born with.
    priorityLevel.store(11);
    cpuNumber.store(0);
    displayFrequency.store(DEFAULT_DISPLAY_FREQUENCY);
    displayDepth.store(DEFAULT_DISPLAY_DEPTH);
    SetShortUnitPlan({{ShortStep::Search, 8}});
    holdActive.store(false);
    holdReached.store(false);
    shortUnitRuns.store(0);
    SetUnitRunner(&RunShortUnit);
    AttachShell(&shell.ops);
}

void ComputationTest::TearDown() {
    // Whatever a test left running ends before the next one starts.
    HaltComputation();
    WaitForComputationEnd();
    AttachShell(nullptr);
    SetQuitting(false);
    SetUnitRunner(nullptr);
    SetThreadStarter(nullptr);
    WorkDirTest::TearDown();
}

bool ComputationTest::WaitForIdle() {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (WorkerThreadExists() || ProgressThreadExists()) {
        if (std::chrono::steady_clock::now() > limit) {
            ADD_FAILURE() << "the computation did not end";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    WaitForComputationEnd();
    return true;
}

}  // namespace quorbit::testing
