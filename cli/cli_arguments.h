// Reading the console program's arguments.
#pragma once

#include <cstdint>

namespace quorbit {

// A unit given as a number 0..44 or as a name such as a1-a2 (letters in either case); -1 if neither.
int ParseUnitArgument(const char* text);

// A positive decimal count; false when the text is not one or does not fit 64 bits.
bool ParsePositiveCount(const char* text, uint64_t& value);

}  // namespace quorbit
