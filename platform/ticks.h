// Clocks for elapsed times, cycle counts and the local calendar.
#pragma once

#include <cstdint>
#include <ctime>

namespace quorbit {

// Milliseconds of a monotonic clock, wrapping at 2^32; elapsed times are 32-bit differences.
uint32_t TickCount();

// The processor's time-stamp counter on x86-64; a monotonic nanosecond clock elsewhere.
uint64_t ReadCycleCounter();

// The local calendar time of `seconds` since 1970; false when it cannot be had.
bool LocalCalendarTime(int64_t seconds, std::tm& local);

}  // namespace quorbit
