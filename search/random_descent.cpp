#include "search/random_descent.h"

#include "search/step_common.h"
#include "search/step_rules.h"

namespace quorbit {

namespace {

// A square the descent entered, to be left again in the reverse order.
struct Entered {
    uint8_t square;
    uint8_t move;
    bool marked;  // its count carries the visited mark
};

void Leave(SearchState& state, const Entered& entered) {
    if (entered.marked) state.freeCount[entered.square] += VISITED_MARK;
    RaiseNeighbours(state, state.plan.squares[entered.square]);
    RemoveMove(state, entered.square, entered.move);
}

// One descent from square s entered at move n, whose moves the state is ready for; leaves
// the state as it found it. Mirrors the square step as the cut of a subtree does: count,
// place, lower the neighbours, then the candidates that pass the bound checks.
double Descend(SearchState& state, int s, uint32_t n, DescentRandom& random) {
    Entered entered[HOOK_MOVE];
    int depth = 0;
    double estimate = 0;
    double weight = 1;  // the nodes this one stands for: the product of the moves above it
    for (;;) {
        estimate += weight;
        if (n == HOOK_MOVE) break;  // moves 35 and 36 are the solution hook's, not counted
        const SquarePlan& square = state.plan.squares[s];
        PlaceMove(state, s, n);
        const int zeros = LowerNeighbours(state, square);
        entered[depth++] = Entered{static_cast<uint8_t>(s), static_cast<uint8_t>(n), zeros < 2};
        if (zeros >= 2) break;
        state.freeCount[s] -= VISITED_MARK;
        uint8_t moves[STEP_COUNT];
        int count = 0;
        for (int k = 0; k < square.moveCount; ++k)
            if (IsCandidate(state, square, k, zeros == 1) && PassesBounds(state, square.moves[k], n + 1))
                moves[count++] = square.moves[k];
        if (count == 0) break;
        weight *= count;
        s = moves[NextRandom(random) % static_cast<uint64_t>(count)];
        ++n;
    }
    while (depth > 0) Leave(state, entered[--depth]);
    return estimate;
}

}  // namespace

void PrepareDescentWalker(DescentWalker& walker, int start, int end) {
    walker.state.plan = PrepareUnitPlan(start, end);
}

double SumOfDescents(DescentWalker& walker, const uint8_t* prefix, int prefixLength, int descents,
                     DescentRandom& random) {
    SearchState& state = walker.state;
    ResetSearchState(state);
    // Along the prefix the moves are known to be the search's: only the placing is needed.
    for (int i = 0; i + 1 < prefixLength; ++i) {
        const uint32_t n = static_cast<uint32_t>(i + 1);
        PlaceMove(state, prefix[i], n);
        LowerNeighbours(state, state.plan.squares[prefix[i]]);
        state.freeCount[prefix[i]] -= VISITED_MARK;
    }
    double sum = 0;
    for (int k = 0; k < descents; ++k)
        sum += Descend(state, prefix[prefixLength - 1], static_cast<uint32_t>(prefixLength), random);
    return sum;
}

}  // namespace quorbit
