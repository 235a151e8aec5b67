// The texts that report a unit's results: solution lines, the summary and the node detail.
#pragma once

#include <cstddef>
#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

// Room for the longest solution line: label, 107 characters of tour, timing, line end.
inline constexpr size_t SOLUTION_LINE_SIZE = 256;

// "Solution %d: " + the 36 squares + " found in %d milliseconds (%I64u nodes)\n".
void FormatSolutionLine(char* out, size_t size, int32_t number, const SearchState& state, int32_t elapsedMs,
                        uint64_t nodeTotal);

// "Computation of %s has finished in %d milliseconds (%I64u cycles), %d solutions have
// been found in %I64u total nodes\n".
void FormatUnitSummary(char* out, size_t size, const char* unitName, int32_t elapsedMs, uint64_t cycles,
                       int32_t solutions, uint64_t nodeTotal);

// The summary of a unit whose search stopped before its end, such as "Computation of a1-a2
// was halted by SIGINT after 812 milliseconds (...), 0 solutions have been found in 20000
// total nodes (partial counts)\n"; how says why it stopped.
void FormatStoppedUnitSummary(char* out, size_t size, const char* unitName, const char* how, int32_t elapsedMs,
                              uint64_t cycles, int32_t solutions, uint64_t nodeTotal);

// Line k (0..3) of the node detail: counters 10k .. 10k+9 (the last line holds four),
// each as a blank and the value, then "\n".
void FormatNodeDetailLine(char* out, size_t size, const SearchState& state, int line);

inline constexpr const char* NODE_DETAIL_HEADER = "Detail of nodes:\n";
inline constexpr int NODE_DETAIL_LINES = 4;

// Hands "Detail of nodes:" and the four node lines, in order, to emit.
void EmitNodeDetail(const SearchState& state, void (*emit)(const char* line));

// Hands the summary, "Detail of nodes:" and the four node lines, in order, to emit.
void EmitUnitResults(const char* unitName, int32_t elapsedMs, uint64_t cycles, int32_t solutions,
                     const SearchState& state, void (*emit)(const char* line));

}  // namespace quorbit
