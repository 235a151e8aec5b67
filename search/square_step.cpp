#include "search/square_step.h"

#include <algorithm>
#include <cstdio>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "search/bound_table.h"
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

// The bound checks of every square that could be entered at move m, as two masks over the
// lines: the lines on which such a square would fail its own check, and the lines that
// fail as other lines. They depend on the state only, so one evaluation serves every
// child of a step.
struct ChildBounds {
    uint32_t ownFail;
    uint32_t otherFail;
};

inline ChildBounds EvaluateChildBounds(const SearchState& state, uint32_t m) {
#if defined(__SSE2__)
    const __m128i move = _mm_set1_epi8(static_cast<char>(m));
    const __m128i ownMin = _mm_load_si128(reinterpret_cast<const __m128i*>(state.ownMin));
    const __m128i ownMax = _mm_load_si128(reinterpret_cast<const __m128i*>(state.ownMax));
    const __m128i otherMax = _mm_load_si128(reinterpret_cast<const __m128i*>(state.otherMax));
    const __m128i ownFail = _mm_or_si128(_mm_cmpgt_epi8(ownMin, move), _mm_cmpgt_epi8(move, ownMax));
    return {static_cast<uint32_t>(_mm_movemask_epi8(ownFail)),
            static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(move, otherMax)))};
#else
    const auto move = static_cast<int8_t>(m);
    uint32_t ownFail = 0;
    uint32_t otherFail = 0;
    for (int line = 0; line < LINE_COUNT; ++line) {
        ownFail |= static_cast<uint32_t>(state.ownMin[line] > move || move > state.ownMax[line]) << line;
        otherFail |= static_cast<uint32_t>(move > state.otherMax[line]) << line;
    }
    return {ownFail, otherFail};
#endif
}

inline constexpr std::array<uint32_t, SQUARE_COUNT> MakeSquareLines() {
    std::array<uint32_t, SQUARE_COUNT> lines{};
    for (int s = 0; s < SQUARE_COUNT; ++s) lines[s] = (1u << FileLine(s)) | (1u << RankLine(s));
    return lines;
}
inline constexpr std::array<uint32_t, SQUARE_COUNT> SQUARE_LINES = MakeSquareLines();

inline bool ChildPassesBounds(ChildBounds bounds, int q) {
    const uint32_t lines = SQUARE_LINES[q];
    return ((bounds.ownFail & lines) | (bounds.otherFail & ~lines)) == 0;
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
        const ChildBounds bounds = EvaluateChildBounds(state, n + 1);
        if (zeros == 1) {
            // Forced: the one neighbour left with a single way on must come next.
            if (!Guarded(state, zeroSquare) && ChildPassesBounds(bounds, zeroSquare)) {
                StepSquare(state, zeroSquare, n + 1);
                if (state.unwinding) return;
            }
        } else {
            for (int i = 0; i < square.moveCount; ++i) {
                const int q = square.moves[i];
                if (state.freeCount[q] < 0 || Guarded(state, q) || !ChildPassesBounds(bounds, q)) continue;
                StepSquare(state, q, n + 1);
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
