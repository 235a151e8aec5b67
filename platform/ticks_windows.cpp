#include "platform/ticks.h"

#include <ctime>
#include <x86intrin.h>

#include "platform/windows_text.h"

namespace quorbit {

uint32_t TickCount() { return ::GetTickCount(); }

uint64_t ReadCycleCounter() { return __rdtsc(); }

bool LocalCalendarTime(int64_t seconds, std::tm& local) {
    const __time64_t when = static_cast<__time64_t>(seconds);
    return ::_localtime64_s(&local, &when) == 0;
}

}  // namespace quorbit
