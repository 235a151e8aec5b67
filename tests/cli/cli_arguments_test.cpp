#include "cli/cli_arguments.h"

#include <gtest/gtest.h>

namespace quorbit {
namespace {

TEST(CliArguments, UnitsByNumberOrName) {
    EXPECT_EQ(ParseUnitArgument("0"), 0);
    EXPECT_EQ(ParseUnitArgument("44"), 44);
    EXPECT_EQ(ParseUnitArgument("007"), 7);
    EXPECT_EQ(ParseUnitArgument("A1-A2"), 0);
    EXPECT_EQ(ParseUnitArgument("c3-C4"), 44);
    for (const char* bad : {"45", "-1", "", "4a", "99999999999999999999", "a1-a3", " 1"})
        EXPECT_EQ(ParseUnitArgument(bad), -1) << bad;
}

TEST(CliArguments, PositiveCounts) {
    uint64_t value = 7;
    EXPECT_TRUE(ParsePositiveCount("20000", value));
    EXPECT_EQ(value, 20000u);
    EXPECT_TRUE(ParsePositiveCount("18446744073709551615", value));
    EXPECT_EQ(value, 18446744073709551615ull);
    for (const char* bad : {"0", "", "-5", "1e6", "18446744073709551616", "12 "})
        EXPECT_FALSE(ParsePositiveCount(bad, value)) << bad;
}

}  // namespace
}  // namespace quorbit
