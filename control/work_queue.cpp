#include "control/work_queue.h"

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "catalogue/catalogue.h"
#include "control/computation.h"
#include "support/console.h"
#include "support/line_table.h"
#include "support/write_failure.h"

namespace quorbit {

std::atomic<uint32_t> queueLock{0};

namespace {

// Where a taker waits for the lock. A condition variable rather than the atomic's own wait:
// GCC 12's std::atomic::wait, on a system without futexes (Windows), can miss a
// notification, and its waiter then sleeps for ever.
std::mutex queueWaitLock;
std::condition_variable queueFreed;

// Looked up before the lock is taken: loading the file may report an over-long file on the
// console, and nothing that reaches the shell may run under the queue's lock.
LineTable* QueueTable() { return GetLineTable(QUEUE_FILE); }

// Lets the store release the queue's lines safely at the end of the run.
const bool queueGuarded = (GuardLineTable(QUEUE_FILE, &LockQueue, &UnlockQueue), true);

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

void LockQueue() {
    if (queueLock.exchange(1, std::memory_order_acquire) == 0) return;
    // Sleeps rather than spinning: the holder may be rewriting the file.
    std::unique_lock<std::mutex> hold(queueWaitLock);
    queueFreed.wait(hold, [] { return queueLock.exchange(1, std::memory_order_acquire) == 0; });
}

void UnlockQueue() {
    {
        // Freed under the waiters' mutex, so that none can test the word and then sleep
        // through this notification.
        std::lock_guard<std::mutex> hold(queueWaitLock);
        queueLock.store(0, std::memory_order_release);
    }
    queueFreed.notify_one();
}

int32_t QueueCount() {
    const LineTable* table = QueueTable();
    if (table == nullptr) return 0;
    LockQueue();
    const int32_t count = table->lineCount;
    UnlockQueue();
    return count;
}

bool QueueEntry(int32_t index, char* out, size_t size) {
    if (out == nullptr || size == 0) return false;
    out[0] = '\0';
    const LineTable* table = QueueTable();
    if (table == nullptr) return false;
    LockQueue();
    const bool present = index >= 0 && index < table->lineCount;
    if (present) std::snprintf(out, size, "%s", table->lines[index]);
    UnlockQueue();
    return present;
}

int32_t SnapshotQueueUnits(int32_t* units, int32_t capacity) {
    const LineTable* table = QueueTable();
    if (table == nullptr) return 0;
    LockQueue();
    const int32_t count = table->lineCount;
    for (int32_t i = 0; i < count && i < capacity; ++i) units[i] = EntryUnit(table->lines[i]);
    UnlockQueue();
    return count;
}

EnqueueResult AddQueueEntry(const char* entry) {
    LineTable* table = QueueTable();
    if (entry == nullptr) return EnqueueResult::AlreadyQueued;
    if (table == nullptr) return EnqueueResult::QueueFull;
    LockQueue();
    EnqueueResult result = EnqueueResult::Added;
    for (int32_t i = 0; i < table->lineCount && result == EnqueueResult::Added; ++i)
        if (EqualIgnoringCase(table->lines[i], entry)) result = EnqueueResult::AlreadyQueued;
    // A full table would only take the line onto the end of the file, out of the worker's sight.
    if (result == EnqueueResult::Added && table->lineCount >= MAX_TABLE_LINES) result = EnqueueResult::QueueFull;
    int error = 0;
    if (result == EnqueueResult::Added && !AddLineOnce(QUEUE_FILE, entry)) {
        result = EnqueueResult::NotSaved;
        error = errno;
    }
    UnlockQueue();
    // Recorded outside the lock: the record is said on the console.
    if (result == EnqueueResult::NotSaved) NoteWriteFailure(QUEUE_FILE, error != 0 ? error : EIO);
    return result;
}

void EnqueueWork(const char* entry) {
    if (AddQueueEntry(entry) == EnqueueResult::QueueFull) {
        char message[QUEUE_ENTRY_SIZE + 64];
        std::snprintf(message, sizeof message, "The work queue is full: %s was not queued.\n", entry);
        ConsolePrint(message);
    }
    StartComputation();
}

bool RemoveQueueEntry(int32_t index) {
    LineTable* table = QueueTable();
    if (table == nullptr) return false;
    LockQueue();
    const bool removed = RemoveTableLine(*table, index);
    const bool saved = removed && SaveLineTable(*table);
    const int error = errno;
    UnlockQueue();
    // A file the store may not rewrite (errno 0) is for QueueFileKept to tell; a failed
    // write is recorded, outside the lock since the record is said on the console.
    if (removed && !saved && error != 0) NoteWriteFailure(QUEUE_FILE, error);
    return saved;
}

bool QueueFileKept(char* why, size_t size) {
    if (why != nullptr && size > 0) why[0] = '\0';
    const LineTable* table = QueueTable();
    if (table == nullptr) return true;
    char reason[160];
    LockQueue();
    const bool kept = !table->rewriteHeldBack;
    DescribeHeldBack(*table, reason, sizeof reason);
    UnlockQueue();
    if (!kept && why != nullptr)
        std::snprintf(why, size,
                      "%s cannot be rewritten: %s, so finished units would stay queued. Correct the file (one unit "
                      "number per line) while the program is not running.\n",
                      QUEUE_FILE, reason);
    return kept;
}

int32_t EntryUnit(const char* entry) {
    if (entry == nullptr) return -1;
    const char* c = entry;
    while (IsWhiteSpace(*c)) ++c;
    bool negative = false;
    if (*c == '+' || *c == '-') negative = *c++ == '-';
    if (*c < '0' || *c > '9') return -1;
    int64_t value = 0;
    for (; *c >= '0' && *c <= '9'; ++c) {
        // Anything past the last unit is simply too large; stop growing long before overflow.
        if (value <= WORK_UNIT_COUNT) value = value * 10 + (*c - '0');
    }
    if (negative) value = -value;
    return value >= 0 && value < WORK_UNIT_COUNT ? static_cast<int32_t>(value) : -1;
}

}  // namespace quorbit
