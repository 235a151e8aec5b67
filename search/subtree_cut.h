// Cutting the search below a prefix into tasks: the subtrees below the prefixes of one
// length (the cut move), listed in the order the search reaches them. The walk counts the
// nodes above the cut ("shallow" nodes) exactly as the search does; each task then counts
// the nodes of its own subtree, so that the shallow counts and the tasks' own counts add
// up to the single search's.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

struct SubtreeCut {
    // What to cut: a unit's squares, a prefix CheckPrefix accepts (its first square the
    // start), and the cut move, above the prefix's length and at most HOOK_MOVE.
    int start;
    int end;
    uint8_t prefix[HOOK_MOVE];
    int prefixLength;
    int cutMove;
    // Stops the walk right after it has counted this many shallow nodes; 0: no limit.
    uint64_t shallowLimit;

    // Results: the shallow nodes counted per move (moves below the cut), their total, and
    // the tasks handed to the visitor. ended: the visitor or the limit stopped the walk.
    uint64_t shallowCounters[COUNTED_MOVES];
    uint64_t shallowCounted;
    uint64_t tasks;
    bool ended;
};

// Receives each task's prefix of cutMove squares (board squares) in the search's order,
// with the shallow nodes the search has counted before it counts the prefix's last move.
// Returning false ends the walk.
using CutVisitor = bool (*)(const uint8_t* prefix, uint64_t shallowBefore, void* context);

// Walks the tree on and below the prefix down to the cut move, as the search would take it.
// Returns false, walking nothing, when the prefix is refused or the cut move is out of range.
bool CutSubtree(SubtreeCut& cut, CutVisitor visit, void* context);

}  // namespace quorbit
