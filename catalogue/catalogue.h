// The 45 work units: for each number its name, its start and end square and its routine.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

inline constexpr int WORK_UNIT_COUNT = 45;

// Runs the whole unit on the calling thread, in the given state (reset beforehand).
using UnitRoutine = SearchOutcome (*)(SearchState& state);

struct WorkUnit {
    UnitRoutine routine;
    const char* name;  // "a1-a2": start square, hyphen, end square
    uint8_t start;
    uint8_t end;
};

extern const WorkUnit workUnits[WORK_UNIT_COUNT];

// The unit's name, or null when the number is outside 0..44.
const char* UnitName(int32_t unit);

// Runs the unit's routine in the state and returns 0 when it has returned; returns 1 at
// once, running nothing, when the number is outside 0..44.
int RunWorkUnit(int32_t unit, SearchState& state);

// The unit's first `moves` squares as the search first takes them (its first descent), for
// trials that search a unit only below them. Returns how many it has (fewer when the search
// meets a dead end first). Callers on several threads take turns.
int UnitFirstMoves(int32_t unit, int moves, uint8_t* prefix);

// The number of the unit whose name is the text, letters in either case; -1 if none.
int FindUnitByName(const char* text);

}  // namespace quorbit
