// quorbit-cli run [-w DIR]: works through the directory's queue as the desktop program
// does, without a window.
#pragma once

#include "cli/subcommand.h"

namespace quorbit {

extern const Subcommand RUN_COMMAND;

}  // namespace quorbit
