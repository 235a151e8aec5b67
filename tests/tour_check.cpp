#include "tests/tour_check.h"

#include <cstdio>

#include "search/geometry.h"

namespace quorbit::testing {

std::string TourFault(const int* squares, int start, int end, bool requireMagic) {
    char text[96];
    bool seen[SQUARE_COUNT] = {};
    int lineSums[LINE_COUNT] = {};
    for (int i = 0; i < SQUARE_COUNT; ++i) {
        const int s = squares[i];
        if (s < 0 || s >= SQUARE_COUNT) return "move " + std::to_string(i + 1) + " is not a square";
        if (seen[s]) return "move " + std::to_string(i + 1) + " revisits a square";
        seen[s] = true;
        if (i > 0 && !AreKnightNeighbours(squares[i - 1], s)) {
            std::snprintf(text, sizeof text, "move %d is not a knight step from move %d", i + 1, i);
            return text;
        }
        lineSums[FileLine(s)] += i + 1;
        lineSums[RankLine(s)] += i + 1;
    }
    if (squares[0] != start) return "the tour does not begin on the start square";
    if (squares[SQUARE_COUNT - 1] != end) return "the tour does not end on the end square";
    if (requireMagic) {
        for (int line = 0; line < LINE_COUNT; ++line) {
            if (lineSums[line] != MAGIC_SUM) {
                std::snprintf(text, sizeof text, "line %d sums to %d", line, lineSums[line]);
                return text;
            }
        }
    }
    return "";
}

}  // namespace quorbit::testing
