// The work queue: the units still to compute, head first, one entry per line of
// "WORKTOUR.INI" so that queued work survives a stop, a crash or a restart. The desktop
// thread adds entries; the computation worker reads and removes the head entry.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace quorbit {

inline constexpr const char* QUEUE_FILE = "WORKTOUR.INI";

// Room for any entry's text (a line of the file is at most 254 characters).
inline constexpr size_t QUEUE_ENTRY_SIZE = 256;

// Held around every change of the queue and around every read of an entry, so that no
// reader copies a line that the worker is releasing. 0 free, 1 held.
extern std::atomic<uint32_t> queueLock;
void LockQueue();
void UnlockQueue();

// The number of entries. The first use of any queue operation loads the file.
int32_t QueueCount();

// Copies entry `index` (0 is the head) into out; false, with out empty, when there is no
// such entry. The copy stays valid whatever the worker does to the queue afterwards.
bool QueueEntry(int32_t index, char* out, size_t size);

// One consistent picture of the queue, read under one hold of the lock: returns the number
// of entries and puts the unit each of the first `capacity` entries names (see EntryUnit)
// into units.
int32_t SnapshotQueueUnits(int32_t* units, int32_t capacity);

enum class EnqueueResult {
    Added,          // appended and the file rewritten
    AlreadyQueued,  // an equal entry (letters in either case) is there: nothing changed
    QueueFull,      // the queue holds its 1024 entries (or has no table at all): nothing changed
    NotSaved,       // appended in memory, but "WORKTOUR.INI" could not be written: the
                    // failure is recorded (support/write_failure.h) and said on the console
};

// Appends the entry unless an equal one is queued or the queue is full.
EnqueueResult AddQueueEntry(const char* entry);

// AddQueueEntry, saying on the console when the queue is full, then StartComputation
// (which does nothing while a computation runs or is ending).
void EnqueueWork(const char* entry);

// Removes entry `index` and rewrites the file. True once the file no longer holds it (synced);
// false, changing nothing, for a bad index. When the file cannot be rewritten the entry
// is gone from memory all the same and the result is false: a failed write is recorded
// (support/write_failure.h), and a file that may not be rewritten is told by QueueFileKept.
bool RemoveQueueEntry(int32_t index);

// True when "WORKTOUR.INI" can be kept equal to the queue: the file is rewritten at each
// change. False when it holds what the store cannot write back (NUL bytes, more than 8 MB
// past its 1024th line, it is unreadable or not a regular file); `why` then receives the
// message that says so and how to mend it, with a line end.
bool QueueFileKept(char* why, size_t size);

// The unit an entry names: its leading decimal integer (after white space, with an optional
// sign; the rest of the line is ignored), or -1 when it has none or it is outside 0..44.
int32_t EntryUnit(const char* entry);

}  // namespace quorbit
