#include "platform/processor.h"

#include <sched.h>
#include <unistd.h>

namespace quorbit {

bool CountProcessorsOf(int& available, int& online) {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    const long inSystem = ::sysconf(_SC_NPROCESSORS_ONLN);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0 || inSystem < 1) return false;
    available = CPU_COUNT(&allowed);
    online = static_cast<int>(inSystem);
    return true;
}

int32_t AvailableProcessors() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0) return 1;
    const int count = CPU_COUNT(&allowed);
    return count > 0 ? count : 1;
}

}  // namespace quorbit
