#include "shell/short_work.h"

#include <atomic>
#include <cstdlib>

#include "catalogue/catalogue.h"
#include "control/worker.h"
#include "results/trial_mark.h"
#include "search/subtree_search.h"
#include "tasks/unit_tasks.h"

namespace quorbit {

namespace {

std::atomic<uint64_t> nodeLimit{0};

int RunShortUnit(int32_t unit, SearchState& state) {
    if (unit < 0 || unit >= WORK_UNIT_COUNT) return 1;
    uint8_t prefix[HOOK_MOVE];
    const int length = UnitSearchBase(unit, prefix);
    SearchSubtree(state, workUnits[unit].start, workUnits[unit].end, prefix, length, nodeLimit.load());
    return 0;
}

// True when the variable is unset or holds a whole number (digits only) from low to high.
bool ReadCount(const char* name, uint64_t low, uint64_t high, uint64_t& value) {
    value = 0;
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return true;
    uint64_t read = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        const uint64_t digit = static_cast<uint64_t>(*p - '0');
        if (*p < '0' || *p > '9' || read > (UINT64_MAX - digit) / 10) return false;
        read = read * 10 + digit;
    }
    value = read;
    return read >= low && read <= high;
}

}  // namespace

bool InstallShortWork(ShortWork& work) {
    uint64_t limit = 0, moves = 0;
    if (!ReadCount(UNIT_NODE_LIMIT_VARIABLE, 1, UINT64_MAX, limit) ||
        !ReadCount(UNIT_PREFIX_MOVES_VARIABLE, 2, HOOK_MOVE - 1, moves))
        return false;
    work = ShortWork{limit, static_cast<int32_t>(moves)};
    if (limit == 0 && moves == 0) return true;
    nodeLimit.store(limit);
    taskNodeLimit.store(limit);
    unitPrefixMoves.store(static_cast<int32_t>(moves));
    SetUnitRunner(&RunShortUnit);
    return true;
}

}  // namespace quorbit
