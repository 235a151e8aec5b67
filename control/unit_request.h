// Queuing units named by words, as `quorbit-cli add` and an instance's "add" request take
// them: numbers 0..44 and names such as a1-a2 read as the "Enter tour number" dialog reads
// them, and "all" for the 45 units in catalogue order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

// Reads the words into unit numbers (at most `capacity`, "all" giving the 45 in order).
// When one names no unit the reply quotes it with the dialog's refusal and the result is
// REPLY_REFUSED; otherwise REPLY_DONE.
int32_t ReadUnitWords(const char* const* words, int32_t count, int32_t* units, int32_t capacity, int32_t* unitCount,
                      char* reply, size_t size);

// Reads every word first: when one names no unit, nothing is queued, the reply quotes the
// word with the dialog's refusal, and the result is REPLY_REFUSED. Otherwise each unit not
// yet queued is appended (one already queued is passed over silently), the reply names the
// units queued and any the full queue did not take; *added receives how many were
// appended. The result is REPLY_DONE when every unit is queued (or was already), and
// REPLY_REFUSED when the full queue did not take one or "WORKTOUR.INI" could not be
// written (the reply then says so, and no later unit is tried). The computation is not
// started here.
int32_t QueueUnitWords(const char* const* words, int32_t count, char* reply, size_t size, int32_t* added);

}  // namespace quorbit
