// The checkpoint as a resumed run reads it: whatever a crash, a full disk or another
// program left in CHECKPT.DAT. Whatever it is, the reader says why it refuses it or reads
// only whole records that fit the header, and reads the same again from those records alone.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "control/checkpoint.h"
#include "control/task_record.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Random bytes rarely pass a record's hash, so inputs with an even first byte are framed
// here: pieces of a kind byte, a length byte and that many payload bytes, each made a record
// with its right hash, so that the fuzzer reaches the readers of the payloads.
std::vector<uint8_t> Framed(const uint8_t* data, size_t size) {
    static const uint32_t KINDS[] = {quorbit::CHECKPOINT_HEADER_KIND, quorbit::TASK_RESULT_KIND,
                                     quorbit::CHECKPOINT_MARK_KIND};
    std::vector<uint8_t> out;
    for (size_t at = 1; at + 2 <= size;) {
        const uint32_t kind = data[at] < 3 ? KINDS[data[at]] : data[at];
        const size_t length = std::min<size_t>(data[at + 1] * 4u, size - at - 2);
        quorbit::AppendRecord(out, kind, std::vector<uint8_t>(data + at + 2, data + at + 2 + length));
        at += 2 + length;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* raw, size_t rawSize) {
    using namespace quorbit;
    const bool framed = rawSize > 0 && (raw[0] & 1) == 0;
    const std::vector<uint8_t> framedBytes = framed ? Framed(raw, rawSize) : std::vector<uint8_t>();
    const uint8_t* data = framed ? framedBytes.data() : raw;
    const size_t size = framed ? framedBytes.size() : rawSize;
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
