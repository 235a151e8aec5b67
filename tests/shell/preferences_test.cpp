// What the Preferences ask for and what they give: threads held to the processors, said on
// the console; a display depth past the path's end shows the path, the time and the nodes.
#include <gtest/gtest.h>

#include <string>

#include "control/progress.h"
#include "platform/processor.h"
#include "shell/option_commands.h"
#include "tasks/unit_tasks.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using PreferencesTest = testing::WorkDirTest;

TEST_F(PreferencesTest, MoreThreadsThanProcessorsAreHeldAndSaid) {
    ProgramSettings s = ReadProgramSettings();
    const int32_t processors = AvailableProcessors();
    StorePreferences(s, 30, 8, processors + 5);
    EXPECT_EQ(taskThreads.load(), processors);
    EXPECT_EQ(testing::ConsoleSlot(1), "Threads: " + std::to_string(processors + 5) + " asked, but " +
                                           std::to_string(processors) + " processors are available: " +
                                           std::to_string(processors) + " threads are used.");
    ClearConsole();
    StorePreferences(s, 30, 8, processors);  // what the machine has: nothing to say
    EXPECT_EQ(testing::ConsoleSlot(1), "");
    StorePreferences(s, 30, 8, 0);
}

TEST_F(PreferencesTest, ADepthPastThePathShowsItsSquaresThenTheTimeAndNodes) {
    static SearchState state;
    for (int i = 0; i < SQUARE_COUNT; ++i) state.path[i].store(0);
    const uint32_t moves[] = {0, 29, 16};  // a1-e6-c5, the rest never reached
    for (int i = 0; i < 3; ++i) state.path[i].store(moves[i]);
    char line[PROGRESS_LINE_SIZE];
    for (const int32_t depth : {3, 99}) {
        FormatProgressLine(line, sizeof line, state, depth, 5, 7);
        EXPECT_STREQ(line, "a1-e6-c5 in 5 ms (7 nodes)\n") << depth;
    }
    FormatProgressLine(line, sizeof line, state, 2, 5, 7);
    EXPECT_STREQ(line, "a1-e6 in 5 ms (7 nodes)\n");
}

}  // namespace
}  // namespace quorbit
