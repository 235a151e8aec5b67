// Random bytes rarely pass a record's hash, so the record readers' fuzz targets frame the
// inputs whose first byte is even: pieces of a kind byte, a length byte and four times that
// many payload bytes, each made a record with its right hash. Kind bytes 0, 1 and 2 stand
// for the reader's three kinds; any other is taken as it is. That way the fuzzer reaches
// the readers of the payloads.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tasks/task_record.h"

namespace quorbit::fuzzing {

struct FuzzInput {
    std::vector<uint8_t> framed;
    const uint8_t* data;
    size_t size;
};

inline FuzzInput FrameRecords(const uint8_t* raw, size_t rawSize, const uint32_t (&kinds)[3]) {
    FuzzInput input{{}, raw, rawSize};
    if (rawSize == 0 || (raw[0] & 1) != 0) return input;
    for (size_t at = 1; at + 2 <= rawSize;) {
        const uint32_t kind = raw[at] < 3 ? kinds[raw[at]] : raw[at];
        const size_t length = std::min<size_t>(raw[at + 1] * 4u, rawSize - at - 2);
        AppendRecord(input.framed, kind, std::vector<uint8_t>(raw + at + 2, raw + at + 2 + length));
        at += 2 + length;
    }
    input.data = input.framed.data();
    input.size = input.framed.size();
    return input;
}

}  // namespace quorbit::fuzzing
