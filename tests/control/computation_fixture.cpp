#include "tests/control/computation_fixture.h"

#include <chrono>
#include <regex>
#include <thread>

#include "control/catalogue.h"
#include "control/computation.h"
#include "control/progress.h"
#include "control/worker.h"
#include "search/path_text.h"
#include "search/square_step.h"
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

RecordingShell& Shell(void* context) { return *static_cast<RecordingShell*>(context); }

// As the desktop does: a title change redraws the tray icon.
void ChangeTitle(RecordingShell& shell, const char* status) {
    char title[128];
    FormatWindowTitle(title, sizeof title, status);
    shell.titles.push_back(shell.title = title);
    shell.trayIcons.push_back(ComputationState());
}

void OnRedraw(bool replaced, int32_t completed, void* context) {
    const std::string newest = ConsoleSlot(1);
    if (Shell(context).onRedraw) Shell(context).onRedraw(newest);
    std::lock_guard<std::mutex> hold(Shell(context).lock);
    Shell(context).redraws.push_back({replaced, completed, newest});
}

void OnMenu(int32_t state, void* context) {
    RecordingShell& shell = Shell(context);
    std::lock_guard<std::mutex> hold(shell.lock);
    shell.calls.push_back("menu " + std::to_string(state));
    shell.item = MenuItemAfter(shell.item, state);
    shell.items.push_back(shell.item.text);
    if (state == SHELL_STATE_IDLE) ChangeTitle(shell, IDLE_STATUS);
}

void OnTitle(const char* status, void* context) {
    std::lock_guard<std::mutex> hold(Shell(context).lock);
    Shell(context).calls.push_back(std::string("title ") + status);
    ChangeTitle(Shell(context), status);
}

void OnTray(const char* tip, void* context) {
    std::lock_guard<std::mutex> hold(Shell(context).lock);
    Shell(context).trayIcons.push_back(ComputationState());
    Shell(context).calls.push_back(std::string("tray ") + tip + " " + std::to_string(ComputationState()));
}

void OnMessage(const char* text, const char* caption, void* context) {
    std::lock_guard<std::mutex> hold(Shell(context).lock);
    Shell(context).calls.push_back(std::string("message ") + caption + ": " + text);
}

// Depth-first, the first `count` knight's tours from tour's first square to end.
void FindTours(std::vector<int>& tour, bool* used, int end, size_t count, std::vector<std::vector<int>>& found) {
    if (tour.size() == SQUARE_COUNT) {
        if (tour.back() == end) found.push_back(tour);
        return;
    }
    for (int k = 0; k < STEP_COUNT && found.size() < count; ++k) {
        const int q = NeighbourOf(tour.back(), k);
        if (used[q] || (q == end && tour.size() != SQUARE_COUNT - 1)) continue;
        used[q] = true;
        tour.push_back(q);
        FindTours(tour, used, end, count, found);
        tour.pop_back();
        used[q] = false;
    }
}

constexpr int TOURS_PER_UNIT = 3;
constexpr int MAX_PREFIX_DEPTH = 12;  // every unit's first descent is at least this deep
constexpr uint64_t HOLD_ROUND = 1u << 18;

// Per unit, worked out once under planLock: prefixes by depth and tours.
struct UnitMaterial {
    std::vector<std::vector<uint8_t>> prefixes;
    std::vector<std::vector<int>> tours;
};
std::mutex planLock;
std::vector<ShortStep> shortPlan;
UnitMaterial material[WORK_UNIT_COUNT];

const UnitMaterial& MaterialFor(int32_t unit) {
    UnitMaterial& m = material[unit];
    if (m.prefixes.empty()) {
        m.prefixes.resize(MAX_PREFIX_DEPTH + 1);
        for (int depth = 1; depth <= MAX_PREFIX_DEPTH; ++depth) {
            const std::vector<int> squares = DescentPrefix(unit, depth);
            m.prefixes[depth].assign(squares.begin(), squares.end());
        }
        std::vector<int> tour = {workUnits[unit].start};
        bool used[SQUARE_COUNT] = {};
        used[tour[0]] = true;
        FindTours(tour, used, workUnits[unit].end, TOURS_PER_UNIT, m.tours);
    }
    return m;
}

std::vector<ShortStep> PlanFor(int32_t unit, const UnitMaterial** m) {
    std::lock_guard<std::mutex> hold(planLock);
    *m = &MaterialFor(unit);
    std::vector<ShortStep> steps;
    for (const ShortStep& step : shortPlan)
        if (step.unit < 0 || step.unit == unit) steps.push_back(step);
    return steps;
}

}  // namespace

RecordingShell::RecordingShell() {
    ops = {&OnRedraw, &OnMenu, &OnTitle, &OnTray, &OnMessage, this};
}

std::vector<std::string> RecordingShell::Calls() {
    std::lock_guard<std::mutex> hold(lock);
    return calls;
}

std::vector<RecordingShell::Redraw> RecordingShell::Redraws() {
    std::lock_guard<std::mutex> hold(lock);
    return redraws;
}

std::vector<int> DescentPrefix(int32_t unit, int depth) {
    auto state = NewSearchState();
    SearchWorkUnit(*state, workUnits[unit].start, workUnits[unit].end, static_cast<uint64_t>(depth));
    std::vector<int> squares;
    for (int i = 0; i < depth; ++i) squares.push_back(static_cast<int>(state->path[i].load()));
    return squares;
}

void SetShortUnitPlan(const std::vector<ShortStep>& plan) {
    std::lock_guard<std::mutex> hold(planLock);
    shortPlan = plan;
}

int RunShortUnit(int32_t unit, SearchState& state) {
    shortUnitRuns.fetch_add(1);
    if (unit < 0 || unit >= WORK_UNIT_COUNT) return 1;
    const UnitMaterial* m;
    for (const ShortStep& step : PlanFor(unit, &m)) {
        const WorkUnit& w = workUnits[unit];
        if (step.kind == ShortStep::Sleep) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step.value));
        } else if (step.kind == ShortStep::Report) {
            for (int i = 0; i < SQUARE_COUNT; ++i) state.path[i].store(static_cast<uint32_t>(m->tours[step.value][i]));
            state.solutionSink(state, state.solutionContext);
        } else {
            const auto& prefix = m->prefixes[step.value];
            const int length = static_cast<int>(prefix.size());
            if (step.kind == ShortStep::Search &&
                SearchSubtree(state, w.start, w.end, prefix.data(), length, 0) != SearchOutcome::Finished)
                return 0;  // halted: the worker resets the state
            while (step.kind == ShortStep::Hold && holdActive.load()) {
                holdReached.store(true);
                if (SearchSubtree(state, w.start, w.end, prefix.data(), length, HOLD_ROUND) == SearchOutcome::Halted)
                    return 0;
                ResetSearchState(state);
            }
        }
    }
    return 0;
}

ExpectedUnit ExpectShortUnit(int32_t unit) {
    const UnitMaterial* m;
    ExpectedUnit expected;
    expected.counters.assign(COUNTED_MOVES, 0);
    for (const ShortStep& step : PlanFor(unit, &m)) {
        if (step.kind == ShortStep::Report) {
            expected.tours.push_back(m->tours[step.value]);
            expected.totalsAtTours.push_back(expected.total);
        } else if (step.kind == ShortStep::Search) {
            const auto& prefix = m->prefixes[step.value];
            const EngineResult run = RunEngine(workUnits[unit].start, workUnits[unit].end,
                                               std::vector<int>(prefix.begin(), prefix.end()), 0);
            for (int i = 0; i < COUNTED_MOVES; ++i) {
                expected.counters[i] += run.nodeCounters[i];
                expected.total += run.nodeCounters[i];
            }
        }
    }
    return expected;
}

std::string ExpectedSolutionLines(const ExpectedUnit& expected) {
    std::string text;
    for (size_t n = 0; n < expected.tours.size(); ++n) {
        uint32_t squares[SQUARE_COUNT];
        for (int i = 0; i < SQUARE_COUNT; ++i) squares[i] = static_cast<uint32_t>(expected.tours[n][i]);
        char tour[3 * SQUARE_COUNT];
        FormatSquareList(squares, SQUARE_COUNT, tour);
        text += "Solution " + std::to_string(n + 1) + ": " + tour + " found in # milliseconds (" +
                std::to_string(expected.totalsAtTours[n]) + " nodes)\r\n";
    }
    return text;
}

std::string ExpectedUnitResults(const char* name, const ExpectedUnit& expected) {
    std::string text = std::string("Computation of ") + name + " has finished in # milliseconds (# cycles), " +
                       std::to_string(expected.tours.size()) + " solutions have been found in " +
                       std::to_string(expected.total) + " total nodes\r\nDetail of nodes:\r\n";
    for (int k = 0; k < COUNTED_MOVES; ++k)
        text += " " + std::to_string(expected.counters[k]) + (k % 10 == 9 || k == COUNTED_MOVES - 1 ? "\r\n" : "");
    return text;
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
