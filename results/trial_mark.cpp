#include "results/trial_mark.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "catalogue/catalogue.h"

namespace quorbit {

std::atomic<uint64_t> taskNodeLimit{0};
std::atomic<int32_t> unitPrefixMoves{0};

namespace {

constexpr const char* TRIAL_PREFIX = "Trial run of ";

}  // namespace

void FormatTrialMarks(const char* unitName, char* out, size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    size_t used = 0;
    const int32_t moves = unitPrefixMoves.load();
    const unsigned long long limit = taskNodeLimit.load();
    if (moves > 0) {
        const int n = std::snprintf(out, size, "%s%s: searched below its first %d moves only\n", TRIAL_PREFIX, unitName,
                                    static_cast<int>(moves));
        used = n > 0 ? static_cast<size_t>(n) : 0;
    }
    if (limit > 0 && used < size)
        std::snprintf(out + used, size - used, "%s%s: stopped after %llu nodes\n", TRIAL_PREFIX, unitName, limit);
}

bool ReadTrialMark(const char* text, size_t length, int* unit) {
    const size_t prefixLength = std::strlen(TRIAL_PREFIX);
    if (length < prefixLength + 7 || std::memcmp(text, TRIAL_PREFIX, prefixLength) != 0) return false;
    const char* name = text + prefixLength;
    int found = -1;
    for (int u = 0; u < WORK_UNIT_COUNT; ++u)
        if (std::memcmp(name, workUnits[u].name, 5) == 0) found = u;
    if (found < 0 || name[5] != ':' || name[6] != ' ') return false;
    // The rest must be one of the two marks exactly as written, numbers included.
    const std::string rest(name + 7, length - prefixLength - 7);
    unsigned long long number = 0;
    int consumed = 0;
    char again[128];
    if (std::sscanf(rest.c_str(), "searched below its first %llu moves only%n", &number, &consumed) == 1 &&
        static_cast<size_t>(consumed) == rest.size()) {
        std::snprintf(again, sizeof again, "searched below its first %d moves only", static_cast<int>(number));
    } else if (consumed = 0; std::sscanf(rest.c_str(), "stopped after %llu nodes%n", &number, &consumed) == 1 &&
                             static_cast<size_t>(consumed) == rest.size()) {
        std::snprintf(again, sizeof again, "stopped after %llu nodes", number);
    } else {
        return false;
    }
    if (rest != again) return false;
    *unit = found;
    return true;
}

}  // namespace quorbit
