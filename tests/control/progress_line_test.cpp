// The progress line's text and the display settings it follows.
#include "control/progress.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/control/computation_fixture.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

std::string Line(int32_t depth) {
    // Square i of the path is i*7 mod 36: a1, b2, c3, ...
    auto state = testing::NewSearchState();
    for (int i = 0; i < SQUARE_COUNT; ++i) state->path[i].store(static_cast<uint32_t>(i * 7 % SQUARE_COUNT));
    char line[PROGRESS_LINE_SIZE];
    FormatProgressLine(line, sizeof line, *state, depth, -5, 18446744073709551615ull);
    return line;
}

TEST(ProgressLine, ShowsOneToThirtySixMovesThenTimeAndNodes) {
    EXPECT_EQ(Line(3), "a1-b2-c3 in -5 ms (18446744073709551615 nodes)\n");
    EXPECT_EQ(Line(1), "a1 in -5 ms (18446744073709551615 nodes)\n");
    const std::string all = Line(SQUARE_COUNT);
    EXPECT_EQ(all.find(' '), 3u * SQUARE_COUNT - 1);
    EXPECT_EQ(all.substr(0, 20), "a1-b2-c3-d4-e5-f6-b1");
    for (const int32_t depth : {37, 2147483647}) EXPECT_EQ(Line(depth), all) << depth;
    for (const int32_t depth : {0, -2147483647 - 1}) EXPECT_EQ(Line(depth), Line(1)) << depth;
}

class DisplaySettingsTest : public testing::ComputationTest {};

TEST_F(DisplaySettingsTest, DefaultsAndValuesBelowOne) {
    LoadDisplaySettings();
    EXPECT_EQ(displayFrequency.load(), 30);
    EXPECT_EQ(displayDepth.load(), 8);
    testing::WriteFile("QUORBIT.INI", "displayfrequency=0\nDisplayDepth=-5\n");
    ResetLineTables();
    LoadDisplaySettings();
    EXPECT_EQ(displayFrequency.load(), 1);
    EXPECT_EQ(displayDepth.load(), 1);
}

}  // namespace
}  // namespace quorbit
