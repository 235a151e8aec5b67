// A task result file as quorbit-cli merge reads it: whatever came back from another
// machine, cut short or damaged on the way. A file read as whole must be exactly what the
// program writes for what it read, and hold only what a plan can hold.
#include <cstdint>
#include <cstring>
#include <vector>

#include "cluster/task_file.h"
#include "tasks/task_record.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/framed_records.h"

const uint32_t KINDS[3] = {quorbit::TASK_FILE_HEADER_KIND, quorbit::TASK_RESULT_KIND,
                         quorbit::TASK_FILE_TIMES_KIND};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* raw, size_t rawSize) {
    using namespace quorbit;
    const fuzzing::FuzzInput input = fuzzing::FrameRecords(raw, rawSize, KINDS);
    const uint8_t* data = input.data;
    const size_t size = input.size;
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
