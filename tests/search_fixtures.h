// Running the engine in tests: collecting its tours and counters in plain containers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "search/subtree_search.h"
#include "bench/reference_search.h"

namespace quorbit::testing {

struct EngineResult {
    std::array<uint64_t, 34> nodeCounters{};
    std::vector<reference::Tour> solutions;
    std::vector<uint64_t> solutionNodes;  // the node total when each was reported
    SearchOutcome outcome = SearchOutcome::Finished;
    bool stateRestored = false;  // freeCount, lineSum and lineFill back at their initial values
};

// A fresh, reset state on the heap (the state is large and holds atomics, so it stays put).
std::unique_ptr<SearchState> NewSearchState();

// Runs the engine below the prefix (just the start square when empty) with a budget
// (0: none). Every tour found is checked with TourFault and a fault fails the test.
EngineResult RunEngine(int start, int end, const std::vector<int>& prefix, uint64_t budget);

// The first `depth` moves the search places in the unit (its first descent).
std::vector<int> FirstDescent(int start, int end, int depth);

bool HoldsInitialValues(const SearchState& state);

// The squares of a list such as "a1-e6-c5"; a list that does not parse fails the test.
std::vector<int> SquaresOf(const char* text);

}  // namespace quorbit::testing
