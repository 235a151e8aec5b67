#include "cli/cli_arguments.h"

#include "control/catalogue.h"

namespace quorbit {

int ParseUnitArgument(const char* text) {
    if (text[0] >= '0' && text[0] <= '9') {
        int value = 0;
        for (const char* p = text; *p != '\0'; ++p) {
            if (*p < '0' || *p > '9' || value >= WORK_UNIT_COUNT) return -1;
            value = value * 10 + (*p - '0');
        }
        return value < WORK_UNIT_COUNT ? value : -1;
    }
    return FindUnitByName(text);
}

bool ParsePositiveCount(const char* text, uint64_t& value) {
    if (*text == '\0') return false;
    uint64_t result = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(*p - '0');
        if (result > (UINT64_MAX - digit) / 10) return false;
        result = result * 10 + digit;
    }
    if (result == 0) return false;
    value = result;
    return true;
}

}  // namespace quorbit
