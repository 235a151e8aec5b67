#include "instance/instance_key.h"

#include <cstdio>

namespace quorbit {

uint32_t InstanceKey(const char* directory) {
    uint32_t key = 0;
    for (const char* p = directory; *p != '\0'; ++p)
        key = key * 17u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
    return key;
}

void FormatInstanceName(uint32_t key, char* out, size_t size) {
    std::snprintf(out, size, "TRI %ld", static_cast<long>(static_cast<int32_t>(key)));
}

}  // namespace quorbit
