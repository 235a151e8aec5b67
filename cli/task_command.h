#pragma once

#include "cli/subcommand.h"

namespace quorbit {

// quorbit-cli task UNIT --cut MOVE --tasks A-B --out FILE [--prefix MOVES] [--threads N]
extern const Subcommand TASK_COMMAND;

}  // namespace quorbit
