// Results of a trial run are marked as such in "SOLUTION.TXT": a unit searched only below
// its first moves (QUORBIT_UNIT_PREFIX_MOVES) or stopped at a node budget
// (QUORBIT_UNIT_NODE_LIMIT) is summed up like a finished one, so the line just before its
// summary says what it was. `quorbit-cli verify` reads the mark back.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace quorbit {

// For trials: every unit in task mode stops after this many nodes (counted in the single
// search's order) and is reported as finished; 0: none.
extern std::atomic<uint64_t> taskNodeLimit;

// For trials: every unit in task mode is searched only below its first moves 1..N as the
// search first takes them (UnitFirstMoves, catalogue/catalogue.h), and reported as
// finished; 0: whole units.
extern std::atomic<int32_t> unitPrefixMoves;

// The marks of the trial knobs now set (taskNodeLimit, unitPrefixMoves) for the unit,
// each line ending in LF, e.g. "Trial run of a1-a2: stopped after 20000 nodes\n"; empty
// when no knob is set.
void FormatTrialMarks(const char* unitName, char* out, size_t size);

// True when the line (without its line end) is a trial mark; its unit in *unit.
bool ReadTrialMark(const char* text, size_t length, int* unit);

}  // namespace quorbit
