// The checkpoint's reading: a record cut short at the end (a crash while appending) is
// dropped and the rest kept; a damaged record before the end refuses the file.
#include <gtest/gtest.h>

#include <cstring>

#include "control/checkpoint.h"
#include "control/task_record.h"

namespace quorbit {
namespace {

struct Checkpoint {
    std::vector<uint8_t> bytes;
    std::vector<size_t> ends;  // where each record ends
};

Checkpoint Sample() {
    Checkpoint c;
    CheckpointHeader header{};
    header.unit = 5;
    header.cutMove = 3;
    header.taskCount = 4;
    std::strcpy(header.program, CheckpointProgramVersion());
    AppendRecord(c.bytes, CHECKPOINT_HEADER_KIND, EncodeCheckpointHeader(header));
    c.ends.push_back(c.bytes.size());
    for (uint64_t index : {2, 0}) {
        TaskResult task{};
        task.index = index;
        task.prefixLength = 3;
        task.nodeCounters[2] = 1;
        task.nodeCounters[HOOK_MOVE - 1] = 1;
        task.solutions.push_back(TaskSolution{2, {}});
        AppendRecord(c.bytes, TASK_RESULT_KIND, EncodeTaskResult(task));
        c.ends.push_back(c.bytes.size());
    }
    AppendRecord(c.bytes, CHECKPOINT_MARK_KIND, EncodeCheckpointMark(CheckpointMark{0, 1, 0, 1234, 99}));
    c.ends.push_back(c.bytes.size());
    return c;
}

TEST(Checkpoint, ATornLastRecordIsDroppedAndTheRestKept) {
    const Checkpoint c = Sample();
    CheckpointContents read;
    char why[200];
    ASSERT_TRUE(ParseCheckpoint(c.bytes.data(), c.bytes.size(), read, why, sizeof why)) << why;
    EXPECT_EQ(read.header.unit, 5u);
    ASSERT_EQ(read.tasks.size(), 2u);
    EXPECT_EQ(read.tasks[0].index, 2u);
    EXPECT_EQ(read.tasks[1].solutions.at(0).nodeOffset, 2u);
    EXPECT_TRUE(read.marked);
    EXPECT_EQ(read.lastMark.elapsedMs, 1234u);
    // Cut anywhere: the whole records before the cut are read, nothing after.
    for (size_t size = 0; size < c.bytes.size(); ++size) {
        ASSERT_TRUE(ParseCheckpoint(c.bytes.data(), size, read, why, sizeof why)) << size << ": " << why;
        size_t whole = 0;
        for (const size_t end : c.ends)
            if (end <= size) whole = end;
        EXPECT_EQ(read.headed ? read.wholeBytes : 0, whole) << size;
        EXPECT_EQ(read.tasks.size(), whole > c.ends[0] ? (whole >= c.ends[2] ? 2u : 1u) : 0u) << size;
    }
    // A crash that left zeros after the last record (as some file systems do) drops them too.
    std::vector<uint8_t> zeros = c.bytes;
    zeros.resize(zeros.size() + 100, 0);
    ASSERT_TRUE(ParseCheckpoint(zeros.data(), zeros.size(), read, why, sizeof why));
    EXPECT_EQ(read.wholeBytes, c.bytes.size());
}

TEST(Checkpoint, ADamagedRecordBeforeTheEndOrAForeignRecordRefusesTheFile) {
    const Checkpoint c = Sample();
    CheckpointContents read;
    char why[200];
    for (const size_t at : {c.ends[0] - 3, c.ends[1] + 20, c.ends[2] - 1}) {
        std::vector<uint8_t> damaged = c.bytes;
        damaged[at] ^= 0x40;
        EXPECT_FALSE(ParseCheckpoint(damaged.data(), damaged.size(), read, why, sizeof why)) << at;
        EXPECT_NE(why[0], '\0');
    }
    // A task the header's cut cannot hold.
    std::vector<uint8_t> foreign = c.bytes;
    TaskResult task{};
    task.index = 9;
    task.prefixLength = 3;
    AppendRecord(foreign, TASK_RESULT_KIND, EncodeTaskResult(task));
    EXPECT_FALSE(ParseCheckpoint(foreign.data(), foreign.size(), read, why, sizeof why));
    EXPECT_STREQ(why, "a task's record does not fit the unit's cut");
}

}  // namespace
}  // namespace quorbit
