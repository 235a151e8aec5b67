#include "platform/processor.h"

#include "platform/windows_text.h"

namespace quorbit {

bool CountProcessorsOf(int& available, int& online) {
    DWORD_PTR process = 0, system = 0;
    if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) return false;
    available = __builtin_popcountll(process);
    online = __builtin_popcountll(system);
    return available > 0;
}

int32_t AvailableProcessors() {
    int available = 0, online = 0;
    return CountProcessorsOf(available, online) ? available : 1;
}

}  // namespace quorbit
