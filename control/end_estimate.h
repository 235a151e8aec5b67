// When the unit being computed will end: the progress reporter follows the worker's unit,
// estimates its node total (tasks/node_estimate.h) a little at each wake-up, and publishes
// the fraction done and the time left at the speed of the last minutes, for the progress
// line, the title and tray tip, and the Status reply. Estimates only: the node counts the
// program reports are always the exact ones.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

struct UnitEndEstimate {
    int32_t unit;        // the unit being computed; -1 when none is
    uint64_t nodes;      // counted so far
    double totalNodes;   // expected in all, at least `nodes`; 0 while not known yet
    double secondsLeft;  // at the recent speed; negative while not known yet
};

// Room for the longest texts below.
inline constexpr size_t END_ESTIMATE_SIZE = 128;

// ", ~37 % done, about 2 h 10 min left": the fraction (one decimal below 10 %, and never
// 100 % before the end) and the time left; without the time while the speed is not known,
// and empty while the total is not.
void FormatEndEstimate(char* out, size_t size, const UnitEndEstimate& estimate);

// The Status reply's line for the unit being computed, e.g. "a1-a2: 381234567890 nodes of
// about 1.03e+12, ~37 % done, about 2 h 10 min left", or "a1-a2: 1234 nodes, its end not
// estimated yet"; empty when no unit is being computed.
void FormatUnitEndLine(char* out, size_t size, const UnitEndEstimate& estimate);

// The progress reporter, at each wake-up: follows the unit the worker computes (a new one
// begins a new estimate), refines the estimate by a few thousand descents (none once it is
// made) and, once a second, publishes what it expects.
void WatchUnitEnd();

// The progress reporter, when it ends: no unit is computed any more.
void ForgetUnitEnd();

// The last published estimate, from any thread.
UnitEndEstimate LastUnitEnd();

}  // namespace quorbit
