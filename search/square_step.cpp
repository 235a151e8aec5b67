#include "search/square_step.h"

#include <algorithm>
#include <cstdio>


#include "search/bound_table.h"
#include "search/child_bounds.h"
#include "search/line_bounds.h"
#include "search/solution_hook.h"

namespace quorbit {
namespace {

// The bound checks of a square entered at move n: its own file and rank with n added,
// then the ten other lines as they stand.
inline bool PassesBounds(const SearchState& state, int s, uint32_t n) {
    const int file = FileLine(s);
    const int rank = RankLine(s);
    const auto& lower = boundTable[0];
    const auto& ownUpper = boundTable[n + 3];
    const auto& otherUpper = boundTable[n + 1];
    for (const int line : {file, rank}) {
        const uint32_t sum = state.lineSum[line] + n;
        const uint32_t fill = state.lineFill[line];
        if (sum < lower[fill + 1] || sum > ownUpper[fill + 1]) return false;
    }
    for (int line = 0; line < LINE_COUNT; ++line) {
        if (line == file || line == rank) continue;
        if (state.lineSum[line] > otherUpper[state.lineFill[line]]) return false;
    }
    return true;
}

// Called when pollCountdown reaches 0: ends the search at the budget or on a halt request,
// otherwise sets the next poll no later than the budget's last node.
bool TimeToStop(SearchState& state) {
    const uint64_t counted = state.nodesAtPoll;
    if (state.nodeBudget != 0 && counted >= state.nodeBudget) {
        state.outcome = SearchOutcome::BudgetReached;
        return true;
    }
    if (state.haltRequested.load(std::memory_order_relaxed)) {
        state.outcome = SearchOutcome::Halted;
        return true;
    }
    uint64_t next = HALT_POLL_INTERVAL;
    if (state.nodeBudget != 0) next = std::min(next, state.nodeBudget - counted);
    state.pollCountdown = static_cast<uint32_t>(next);
    state.nodesAtPoll = counted + next;
    return false;
}

// Counts the node of move n on s and records it. Returns false when the search must unwind.
inline bool CountNode(SearchState& state, int s, uint32_t n) {
    BumpCounter(state.nodeCounters[n - 1]);
    state.path[n - 1].store(static_cast<uint32_t>(s), std::memory_order_relaxed);
    if (--state.pollCountdown == 0 && TimeToStop(state)) {
        state.unwinding = true;
        return false;
    }
    return true;
}

// Places move n on s and lowers its neighbours; returns how many neighbours other than
// the end square fell to 0.
inline void RefreshLineBounds(SearchState& state, int line) {
    const LineBoundEntry& entry = lineBoundTable[state.lineFill[line]][state.lineSum[line]];
    state.ownMin[line] = entry.ownMin;
    state.ownMax[line] = entry.ownMax;
    state.otherMax[line] = entry.otherMax;
}

// ... and, when exactly one did, which one (in zeroSquare).
inline int PlaceAndLower(SearchState& state, const SquarePlan& square, int s, uint32_t n, int& zeroSquare) {
    const int file = FileLine(s);
    const int rank = RankLine(s);
    state.lineSum[file] += n;
    state.lineSum[rank] += n;
    ++state.lineFill[file];
    ++state.lineFill[rank];
    RefreshLineBounds(state, file);
    RefreshLineBounds(state, rank);
    int zeros = 0;
    for (int i = 0; i < square.lowerCount; ++i) {
        const int q = square.lower[i];
        if (--state.freeCount[q] == 0 && q != state.plan.end) {
            ++zeros;
            zeroSquare = q;
        }
    }
    return zeros;
}

inline void RaiseAndRemove(SearchState& state, const SquarePlan& square, int s, uint32_t n) {
    for (int i = 0; i < square.lowerCount; ++i) ++state.freeCount[square.lower[i]];
    const int file = FileLine(s);
    const int rank = RankLine(s);
    state.lineSum[file] -= n;
    state.lineSum[rank] -= n;
    --state.lineFill[file];
    --state.lineFill[rank];
    RefreshLineBounds(state, file);
    RefreshLineBounds(state, rank);
}

// Whether move i of the square's move list is tried, judged when its turn comes.
inline bool IsCandidate(const SearchState& state, const SquarePlan& square, int i, bool forced) {
    const int32_t count = state.freeCount[square.moves[i]];
    if (forced ? count != 0 : count < 0) return false;
    if ((square.guardMask >> i) & 1u) return state.freeCount[state.plan.end] != 0;
    return true;
}

inline bool Guarded(const SearchState& state, int q) {
    return ((state.plan.endNeighbourSet >> q) & 1u) != 0 && state.freeCount[state.plan.end] == 0;
}

// The step of move n on s, whose bound checks have passed.
void StepSquare(SearchState& state, int s, uint32_t n) {
    if (!CountNode(state, s, n)) return;
    if (n == HOOK_MOVE) {
        SolutionHook(state);
        return;
    }
    const SquarePlan& square = state.plan.squares[s];
    int zeroSquare = -1;
    const int zeros = PlaceAndLower(state, square, s, n, zeroSquare);
    if (zeros < 2) {
        state.freeCount[s] -= VISITED_MARK;
        const SquareSet passing = SquaresPassingBounds(state, n + 1);
        if (zeros == 1) {
            // Forced: the one neighbour left with a single way on must come next.
            if (((passing >> zeroSquare) & 1u) != 0 && !Guarded(state, zeroSquare)) {
                StepSquare(state, zeroSquare, n + 1);
                if (state.unwinding) return;
            }
        } else {
            // Every call below restores the state, so the candidates can all be chosen now.
            uint32_t candidates = 0;
            for (int i = 0; i < square.moveCount; ++i) {
                const int q = square.moves[i];
                candidates |= static_cast<uint32_t>((state.freeCount[q] >= 0) & (passing >> q)) << i;
            }
            if (state.freeCount[state.plan.end] == 0) candidates &= ~static_cast<uint32_t>(square.guardMask);
            while (candidates != 0) {
                const int i = __builtin_ctz(candidates);
                candidates &= candidates - 1;
                StepSquare(state, square.moves[i], n + 1);
                if (state.unwinding) return;  // the state is left as it is; the owner resets it
            }
        }
        state.freeCount[s] += VISITED_MARK;
    }
    RaiseAndRemove(state, square, s, n);
}

void SetReason(PrefixCheck& check, int move, const char* format, const char* a, const char* b) {
    check.badMove = move;
    std::snprintf(check.reason, sizeof check.reason, format, a, b);
}

// Takes the prefix's moves from index i on as the square step would. With searchBelow the
// last prefix square's step is the full search; without it the walk only checks the prefix
// (nothing is counted then, and the state is restored on every path).
bool WalkPrefix(SearchState& state, const uint8_t* prefix, int length, int i, bool searchBelow, PrefixCheck& check) {
    const int s = prefix[i];
    const uint32_t n = static_cast<uint32_t>(i + 1);
    char name[3] = {0, 0, 0};
    WriteSquareName(s, name);
    if (!PassesBounds(state, s, n)) {
        SetReason(check, i + 1, "the file and rank sums rule out %s at this move%s", name, "");
        return false;
    }
    if (i == length - 1) {
        if (searchBelow) StepSquare(state, s, n);
        return true;
    }
    if (searchBelow && !CountNode(state, s, n)) return true;

    const SquarePlan& square = state.plan.squares[s];
    int zeroSquare = -1;
    const int zeros = PlaceAndLower(state, square, s, n, zeroSquare);
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
        WriteSquareName(next, nextName);
        if (!AreKnightNeighbours(s, next)) {
            SetReason(check, i + 2, "%s is not a knight step from %s", nextName, name);
            ok = false;
        } else if (slot < 0) {
            SetReason(check, i + 2, "%s is the %s square, which no square step enters", nextName,
                      next == state.plan.start ? "start" : "end");
            ok = false;
        } else if (!IsCandidate(state, square, slot, zeros == 1)) {
            SetReason(check, i + 2, "the search does not try %s after %s (visited, forced elsewhere or guarded)",
                      nextName, name);
            ok = false;
        } else {
            ok = WalkPrefix(state, prefix, length, i + 1, searchBelow, check);
            if (state.unwinding) return ok;
        }
        state.freeCount[s] += VISITED_MARK;
    }
    RaiseAndRemove(state, square, s, n);
    return ok;
}

void BeginSearch(SearchState& state, int start, int end, uint64_t nodeBudget) {
    state.plan = PrepareUnitPlan(start, end);
    state.nodeBudget = nodeBudget;
    state.pollCountdown = static_cast<uint32_t>(nodeBudget != 0 ? std::min<uint64_t>(nodeBudget, HALT_POLL_INTERVAL)
                                                                : HALT_POLL_INTERVAL);
    state.nodesAtPoll = state.pollCountdown;
    state.unwinding = false;
    state.outcome = SearchOutcome::Finished;
}

}  // namespace

PrefixCheck CheckPrefix(int start, int end, const uint8_t* prefix, int prefixLength) {
    PrefixCheck check{};
    if (prefixLength < 1 || prefixLength > HOOK_MOVE) {
        check.badMove = prefixLength < 1 ? 1 : HOOK_MOVE + 1;
        std::snprintf(check.reason, sizeof check.reason, "a prefix holds 1 to %d moves", HOOK_MOVE);
        return check;
    }
    for (int i = 0; i < prefixLength; ++i) {
        if (prefix[i] >= SQUARE_COUNT) {
            check.badMove = i + 1;
            std::snprintf(check.reason, sizeof check.reason, "square index %d names no square", prefix[i]);
            return check;
        }
    }
    if (prefix[0] != start) {
        char name[3] = {0, 0, 0};
        WriteSquareName(prefix[0], name);
        SetReason(check, 1, "%s is not the unit's start square%s", name, "");
        return check;
    }
    for (int i = 1; i < prefixLength; ++i) {
        for (int j = 0; j < i; ++j) {
            if (prefix[i] == prefix[j]) {
                char name[3] = {0, 0, 0};
                WriteSquareName(prefix[i], name);
                SetReason(check, i + 1, "%s is already on the path%s", name, "");
                return check;
            }
        }
    }
    SearchState scratch{};
    ResetSearchState(scratch);
    BeginSearch(scratch, start, end, 0);
    WalkPrefix(scratch, prefix, prefixLength, 0, false, check);
    return check;
}

SearchOutcome SearchSubtree(SearchState& state, int start, int end, const uint8_t* prefix, int prefixLength,
                            uint64_t nodeBudget, PrefixCheck* refusal) {
    const PrefixCheck check = CheckPrefix(start, end, prefix, prefixLength);
    if (refusal != nullptr) *refusal = check;
    if (check.badMove != 0) return SearchOutcome::Refused;
    if (state.haltRequested.load(std::memory_order_relaxed)) return SearchOutcome::Halted;
    BeginSearch(state, start, end, nodeBudget);
    PrefixCheck unused{};
    WalkPrefix(state, prefix, prefixLength, 0, true, unused);
    return state.outcome;
}

SearchOutcome SearchWorkUnit(SearchState& state, int start, int end, uint64_t nodeBudget) {
    const uint8_t prefix[1] = {static_cast<uint8_t>(start)};
    return SearchSubtree(state, start, end, prefix, 1, nodeBudget);
}

}  // namespace quorbit
