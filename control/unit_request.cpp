#include "control/unit_request.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "catalogue/catalogue.h"
#include "control/unit_input.h"
#include "control/work_queue.h"
#include "instance/instance_channel.h"
#include "support/line_table.h"
#include "support/write_failure.h"

namespace quorbit {

namespace {

// Appends text to the reply, cut to fit.
void Append(char* reply, size_t size, const char* text) {
    const size_t used = std::strlen(reply);
    if (used + 1 < size) std::snprintf(reply + used, size - used, "%s", text);
}

}  // namespace

int32_t ReadUnitWords(const char* const* words, int32_t count, int32_t* units, int32_t capacity, int32_t* unitCount,
                      char* reply, size_t size) {
    if (size > 0) reply[0] = '\0';
    *unitCount = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (EqualIgnoringCase(words[i], "all")) {
            for (int32_t unit = 0; unit < WORK_UNIT_COUNT && *unitCount < capacity; ++unit) units[(*unitCount)++] = unit;
            continue;
        }
        int32_t unit = -1;
        if (ParseUnitInput(words[i], &unit) != UnitInput::Unit) {
            char refusal[128];
            FormatUnitInputRefusal(refusal, sizeof refusal);
            std::snprintf(reply, size, "'%.120s': %s\n", words[i], refusal);
            return REPLY_REFUSED;
        }
        if (*unitCount < capacity) units[(*unitCount)++] = unit;
    }
    return REPLY_DONE;
}

int32_t QueueUnitWords(const char* const* words, int32_t count, char* reply, size_t size, int32_t* added) {
    *added = 0;
    int32_t units[MAX_TABLE_LINES];
    int32_t unitCount = 0;
    if (ReadUnitWords(words, count, units, MAX_TABLE_LINES, &unitCount, reply, size) != REPLY_DONE)
        return REPLY_REFUSED;
    char queued[512] = "";
    char already[512] = "";
    int32_t alreadyCount = 0;
    bool refused = false;
    for (int32_t i = 0; i < unitCount; ++i) {
        char entry[16];
        std::snprintf(entry, sizeof entry, "%lu", static_cast<unsigned long>(units[i]));
        const EnqueueResult result = AddQueueEntry(entry);
        if (result == EnqueueResult::Added) {
            Append(queued, sizeof queued, *added == 0 ? "Queued " : ", ");
            Append(queued, sizeof queued, UnitName(units[i]));
            ++*added;
        } else if (result == EnqueueResult::AlreadyQueued) {
            // Named twice in one request: queued by the first.
            if (std::find(units, units + i, units[i]) != units + i) continue;
            Append(already, sizeof already, alreadyCount++ == 0 ? "" : ", ");
            Append(already, sizeof already, UnitName(units[i]));
        } else if (result == EnqueueResult::QueueFull) {
            char message[96];
            std::snprintf(message, sizeof message, "The work queue is full: %s was not queued.\n", UnitName(units[i]));
            Append(reply, size, message);
            refused = true;
        } else if (result == EnqueueResult::NotSaved) {
            // Kept in memory, where a running instance computes it, but not in the file.
            char message[700];
            char failure[600];
            FormatWriteFailure(failure, sizeof failure);
            std::snprintf(message, sizeof message, "%s; %s is not in the file.\n", failure, UnitName(units[i]));
            Append(reply, size, message);
            refused = true;
            break;
        }
    }
    // Said, not refused: the unit is queued, as asked.
    if (alreadyCount > 0) Append(already, sizeof already, alreadyCount == 1 ? " is already queued.\n" : " are already queued.\n");
    if (*added > 0) Append(queued, sizeof queued, ".\n");
    if (*added > 0 || alreadyCount > 0) {
        char body[INSTANCE_REPLY_MAX];
        std::snprintf(body, sizeof body, "%s%s%s", queued, already, reply);
        std::snprintf(reply, size, "%s", body);
    }
    return refused ? REPLY_REFUSED : REPLY_DONE;
}

}  // namespace quorbit
