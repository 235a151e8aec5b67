#include "search/square_step.h"

#include <array>
#include <utility>

#include "search/child_bounds.h"
#include "search/free_counts.h"
#include "search/solution_hook.h"
#include "search/step_common.h"
#include "search/unit_plan.h"

namespace quorbit {
namespace {

template <int END>
struct Kernel {
    static constexpr UnitPlan PLAN = PrepareUnitPlan(0, END);

    template <int S>
    static constexpr EnterMask MakeEnterMask() {
        EnterMask mask{};
        for (int i = 0; i < PLAN.squares[S].lowerCount; ++i) mask.lanes[PLAN.squares[S].lower[i]] = 1;
        mask.lanes[S] = static_cast<int8_t>(VISITED_MARK);
        return mask;
    }
    template <int S>
    static constexpr EnterMask ENTER_MASK = MakeEnterMask<S>();

    template <int S>
    static constexpr SquareSet SetOf(const uint8_t* squares, int count) {
        SquareSet set = 0;
        for (int i = 0; i < count; ++i)
            if (squares[i] != END) set |= 1ull << squares[i];
        return set;
    }

    // The step of move n on S, whose bound checks have passed (the caller judged them for
    // all its children at once). The step's rules, in their order, and where each is done:
    //   count    CountNode: the node's counter and path entry (and the poll for a halt)
    //   hook     move 34 on a square of the end's colour: SolutionHook, nothing else changes
    //   place    PlaceMove: n on the square's file and rank, with their move ranges
    //   lower    EnterSquare: every neighbour's free count but the start square's ...
    //   mark     ... and the square's own mark, in the same vector subtraction
    //   dead end two counted neighbours at 0 (the end square is not counted): try nothing
    //   try      the candidates, chosen at once as a set: forced or not, bounds, the end guard
    //   undo     LeaveSquare and RemoveMove restore what enter and place changed
    template <int S>
    static void Step(SearchState& state, uint32_t n) {
        constexpr SquarePlan SQUARE = PLAN.squares[S];
        constexpr bool CAN_BE_MOVE_34 = SquareColour(S) == SquareColour(END);
        constexpr SquareSet COUNTED_NEIGHBOURS = SetOf<S>(SQUARE.lower, SQUARE.lowerCount);  // not the end

        if (!CountNode(state, S, n)) return;
        if constexpr (CAN_BE_MOVE_34) {
            if (n == HOOK_MOVE) {
                SolutionHook(state);
                return;
            }
        }
        PlaceMove(state, S, n);
        const FreeSets sets = EnterSquare(state, ENTER_MASK<S>);
        const SquareSet zeros = sets.zero & COUNTED_NEIGHBOURS;
        if ((zeros & (zeros - 1)) == 0) {  // not a dead end: at most one neighbour fell to 0
            // Every call below restores the state, so all candidates can be chosen now. A
            // forced step may only go to the neighbour left with a single way on (count 0).
            SquareSet open = (zeros != 0 ? zeros : sets.nonNeg) & SquaresPassingBounds(state, n + 1);
            if constexpr ((PLAN.endNeighbourSet & COUNTED_NEIGHBOURS) != 0) {
                if ((sets.zero >> END) & 1u) open &= ~PLAN.endNeighbourSet;
            }
            const SquareSet moves = open & MOVE_SET<S>;
            if (moves != 0 && (moves & (moves - 1)) == 0) {
                // One move, the most common case: no order to keep.
                STEPS[__builtin_ctzll(moves)](state, n + 1);
                if (state.unwinding) return;  // left as it is; the owner resets the state
            } else if (moves != 0) {
                // Several: take them in KNIGHT_STEPS order.
                uint32_t candidates = 0;
#pragma GCC unroll 8
                for (int i = 0; i < SQUARE.moveCount; ++i)
                    candidates |= static_cast<uint32_t>((moves >> SQUARE.moves[i]) & 1u) << i;
                while (candidates != 0) {
                    const int i = __builtin_ctz(candidates);
                    candidates &= candidates - 1;
                    CHILDREN<S>[i](state, n + 1);
                    if (state.unwinding) return;
                }
            }
        }
        LeaveSquare(state, ENTER_MASK<S>);
        RemoveMove(state, S, n);
    }

    template <int S>
    static constexpr SquareSet MOVE_SET = SetOf<S>(PLAN.squares[S].moves, PLAN.squares[S].moveCount);

    template <int S, size_t... I>
    static constexpr std::array<StepFunction, STEP_COUNT> Children(std::index_sequence<I...>) {
        return {(I < PLAN.squares[S].moveCount ? &Step<PLAN.squares[S].moves[I]> : nullptr)...};
    }
    template <int S>
    static constexpr std::array<StepFunction, STEP_COUNT> CHILDREN = Children<S>(std::make_index_sequence<STEP_COUNT>{});

    template <int S>
    static constexpr StepFunction StepOf() {
        if constexpr (S == END) {
            return nullptr;  // the end square is placed by the solution hook, never stepped on
        } else {
            return &Step<S>;
        }
    }
    template <size_t... S>
    static constexpr std::array<StepFunction, SQUARE_COUNT> Steps(std::index_sequence<S...>) {
        return {StepOf<static_cast<int>(S)>()...};
    }
    static constexpr std::array<StepFunction, SQUARE_COUNT> STEPS = Steps(std::make_index_sequence<SQUARE_COUNT>{});
};

// A build for tests may compile only some kernels (bit e: the kernel ending on e).
#ifndef QUORBIT_KERNEL_ENDS
#define QUORBIT_KERNEL_ENDS (~0ull)
#endif

template <int E>
constexpr const StepFunction* KernelFor() {
    if constexpr (SquareColour(E) != SquareColour(0) && ((static_cast<uint64_t>(QUORBIT_KERNEL_ENDS) >> E) & 1u) != 0) {
        return Kernel<E>::STEPS.data();
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

const StepFunction* KernelSteps(int end) { return KERNELS[end]; }

}  // namespace quorbit
