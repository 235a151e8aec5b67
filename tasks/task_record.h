// Records as they are stored in files: each framed and checked, so that a reader tells a
// whole record from one cut short by a crash or damaged on disk. The task result record is
// the plain, versioned form of a task's result that the checkpoint keeps, and that other
// machines may hand back for a task they searched.
//
// Frame (all numbers little-endian): "QREC", the kind (u32), the payload's length (u32),
// the payload, then the FNV-1a 64-bit hash of kind, length and payload (u64).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tasks/task_result.h"

namespace quorbit {

inline constexpr size_t RECORD_FRAME_SIZE = 4 + 4 + 4 + 8;
inline constexpr uint32_t RECORD_PAYLOAD_MAX = 64u << 20;  // far above any real record
inline constexpr uint32_t TASK_RESULT_KIND = 1;
inline constexpr uint32_t TASK_RESULT_VERSION = 1;

enum class RecordRead {
    Whole,    // a whole, checked record
    End,      // no bytes left
    Torn,     // the bytes left are the start of a record cut short (or zeros a crash left),
              // and no whole record follows
    Corrupt,  // a record that fails its checks, not torn: damage
};

struct RecordView {
    uint32_t kind;
    const uint8_t* payload;
    uint32_t length;
    size_t next;  // the offset after the record
};

void AppendRecord(std::vector<uint8_t>& out, uint32_t kind, const std::vector<uint8_t>& payload);
RecordRead ReadRecord(const uint8_t* bytes, size_t size, size_t at, RecordView& view);

// Little-endian writing and checked reading of the payloads' fields.
void PutU32(std::vector<uint8_t>& out, uint32_t value);
void PutU64(std::vector<uint8_t>& out, uint64_t value);
struct PayloadReader {
    const uint8_t* bytes;
    size_t size;
    size_t at;
    bool failed;  // a read ran past the end
};
uint32_t TakeU32(PayloadReader& in);
uint64_t TakeU64(PayloadReader& in);
uint8_t TakeU8(PayloadReader& in);

// The payload of a task result record: version, index, prefix, 34 own counters, tours.
std::vector<uint8_t> EncodeTaskResult(const TaskResult& result);

// False when the payload is not a task result of this version or its fields disagree
// (squares off the board, counters above the cut move, tours out of order or more tours
// than counted move-34 nodes); the result is then unspecified.
bool DecodeTaskResult(const uint8_t* payload, size_t length, TaskResult& result);

}  // namespace quorbit
