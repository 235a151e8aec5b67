// The Status box: how many units are queued and their names, head first.
#pragma once

#include <cstddef>

namespace quorbit {

// Once the text has reached this length, further entries add nothing.
inline constexpr size_t QUEUE_STATUS_LIMIT = 1800;
// The limit, then at most ", " and one name.
inline constexpr size_t QUEUE_STATUS_SIZE = QUEUE_STATUS_LIMIT + 16;

// "You have no work queued up." or "You have %d queued work%s :\n\n" and the entries'
// names joined by ", ", with "?" for an entry that names no unit.
void FormatQueueStatus(char* out, size_t size);

// The text in a message box captioned "Status".
void ShowQueueStatus();

// Room for the status reply below.
inline constexpr size_t STATUS_REPLY_SIZE = QUEUE_STATUS_SIZE + 256;

// What `quorbit-cli status` shows of a running instance: the Status box's text and, while a
// unit is computed, a line on how far it has come and when it will end (FormatUnitEndLine,
// end_estimate.h), after an empty line.
void FormatStatusReply(char* out, size_t size);

}  // namespace quorbit
