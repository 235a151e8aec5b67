// What a work unit's search needs to know about each square, prepared once per unit
// from its start and end square so that the square step only reads short lists.
#pragma once

#include <cstdint>

#include "search/geometry.h"

namespace quorbit {

struct SquarePlan {
    // Neighbours whose counts the step lowers, in KNIGHT_STEPS order, without the start square.
    uint8_t lowerCount;
    uint8_t lower[STEP_COUNT];
    // Neighbours the step may move to, in KNIGHT_STEPS order, without the start and end squares.
    uint8_t moveCount;
    uint8_t moves[STEP_COUNT];
    // Bit i set: moves[i] is an end neighbour, guarded by the end square's free count.
    uint8_t guardMask;
};

struct UnitPlan {
    uint8_t start;
    uint8_t end;
    uint8_t endNeighbours[STEP_COUNT];  // KNIGHT_STEPS order around the end square
    uint64_t endNeighbourSet;           // the same squares as bits
    SquarePlan squares[SQUARE_COUNT];   // the end square's entry is unused: it has no step
};

// Requires two squares of opposite colours (every work unit has them).
constexpr UnitPlan PrepareUnitPlan(int start, int end) {
    UnitPlan plan{};
    plan.start = static_cast<uint8_t>(start);
    plan.end = static_cast<uint8_t>(end);
    for (int k = 0; k < STEP_COUNT; ++k) {
        plan.endNeighbours[k] = static_cast<uint8_t>(NeighbourOf(end, k));
        plan.endNeighbourSet |= 1ull << NeighbourOf(end, k);
    }
    for (int s = 0; s < SQUARE_COUNT; ++s) {
        SquarePlan& square = plan.squares[s];
        for (int k = 0; k < STEP_COUNT; ++k) {
            const int q = NeighbourOf(s, k);
            if (q == start) continue;
            square.lower[square.lowerCount++] = static_cast<uint8_t>(q);
            if (q == end) continue;
            if (AreKnightNeighbours(q, end)) square.guardMask |= static_cast<uint8_t>(1u << square.moveCount);
            square.moves[square.moveCount++] = static_cast<uint8_t>(q);
        }
    }
    return plan;
}

}  // namespace quorbit
