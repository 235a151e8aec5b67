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
// lines' frame in three vector registers, all in registers under the System V x86-64 calling
// convention, which the kernel uses on Windows too (QUORBIT_KERNEL_ABI). A step changes its copies and hands them on; nothing is undone on the way
// back, and a step whose last (or only) move is tried passes control on with a jump. The
// move number rides in the top bits of `negative`, which no square uses, to spare a register.
#define QUORBIT_STEP_PARAMETERS                                                                  \
    SearchState &state, uint64_t low, uint64_t middle, uint64_t high, uint64_t negative, Bytes16 missing, \
        Bytes16 upper, Bytes16 lower
#define QUORBIT_STEP_ARGUMENTS state, p.low, p.middle, p.high, p.negative, f.missing, f.upper, f.lower

inline constexpr int MOVE_SHIFT = 56;  // above every square's bit
inline constexpr uint64_t NEXT_MOVE = 1ull << MOVE_SHIFT;
inline constexpr uint64_t NOTHING_BIT = 1ull << 63;  // above every square's bit

using KernelStep = void(QUORBIT_KERNEL_ABI*)(QUORBIT_STEP_PARAMETERS);

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

    // The step of move n on S, whose bound checks have passed (the caller judged them for
    // all its children at once). The step's rules, in their order, and where each is done:
    //   count    the node's counter and path entry (and now and then the poll for a halt)
    //   hook     move 34 on a square of the end's colour: Hook, nothing else changes
    //   place    PlaceOnFrame: n on the square's file and rank
    //   lower    LowerCounts: every neighbour's free count but the start square's
    //   dead end two counted neighbours at 0 (the end square is not counted): try nothing
    //   mark     S's own count made negative
    //   try      the candidates, chosen at once as a set: forced or not, bounds, the end guard
    //   undo     nothing: the parent's counts and lines are its own copies
    template <int S>
    QUORBIT_KERNEL_ABI static void Step(QUORBIT_STEP_PARAMETERS) {
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
    [[gnu::noinline]] QUORBIT_KERNEL_ABI static void Poll(QUORBIT_STEP_PARAMETERS) {
        if (TimeToStop(state)) {
            state.unwinding = true;
            return;
        }
        return Counted<S>(state, low, middle, high, negative, missing, upper, lower);
    }

    // The step's rules after the count.
    template <int S>
    QUORBIT_ALWAYS_INLINE QUORBIT_KERNEL_ABI static void Counted(QUORBIT_STEP_PARAMETERS) {
        constexpr SquarePlan SQUARE = PLAN.squares[S];
        constexpr bool CAN_BE_MOVE_34 = SquareColour(S) == SquareColour(END);
        constexpr SquareSet LOWERED = SetOf(SQUARE.lower, SQUARE.lowerCount, true);
        constexpr SquareSet COUNTED_NEIGHBOURS = SetOf(SQUARE.lower, SQUARE.lowerCount, false);  // not the end
        constexpr SquareSet MOVES = SetOf(SQUARE.moves, SQUARE.moveCount, false);

        const uint64_t n = negative >> MOVE_SHIFT;
        if constexpr (CAN_BE_MOVE_34) {
            if (n == HOOK_MOVE) return Hook(state, negative);
        }
        const LineFrame f = PlaceOnFrame({missing, upper, lower}, S, n);
        FreePlanes p = LowerCounts({low, middle, high, negative}, LOWERED);
        const SquareSet zero = ZeroCounts(p);
        const SquareSet zeros = zero & COUNTED_NEIGHBOURS;
        // Marks S and moves the number on in one add: S's bit is clear, as S was a candidate.
        p.negative += NEXT_MOVE | 1ull << S;
        // A forced step may only go to the neighbour left with a single way on (count 0).
        SquareSet open = (zeros != 0 ? zeros : ~p.negative) & MOVES & SquaresPassingBounds(f, n + 1);
        if constexpr ((PLAN.endNeighbourSet & COUNTED_NEIGHBOURS) != 0) {
            if ((zero >> END) & 1u) open &= ~PLAN.endNeighbourSet;
        }
        // A dead end (two neighbours left with a single way on) tries nothing either; one
        // branch for both is better predicted than two.
        if ((zeros & (zeros - 1)) != 0) open = 0;
        // No move and one move leave by the same jump: an empty set finds Nothing in the
        // table's last entry, so the step has one data-dependent branch less.
        if ((open & (open - 1)) == 0) return STEPS[LowestBit(open | NOTHING_BIT)](QUORBIT_STEP_ARGUMENTS);
        return Branch<S>(state, open, p.low, p.middle, p.high, p.negative, f.missing, f.upper, f.lower);
    }

    // A step with several moves tries them in KNIGHT_STEPS order; the last is jumped to.
    template <int S>
    [[gnu::noinline]] QUORBIT_KERNEL_ABI static void Branch(SearchState& state, uint64_t moves, uint64_t low,
                                                            uint64_t middle, uint64_t high, uint64_t negative,
                                                            Bytes16 missing, Bytes16 upper, Bytes16 lower) {
        uint64_t order = MovesInOrder<S>(moves);
        const FreePlanes p{low, middle, high, negative};
        const LineFrame f{missing, upper, lower};
        for (;;) {
            const uint64_t i = LowestBit(order);
            order &= order - 1;
            if (order == 0) return CHILDREN<S>[i](QUORBIT_STEP_ARGUMENTS);
            CHILDREN<S>[i](QUORBIT_STEP_ARGUMENTS);
            if (state.unwinding) return;  // left as it is; the owner resets the state
        }
    }

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

    // Move 35 is the end neighbour whose count is not negative.
    [[gnu::noinline]] QUORBIT_KERNEL_ABI static void Hook(SearchState& state, uint64_t negative) {
        for (const uint8_t q : PLAN.endNeighbours) {
            if (((negative >> q) & 1u) == 0) return CompleteTour(state, q);
        }
    }

    // Where the walk along a prefix hands over: the state's counts and lines become values.
    template <int S>
    QUORBIT_KERNEL_ABI static void Enter(SearchState& state, uint32_t n) {
        FreePlanes p = FreePlanesOf(state);
        p.negative |= static_cast<uint64_t>(n) << MOVE_SHIFT;
        const LineFrame f = LineFrameOf(state, n);
        Step<S>(QUORBIT_STEP_ARGUMENTS);
    }

    template <int S, size_t... I>
    static constexpr std::array<KernelStep, STEP_COUNT> Children(std::index_sequence<I...>) {
        return {(I < PLAN.squares[S].moveCount ? &Step<PLAN.squares[S].moves[I]> : nullptr)...};
    }
    template <int S>
    static constexpr std::array<KernelStep, STEP_COUNT> CHILDREN = Children<S>(std::make_index_sequence<STEP_COUNT>{});

    template <int S>
    static constexpr KernelStep StepOf() {
        if constexpr (S == END) {
            return nullptr;  // the end square is placed by the solution hook, never stepped on
        } else {
            return &Step<S>;
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
    QUORBIT_KERNEL_ABI static void Nothing(SearchState&, uint64_t, uint64_t, uint64_t, uint64_t, Bytes16, Bytes16, Bytes16) {}
    template <size_t... S>
    static constexpr std::array<KernelStep, 64> Steps(std::index_sequence<S...>) {
        std::array<KernelStep, 64> steps{StepOf<static_cast<int>(S)>()...};
        steps[__builtin_ctzll(NOTHING_BIT)] = &Nothing;
        return steps;
    }
    template <size_t... S>
    static constexpr std::array<StepFunction, SQUARE_COUNT> Entries(std::index_sequence<S...>) {
        return {EntryOf<static_cast<int>(S)>()...};
    }
    // By square its step; the last entry is Nothing, for a step without a move.
    static constexpr std::array<KernelStep, 64> STEPS = Steps(std::make_index_sequence<SQUARE_COUNT>{});
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
const std::array<const StepFunction*, SQUARE_COUNT> kernelsOfFirstHalf = KERNELS;
#else
const std::array<const StepFunction*, SQUARE_COUNT> kernelsOfSecondHalf = KERNELS;
#endif

}  // namespace quorbit
