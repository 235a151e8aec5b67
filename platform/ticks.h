// Clocks for elapsed times and cycle counts.
#pragma once

#include <cstdint>

namespace quorbit {

// Milliseconds of a monotonic clock, wrapping at 2^32; elapsed times are 32-bit differences.
uint32_t TickCount();

// The processor's time-stamp counter on x86-64; a monotonic nanosecond clock elsewhere.
uint64_t ReadCycleCounter();

}  // namespace quorbit
