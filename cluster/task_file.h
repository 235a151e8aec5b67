// A task file: the results of a range of a plan's tasks, as `quorbit-cli task` writes them
// on any machine and `quorbit-cli merge` reads them back. It describes itself (unit, prefix,
// cut, the plan's size and the range), so that a file of another unit, cut or version is
// recognised, and it is made of checked records (tasks/task_record.h), so that a file cut
// short or damaged on its way back is refused rather than merged.
//
// Records, in order: the header, one task result per task of the range in the plan's
// order, and the times, which come last and so also mark a file written to its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tasks/task_result.h"

namespace quorbit {

inline constexpr uint32_t TASK_FILE_HEADER_KIND = 0x10;
inline constexpr uint32_t TASK_FILE_TIMES_KIND = 0x11;
inline constexpr uint32_t TASK_FILE_VERSION = 1;
inline constexpr size_t TASK_FILE_ERROR_SIZE = 256;

struct TaskFileHeader {
    int32_t unit;
    int32_t prefixLength;  // the subtree's prefix; 1 (the start square alone) for a whole unit
    uint8_t prefix[HOOK_MOVE];
    int32_t cutMove;
    uint64_t planTasks;  // the number of tasks in the whole plan
    uint64_t first;      // the range, both ends included
    uint64_t last;
};

struct TaskFile {
    TaskFileHeader header;
    std::vector<TaskResult> results;  // the tasks first..last, in order
    uint64_t elapsedMs;               // how long the range took to search, and in cycles
    uint64_t cycles;
};

std::vector<uint8_t> EncodeTaskFile(const TaskFile& file);

// Reads the bytes of a task file. False, with what is wrong in error, when they are not a
// whole task file of this version whose records agree with its header.
bool DecodeTaskFile(const uint8_t* bytes, size_t size, TaskFile& file, char* error, size_t errorSize);

// Writes the file in one step (a temporary file synced and renamed): a file of that name is
// always whole. False, with the reason, when it could not be written.
bool WriteTaskFile(const char* path, const TaskFile& file, char* error, size_t errorSize);

// Reads and decodes the file at path; the error names what is wrong, without the path.
bool ReadTaskFile(const char* path, TaskFile& file, char* error, size_t errorSize);

}  // namespace quorbit
