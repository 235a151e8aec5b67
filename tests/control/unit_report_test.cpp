#include "results/unit_report.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

TEST(UnitReport, SummaryLine) {
    char line[256];
    FormatUnitSummary(line, sizeof line, "a1-a2", 1234, 18446744073709551615ull, 3, 20000);
    EXPECT_STREQ(line,
                 "Computation of a1-a2 has finished in 1234 milliseconds (18446744073709551615 cycles), 3 solutions "
                 "have been found in 20000 total nodes\n");
}

TEST(UnitReport, NodeDetailIsFourLinesOfTenTenTenAndFour) {
    auto state = testing::NewSearchState();
    for (int i = 0; i < COUNTED_MOVES; ++i) state->nodeCounters[i] = static_cast<uint64_t>(i) * 1000000007ull;
    state->nodeCounters[33] = 18446744073709551615ull;
    std::string detail;
    char line[256];
    for (int k = 0; k < NODE_DETAIL_LINES; ++k) {
        FormatNodeDetailLine(line, sizeof line, *state, k);
        detail += line;
    }
    EXPECT_EQ(detail,
              " 0 1000000007 2000000014 3000000021 4000000028 5000000035 6000000042 7000000049 8000000056 9000000063\n"
              " 10000000070 11000000077 12000000084 13000000091 14000000098 15000000105 16000000112 17000000119 "
              "18000000126 19000000133\n"
              " 20000000140 21000000147 22000000154 23000000161 24000000168 25000000175 26000000182 27000000189 "
              "28000000196 29000000203\n"
              " 30000000210 31000000217 32000000224 18446744073709551615\n");
}

}  // namespace
}  // namespace quorbit
