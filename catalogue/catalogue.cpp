#include "catalogue/catalogue.h"

#include <mutex>

#include "search/subtree_search.h"

namespace quorbit {
namespace {

template <int START, int END>
SearchOutcome RunUnit(SearchState& state) {
    // The search refuses any other pair; here a wrong entry fails the build instead.
    static_assert(START != END && SquareColour(START) != SquareColour(END), "a unit joins squares of opposite colours");
    return SearchWorkUnit(state, START, END);
}

}  // namespace

#define QUORBIT_UNIT(name, start, end) {&RunUnit<start, end>, name, start, end}

const WorkUnit workUnits[WORK_UNIT_COUNT] = {
    QUORBIT_UNIT("a1-a2", 0, 1),  QUORBIT_UNIT("a1-a4", 0, 3),  QUORBIT_UNIT("a1-a6", 0, 5),
    QUORBIT_UNIT("a1-b3", 0, 8),  QUORBIT_UNIT("a1-b5", 0, 10), QUORBIT_UNIT("a1-c4", 0, 15),
    QUORBIT_UNIT("a1-c6", 0, 17), QUORBIT_UNIT("a1-d5", 0, 22), QUORBIT_UNIT("a1-e6", 0, 29),
    QUORBIT_UNIT("a2-a3", 1, 2),  QUORBIT_UNIT("a2-a5", 1, 4),  QUORBIT_UNIT("a2-b2", 1, 7),
    QUORBIT_UNIT("a2-b4", 1, 9),  QUORBIT_UNIT("a2-b6", 1, 11), QUORBIT_UNIT("a2-c1", 1, 12),
    QUORBIT_UNIT("a2-c3", 1, 14), QUORBIT_UNIT("a2-c5", 1, 16), QUORBIT_UNIT("a2-d2", 1, 19),
    QUORBIT_UNIT("a2-d4", 1, 21), QUORBIT_UNIT("a2-d6", 1, 23), QUORBIT_UNIT("a2-e3", 1, 26),
    QUORBIT_UNIT("a2-e5", 1, 28), QUORBIT_UNIT("a2-f2", 1, 31), QUORBIT_UNIT("a2-f4", 1, 33),
    QUORBIT_UNIT("a3-a4", 2, 3),  QUORBIT_UNIT("a3-b3", 2, 8),  QUORBIT_UNIT("a3-b5", 2, 10),
    QUORBIT_UNIT("a3-c2", 2, 13), QUORBIT_UNIT("a3-c4", 2, 15), QUORBIT_UNIT("a3-c6", 2, 17),
    QUORBIT_UNIT("a3-d3", 2, 20), QUORBIT_UNIT("a3-d5", 2, 22), QUORBIT_UNIT("a3-e2", 2, 25),
    QUORBIT_UNIT("a3-e4", 2, 27), QUORBIT_UNIT("a3-f3", 2, 32), QUORBIT_UNIT("b2-b3", 7, 8),
    QUORBIT_UNIT("b2-b5", 7, 10), QUORBIT_UNIT("b2-c4", 7, 15), QUORBIT_UNIT("b2-d5", 7, 22),
    QUORBIT_UNIT("b3-b4", 8, 9),  QUORBIT_UNIT("b3-c3", 8, 14), QUORBIT_UNIT("b3-c5", 8, 16),
    QUORBIT_UNIT("b3-d4", 8, 21), QUORBIT_UNIT("b3-e3", 8, 26), QUORBIT_UNIT("c3-c4", 14, 15),
};

#undef QUORBIT_UNIT

const char* UnitName(int32_t unit) {
    if (unit < 0 || unit >= WORK_UNIT_COUNT) return nullptr;
    return workUnits[unit].name;
}

int RunWorkUnit(int32_t unit, SearchState& state) {
    if (unit < 0 || unit >= WORK_UNIT_COUNT) return 1;
    workUnits[unit].routine(state);
    return 0;
}

int FindUnitByName(const char* text) {
    for (int unit = 0; unit < WORK_UNIT_COUNT; ++unit) {
        const char* name = workUnits[unit].name;
        int i = 0;
        for (; name[i] != '\0'; ++i) {
            char c = text[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != name[i]) break;
        }
        if (name[i] == '\0' && text[i] == '\0') return unit;
    }
    return -1;
}

int UnitFirstMoves(int32_t unit, int moves, uint8_t* prefix) {
    static SearchState scratch;  // large: one caller at a time (the worker, the progress reporter)
    static std::mutex scratchLock;
    const std::lock_guard<std::mutex> hold(scratchLock);
    const WorkUnit& work = workUnits[unit];
    ResetSearchState(scratch);
    ClearNodeCounters(scratch);
    scratch.solutionSink = nullptr;
    SearchWorkUnit(scratch, work.start, work.end, static_cast<uint64_t>(moves));
    int taken = 0;
    // The first nodes are one descent as long as each move has one node.
    while (taken < moves && taken < HOOK_MOVE && scratch.nodeCounters[taken].load() == 1) {
        prefix[taken] = static_cast<uint8_t>(scratch.path[taken].load());
        ++taken;
    }
    return taken;
}

}  // namespace quorbit
