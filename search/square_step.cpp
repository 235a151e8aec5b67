#include "search/square_step.h"

#include <array>
#include <utility>

#include "search/free_planes.h"
#include "search/line_frame.h"
#include "search/solution_hook.h"
#include "search/step_common.h"
#include "search/unit_plan.h"

namespace quorbit {
namespace {

// A step's state travels down the search as values: the free counts in four words and the
// lines' frame in three vector registers, all in registers under the x86-64 calling
// convention. A step changes its copies and hands them on; nothing is undone on the way
// back, and a step whose last (or only) move is tried passes control on with a jump. The
// move number rides in the top bits of `negative`, which no square uses, to spare a register.
#define QUORBIT_STEP_PARAMETERS                                                                  \
    SearchState &state, uint64_t low, uint64_t middle, uint64_t high, uint64_t negative, Bytes16 missing, \
        Bytes16 upper, Bytes16 lower
#define QUORBIT_STEP_ARGUMENTS state, p.low, p.middle, p.high, p.negative, f.missing, f.upper, f.lower

inline constexpr int MOVE_SHIFT = 56;  // above every square's bit
inline constexpr uint64_t NEXT_MOVE = 1ull << MOVE_SHIFT;
inline constexpr uint64_t NOTHING_BIT = 1ull << 63;  // above every square's bit
inline constexpr int SQUARE_SHIFT = 8;  // a branching step's square, above the order of its moves

using KernelStep = void (*)(QUORBIT_STEP_PARAMETERS);
// A step entered with its own state and its moves already chosen (Decided).
using DecidedStep = void (*)(SearchState& state, uint64_t low, uint64_t middle, uint64_t high, uint64_t negative,
                             uint64_t moves, Bytes16 missing, Bytes16 upper, Bytes16 lower);

// The index of the lowest bit of a set that is not empty, 64 bits wide: GCC 12 takes the int of
// __builtin_ctzll and widens it again, and clears the result register before. tzcnt runs as
// bsf on a processor without BMI1, with the same result for a set that is not empty.
QUORBIT_ALWAYS_INLINE uint64_t LowestBit(uint64_t set) {
#if defined(__x86_64__)
    uint64_t index;
    asm("tzcnt %1, %0" : "=r"(index) : "rm"(set) : "cc");
    return index;
#else
    return static_cast<uint64_t>(__builtin_ctzll(set));
#endif
}

template <int END>
struct Kernel {
    static constexpr UnitPlan PLAN = PrepareUnitPlan(0, END);

    static constexpr SquareSet SetOf(const uint8_t* squares, int count, bool withEnd) {
        SquareSet set = 0;
        for (int i = 0; i < count; ++i)
            if (withEnd || squares[i] != END) set |= 1ull << squares[i];
        return set;
    }

    // The step's rules after the count, for square s entered with the counts and frame of its
    // parent (the number of s's move in `negative`), in their order:
    //   place    PlaceOnFrame: n on the square's file and rank
    //   lower    LowerCounts: every neighbour's free count but the start square's
    //   dead end two counted neighbours at 0 (the end square is not counted): try nothing
    //   mark     s's own count made negative
    //   try      the candidates, chosen at once as a set: forced or not, bounds, the end guard
    //   undo     nothing: the parent's counts and lines are its own copies
    // s's lists come either as constants (the step of s judging itself) or from a table (a
    // parent judging its children). The hook (move 34) is the caller's.
    struct Judgement {
        FreePlanes p;
        LineFrame f;
        SquareSet moves;
    };
    QUORBIT_ALWAYS_INLINE static Judgement Judge(uint64_t s, SquareSet lowered, SquareSet counted, SquareSet moves,
                                                 FreePlanes p, LineFrame frame) {
        const uint64_t n = p.negative >> MOVE_SHIFT;
        const LineFrame f = PlaceOnFrame(frame, static_cast<int>(s), static_cast<uint32_t>(n));
        p = LowerCounts(p, lowered);
        const SquareSet zero = ZeroCounts(p);
        const SquareSet zeros = zero & counted;
        // Marks s and moves the number on in one add: s's bit is clear, as s was a candidate.
        p.negative += NEXT_MOVE | 1ull << s;
        // A forced step may only go to the neighbour left with a single way on (count 0).
        SquareSet open = (zeros != 0 ? zeros : ~p.negative) & moves & SquaresPassingBounds(f, static_cast<uint32_t>(n + 1));
        if ((PLAN.endNeighbourSet & counted) != 0) {
            // Without a branch where the lists are a table's: the parent judges its children
            // before it takes any branch on them.
            open &= ~(PLAN.endNeighbourSet & (0 - ((zero >> END) & 1u)));
        }
        // A dead end (two neighbours left with a single way on) tries nothing either.
        if ((zeros & (zeros - 1)) != 0) open = 0;
        return {p, f, open};
    }

    // The step of move n on S, whose bound checks have passed (the caller judged them for
    // all its children at once): it counts itself, then judges its own moves.
    template <int S>
    static void Step(QUORBIT_STEP_PARAMETERS) {
        // 64 bits wide, so that the counter's and path's addresses take n - 1 as an offset.
        const uint64_t n = negative >> MOVE_SHIFT;
        BumpCounter(state.nodeCounters[n - 1]);
        state.path[n - 1].store(state.squareMap[S], std::memory_order_relaxed);
        if (--state.pollCountdown == 0) [[unlikely]] {
            return Poll<S>(state, low, middle, high, negative, missing, upper, lower);
        }
        return Counted<S>(state, low, middle, high, negative, missing, upper, lower);
    }

    // Apart from the step, so that the step itself calls nothing and saves no registers.
    template <int S>
    [[gnu::noinline]] static void Poll(QUORBIT_STEP_PARAMETERS) {
        if (TimeToStop(state)) {
            state.unwinding = true;
            return;
        }
        return Counted<S>(state, low, middle, high, negative, missing, upper, lower);
    }

    template <int S>
    QUORBIT_ALWAYS_INLINE static void Counted(QUORBIT_STEP_PARAMETERS) {
        constexpr SquarePlan SQUARE = PLAN.squares[S];
        constexpr bool CAN_BE_MOVE_34 = SquareColour(S) == SquareColour(END);
        constexpr SquareSet LOWERED = SetOf(SQUARE.lower, SQUARE.lowerCount, true);
        constexpr SquareSet MOVES = SetOf(SQUARE.moves, SQUARE.moveCount, false);  // the counted neighbours too

        if constexpr (CAN_BE_MOVE_34) {
            if ((negative >> MOVE_SHIFT) == HOOK_MOVE) return Hook(state, negative);
        }
        const Judgement j = Judge(S, LOWERED, MOVES, MOVES, {low, middle, high, negative}, {missing, upper, lower});
        const FreePlanes& p = j.p;
        const LineFrame& f = j.f;
        const SquareSet open = j.moves;
        // No move and one move leave by the same jump: an empty set finds Nothing in the
        // table's last entry, so the step has one data-dependent branch less.
        if ((open & (open - 1)) == 0) return STEPS[LowestBit(open | NOTHING_BIT)](QUORBIT_STEP_ARGUMENTS);
        return Branch(state, MovesInOrder<S>(open) | S << SQUARE_SHIFT, p.low, p.middle, p.high, p.negative, f.missing,
                      f.upper, f.lower);
    }

    // The step of S entered with its own state and its moves (not empty) already chosen by its
    // parent, which has counted it: the branch on the moves depends on nothing computed here.
    template <int S>
    static void Decided(SearchState& state, uint64_t low, uint64_t middle, uint64_t high, uint64_t negative,
                        uint64_t moves, Bytes16 missing, Bytes16 upper, Bytes16 lower) {
        if ((moves & (moves - 1)) == 0)
            return STEPS[LowestBit(moves)](state, low, middle, high, negative, missing, upper, lower);
        return Branch(state, MovesInOrder<S>(moves) | S << SQUARE_SHIFT, low, middle, high, negative, missing, upper,
                      lower);
    }

    // Per square, what a parent needs to judge it as a child: the neighbours it lowers, the
    // moves it may take (the counted neighbours too) and the lanes of its two lines. One
    // object, so that a position-independent loop reaches all three by one base register.
    struct ChildTables {
        std::array<SquareSet, SQUARE_COUNT> lowered;
        std::array<SquareSet, SQUARE_COUNT> moves;
        std::array<uint64_t, SQUARE_COUNT> lanes;
    };
    static constexpr ChildTables CHILD = [] {
        ChildTables t{};
        const std::array<uint32_t, SQUARE_COUNT> lanes = MakeChildLanes();
        for (int s = 0; s < SQUARE_COUNT; ++s) {
            t.lowered[s] = SetOf(PLAN.squares[s].lower, PLAN.squares[s].lowerCount, true);
            t.moves[s] = SetOf(PLAN.squares[s].moves, PLAN.squares[s].moveCount, false);
            t.lanes[s] = lanes[s];
        }
        return t;
    }();

    // A step with several moves judges each child's own moves before it enters any (one move
    // ahead), then walks them in KNIGHT_STEPS order. Children without a move are counted
    // without a branch of their own, together with the next child that has moves, which is
    // entered with its moves already decided; the last is jumped to.
    // One for the kernel, not one per square: the judgement is by table, and one copy keeps
    // the kernel's hot code within the first-level instruction cache. `orderAndSquare`: bit i
    // for S's move i, and S above SQUARE_SHIFT.
    [[gnu::noinline]] static void Branch(SearchState& state, uint64_t orderAndSquare, uint64_t low, uint64_t middle,
                                         uint64_t high, uint64_t negative, Bytes16 missing, Bytes16 upper,
                                         Bytes16 lower) {
        const uint64_t order = orderAndSquare & 0xFF;
        const SquarePlan& square = PLAN.squares[orderAndSquare >> SQUARE_SHIFT];
        const uint64_t n = negative >> MOVE_SHIFT;  // the children's move
        if (n == HOOK_MOVE) [[unlikely]] return HookChildren(state, square, order, negative);
        const FreePlanes p{low, middle, high, negative};
        const LineFrame f{missing, upper, lower};
        const ChildrenBounds bounds = JudgeChildrenLines(f, static_cast<uint32_t>(n));
        uint64_t childMoves[STEP_COUNT];
        uint64_t entered = 0;  // bit i: move i has moves of its own
        for (uint64_t rest = order; rest != 0; rest &= rest - 1) {
            const uint64_t i = LowestBit(rest);
            const uint64_t c = square.moves[i];
            const SquareSet moves = CHILD.moves[c];
            const FreePlanes q = LowerCounts(p, CHILD.lowered[c]);
            const SquareSet zero = ZeroCounts(q);
            const SquareSet zeros = zero & moves;
            // The child's own square is not among its moves, so it need not be marked here.
            SquareSet open = (zeros != 0 ? zeros : ~q.negative) & moves & ChildSquaresPassing(bounds, CHILD.lanes[c]);
            open &= ~(PLAN.endNeighbourSet & (0 - ((zero >> END) & 1u)));
            open &= 0 - static_cast<uint64_t>((zeros & (zeros - 1)) == 0);  // a dead end: none
            childMoves[i] = open;
            entered |= static_cast<uint64_t>(open != 0) << i;
        }
        uint64_t uncounted = order;
        for (uint64_t rest = entered; rest != 0;) {
            const uint64_t i = LowestBit(rest);
            rest &= rest - 1;
            // The children up to and including move i, counted in one go.
            const uint64_t now = uncounted & ((2u << i) - 1);
            uncounted &= ~now;
            if (!CountChildren(state, square, n, now, i)) return;
            const uint64_t c = square.moves[i];
            const Judgement child = Judge(c, CHILD.lowered[c], 0, 0, p, f);
            // The children after the last one entered are counted after its subtree.
            if (rest == 0 && uncounted == 0)
                return DECIDED[c](state, child.p.low, child.p.middle, child.p.high, child.p.negative, childMoves[i],
                                  child.f.missing, child.f.upper, child.f.lower);
            DECIDED[c](state, child.p.low, child.p.middle, child.p.high, child.p.negative, childMoves[i],
                       child.f.missing, child.f.upper, child.f.lower);
            if (state.unwinding) return;
        }
        if (uncounted != 0) CountChildren(state, square, n, uncounted, 63 - static_cast<uint64_t>(__builtin_clzll(uncounted)));
    }

    // The children of a step at move 33: each is counted and completes a tour.
    [[gnu::noinline]] static void HookChildren(SearchState& state, const SquarePlan& square, uint64_t order,
                                               uint64_t negative) {
        for (; order != 0; order &= order - 1) {
            if (!CountOneByOne(state, square, HOOK_MOVE, order & (0 - order))) return;
            Hook(state, negative);
        }
    }

    // Counts a step's children at move n in `slots` (bits by move index, `last` the highest),
    // as one step each would: the counter, the path entry of the last, and the poll when it
    // falls due among them, exactly at its node. False when the search must unwind.
    QUORBIT_ALWAYS_INLINE static bool CountChildren(SearchState& state, const SquarePlan& square, uint64_t n,
                                                    uint64_t slots, uint64_t last) {
        const uint32_t count = CHILD_COUNT[slots];
        if (state.pollCountdown <= count) [[unlikely]] return CountOneByOne(state, square, n, slots);
        BumpCounterBy(state.nodeCounters[n - 1], count);
        state.pollCountdown -= count;
        state.path[n - 1].store(state.squareMap[square.moves[last]], std::memory_order_relaxed);
        return true;
    }

    [[gnu::noinline]] static bool CountOneByOne(SearchState& state, const SquarePlan& square, uint64_t n,
                                                uint64_t slots) {
        for (; slots != 0; slots &= slots - 1) {
            BumpCounter(state.nodeCounters[n - 1]);
            state.path[n - 1].store(state.squareMap[square.moves[LowestBit(slots)]], std::memory_order_relaxed);
            if (--state.pollCountdown == 0 && TimeToStop(state)) {
                state.unwinding = true;
                return false;
            }
        }
        return true;
    }

    // The number of bits in a byte.
    static constexpr std::array<uint8_t, 256> CHILD_COUNT = [] {
        std::array<uint8_t, 256> counts{};
        for (int b = 0; b < 256; ++b) counts[b] = static_cast<uint8_t>(__builtin_popcount(static_cast<unsigned>(b)));
        return counts;
    }();

    // Bit i: S's move i (in KNIGHT_STEPS order) is in `moves`, a set of squares.
    template <int S>
    QUORBIT_ALWAYS_INLINE static uint32_t MovesInOrder(uint64_t moves) {
        static constexpr SquarePlan SQUARE = PLAN.squares[S];
#ifdef QUORBIT_SSE2
        // Word lane i takes the 16 bits of `moves` that hold move i's square and keeps its bit:
        // two word shuffles and a mask, all constants of S.
        constexpr auto WORDS = [] {
            int lo = 0, hi = 0;
            for (int i = 0; i < 4; ++i) {
                lo |= (i < SQUARE.moveCount ? SQUARE.moves[i] / 16 : 0) << (2 * i);
                hi |= (i + 4 < SQUARE.moveCount ? SQUARE.moves[i + 4] / 16 : 0) << (2 * i);
            }
            return std::array<int, 2>{lo, hi};
        }();
        static constexpr auto BITS = [] {
            std::array<uint16_t, 8> bits{};
            for (int i = 0; i < SQUARE.moveCount; ++i) bits[i] = static_cast<uint16_t>(1u << (SQUARE.moves[i] % 16));
            return bits;
        }();
        __m128i v = _mm_cvtsi64_si128(static_cast<long long>(moves));
        v = _mm_unpacklo_epi64(v, v);
        v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, WORDS[0]), WORDS[1]);
        v = _mm_and_si128(v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(BITS.data())));
        const __m128i absent = _mm_cmpeq_epi16(v, _mm_setzero_si128());
        return ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(absent, absent))) & 0xFFu;
#else
        uint32_t order = 0;
        for (int i = 0; i < SQUARE.moveCount; ++i) order |= static_cast<uint32_t>((moves >> SQUARE.moves[i]) & 1u) << i;
        return order;
#endif
    }

    // Move 35 is the end neighbour whose count is not negative. The move-34 square is of
    // the end's colour and so no end neighbour, whether or not it has lowered and marked its
    // own counts yet.
    [[gnu::noinline]] static void Hook(SearchState& state, uint64_t negative) {
        for (const uint8_t q : PLAN.endNeighbours) {
            if (((negative >> q) & 1u) == 0) return CompleteTour(state, q);
        }
    }

    // Where the walk along a prefix hands over: the state's counts and lines become values.
    template <int S>
    static void Enter(SearchState& state, uint32_t n) {
        FreePlanes p = FreePlanesOf(state);
        p.negative |= static_cast<uint64_t>(n) << MOVE_SHIFT;
        const LineFrame f = LineFrameOf(state, n);
        Step<S>(QUORBIT_STEP_ARGUMENTS);
    }

    template <int S>
    static constexpr KernelStep StepOf() {
        if constexpr (S == END) {
            return nullptr;  // the end square is placed by the solution hook, never stepped on
        } else {
            return &Step<S>;
        }
    }
    template <int S>
    static constexpr DecidedStep DecidedOf() {
        if constexpr (S == END) {
            return nullptr;
        } else {
            return &Decided<S>;
        }
    }
    template <int S>
    static constexpr StepFunction EntryOf() {
        if constexpr (S == END) {
            return nullptr;
        } else {
            return &Enter<S>;
        }
    }
    static void Nothing(SearchState&, uint64_t, uint64_t, uint64_t, uint64_t, Bytes16, Bytes16, Bytes16) {}
    template <size_t... S>
    static constexpr std::array<KernelStep, 64> Steps(std::index_sequence<S...>) {
        std::array<KernelStep, 64> steps{StepOf<static_cast<int>(S)>()...};
        steps[__builtin_ctzll(NOTHING_BIT)] = &Nothing;
        return steps;
    }
    template <size_t... S>
    static constexpr std::array<DecidedStep, SQUARE_COUNT> DecidedSteps(std::index_sequence<S...>) {
        return {DecidedOf<static_cast<int>(S)>()...};
    }
    template <size_t... S>
    static constexpr std::array<StepFunction, SQUARE_COUNT> Entries(std::index_sequence<S...>) {
        return {EntryOf<static_cast<int>(S)>()...};
    }
    // By square its step; the last entry is Nothing, for a step without a move.
    static constexpr std::array<KernelStep, 64> STEPS = Steps(std::make_index_sequence<SQUARE_COUNT>{});
    static constexpr std::array<DecidedStep, SQUARE_COUNT> DECIDED =
        DecidedSteps(std::make_index_sequence<SQUARE_COUNT>{});
    static constexpr std::array<StepFunction, SQUARE_COUNT> ENTRIES =
        Entries(std::make_index_sequence<SQUARE_COUNT>{});
};

// A build for tests may compile only some kernels (bit e: the kernel ending on e).
#ifndef QUORBIT_KERNEL_ENDS
#define QUORBIT_KERNEL_ENDS (~0ull)
#endif

// The kernels are compiled in two halves by their end square, this file the first and
// square_step_second_half.cpp (which includes it) the second, so that a build spreads them
// over two cores.
#ifndef QUORBIT_KERNEL_HALF
#define QUORBIT_KERNEL_HALF 0
#endif
inline constexpr int FIRST_END_OF_SECOND_HALF = SQUARE_COUNT / 2;
inline constexpr uint64_t HALF_ENDS =
    QUORBIT_KERNEL_HALF == 0 ? (1ull << FIRST_END_OF_SECOND_HALF) - 1 : ~((1ull << FIRST_END_OF_SECOND_HALF) - 1);

template <int E>
constexpr const StepFunction* KernelFor() {
    if constexpr (SquareColour(E) != SquareColour(0) &&
                  ((static_cast<uint64_t>(QUORBIT_KERNEL_ENDS) & HALF_ENDS) >> E & 1u) != 0) {
        return Kernel<E>::ENTRIES.data();
    } else {
        return nullptr;  // no unit ends on its start square's colour
    }
}

template <size_t... E>
constexpr std::array<const StepFunction*, SQUARE_COUNT> AllKernels(std::index_sequence<E...>) {
    return {KernelFor<static_cast<int>(E)>()...};
}

constexpr std::array<const StepFunction*, SQUARE_COUNT> KERNELS = AllKernels(std::make_index_sequence<SQUARE_COUNT>{});

}  // namespace

#if QUORBIT_KERNEL_HALF == 0
const StepFunction* KernelStepsOfSecondHalf(int end);

const StepFunction* KernelSteps(int end) {
    return end < FIRST_END_OF_SECOND_HALF ? KERNELS[end] : KernelStepsOfSecondHalf(end);
}
#else
const StepFunction* KernelStepsOfSecondHalf(int end) { return KERNELS[end]; }
#endif

}  // namespace quorbit
