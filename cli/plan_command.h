#pragma once

#include "cli/subcommand.h"

namespace quorbit {

// quorbit-cli plan UNIT [--cut MOVE] [--prefix MOVES]
extern const Subcommand PLAN_COMMAND;

}  // namespace quorbit
