#include "bench/bench_set.h"

#include <memory>
#include <vector>

#include "bench/reference_search.h"
#include "catalogue/catalogue.h"
#include "search/path_text.h"
#include "search/subtree_search.h"

namespace quorbit {

// Six units from six different translation groups, each for ten million nodes, and three
// complete subtrees, one of them below a start square that is an end neighbour (a1-b3).
const BenchSearch BENCH_SET[] = {
    {0, nullptr, 10000000},   // a1-a2
    {3, nullptr, 10000000},   // a1-b3
    {5, nullptr, 10000000},   // a1-c4
    {7, nullptr, 10000000},   // a1-d5
    {11, nullptr, 10000000},  // a2-b2
    {30, nullptr, 10000000},  // a3-d3
    {0, "a1-e6-c5-a4-e3-c2-a3", 0},
    {27, "a3-e2-c1-a6-e5-c4-a5", 0},
    {3, "a1-e6-c5-a4-e3-c2-a3", 0},
};

const int BENCH_SET_SIZE = sizeof BENCH_SET / sizeof BENCH_SET[0];

BenchCounters RunBenchSearch(const BenchSearch& search, bool useReference) {
    const WorkUnit& unit = workUnits[search.unit];
    uint8_t prefix[SQUARE_COUNT] = {unit.start};
    int length = 1;
    if (search.prefix != nullptr) {
        char error[96];
        length = ParseSquareList(search.prefix, prefix, SQUARE_COUNT, error, sizeof error);
    }
    BenchCounters counters{};
    if (useReference) {
        const auto result = reference::ReferenceSearch(unit.start, unit.end,
                                                       std::vector<int>(prefix, prefix + length), search.budget);
        counters = result.nodeCounters;
    } else {
        auto state = std::make_unique<SearchState>();
        ResetSearchState(*state);
        ClearNodeCounters(*state);
        SearchSubtree(*state, unit.start, unit.end, prefix, length, search.budget);
        for (int i = 0; i < COUNTED_MOVES; ++i) counters[i] = state->nodeCounters[i].load();
    }
    return counters;
}

uint64_t NodeDetailHash(const BenchCounters& counters) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const uint64_t count : counters) {
        for (int byte = 0; byte < 8; ++byte) {
            hash ^= (count >> (8 * byte)) & 0xFF;
            hash *= 0x100000001b3ull;
        }
    }
    return hash;
}

}  // namespace quorbit
