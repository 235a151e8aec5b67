#include "search/subtree_cut.h"

#include "search/prefix_walk.h"
#include "search/step_common.h"
#include "search/step_rules.h"

namespace quorbit {

namespace {

struct CutWalk {
    SubtreeCut& cut;
    CutVisitor visit;
    void* context;
    SearchState state;  // in board squares: the walk needs no frame of its own
    uint8_t path[HOOK_MOVE];
    bool stop;
};

// Square s entered at move n, its bound checks passed. Mirrors the square step: count,
// place, lower the neighbours, then try the candidates in order (along the prefix, only
// the prefix's next move, which CheckPrefix has found to be a candidate).
void Enter(CutWalk& walk, int s, uint32_t n) {
    SubtreeCut& cut = walk.cut;
    walk.path[n - 1] = static_cast<uint8_t>(s);
    if (static_cast<int>(n) == cut.cutMove) {
        ++cut.tasks;
        if (!walk.visit(walk.path, cut.shallowCounted, walk.context)) walk.stop = true;
        return;
    }
    ++cut.shallowCounters[n - 1];
    ++cut.shallowCounted;
    if (cut.shallowLimit != 0 && cut.shallowCounted >= cut.shallowLimit) {
        walk.stop = true;
        return;
    }
    SearchState& state = walk.state;
    const SquarePlan& square = state.plan.squares[s];
    PlaceMove(state, s, n);
    const int zeros = LowerNeighbours(state, square);
    if (zeros < 2) {
        state.freeCount[s] -= VISITED_MARK;
        const bool alongPrefix = static_cast<int>(n) < cut.prefixLength;
        for (int k = 0; k < square.moveCount && !walk.stop; ++k) {
            const int q = square.moves[k];
            if (alongPrefix && q != cut.prefix[n]) continue;
            if (!IsCandidate(state, square, k, zeros == 1) || !PassesBounds(state, q, n + 1)) continue;
            Enter(walk, q, n + 1);
        }
        state.freeCount[s] += VISITED_MARK;
    }
    RaiseNeighbours(state, square);
    RemoveMove(state, s, n);
}

}  // namespace

bool CutSubtree(SubtreeCut& cut, CutVisitor visit, void* context) {
    for (uint64_t& counter : cut.shallowCounters) counter = 0;
    cut.shallowCounted = 0;
    cut.tasks = 0;
    cut.ended = false;
    if (cut.prefixLength < 1 || cut.cutMove <= cut.prefixLength || cut.cutMove > HOOK_MOVE) return false;
    if (CheckPrefix(cut.start, cut.end, cut.prefix, cut.prefixLength).badMove != 0) return false;
    CutWalk walk{cut, visit, context, {}, {}, false};
    ResetSearchState(walk.state);
    walk.state.plan = PrepareUnitPlan(cut.start, cut.end);
    Enter(walk, cut.start, 1);
    cut.ended = walk.stop;
    return true;
}

}  // namespace quorbit
