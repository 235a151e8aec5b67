// What the user types in "Enter tour number", and what OK does with it.
#include "control/unit_input.h"

#include <gtest/gtest.h>

#include "control/computation.h"
#include "control/work_queue.h"
#include "tests/control/computation_fixture.h"

namespace quorbit {
namespace {

int32_t Parsed(const char* text) {
    int32_t unit = -99;
    const UnitInput result = ParseUnitInput(text, &unit);
    return result == UnitInput::Empty ? -2 : result == UnitInput::Refused ? -1 : unit;
}

TEST(UnitInput, DigitsGiveTheNumberAndOnlyAWholeNameInEitherCaseItsUnit) {
    const std::pair<const char*, int32_t> cases[] = {
        {"5", 5}, {"05", 5}, {"0", 0}, {"44", 44}, {"00000000000000000000000000000000000000044", 44},
        {"b2-b3", 35}, {"B2-B3", 35}, {"A1-a2", 0}, {"", -2}, {"45", -1}, {"-1", -1}, {"+5", -1}, {"5 ", -1},
        {"a1 a2", -1}, {" a1-a2", -1}, {"a1-a2 ", -1}, {"a1-a3", -1}, {"99999999999999999999999999", -1},
        {"450", -1}, {"0x5", -1}};
    for (const auto& [text, unit] : cases) EXPECT_EQ(Parsed(text), unit) << "'" << text << "'";
}

class SubmitUnitInputTest : public testing::ComputationTest {};

TEST_F(SubmitUnitInputTest, RefusedOrEmptyTextQueuesAndStartsNothing) {
    EXPECT_EQ(SubmitUnitInput(""), UnitInput::Empty);
    EXPECT_TRUE(shell.Calls().empty());
    EXPECT_EQ(SubmitUnitInput("a1 a2"), UnitInput::Refused);
    EXPECT_EQ(shell.Calls(), std::vector<std::string>{"message Quorbit 1.2a: Please enter a tour number between "
                                                      "0 and 44 or its name (ex: a1-a2)"});
    EXPECT_EQ(testing::ReadFile(QUEUE_FILE), "<missing>");
    EXPECT_FALSE(WorkerThreadExists());
}

}  // namespace
}  // namespace quorbit
