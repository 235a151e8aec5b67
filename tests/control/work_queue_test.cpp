// The work queue in "WORKTOUR.INI", what an entry names, and the Status box's text.
#include "control/work_queue.h"

#include <gtest/gtest.h>

#include <string>

#include "control/catalogue.h"
#include "control/queue_status.h"
#include "tests/control/computation_fixture.h"

namespace quorbit {
namespace {

using testing::InodeOf;
using testing::ReadFile;
using testing::WriteFile;

class WorkQueueTest : public testing::ComputationTest {};

std::string Entry(int32_t index) {
    char text[QUEUE_ENTRY_SIZE];
    return QueueEntry(index, text, sizeof text) ? std::string(text) : std::string("<none>");
}

std::string StatusText() {
    char text[QUEUE_STATUS_SIZE];
    FormatQueueStatus(text, sizeof text);
    return text;
}

TEST_F(WorkQueueTest, AddsOnceReadsAndRemovesHeadFirst) {
    EXPECT_EQ(QueueCount(), 0);
    EXPECT_EQ(Entry(0), "<none>");
    EXPECT_EQ(AddQueueEntry("7"), EnqueueResult::Added);
    EXPECT_EQ(AddQueueEntry("35"), EnqueueResult::Added);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "7\r\n35\r\n");
    EXPECT_EQ(Entry(1), "35");
    EXPECT_EQ(Entry(2), "<none>");
    EXPECT_EQ(Entry(-1), "<none>");
    EXPECT_FALSE(RemoveQueueEntry(2));
    EXPECT_TRUE(RemoveQueueEntry(0));
    EXPECT_EQ(ReadFile(QUEUE_FILE), "35\r\n");
    EXPECT_EQ(Entry(0), "35");
}

TEST_F(WorkQueueTest, HandEditedFileIsReadOnceAndDuplicatesLeaveItUntouched) {
    WriteFile(QUEUE_FILE, "3\n\nA1-a2\n");
    EXPECT_EQ(QueueCount(), 2);  // the blank line is no entry
    const ino_t before = InodeOf(QUEUE_FILE);
    EXPECT_EQ(AddQueueEntry("3"), EnqueueResult::AlreadyQueued);
    EXPECT_EQ(AddQueueEntry("a1-A2"), EnqueueResult::AlreadyQueued);
    EXPECT_EQ(ReadFile(QUEUE_FILE), "3\n\nA1-a2\n");
    EXPECT_EQ(InodeOf(QUEUE_FILE), before);
    // An entry copied out stays whole after its removal; later hand edits are not seen.
    char head[QUEUE_ENTRY_SIZE];
    ASSERT_TRUE(QueueEntry(0, head, sizeof head));
    WriteFile(QUEUE_FILE, "40\n");
    EXPECT_TRUE(RemoveQueueEntry(0));
    EXPECT_STREQ(head, "3");
    EXPECT_EQ(ReadFile(QUEUE_FILE), "A1-a2\r\n");
}

TEST_F(WorkQueueTest, AFullQueueRefusesANewEntryAtOnce) {
    std::string lines;
    for (int i = 0; i < MAX_TABLE_LINES; ++i) lines += std::to_string(100 + i) + "\r\n";
    WriteFile(QUEUE_FILE, lines);
    EXPECT_EQ(AddQueueEntry("5"), EnqueueResult::QueueFull);
    EXPECT_EQ(AddQueueEntry("100"), EnqueueResult::AlreadyQueued);
    EXPECT_EQ(ReadFile(QUEUE_FILE), lines);
    EXPECT_EQ(queueLock.load(), 0u);
    EXPECT_TRUE(RemoveQueueEntry(0));
    EXPECT_EQ(AddQueueEntry("5"), EnqueueResult::Added);
    EXPECT_EQ(Entry(MAX_TABLE_LINES - 1), "5");
}

TEST(EntryUnit, ReadsTheLeadingNumber) {
    EXPECT_EQ(EntryUnit("0"), 0);
    EXPECT_EQ(EntryUnit("44"), 44);
    EXPECT_EQ(EntryUnit("12abc"), 12);
    EXPECT_EQ(EntryUnit(" \t+7 5"), 7);
    EXPECT_EQ(EntryUnit("-0"), 0);
    for (const char* none : {"", "45", "-1", "abc", "a1-a2", "+", "- 3", "99999999999999999999999"})
        EXPECT_EQ(EntryUnit(none), -1) << "'" << none << "'";
}

TEST_F(WorkQueueTest, StatusNamesTheEntriesWithAQuestionMarkForNoUnit) {
    EXPECT_EQ(StatusText(), "You have no work queued up.");
    ASSERT_EQ(AddQueueEntry("3"), EnqueueResult::Added);
    EXPECT_EQ(StatusText(), "You have 1 queued work :\n\na1-b3");
    WriteFile(QUEUE_FILE, "0\n 12 and more\na1-a2\n99\n");
    ResetLineTables();
    EXPECT_EQ(StatusText(), "You have 4 queued works :\n\na1-a2, a2-b4, ?, ?");
    ShowQueueStatus();
    EXPECT_EQ(shell.Calls(), std::vector<std::string>{"message Status: " + StatusText()});
}

TEST_F(WorkQueueTest, StatusStopsGrowingOnceTheTextReaches1800Characters) {
    std::string lines;
    std::string every = "You have 300 queued works :\n\n";
    for (int i = 0; i < 300; ++i) {
        lines += std::to_string(i % 50) + "\n";
        every += std::string(i != 0 ? ", " : "") + (i % 50 < WORK_UNIT_COUNT ? UnitName(i % 50) : "?");
    }
    WriteFile(QUEUE_FILE, lines);
    const std::string text = StatusText();
    EXPECT_EQ(text, every.substr(0, text.size()));
    EXPECT_GE(text.size(), QUEUE_STATUS_LIMIT);
    EXPECT_LT(text.rfind(", "), QUEUE_STATUS_LIMIT);  // the last name was added below the limit
}

}  // namespace
}  // namespace quorbit
