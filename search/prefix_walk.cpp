#include "search/prefix_walk.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "search/kernel_entry.h"
#include "search/step_common.h"
#include "search/step_rules.h"

namespace quorbit {

namespace {

int FrameOf(int square, int start) {
    return MakeSquare(WrapCoordinate(SquareFile(square) - SquareFile(start)),
                      WrapCoordinate(SquareRank(square) - SquareRank(start)));
}

void SetReason(PrefixCheck& check, int move, const char* format, const char* a, const char* b) {
    check.badMove = move;
    std::snprintf(check.reason, sizeof check.reason, format, a, b);
}

// Takes the prefix's moves (in the search's frame) from index i on as the square step
// would. With searchBelow the last prefix square's step is the kernel's full search;
// without it the walk only checks the prefix, counts nothing and restores the state.
bool WalkPrefixFrom(SearchState& state, const uint8_t* prefix, int length, int i, bool searchBelow, PrefixCheck& check) {
    const int s = prefix[i];
    const uint32_t n = static_cast<uint32_t>(i + 1);
    char name[3] = {0, 0, 0};
    WriteSquareName(state.squareMap[s], name);
    if (!PassesBounds(state, s, n)) {
        SetReason(check, i + 1, "the file and rank sums rule out %s at this move%s", name, "");
        return false;
    }
    if (i == length - 1) {
        if (searchBelow) EnterKernel(state.steps[s], state, n);
        return true;
    }
    if (searchBelow && !CountNode(state, s, n)) return true;

    const SquarePlan& square = state.plan.squares[s];
    PlaceMove(state, s, n);
    const int zeros = LowerNeighbours(state, square);
    bool ok = true;
    if (zeros >= 2) {
        SetReason(check, i + 2, "no move follows %s: it leaves two squares with a single way on%s", name, "");
        ok = false;
    } else {
        state.freeCount[s] -= VISITED_MARK;
        const int next = prefix[i + 1];
        int slot = -1;
        for (int k = 0; k < square.moveCount; ++k)
            if (square.moves[k] == next) slot = k;
        char nextName[3] = {0, 0, 0};
        WriteSquareName(state.squareMap[next], nextName);
        if (!AreKnightNeighbours(s, next)) {
            SetReason(check, i + 2, "%s is not a knight step from %s", nextName, name);
            ok = false;
        } else if (slot < 0) {
            SetReason(check, i + 2,
                      next == state.plan.start ? "%s is the start square%s, already move 1"
                                               : "%s is the end square%s, which only the last move may take",
                      nextName, "");
            ok = false;
        } else if (std::find(prefix, prefix + i + 1, next) != prefix + i + 1) {
            SetReason(check, i + 2, "%s is already on the path%s", nextName, "");
            ok = false;
        } else if (!IsCandidate(state, square, slot, zeros == 1)) {
            SetReason(check, i + 2, "the search does not try %s after %s (visited, forced elsewhere or guarded)",
                      nextName, name);
            ok = false;
        } else {
            ok = WalkPrefixFrom(state, prefix, length, i + 1, searchBelow, check);
            if (state.unwinding) return ok;
        }
        state.freeCount[s] += VISITED_MARK;
    }
    RaiseNeighbours(state, square);
    RemoveMove(state, s, n);
    return ok;
}

// A refusal whose reason names a square of the board (format holds one "%s").
PrefixCheck RefuseSquare(int move, const char* format, int square) {
    PrefixCheck check{};
    char name[3] = {0, 0, 0};
    WriteSquareName(square, name);
    SetReason(check, move, format, name, "");
    return check;
}

}  // namespace

bool WalkPrefix(SearchState& state, const uint8_t* prefix, int length, bool searchBelow, PrefixCheck& check) {
    return WalkPrefixFrom(state, prefix, length, 0, searchBelow, check);
}

void BeginSearch(SearchState& state, int start, int end, const uint8_t* prefix, int length, uint8_t* framed,
                 uint64_t nodeBudget) {
    for (int s = 0; s < SQUARE_COUNT; ++s) state.squareMap[FrameOf(s, start)] = static_cast<uint8_t>(s);
    const int frameEnd = FrameOf(end, start);
    // Prepared once per end square: a task mode search begins thousands of small searches.
    static const auto plans = [] {
        std::array<UnitPlan, SQUARE_COUNT> all{};
        for (int e = 0; e < SQUARE_COUNT; ++e) all[e] = PrepareUnitPlan(0, e);
        return all;
    }();
    state.plan = plans[frameEnd];
    state.steps = KernelSteps(frameEnd);
    for (int i = 0; i < length; ++i) framed[i] = static_cast<uint8_t>(FrameOf(prefix[i], start));
    state.nodeBudget = nodeBudget;
    state.pollCountdown = static_cast<uint32_t>(nodeBudget != 0 ? std::min<uint64_t>(nodeBudget, HALT_POLL_INTERVAL)
                                                                : HALT_POLL_INTERVAL);
    state.nodesAtPoll = state.pollCountdown;
    state.unwinding = false;
    state.outcome = SearchOutcome::Finished;
}

PrefixCheck CheckPrefix(int start, int end, const uint8_t* prefix, int prefixLength) {
    PrefixCheck check{};
    // No kernel exists for such units, and no tour either: a tour alternates colours, so its
    // 36th square has the other colour from its first.
    if (start < 0 || start >= SQUARE_COUNT || end < 0 || end >= SQUARE_COUNT) {
        check.badMove = 1;
        std::snprintf(check.reason, sizeof check.reason, "a unit's start and end are square indices 0 to 35");
        return check;
    }
    char startName[3] = {0, 0, 0}, endName[3] = {0, 0, 0};
    WriteSquareName(start, startName);
    WriteSquareName(end, endName);
    if (start == end) {
        SetReason(check, 1, "%s is both the start and the end square%s", startName, "");
        return check;
    }
    if (SquareColour(start) == SquareColour(end)) {
        SetReason(check, 1, "%s and %s have the same colour: no tour joins them", startName, endName);
        return check;
    }
    if (prefixLength < 1 || prefixLength > HOOK_MOVE) {
        check.badMove = prefixLength < 1 ? 1 : HOOK_MOVE + 1;
        std::snprintf(check.reason, sizeof check.reason, "a prefix holds 1 to %d moves", HOOK_MOVE);
        return check;
    }
    // The walk takes the squares before the first bad index; a bad move among them comes first.
    int squares = 0;
    while (squares < prefixLength && prefix[squares] < SQUARE_COUNT) ++squares;
    if (squares > 0) {
        if (prefix[0] != start) return RefuseSquare(1, "%s is not the unit's start square%s", prefix[0]);
        SearchState scratch{};
        ResetSearchState(scratch);
        uint8_t framed[HOOK_MOVE];
        BeginSearch(scratch, start, end, prefix, squares, framed, 0);
        WalkPrefix(scratch, framed, squares, false, check);
        if (check.badMove != 0) return check;
    }
    if (squares < prefixLength) {
        check.badMove = squares + 1;
        std::snprintf(check.reason, sizeof check.reason, "square index %d names no square", prefix[squares]);
    }
    return check;
}

}  // namespace quorbit
