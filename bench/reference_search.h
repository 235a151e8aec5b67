// A deliberately plain search, written straight from the definition of the square step,
// against which the engine is compared. It favours being obviously right over speed.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace quorbit::reference {

using Tour = std::array<int, 36>;

struct ReferenceResult {
    std::array<uint64_t, 34> nodeCounters{};
    std::vector<Tour> solutions;  // in the order found
    std::vector<uint64_t> solutionNodes;  // the node total when each was found
    bool budgetReached = false;
};

// Searches the unit below the prefix (whose first square is the start square), stopping
// right after the budget's last node when budget > 0.
ReferenceResult ReferenceSearch(int start, int end, const std::vector<int>& prefix, uint64_t budget);

}  // namespace quorbit::reference
