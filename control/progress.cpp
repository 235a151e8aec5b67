#include "control/progress.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <thread>

#include "catalogue/catalogue.h"
#include "control/computation.h"
#include "control/progress_path.h"
#include "control/worker.h"
#include "platform/ticks.h"
#include "search/path_text.h"
#include "support/console.h"
#include "support/settings.h"
#include "support/shell.h"
#include "tasks/unit_tasks.h"

namespace quorbit {

std::atomic<int32_t> displayFrequency{DEFAULT_DISPLAY_FREQUENCY};
std::atomic<int32_t> displayDepth{DEFAULT_DISPLAY_DEPTH};

namespace {

constexpr int WAKE_UP_MS = 100;

int32_t AtLeastOne(int32_t value) { return value < 1 ? 1 : value; }

}  // namespace

void LoadDisplaySettings() {
    displayFrequency.store(AtLeastOne(GetSettingInt("DisplayFrequency", DEFAULT_DISPLAY_FREQUENCY)));
    displayDepth.store(AtLeastOne(GetSettingInt("DisplayDepth", DEFAULT_DISPLAY_DEPTH)));
}

void FormatProgressLine(char* out, size_t size, const SearchState& state, int32_t depth, int32_t elapsedMs,
                        uint64_t nodeTotal, const UnitEndEstimate& end) {
    uint8_t read[SQUARE_COUNT];
    const int shown = ProgressSquares(state, depth, read);
    uint32_t squares[SQUARE_COUNT];
    for (int i = 0; i < shown; ++i) squares[i] = read[i];
    char moves[3 * SQUARE_COUNT];
    FormatSquareList(squares, shown, moves);
    char expected[END_ESTIMATE_SIZE];
    FormatEndEstimate(expected, sizeof expected, end);
    std::snprintf(out, size, "%s in %d ms (%" PRIu64 " nodes)%s\n", moves, elapsedMs, nodeTotal, expected);
}

namespace {

// The title (and the tray tip, which repeats it) names the unit and, once it is known, its
// end: "Quorbit 1.2a - a1-a2, ~37 % done, about 2 h 10 min left".
void ShowEndInTitle(int32_t unit, uint32_t serial, const UnitEndEstimate& end) {
    const char* name = UnitName(unit);
    char expected[END_ESTIMATE_SIZE];
    FormatEndEstimate(expected, sizeof expected, end);
    if (name == nullptr || expected[0] == '\0') return;
    char status[END_ESTIMATE_SIZE + 8];
    std::snprintf(status, sizeof status, "%s%s", name, expected);
    ShellSetTitleStatus(status);
    // The worker names its next unit in the title when it begins it; had it begun it
    // meanwhile, this title would stand over that unit's name.
    if (unitsBegun.load() != serial) {
        const char* next = UnitName(currentUnit.load());
        if (next != nullptr) ShellSetTitleStatus(next);
    }
}

}  // namespace

void PrintProgress() {
    const uint32_t now = TickCount();
    uint64_t total = NodeTotal(workerSearchState);
    const SearchState* shown = &workerSearchState;
    // In task mode: the earliest task not yet reported, and the nodes of all threads.
    static SearchState taskProgress;
    uint32_t path[SQUARE_COUNT];
    if (SampleWorkerTaskRun(path, total)) {
        for (int i = 0; i < SQUARE_COUNT; ++i) taskProgress.path[i].store(path[i], std::memory_order_relaxed);
        shown = &taskProgress;
    }
    const uint32_t serial = unitsBegun.load();
    const int32_t unit = currentUnit.load(std::memory_order_relaxed);
    UnitEndEstimate end = LastUnitEnd();
    if (end.unit != unit) end = UnitEndEstimate{-1, 0, 0, -1};
    char line[PROGRESS_LINE_SIZE];
    FormatProgressLine(line, sizeof line, *shown, displayDepth.load(std::memory_order_relaxed),
                       static_cast<int32_t>(now - workerUnitRun.startTick.load(std::memory_order_relaxed)), total, end);
    // Before the line, so that the board redrawn for it shows its moves.
    PublishProgressPath(unit, *shown, displayDepth.load(std::memory_order_relaxed));
    // In one step, so that no line printed by the worker in between is the one replaced next.
    ConsolePrintProvisional(line);
    ShowEndInTitle(unit, serial, end);
}

void ProgressThreadProc() {
    progressRunning.store(true);
    uint32_t base = TickCount();
    int32_t seconds = 0;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(WAKE_UP_MS));
        WatchUnitEnd();
        // At most one second counted per wake-up: after a hold-up the missed lines follow quickly.
        if (TickCount() - base >= 1000) {
            base += 1000;
            if (++seconds >= displayFrequency.load(std::memory_order_relaxed)) {
                seconds = 0;
                PrintProgress();
            }
        }
        if ((stopRequest.load() & 1u) != 0) break;
    }
    ForgetUnitEnd();
    // The idle state is shown by whichever of the two threads ends last.
    progressRunning.store(false);
}

}  // namespace quorbit
