// Running the computation in tests: a recording front-end, short routines in place of whole
// units, knight's tours to report, and a fresh working directory per test.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "control/compute_menu.h"
#include "search/search_state.h"
#include "support/shell.h"
#include "tests/support/work_dir.h"

namespace quorbit::testing {

// A front-end without a window: keeps the menu item and the title as the desktop shows
// them (the title becomes "IDLE" with the idle state) and records every call in order.
struct RecordingShell {
    struct Redraw {
        bool replaced;
        int32_t completed;
        std::string newest;  // the console's newest line, read back during the redraw
    };
    std::mutex lock;
    std::vector<std::string> calls;  // "menu 1", "title a1-b3", "tray Quorbit 1.2a 2", "message Status: ..."
    std::vector<Redraw> redraws;
    std::vector<std::string> items;  // the item's text after each menu call
    std::vector<std::string> titles;
    std::vector<int32_t> trayIcons;  // ComputationState each time the tray was drawn
    ComputeMenuItem item = CONTINUE_ITEM;
    std::string title = PROGRAM_TITLE;
    // Called on the printing thread with the newest line; set before the computation starts.
    std::function<void(const std::string& newest)> onRedraw;
    ShellOps ops{};

    RecordingShell();
    std::vector<std::string> Calls();
    std::vector<Redraw> Redraws();
};

// What the short routine does, step by step: search below a prefix (the first `value`
// moves of the unit's own first descent); report tour `value` of the unit's knight's tours
// (not semi-magic: no short search meets one, so they are put in the path); sleep `value`
// ms; or hold: while holdActive is set, note holdReached and search below a prefix of
// `value` moves in rounds, until the test clears holdActive or halts. A step with a unit
// number is taken for that unit only.
struct ShortStep {
    enum Kind { Search, Report, Sleep, Hold } kind;
    int value;
    int unit = -1;
};
void SetShortUnitPlan(const std::vector<ShortStep>& plan);
int RunShortUnit(int32_t unit, SearchState& state);
extern std::atomic<bool> holdActive;
extern std::atomic<bool> holdReached;
extern std::atomic<int> shortUnitRuns;
std::vector<int> DescentPrefix(int32_t unit, int depth);

// An uninterrupted run of the short routine (holds skipped), worked out with the engine.
struct ExpectedUnit {
    std::vector<uint64_t> counters;       // 34
    std::vector<uint64_t> totalsAtTours;  // node total when each tour is reported
    std::vector<std::vector<int>> tours;
    uint64_t total = 0;
};
ExpectedUnit ExpectShortUnit(int32_t unit);

// Lines as "SOLUTION.TXT" holds them (CR LF), with "in # milliseconds" and "(# cycles)"
// in place of the times, as WithoutTimes leaves a file.
std::string ExpectedSolutionLines(const ExpectedUnit& expected);
std::string ExpectedUnitResults(const char* name, const ExpectedUnit& expected);
std::string WithoutTimes(const std::string& text);
std::string ExpectedStampLine();  // the stamp of the tests' fixed calendar time

std::vector<std::string> ConsoleLines();  // complete lines, oldest first

class ComputationTest : public WorkDirTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Waits for both threads to end and joins them; a failure after a minute (a hang).
    bool WaitForIdle();
    RecordingShell shell;
};

}  // namespace quorbit::testing
