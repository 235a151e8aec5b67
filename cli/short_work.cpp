#include "cli/short_work.h"

#include <atomic>
#include <cstdlib>

#include "cli/cli_arguments.h"
#include "control/catalogue.h"
#include "control/worker.h"
#include "search/subtree_search.h"

namespace quorbit {

namespace {

std::atomic<uint64_t> nodeLimit{0};

int RunLimitedUnit(int32_t unit, SearchState& state) {
    if (unit < 0 || unit >= WORK_UNIT_COUNT) return 1;
    SearchWorkUnit(state, workUnits[unit].start, workUnits[unit].end, nodeLimit.load());
    return 0;
}

}  // namespace

uint64_t InstallShortWork(bool* bad) {
    *bad = false;
    const char* text = std::getenv(UNIT_NODE_LIMIT_VARIABLE);
    if (text == nullptr || *text == '\0') return 0;
    uint64_t limit = 0;
    if (!ParsePositiveCount(text, limit)) {
        *bad = true;
        return 0;
    }
    nodeLimit.store(limit);
    SetUnitRunner(&RunLimitedUnit);
    return limit;
}

}  // namespace quorbit
