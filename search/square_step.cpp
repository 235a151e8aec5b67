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

// The search below the prefix is one loop per unit shape, with the squares as data: a step
// reads its square's lists from a table instead of being compiled per square, so that going
// on to a child is a load and not a jump through a table of steps. Which square comes next
// is the hardest thing for the processor to predict; as a jump target it cost a mispredicted
// indirect jump at almost every node, as data it costs nothing to predict. The step's state
// is held in registers as values: the free counts in four words, the lines' frame in three
// byte vectors. A step changes them for its children and nothing is undone on the way back:
// a step with several moves keeps its values on the loop's own stack, and going back is
// reading them again.

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

// Per square: what the step lowers, counts, may move to and guards, and its moves' squares.
struct alignas(64) SquareLists {
    SquareSet lowered;           // neighbours whose counts fall, the end included
    SquareSet countedNeighbours;  // the same without the end, whose count is never zero-tested
    SquareSet moves;              // neighbours the step may move to
    SquareSet endGuard;           // the end's neighbours when one of them is counted here, else none
    uint8_t moveSquare[STEP_COUNT];  // the moves' squares in KNIGHT_STEPS order
};

// Per square, for gathering its moves into KNIGHT_STEPS order: lane i of mask w holds move
// i's bit within 16-bit word w of a square set.
struct alignas(16) MoveOrderMasks {
    uint16_t word[3][STEP_COUNT];
};

// What a step with several moves keeps for going back: its values, and the moves not yet taken.
struct BranchPoint {
    FreePlanes p;
    LineFrame f;
    uint64_t moves;  // bit i: move i, in KNIGHT_STEPS order, still to be taken
    uint32_t square;
    uint32_t move;   // the step's own move number
};

template <int END>
struct Kernel {
    static constexpr UnitPlan PLAN = PrepareUnitPlan(0, END);

    static constexpr std::array<SquareLists, SQUARE_COUNT> MakeLists() {
        std::array<SquareLists, SQUARE_COUNT> lists{};
        for (int s = 0; s < SQUARE_COUNT; ++s) {
            const SquarePlan& square = PLAN.squares[s];
            SquareLists& l = lists[s];
            for (int i = 0; i < square.lowerCount; ++i) {
                l.lowered |= 1ull << square.lower[i];
                if (square.lower[i] != END) l.countedNeighbours |= 1ull << square.lower[i];
            }
            for (int i = 0; i < square.moveCount; ++i) {
                l.moves |= 1ull << square.moves[i];
                l.moveSquare[i] = square.moves[i];
            }
            l.endGuard = (PLAN.endNeighbourSet & l.countedNeighbours) != 0 ? PLAN.endNeighbourSet : 0;
        }
        return lists;
    }
    static constexpr std::array<SquareLists, SQUARE_COUNT> LISTS = MakeLists();

    static constexpr std::array<MoveOrderMasks, SQUARE_COUNT> MakeOrderMasks() {
        std::array<MoveOrderMasks, SQUARE_COUNT> masks{};
        for (int s = 0; s < SQUARE_COUNT; ++s) {
            const SquarePlan& square = PLAN.squares[s];
            for (int i = 0; i < square.moveCount; ++i)
                masks[s].word[square.moves[i] / 16][i] = static_cast<uint16_t>(1u << (square.moves[i] % 16));
        }
        return masks;
    }
    static constexpr std::array<MoveOrderMasks, SQUARE_COUNT> ORDER_MASKS = MakeOrderMasks();

    // Bit i: S's move i (in KNIGHT_STEPS order) is in `moves`, a set of squares.
    QUORBIT_ALWAYS_INLINE static uint64_t MovesInOrder(uint32_t s, SquareSet moves) {
#ifdef QUORBIT_SSE2
        // Each 16-bit word of the set spread over eight lanes, masked by the lanes whose move
        // lies in that word; a lane left non-zero is a move in the set.
        const __m128i v = _mm_cvtsi64_si128(static_cast<long long>(moves));
        const __m128i w0 = _mm_shufflelo_epi16(v, 0x00);
        const __m128i w1 = _mm_shufflelo_epi16(v, 0x55);
        const __m128i w2 = _mm_shufflelo_epi16(v, 0xAA);
        const __m128i* mask = reinterpret_cast<const __m128i*>(ORDER_MASKS[s].word);
        const __m128i lanes = _mm_or_si128(_mm_or_si128(_mm_and_si128(_mm_unpacklo_epi64(w0, w0), mask[0]),
                                                        _mm_and_si128(_mm_unpacklo_epi64(w1, w1), mask[1])),
                                           _mm_and_si128(_mm_unpacklo_epi64(w2, w2), mask[2]));
        const __m128i absent = _mm_cmpeq_epi16(lanes, _mm_setzero_si128());
        return ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(absent, absent))) & 0xFFu;
#else
        uint64_t order = 0;
        for (int i = 0; i < PLAN.squares[s].moveCount; ++i) order |= ((moves >> LISTS[s].moveSquare[i]) & 1u) << i;
        return order;
#endif
    }

    // What the loop stops for, and where it takes up again.
    enum class Event { Done, Poll, Hook };
    enum class Resume { Count, Step, Back };

    // The loop's values between its runs.
    struct LoopValues {
        FreePlanes p;
        LineFrame f;
        uint32_t s;
        uint32_t n;
        int depth;
    };

    // The search below move n on square s, whose bound checks have passed, from the counts
    // and lines as values. The loop itself calls nothing: it stops when the poll for a halt
    // falls due or a tour is complete, and is taken up again after the call, so that every
    // register is free for it and none has to be kept across a call.
    [[gnu::noinline]] static void Search(SearchState& state, uint32_t s, uint32_t n, FreePlanes p, LineFrame f) {
        BranchPoint stack[HOOK_MOVE];
        LoopValues v{p, f, s, n, 0};
        Resume resume = Resume::Count;
        for (;;) {
            switch (Run(state, v, stack, resume)) {
                case Event::Done:
                    return;
                case Event::Poll:
                    if (TimeToStop(state)) {
                        state.unwinding = true;  // left as it is; the owner resets the state
                        return;
                    }
                    resume = Resume::Step;
                    break;
                case Event::Hook:
                    Hook(state, v.p.negative);
                    resume = Resume::Back;
                    break;
            }
        }
    }

    // The step's rules, in their order:
    //   count    the node's counter and path entry (and now and then the poll for a halt)
    //   hook     move 34 on a square of the end's colour: the solution hook, nothing else
    //   place    PlaceOnFrame: n on the square's file and rank
    //   lower    LowerCounts: every neighbour's free count but the start square's
    //   dead end two counted neighbours at 0 (the end square is not counted): try nothing
    //   mark     the square's own count made negative
    //   try      the candidates, chosen at once as a set: forced or not, bounds, the end guard
    //   undo     nothing: going back takes the values a step with several moves kept
    [[gnu::noinline]] static Event Run(SearchState& state, LoopValues& v, BranchPoint* stack, Resume resume) {
        FreePlanes p = v.p;
        LineFrame f = v.f;
        uint32_t s = v.s;
        uint32_t n = v.n;
        int depth = v.depth;
        if (resume == Resume::Step) goto step;
        if (resume == Resume::Back) goto back;
        for (;;) {
            BumpCounter(state.nodeCounters[n - 1]);
            state.path[n - 1].store(state.squareMap[s], std::memory_order_relaxed);
            if (--state.pollCountdown == 0) [[unlikely]] {
                v = LoopValues{p, f, s, n, depth};
                return Event::Poll;
            }
        step:
            if (n == HOOK_MOVE) [[unlikely]] {
                v = LoopValues{p, f, s, n, depth};
                return Event::Hook;
            }
            {
                const SquareLists& lists = LISTS[s];
                f = PlaceOnFrame(f, static_cast<int>(s), n);
                p = LowerCounts(p, lists.lowered);
                const SquareSet zero = ZeroCounts(p);
                const SquareSet zeros = zero & lists.countedNeighbours;
                p.negative |= 1ull << s;
                // A forced step may only go to the neighbour left with a single way on (count 0).
                SquareSet open = (zeros != 0 ? zeros : ~p.negative) & lists.moves & SquaresPassingBounds(f, n + 1);
                open &= ~(lists.endGuard & (0 - ((zero >> END) & 1u)));
                // A dead end (two neighbours left with a single way on) tries nothing either.
                if ((zeros & (zeros - 1)) != 0) open = 0;
                if (open != 0) {
                    ++n;
                    if ((open & (open - 1)) == 0) {
                        s = static_cast<uint32_t>(LowestBit(open));
                        continue;
                    }
                    const uint64_t order = MovesInOrder(s, open);
                    stack[depth++] = BranchPoint{p, f, order & (order - 1), s, n - 1};
                    s = lists.moveSquare[LowestBit(order)];
                    continue;
                }
            }
        back:
            // Back to the latest step with a move left, with the values it kept.
            if (depth == 0) return Event::Done;
            BranchPoint& point = stack[depth - 1];
            const uint64_t i = LowestBit(point.moves);
            point.moves &= point.moves - 1;
            p = point.p;
            f = point.f;
            n = point.move + 1;
            s = LISTS[point.square].moveSquare[i];
            if (point.moves == 0) --depth;
        }
    }

    // Move 35 is the end neighbour whose count is not negative.
    [[gnu::noinline]] static void Hook(SearchState& state, uint64_t negative) {
        for (const uint8_t q : PLAN.endNeighbours) {
            if (((negative >> q) & 1u) == 0) return CompleteTour(state, q);
        }
    }

    // Where the walk along a prefix hands over: the state's counts and lines become values.
    template <int S>
    static void Enter(SearchState& state, uint32_t n) {
        Search(state, S, n, FreePlanesOf(state), LineFrameOf(state, n));
    }

    template <int S>
    static constexpr StepFunction EntryOf() {
        if constexpr (S == END) {
            return nullptr;  // the end square is placed by the solution hook, never stepped on
        } else {
            return &Enter<S>;
        }
    }
    template <size_t... S>
    static constexpr std::array<StepFunction, SQUARE_COUNT> Entries(std::index_sequence<S...>) {
        return {EntryOf<static_cast<int>(S)>()...};
    }
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
