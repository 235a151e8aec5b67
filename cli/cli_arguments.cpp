#include "cli/cli_arguments.h"

#include "control/unit_input.h"

namespace quorbit {

int ParseUnitArgument(const char* text) {
    // The same reading as the "Enter tour number" dialog's.
    int32_t unit = -1;
    return ParseUnitInput(text, &unit) == UnitInput::Unit ? unit : -1;
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
