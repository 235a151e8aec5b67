// Running the computation in tests: a recording front-end, short routines in place of whole
// units, tours to report, and a fresh working directory per test.
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

// A front-end without a window. Records every call as text in order: "menu 1",
// "title a1-b3", "tray Quorbit 1.2a 2" (with ComputationState), "message Status: ...", and
// redraws as "redraw <completed lines> <newest line>" or "replace <newest line>" (the newest
// line read back during the redraw). Keeps the menu item as the desktop shows it.
struct RecordingShell {
    std::mutex lock;
    std::vector<std::string> calls;
    std::vector<std::string> items;  // the item's text after each menu call
    ComputeMenuItem item = CONTINUE_ITEM;
    // Called on the printing thread with the newest line; set before the computation starts.
    std::function<void(const std::string& newest)> onRedraw;
    ShellOps ops{};

    RecordingShell();
    std::vector<std::string> Calls(bool withRedraws = false);
};

// What the short routine does, step by step: search below a prefix (the first `value`
// moves of the unit's own first descent); report tour `value` (0..2) of the unit (its 36
// squares from start to end, put in the path: the computation only passes them on); sleep
// `value` ms; hold: while holdActive is set, note holdReached and search below a prefix of
// `value` moves in rounds, until the test clears holdActive or halts; or pause: the same
// without searching, the counters standing still. A step with a unit number is taken for
// that unit only.
struct ShortStep {
    enum Kind { Search, Report, Sleep, Hold, Pause } kind;
    int value;
    int unit = -1;
};
void SetShortUnitPlan(const std::vector<ShortStep>& plan);
int RunShortUnit(int32_t unit, SearchState& state);
extern std::atomic<bool> holdActive;
extern std::atomic<bool> holdReached;
extern std::atomic<int> shortUnitRuns;

// What "SOLUTION.TXT" gets from one uninterrupted run of the unit's short routine (holds
// skipped): its solution lines, summary and node detail, with times as WithoutTimes leaves
// them.
std::string CleanRunText(int32_t unit);
// Times ("in # milliseconds", "(# cycles)") blanked out.
std::string WithoutTimes(const std::string& text);
std::string ExpectedStampLine();  // the stamp of the tests' fixed calendar time, CR LF

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
