// The checkpoint of a unit computed in task mode: an append-only file in the working
// directory ("CHECKPT.DAT") of framed, checked records (tasks/task_record.h), each made
// durable before anything depends on it. It holds a header naming the unit, the program's
// version and the cut; every task whose search finished, in any order; and marks, each
// written just before the lines it announces reach "SOLUTION.TXT": which tasks' tours are
// being reported (or the unit's summary), where in "SOLUTION.TXT" they begin, and the time
// spent on the unit so far. A mark is written only once every line announced before it is
// on disk, so it tells a resumed run, without reading "SOLUTION.TXT", that those are written.
#pragma once

#include <cstddef>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "tasks/task_result.h"

namespace quorbit {

inline constexpr const char* CHECKPOINT_FILE = "CHECKPT.DAT";
inline constexpr uint32_t CHECKPOINT_HEADER_KIND = 2;
inline constexpr uint32_t CHECKPOINT_MARK_KIND = 3;
// 2: marks hold where their lines begin in "SOLUTION.TXT". A file of format 1 is refused.
inline constexpr uint32_t CHECKPOINT_VERSION = 2;
inline constexpr size_t CHECKPOINT_PROGRAM_SIZE = 32;

struct CheckpointHeader {
    uint32_t unit;
    uint32_t cutMove;
    uint64_t taskCount;
    uint64_t shallowCounted;         // the nodes above the cut: a check that the cut is the same
    char program[CHECKPOINT_PROGRAM_SIZE];  // the version of the program that wrote it
};

struct CheckpointMark {
    uint64_t outputFrom;  // the tasks whose tours are being reported: outputFrom .. outputTo - 1
    uint64_t outputTo;
    uint8_t summary;      // 1: the unit's summary and node detail are being written
    uint32_t elapsedMs;   // time spent on the unit, all runs together
    uint64_t cycles;
    uint64_t resultsOffset;  // the size of "SOLUTION.TXT" before the announced lines
};

struct CheckpointContents {
    bool headed;  // false: no whole header, so nothing to resume (a crash as the file was made)
    CheckpointHeader header;
    std::vector<TaskResult> tasks;  // in the order recorded
    bool marked;                    // a mark was read; lastMark is the last one
    CheckpointMark lastMark;
    size_t wholeBytes;              // the bytes of whole records; a torn record after them is dropped
};

// The version the program writes into and expects in a header.
const char* CheckpointProgramVersion();

// Reads checkpoint bytes. False, with the reason in why, for a file that is not a checkpoint
// of this format: no header first, a record that fails its checks before the last one, or
// records that disagree with the header. A last record cut short is not counted.
bool ParseCheckpoint(const uint8_t* bytes, size_t size, CheckpointContents& contents, char* why, size_t whySize);

std::vector<uint8_t> EncodeCheckpointHeader(const CheckpointHeader& header);
std::vector<uint8_t> EncodeCheckpointMark(const CheckpointMark& mark);

// Appending records: each is written whole at once, so that it survives the process being
// killed, and reaches the disk (against a power cut) before the call returns when asked to,
// or otherwise within SYNC_INTERVAL_MS: marks are synced at once, task records in groups, as
// a sync per task would cost more than small tasks do. A sync takes every record before it.
inline constexpr uint32_t CHECKPOINT_SYNC_INTERVAL_MS = 1000;
struct CheckpointWriter {
    int fd = -1;
    // A record could not be written or synced: nothing more is written. Read by any thread.
    std::atomic<bool> failed{false};
    int error = 0;  // the system's reason for the failure (an errno value)
    uint32_t syncedTick = 0;
    std::mutex lock;
};

// Opens the file for appending, cut back to keepBytes (dropping a torn record), or creates
// it afresh with the header when keepBytes is 0. False when that fails, with the reason in
// writer.error.
bool OpenCheckpoint(CheckpointWriter& writer, const char* name, size_t keepBytes, const CheckpointHeader& header);
bool AppendCheckpoint(CheckpointWriter& writer, uint32_t kind, const std::vector<uint8_t>& payload, bool syncNow = true);
// Syncs what is not yet on disk and closes. False when a record could not be written or
// synced, now or before (the reason in writer.error).
bool CloseCheckpoint(CheckpointWriter& writer);

// Renames a refused checkpoint to a name of its own ("CHECKPT-<seconds>.BAD", numbered if
// taken), never over another file. The new name goes to aside; false if it stays in place.
bool SetCheckpointAside(const char* name, char* aside, size_t asideSize);

}  // namespace quorbit
