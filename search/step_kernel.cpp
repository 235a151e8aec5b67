#include "search/step_kernel.h"

#include <array>
#include <utility>

#include "search/child_bounds.h"
#include "search/solution_hook.h"
#include "search/step_common.h"
#include "search/unit_plan.h"

namespace quorbit {
namespace {

template <int END>
struct Kernel {
    static constexpr UnitPlan PLAN = PrepareUnitPlan(0, END);

    // The step of move n on S, whose bound checks have passed.
    template <int S>
    static void Step(SearchState& state, uint32_t n) {
        constexpr SquarePlan SQUARE = PLAN.squares[S];
        constexpr bool CAN_BE_MOVE_34 = SquareColour(S) == SquareColour(END);

        if (!CountNode(state, S, n)) return;
        if constexpr (CAN_BE_MOVE_34) {
            if (n == HOOK_MOVE) {
                SolutionHook(state);
                return;
            }
        }
        PlaceMove(state, S, n);
        int zeros = 0;
#pragma GCC unroll 8
        for (int i = 0; i < SQUARE.lowerCount; ++i) {
            const int32_t count = --state.freeCount[SQUARE.lower[i]];
            if (SQUARE.lower[i] != END) zeros += count == 0;  // the end square may reach 0
        }
        if (zeros < 2) {
            state.freeCount[S] -= VISITED_MARK;
            // Every call below restores the state, so all candidates can be chosen now. A
            // forced step may only go to the neighbour left with a single way on (count 0).
            const SquareSet passing = SquaresPassingBounds(state, n + 1);
            const uint32_t highestCount = zeros == 1 ? 0u : 0x7FFFFFFFu;
            uint32_t candidates = 0;
#pragma GCC unroll 8
            for (int i = 0; i < SQUARE.moveCount; ++i) {
                const int q = SQUARE.moves[i];
                const bool free = static_cast<uint32_t>(state.freeCount[q]) <= highestCount;
                candidates |= static_cast<uint32_t>(free & ((passing >> q) & 1u)) << i;
            }
            if constexpr (SQUARE.guardMask != 0) {
                if (state.freeCount[END] == 0) candidates &= ~static_cast<uint32_t>(SQUARE.guardMask);
            }
            while (candidates != 0) {
                const int i = __builtin_ctz(candidates);
                candidates &= candidates - 1;
                CHILDREN<S>[i](state, n + 1);
                if (state.unwinding) return;  // left as it is; the owner resets the state
            }
            state.freeCount[S] += VISITED_MARK;
        }
#pragma GCC unroll 8
        for (int i = 0; i < SQUARE.lowerCount; ++i) ++state.freeCount[SQUARE.lower[i]];
        RemoveMove(state, S, n);
    }

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

template <int E>
constexpr const StepFunction* KernelFor() {
    if constexpr (SquareColour(E) != SquareColour(0)) {
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
