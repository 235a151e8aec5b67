// The bench's signature: a change in what the search counts at any move changes it.
#include <gtest/gtest.h>

#include "bench/bench_set.h"

namespace quorbit {
namespace {

TEST(BenchSignature, NodeTotalAndNodeDetailHashAreThoseOfTheDefinition) {
    BenchCounters detail{};
    for (int i = 0; i < BENCH_SET_SIZE; ++i) {
        const BenchCounters counters = RunBenchSearch(BENCH_SET[i], false);
        for (size_t move = 0; move < detail.size(); ++move) detail[move] += counters[move];
    }
    uint64_t total = 0;
    for (const uint64_t count : detail) total += count;
    EXPECT_EQ(total, 73501424u);
    EXPECT_EQ(NodeDetailHash(detail), 0xea052224402426afull);
}

}  // namespace
}  // namespace quorbit
