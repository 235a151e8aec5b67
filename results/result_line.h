// Reading back the lines the program writes to "SOLUTION.TXT" and "LOGSOL.TXT": solution
// lines, unit summaries, node detail, time stamps and the store's overflow message, in
// exactly the formats of unit_report.h and results_file.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "search/geometry.h"

namespace quorbit {

enum class ResultLineKind {
    Solution,        // "Solution 3: a1-...-a2 found in 812 milliseconds (123456 nodes)"
    Summary,         // "Computation of a1-a2 has finished in ..."
    StoppedSummary,  // "Computation of a1-a2 was halted by SIGINT after ... (partial counts)"
    DetailHeader,    // "Detail of nodes:"
    Detail,          // " 1 1 1 3 9": a line of node counters
    Stamp,           // "[Sat Dec 05 14:16:32 2026]"
    Overflow,        // "More than 1024 lines in WORKTOUR.INI file"
    Malformed,       // begins as one of the above but does not follow its format; see fault
    Other,           // none of the program's lines
};

inline constexpr int MAX_DETAIL_COUNTS = 10;  // counters on one node detail line

struct ResultLine {
    ResultLineKind kind;
    // Solution
    int32_t number;
    uint8_t tour[SQUARE_COUNT];
    int32_t elapsedMs;  // also of a summary
    uint64_t nodes;
    // Summaries
    int unit;
    uint64_t cycles;
    int32_t solutions;
    uint64_t totalNodes;
    // Detail
    int countCount;
    uint64_t counts[MAX_DETAIL_COUNTS];
    // Malformed: what is wrong, e.g. "the tour holds 35 squares"
    char fault[160];
};

// Reads one line, given without its line end (it may hold any bytes, NUL included).
ResultLineKind ReadResultLine(const char* text, size_t length, ResultLine& out);

}  // namespace quorbit
