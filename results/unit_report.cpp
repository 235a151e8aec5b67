#include "results/unit_report.h"

#include <cinttypes>
#include <cstdio>

#include "search/path_text.h"

namespace quorbit {

void FormatSolutionLine(char* out, size_t size, int32_t number, const SearchState& state, int32_t elapsedMs,
                        uint64_t nodeTotal) {
    uint32_t squares[SQUARE_COUNT];
    for (int i = 0; i < SQUARE_COUNT; ++i) squares[i] = state.path[i].load(std::memory_order_relaxed);
    char tour[3 * SQUARE_COUNT];
    FormatSquareList(squares, SQUARE_COUNT, tour);
    std::snprintf(out, size, "Solution %d: %s found in %d milliseconds (%" PRIu64 " nodes)\n", number, tour,
                  elapsedMs, nodeTotal);
}

void FormatUnitSummary(char* out, size_t size, const char* unitName, int32_t elapsedMs, uint64_t cycles,
                       int32_t solutions, uint64_t nodeTotal) {
    std::snprintf(out, size,
                  "Computation of %s has finished in %d milliseconds (%" PRIu64
                  " cycles), %d solutions have been found in %" PRIu64 " total nodes\n",
                  unitName, elapsedMs, cycles, solutions, nodeTotal);
}

void FormatStoppedUnitSummary(char* out, size_t size, const char* unitName, const char* how, int32_t elapsedMs,
                              uint64_t cycles, int32_t solutions, uint64_t nodeTotal) {
    std::snprintf(out, size,
                  "Computation of %s %s after %d milliseconds (%" PRIu64
                  " cycles), %d solutions have been found in %" PRIu64 " total nodes (partial counts)\n",
                  unitName, how, elapsedMs, cycles, solutions, nodeTotal);
}

void EmitNodeDetail(const SearchState& state, void (*emit)(const char* line)) {
    char line[256];
    emit(NODE_DETAIL_HEADER);
    for (int k = 0; k < NODE_DETAIL_LINES; ++k) {
        FormatNodeDetailLine(line, sizeof line, state, k);
        emit(line);
    }
}

void EmitUnitResults(const char* unitName, int32_t elapsedMs, uint64_t cycles, int32_t solutions,
                     const SearchState& state, void (*emit)(const char* line)) {
    char line[256];
    FormatUnitSummary(line, sizeof line, unitName, elapsedMs, cycles, solutions, NodeTotal(state));
    emit(line);
    EmitNodeDetail(state, emit);
}

void FormatNodeDetailLine(char* out, size_t size, const SearchState& state, int line) {
    size_t used = 0;
    out[0] = '\0';
    const int first = line * 10;
    const int last = first + 10 < COUNTED_MOVES ? first + 10 : COUNTED_MOVES;
    for (int k = first; k < last && used < size; ++k) {
        const int written = std::snprintf(out + used, size - used, " %" PRIu64,
                                          state.nodeCounters[k].load(std::memory_order_relaxed));
        if (written < 0) return;
        used += static_cast<size_t>(written);
    }
    if (used + 1 < size) {
        out[used] = '\n';
        out[used + 1] = '\0';
    }
}

}  // namespace quorbit
