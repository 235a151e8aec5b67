// Reading a checkpoint: a torn last record is dropped, a damaged one before others refuses the
// file. Every record read back is proven by the kill and resume runs (TaskModeTours).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "results/announced_lines.h"
#include "tasks/checkpoint.h"
#include "tasks/task_record.h"
#include "tests/test_support/test_platform.h"

namespace quorbit {
namespace {

struct Checkpoint {
    std::vector<uint8_t> bytes;
    std::vector<size_t> ends;  // where each record ends
};

// A header, two tasks, a mark announcing a task's tours, a third task and a time mark.
Checkpoint Sample() {
    Checkpoint c;
    auto add = [&c](uint32_t kind, const std::vector<uint8_t>& payload) {
        AppendRecord(c.bytes, kind, payload);
        c.ends.push_back(c.bytes.size());
    };
    CheckpointHeader header{};
    header.unit = 5;
    header.cutMove = 3;
    header.taskCount = 4;
    std::strcpy(header.program, CheckpointProgramVersion());
    add(CHECKPOINT_HEADER_KIND, EncodeCheckpointHeader(header));
    auto task = [&add](uint64_t index) {
        TaskResult result{};
        result.index = index;
        result.prefixLength = 3;
        result.nodeCounters[2] = 1;
        result.nodeCounters[HOOK_MOVE - 1] = 1;
        result.solutions.push_back(TaskSolution{2, {}});
        add(TASK_RESULT_KIND, EncodeTaskResult(result));
    };
    task(2);
    task(0);
    add(CHECKPOINT_MARK_KIND, EncodeCheckpointMark(CheckpointMark{0, 1, 0, 1234, 99, 4567}));
    task(1);
    add(CHECKPOINT_MARK_KIND, EncodeCheckpointMark(CheckpointMark{3, 3, 0, 2345, 123, 0}));
    return c;
}

struct Read {
    bool accepted;
    CheckpointContents contents;
    std::string why;
};

Read Parse(const std::vector<uint8_t>& bytes) {
    Read read{};
    char why[200] = "";
    read.accepted = ParseCheckpoint(bytes.data(), bytes.size(), read.contents, why, sizeof why);
    read.why = why;
    return read;
}

TEST(Checkpoint, ATornLastRecordIsDroppedAndTheRestKept) {
    const Checkpoint c = Sample();
    // Cut at every byte: the whole records before the cut are read, nothing after.
    for (size_t size = 0; size < c.bytes.size(); ++size) {
        const Read read = Parse(std::vector<uint8_t>(c.bytes.begin(), c.bytes.begin() + static_cast<long>(size)));
        ASSERT_TRUE(read.accepted) << size << ": " << read.why;
        size_t whole = 0;
        for (const size_t end : c.ends)
            if (end <= size) whole = end;
        EXPECT_EQ(read.contents.headed ? read.contents.wholeBytes : 0, whole) << size;
    }
    // A crash that left zeros after the last record (as some file systems do) drops them too.
    std::vector<uint8_t> zeros = c.bytes;
    zeros.resize(zeros.size() + 100, 0);
    const Read read = Parse(zeros);
    ASSERT_TRUE(read.accepted);
    EXPECT_EQ(read.contents.wholeBytes, c.bytes.size());
}

// A flipped bit before the last record refuses the file; in the last record (but for its
// magic) it reads as a torn end: the record is dropped, the rest kept.
TEST(Checkpoint, AFlippedBitIsDamageUnlessNothingValidFollows) {
    const Checkpoint c = Sample();
    struct Field {
        const char* name;
        size_t at;  // from the record's start; the payload's and hash's from its end when negative
        bool fromEnd;
    };
    const Field fields[] = {{"magic", 1, false},  {"kind", 4, false},   {"length low", 8, false},
                            {"length high", 11, false}, {"payload", 14, false}, {"hash", 3, true}};
    for (size_t r = 0; r < c.ends.size(); ++r) {
        const size_t start = r == 0 ? 0 : c.ends[r - 1];
        const bool last = r + 1 == c.ends.size();
        for (const Field& field : fields) {
            for (const int bit : {0, 3, 7}) {
                SCOPED_TRACE(::testing::Message() << "record " << r << ", " << field.name << ", bit " << bit);
                std::vector<uint8_t> damaged = c.bytes;
                damaged.at(field.fromEnd ? c.ends[r] - field.at : start + field.at) ^= static_cast<uint8_t>(1u << bit);
                const Read read = Parse(damaged);
                if (last && std::strcmp(field.name, "magic") != 0) {
                    ASSERT_TRUE(read.accepted) << read.why;
                    EXPECT_EQ(read.contents.wholeBytes, start);
                    EXPECT_EQ(read.contents.lastMark.outputTo, 1u) << "the mark before it is the last";
                } else {
                    EXPECT_FALSE(read.accepted);
                    EXPECT_EQ(read.why, "a record in it is damaged");
                }
            }
        }
    }
}

TEST(Checkpoint, ForeignContentsAreRefusedWithTheirReason) {
    const Checkpoint c = Sample();
    std::vector<uint8_t> foreign = c.bytes;
    TaskResult task{};
    task.index = 9;
    task.prefixLength = 3;
    AppendRecord(foreign, TASK_RESULT_KIND, EncodeTaskResult(task));
    EXPECT_EQ(Parse(foreign).why, "a task's record does not fit the unit's cut");

    // A checkpoint of the earlier format, whose marks do not say where their lines begin.
    std::vector<uint8_t> older;
    std::vector<uint8_t> header = EncodeCheckpointHeader(CheckpointHeader{});
    header[0] = 1;
    AppendRecord(older, CHECKPOINT_HEADER_KIND, header);
    older.insert(older.end(), c.bytes.begin() + static_cast<long>(c.ends[0]), c.bytes.end());
    const Read read = Parse(older);
    EXPECT_FALSE(read.accepted);
    EXPECT_EQ(read.why, "it is of checkpoint format 1, this program reads format 2");
}

// What a resumed unit finds of the lines its last mark announced, from where the mark says
// they begin: written ones are found in order whatever stands between them.
TEST(AnnouncedLines, FoundInOrderPastForeignLinesAndStamps) {
    const std::vector<std::string> announced = {"Solution 1: a\n", "Solution 2: b\n", "Computation of a1-a2\n"};
    const std::string before = "Solution 1: a\r\nSolution 2: b\r\n";  // an earlier unit's, before the mark
    const struct {
        const char* what;
        std::string after;  // the file from the mark's position on
        size_t found;
    } cases[] = {
        {"none yet", "", 0},
        {"all", "[Mon Dec 07 04:36:08 2026]\r\nSolution 1: a\r\nSolution 2: b\r\nComputation of a1-a2\r\n", 3},
        {"the last cut short", "Solution 1: a\r\nSolution 2: b\r\nComputation of a1", 2},
        {"text appended between two runs' lines", "Solution 1: a\r\nMerged text\r\n[Mon Dec 07 04:36:09 2026]\r\nSolution 2: b\r\n", 2},
        {"text appended after them", "Solution 1: a\r\nSolution 2: b\r\nComputation of a1-a2\r\nSolution 1: a\r\n", 3},
        {"a later line without the one before it", "Solution 1: a\r\nComputation of a1-a2\r\n", 1},
        {"LF line ends", "Solution 1: a\nSolution 2: b\n", 2},
    };
    const testing::ScratchFolder folder;
    const std::string path = folder / "SOLUTION.TXT";
    for (const auto& c : cases) {
        ASSERT_TRUE(testing::WriteFile(path, before + c.after));
        EXPECT_EQ(LinesWrittenAt(path.c_str(), before.size(), announced), c.found) << c.what;
    }
    EXPECT_EQ(LinesWrittenAt(path.c_str(), 1u << 20, announced), 0u) << "a mark past the file's end";
    EXPECT_EQ(LinesWrittenAt((folder / "none").c_str(), 0, announced), 0u) << "no file";
}

}  // namespace
}  // namespace quorbit
