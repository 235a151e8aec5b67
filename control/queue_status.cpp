#include "control/queue_status.h"

#include <cstdio>
#include <cstring>

#include "catalogue/catalogue.h"
#include "control/end_estimate.h"
#include "control/work_queue.h"
#include "support/line_table.h"
#include "support/shell.h"

namespace quorbit {

void FormatQueueStatus(char* out, size_t size) {
    if (out == nullptr || size == 0) return;
    // One picture of the queue: the worker may remove the head while the text is built.
    int32_t units[MAX_TABLE_LINES];
    const int32_t count = SnapshotQueueUnits(units, MAX_TABLE_LINES);
    if (count == 0) {
        std::snprintf(out, size, "You have no work queued up.");
        return;
    }
    size_t length = static_cast<size_t>(
        std::snprintf(out, size, "You have %d queued work%s :\n\n", count, count >= 2 ? "s" : ""));
    for (int32_t i = 0; i < count && i < MAX_TABLE_LINES; ++i) {
        if (length >= QUEUE_STATUS_LIMIT || length + 1 >= size) break;
        const char* name = UnitName(units[i]);
        const int written =
            std::snprintf(out + length, size - length, "%s%s", i != 0 ? ", " : "", name != nullptr ? name : "?");
        if (written < 0) break;
        length += static_cast<size_t>(written);
        if (length >= size) length = size - 1;
    }
}

void FormatStatusReply(char* out, size_t size) {
    if (out == nullptr || size == 0) return;
    FormatQueueStatus(out, size);
    char end[END_ESTIMATE_SIZE + 64];
    FormatUnitEndLine(end, sizeof end, LastUnitEnd());
    const size_t length = std::strlen(out);
    if (end[0] != '\0' && length + 1 < size) std::snprintf(out + length, size - length, "\n\n%s", end);
}

void ShowQueueStatus() {
    char text[QUEUE_STATUS_SIZE];
    FormatQueueStatus(text, sizeof text);
    ShellShowMessage(text, "Status");
}

}  // namespace quorbit
