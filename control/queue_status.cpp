#include "control/queue_status.h"

#include <cstdio>
#include <cstring>

#include "control/catalogue.h"
#include "control/work_queue.h"
#include "support/shell.h"

namespace quorbit {

void FormatQueueStatus(char* out, size_t size) {
    if (out == nullptr || size == 0) return;
    const int32_t count = QueueCount();
    if (count == 0) {
        std::snprintf(out, size, "You have no work queued up.");
        return;
    }
    size_t length = static_cast<size_t>(
        std::snprintf(out, size, "You have %d queued work%s :\n\n", count, count >= 2 ? "s" : ""));
    // The worker may remove the head meanwhile: the list then simply ends early.
    char entry[QUEUE_ENTRY_SIZE];
    for (int32_t i = 0; i < count && QueueEntry(i, entry, sizeof entry); ++i) {
        if (length >= QUEUE_STATUS_LIMIT || length + 1 >= size) break;
        const char* name = UnitName(EntryUnit(entry));
        const int written =
            std::snprintf(out + length, size - length, "%s%s", i != 0 ? ", " : "", name != nullptr ? name : "?");
        if (written < 0) break;
        length += static_cast<size_t>(written);
        if (length >= size) length = size - 1;
    }
}

void ShowQueueStatus() {
    char text[QUEUE_STATUS_SIZE];
    FormatQueueStatus(text, sizeof text);
    ShellShowMessage(text, "Status");
}

}  // namespace quorbit
