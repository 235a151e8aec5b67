// What the user types to queue a unit ("Enter tour number"): a unit number in decimal
// digits, leading zeros allowed, or a unit's name with its letters in either case.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

// The dialog's field holds at most this many characters.
inline constexpr size_t UNIT_INPUT_MAX = 119;

enum class UnitInput {
    Empty,    // nothing typed: nothing to queue
    Unit,     // *unit holds the unit's number
    Refused,  // no unit: the refusal message is due
};

// Only the whole text counts: a blank, a sign or any other extra character refuses it.
UnitInput ParseUnitInput(const char* text, int32_t* unit);

// "Please enter a tour number between 0 and 44 or its name (ex: a1-a2)".
void FormatUnitInputRefusal(char* out, size_t size);

// The dialog's OK: an empty text does nothing; a refused one shows the refusal in a message
// box captioned with the program title; a unit is queued as its number (EnqueueWork), which
// also starts the computation. The dialog closes unless the result is Refused.
UnitInput SubmitUnitInput(const char* text);

}  // namespace quorbit
