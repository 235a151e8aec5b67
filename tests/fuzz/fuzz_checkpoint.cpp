// The checkpoint as a resumed run reads it: whatever a crash, a full disk or another
// program left in CHECKPT.DAT. Whatever it is, the reader says why it refuses it or reads
// only whole records that fit the header, and reads the same again from those records alone.
#include <cstdint>
#include <cstring>
#include <vector>

#include "tasks/checkpoint.h"
#include "tasks/task_record.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/framed_records.h"

const uint32_t KINDS[3] = {quorbit::CHECKPOINT_HEADER_KIND, quorbit::TASK_RESULT_KIND,
                         quorbit::CHECKPOINT_MARK_KIND};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* raw, size_t rawSize) {
    using namespace quorbit;
    const fuzzing::FuzzInput input = fuzzing::FrameRecords(raw, rawSize, KINDS);
    const uint8_t* data = input.data;
    const size_t size = input.size;
    static CheckpointContents contents, again;
    char why[200];
    std::memset(why, 'x', sizeof why);
    if (!ParseCheckpoint(data, size, contents, why, sizeof why)) {
        FUZZ_CHECK(std::memchr(why, '\0', sizeof why) != nullptr && why[0] != '\0');
        return 0;
    }
    if (!contents.headed) {
        FUZZ_CHECK(contents.tasks.empty() && !contents.marked);
        return 0;
    }
    const CheckpointHeader& h = contents.header;
    FUZZ_CHECK(contents.wholeBytes <= size && h.program[CHECKPOINT_PROGRAM_SIZE - 1] == '\0');
    for (const TaskResult& task : contents.tasks)
        FUZZ_CHECK(task.index < h.taskCount && task.prefixLength == static_cast<int32_t>(h.cutMove));
    if (contents.marked) FUZZ_CHECK(contents.lastMark.outputFrom <= contents.lastMark.outputTo &&
                                    contents.lastMark.outputTo <= h.taskCount);
    // What a resumed run keeps (the whole records) reads the same on its own.
    FUZZ_CHECK(ParseCheckpoint(data, contents.wholeBytes, again, why, sizeof why));
    FUZZ_CHECK(again.wholeBytes == contents.wholeBytes && again.tasks.size() == contents.tasks.size() &&
               again.marked == contents.marked);
    return 0;
}
