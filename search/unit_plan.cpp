#include "search/unit_plan.h"

namespace quorbit {

UnitPlan PrepareUnitPlan(int start, int end) {
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
