// The bench's fixed set of searches. Its node total is the search's functional signature:
// it changes only when the definition of the search changes.
#pragma once

#include <cstdint>

namespace quorbit {

struct BenchSearch {
    int unit;
    const char* prefix;  // null: below the unit's start square
    uint64_t budget;     // 0: the whole subtree
};

extern const BenchSearch BENCH_SET[];
extern const int BENCH_SET_SIZE;

}  // namespace quorbit
