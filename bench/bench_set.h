// The bench's fixed set of searches. Its node total and the hash of its 34 summed node
// counters are the search's functional signature: they change only when the definition of
// the search changes.
#pragma once

#include <array>
#include <cstdint>

namespace quorbit {

struct BenchSearch {
    int unit;
    const char* prefix;  // null: below the unit's start square
    uint64_t budget;     // 0: the whole subtree
};

extern const BenchSearch BENCH_SET[];
extern const int BENCH_SET_SIZE;

using BenchCounters = std::array<uint64_t, 34>;

// Runs one search of the set with the engine, or with the plain reference search.
BenchCounters RunBenchSearch(const BenchSearch& search, bool useReference);

// FNV-1a over the counters' 64-bit values, low byte first.
uint64_t NodeDetailHash(const BenchCounters& counters);

}  // namespace quorbit
