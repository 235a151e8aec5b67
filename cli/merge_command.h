#pragma once

#include "cli/subcommand.h"

namespace quorbit {

// quorbit-cli merge UNIT FILE... [--cut MOVE] [--prefix MOVES] [-w DIR]
extern const Subcommand MERGE_COMMAND;

}  // namespace quorbit
