// Checks a reported tour against everything a semi-magic tour of a unit must be.
#pragma once

#include <string>

namespace quorbit::testing {

// Empty when the 36 squares are all different, each a knight step on the torus from the
// one before, the first is start and the last is end, and (when requireMagic) every file
// and rank sums to 111; otherwise what is wrong.
std::string TourFault(const int* squares, int start, int end, bool requireMagic = true);

}  // namespace quorbit::testing
