// The progress reporter: beside the worker, every "DisplayFrequency" seconds it shows the
// first "DisplayDepth" moves of the partial tour being searched, the time spent on the unit
// and the nodes counted so far, as a console line that the next print replaces.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "control/end_estimate.h"
#include "search/search_state.h"

namespace quorbit {

inline constexpr int32_t DEFAULT_DISPLAY_FREQUENCY = 30;
inline constexpr int32_t DEFAULT_DISPLAY_DEPTH = 8;

// The settings as held in memory, read afresh at every use so that a change applies at once.
extern std::atomic<int32_t> displayFrequency;  // seconds between two progress lines
extern std::atomic<int32_t> displayDepth;      // moves shown in a progress line

// Reads "DisplayFrequency" and "DisplayDepth" from the settings; a value of 0 or less
// counts as 1.
void LoadDisplaySettings();

// Room for the longest progress line: 36 squares, the timing and the estimate of the end.
inline constexpr size_t PROGRESS_LINE_SIZE = 3 * SQUARE_COUNT + 64 + END_ESTIMATE_SIZE;

// The first `depth` squares of the path joined by "-", then " in %d ms (%I64u nodes)", the
// estimate of the unit's end (FormatEndEstimate: nothing while none is known) and "\n".
// The squares are those ProgressSquares (progress_path.h) gives.
void FormatProgressLine(char* out, size_t size, const SearchState& state, int32_t depth, int32_t elapsedMs,
                        uint64_t nodeTotal, const UnitEndEstimate& end = UnitEndEstimate{-1, 0, 0, -1});

// One progress line of the worker's search, printed as the console's provisional line.
void PrintProgress();

// The body of the progress reporter thread (StartComputation creates it).
void ProgressThreadProc();

}  // namespace quorbit
