#include "control/compute_menu.h"

#include <cstdio>

#include "support/shell.h"

namespace quorbit {

ComputeMenuItem MenuItemAfter(ComputeMenuItem item, int32_t state) {
    switch (state) {
        case SHELL_STATE_IDLE:
            return item.command == STOP_COMMAND ? CONTINUE_ITEM : item;
        case SHELL_STATE_RUNNING:
            // From Stopping too: a Continue given while stopping starts once the threads have ended.
            return STOP_ITEM;
        case SHELL_STATE_STOPPING:
            return item.command == STOP_COMMAND ? STOPPING_ITEM : item;
        default:
            return item;
    }
}

void FormatWindowTitle(char* out, size_t size, const char* status) {
    std::snprintf(out, size, "%s - %s", PROGRAM_TITLE, status != nullptr ? status : "");
}

}  // namespace quorbit
