#include "bench/bench_set.h"

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

}  // namespace quorbit
