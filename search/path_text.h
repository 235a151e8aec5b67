// Squares and paths as text: "a1-e6-c5".
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

// Reads squares joined by "-" (letters in either case) into squares[0..capacity).
// Returns how many were read, or -1 with a one-line message in error when the text is
// not such a list or holds more than capacity squares.
int ParseSquareList(const char* text, uint8_t* squares, int capacity, char* error, size_t errorSize);

// Writes count squares joined by "-" and a terminator; out needs 3 * count bytes (1 if count is 0).
void FormatSquareList(const uint32_t* squares, int count, char* out);

}  // namespace quorbit
