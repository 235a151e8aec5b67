// A task result file as quorbit-cli merge reads it: whatever came back from another
// machine, cut short or damaged on the way. A file read as whole must be exactly what the
// program writes for what it read, and hold only what a plan can hold.
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <vector>

#include "control/task_file.h"
#include "control/task_record.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Random bytes rarely pass a record's hash, so half the inputs are framed here: after the
// first byte, pieces of a kind byte, a length byte and that many payload bytes, each made a
// record with its right hash. That way the fuzzer reaches the readers of the payloads.
std::vector<uint8_t> Framed(const uint8_t* data, size_t size) {
    static const uint32_t KINDS[] = {quorbit::TASK_FILE_HEADER_KIND, quorbit::TASK_RESULT_KIND,
                                     quorbit::TASK_FILE_TIMES_KIND};
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
    TaskFile file{};
    char error[TASK_FILE_ERROR_SIZE];
    std::memset(error, 'x', sizeof error);
    if (!DecodeTaskFile(data, size, file, error, sizeof error)) {
        FUZZ_CHECK(std::memchr(error, '\0', sizeof error) != nullptr && error[0] != '\0');
        return 0;
    }
    const TaskFileHeader& h = file.header;
    FUZZ_CHECK(h.first <= h.last && h.last < h.planTasks);
    FUZZ_CHECK(file.results.size() == h.last - h.first + 1);
    for (size_t i = 0; i < file.results.size(); ++i) {
        FUZZ_CHECK(file.results[i].index == h.first + i);
        FUZZ_CHECK(file.results[i].prefixLength == h.cutMove);
    }
    const std::vector<uint8_t> again = EncodeTaskFile(file);
    FUZZ_CHECK(again.size() == size && std::memcmp(again.data(), data, size) == 0);
    return 0;
}
