// The work queue in "WORKTOUR.INI", what an entry names, the Status
// box and the progress line's text.
#include "control/work_queue.h"

#include <gtest/gtest.h>

#include <string>

#include "catalogue/catalogue.h"
#include "control/computation.h"
#include "control/progress.h"
#include "control/queue_status.h"
#include "support/write_failure.h"
#include "tests/control/computation_fixture.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

using namespace testing;

std::string Entry(int32_t index) {
    char text[QUEUE_ENTRY_SIZE];
    return QueueEntry(index, text, sizeof text) ? std::string(text) : std::string("<none>");
}

std::string StatusText() {
    char text[QUEUE_STATUS_SIZE];
    FormatQueueStatus(text, sizeof text);
    return text;
}

using WorkQueueTest = ComputationTest;

TEST_F(WorkQueueTest, AddsOnceReadsAndRemovesHeadFirst) {
    WriteFile(QUEUE_FILE, "3\n\nA1-a2\n");
    EXPECT_EQ(AddQueueEntry("3"), EnqueueResult::AlreadyQueued);
    EXPECT_EQ(AddQueueEntry("a1-A2"), EnqueueResult::AlreadyQueued);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "3\n\nA1-a2\n");  // untouched: not even its line ends
    EXPECT_EQ(QueueCount(), 2);                     // the blank line is no entry
    EXPECT_EQ(AddQueueEntry("35"), EnqueueResult::Added);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "3\r\nA1-a2\r\n35\r\n");
    EXPECT_EQ(StatusText(), "You have 3 queued works :\n\na1-b3, ?, b2-b3");
    EXPECT_EQ(Entry(-1) + Entry(3), "<none><none>");
    EXPECT_FALSE(RemoveQueueEntry(3));
    // An entry copied out stays whole after its removal; later hand edits are not seen.
    const std::string head = Entry(0);
    WriteFile(QUEUE_FILE, "40\n");
    EXPECT_TRUE(RemoveQueueEntry(0));
    EXPECT_EQ(head, "3");
    EXPECT_EQ(ReadFile(QUEUE_FILE), "A1-a2\r\n35\r\n");
    EXPECT_EQ(StatusText(), "You have 2 queued works :\n\n?, b2-b3");
    RemoveQueueEntry(0);
    ShowQueueStatus();
    EXPECT_EQ(shell.Calls(), std::vector<std::string>{"message Status: You have 1 queued work :\n\nb2-b3"});
    RemoveQueueEntry(0);
    EXPECT_EQ(StatusText(), "You have no work queued up.");
}

// A queue whose file cannot be replaced keeps its changes in memory, says each failure's
// cause once, and tells the caller: the worker must not take a unit it could never remove.
TEST_F(WorkQueueTest, AQueueFileThatCannotBeWrittenKeepsTheChangeInMemoryAndSaysWhy) {
    WriteFile(QUEUE_FILE, "3\r\n");
    ASSERT_TRUE(testing::MakeFolder("WORKTOUR.INI.tmp"));  // where the new file would be made
    EXPECT_EQ(AddQueueEntry("5"), EnqueueResult::NotSaved);
    EXPECT_EQ(Entry(1), "5");
    EXPECT_FALSE(RemoveQueueEntry(0));
    EXPECT_EQ(Entry(0), "5");
    EXPECT_EQ(ReadFile(QUEUE_FILE), "3\r\n");
    char failure[256];
    FormatWriteFailure(failure, sizeof failure);
    EXPECT_STREQ(failure, "Cannot write WORKTOUR.INI: File exists");
    EXPECT_EQ(ConsoleLines(), std::vector<std::string>{"Cannot write WORKTOUR.INI: File exists"});
    EXPECT_TRUE(QueueFileKept(failure, sizeof failure));  // the file itself is fine
    ASSERT_TRUE(testing::RemovePath("WORKTOUR.INI.tmp"));
    EXPECT_EQ(AddQueueEntry("7"), EnqueueResult::Added);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "5\r\n7\r\n");
    // A file the store may not rewrite (NUL bytes): RunCommandTest.AQueueThatCannotBeUsedIsRefused...
}

TEST_F(WorkQueueTest, AFullQueueRefusesANewEntryAtOnceAndTheStatusStopsAt1800Characters) {
    std::string lines, every = "You have 1024 queued works :\n\n";
    for (int i = 0; i < MAX_TABLE_LINES; ++i) {
        lines += std::to_string(i % 50) + (i < 50 ? "" : "+" + std::to_string(i)) + "\r\n";
        every += std::string(i != 0 ? ", " : "") + (i % 50 < WORK_UNIT_COUNT ? UnitName(i % 50) : "?");
    }
    WriteFile(QUEUE_FILE, lines);
    const std::string text = StatusText();
    EXPECT_EQ(text, every.substr(0, text.size()));
    EXPECT_GE(text.size(), QUEUE_STATUS_LIMIT);
    EXPECT_LT(text.rfind(", "), QUEUE_STATUS_LIMIT);  // the last name was added below the limit
    EXPECT_EQ(AddQueueEntry("100"), EnqueueResult::QueueFull);
    EXPECT_EQ(AddQueueEntry("0"), EnqueueResult::AlreadyQueued);
    EXPECT_EQ(ReadFile(QUEUE_FILE), lines);
    EXPECT_EQ(queueLock.load(), 0u);
    EXPECT_TRUE(RemoveQueueEntry(0));
    EXPECT_EQ(AddQueueEntry("100"), EnqueueResult::Added);
    EXPECT_EQ(Entry(MAX_TABLE_LINES - 1), "100");
}

// (The dialog's text and quorbit-cli's UNIT arguments: the fuzz target fuzz_unit_input works
// every text out the long way.)
TEST(EntryText, NamesItsUnitOrNone) {
    const std::pair<const char*, int32_t> entries[] = {
        {"0", 0}, {"44", 44}, {"12abc", 12}, {" \t+7 5", 7}, {"-0", 0}, {"", -1}, {"45", -1}, {"-1", -1},
        {"abc", -1}, {"a1-a2", -1}, {"+", -1}, {"- 3", -1}, {"99999999999999999999999", -1}};
    for (const auto& [text, unit] : entries) EXPECT_EQ(EntryUnit(text), unit) << "'" << text << "'";
}

TEST_F(WorkQueueTest, ProgressLinesShowOneToThirtySixMovesAndTheEstimatedEnd) {
    auto state = NewSearchState();  // square i of the path is i*7 mod 36: a1, b2, c3, ...
    for (int i = 0; i < SQUARE_COUNT; ++i) state->path[i].store(static_cast<uint32_t>(i * 7 % SQUARE_COUNT));
    auto line = [&](int32_t depth) {
        char text[PROGRESS_LINE_SIZE];
        FormatProgressLine(text, sizeof text, *state, depth, -5, 18446744073709551615ull);
        return std::string(text);
    };
    EXPECT_EQ(line(3), "a1-b2-c3 in -5 ms (18446744073709551615 nodes)\n");
    for (const int32_t depth : {0, -2147483647 - 1}) EXPECT_EQ(line(depth), line(1)) << depth;
    EXPECT_EQ(line(1), "a1 in -5 ms (18446744073709551615 nodes)\n");
    for (const int32_t depth : {37, 2147483647}) EXPECT_EQ(line(depth), line(SQUARE_COUNT)) << depth;
    EXPECT_EQ(line(SQUARE_COUNT).find(' '), 3u * SQUARE_COUNT - 1);
    // A square met again ends the line: from there on lie squares never reached (a1, zero).
    for (int i = 3; i < SQUARE_COUNT; ++i) state->path[i].store(0);
    EXPECT_EQ(line(99), line(3));

    // The estimate of the unit's end follows those fields, and says no more than it knows.
    char text[PROGRESS_LINE_SIZE];
    FormatProgressLine(text, sizeof text, *state, 3, 60000, 37, UnitEndEstimate{0, 37, 100, 7800});
    EXPECT_STREQ(text, "a1-b2-c3 in 60000 ms (37 nodes), ~37 % done, about 2 h 10 min left\n");
    const struct {
        uint64_t nodes;
        double total, seconds;
        const char* text;
    } ends[] = {
        {45, 1000, 45.4, ", ~4.5 % done, about 45 s left"},
        {1, 1e12, 3 * 86400 + 4 * 3600 + 1000, ", ~0.0 % done, about 3 d 4 h left"},
        {50, 100, 3599, ", ~50 % done, about 60 min left"},
        {50, 100, 1e300, ", ~50 % done, about 11574 d 2 h left"},
        {999, 1000, 0.2, ", ~99 % done, about 1 s left"},  // never done before the end
        {2000, 1000, -1, ", ~99 % done"},                   // past its estimate; speed not known
        {5, 0, 10, ""},                                     // total not known yet
    };
    for (const auto& end : ends) {
        FormatEndEstimate(text, sizeof text, UnitEndEstimate{0, end.nodes, end.total, end.seconds});
        EXPECT_STREQ(text, end.text) << end.nodes << " of " << end.total;
    }
    // The status reply's line, for the unit being computed only.
    FormatUnitEndLine(text, sizeof text, UnitEndEstimate{0, 381234567890, 1.03e12, 7800});
    EXPECT_STREQ(text, "a1-a2: 381234567890 nodes of about 1.03e+12, ~37 % done, about 2 h 10 min left");
    FormatUnitEndLine(text, sizeof text, UnitEndEstimate{44, 1234, 0, -1});
    EXPECT_STREQ(text, "c3-c4: 1234 nodes, its end not estimated yet");
    FormatUnitEndLine(text, sizeof text, UnitEndEstimate{-1, 1234, 5000, 9});
    EXPECT_STREQ(text, "");
}

}  // namespace
}  // namespace quorbit
