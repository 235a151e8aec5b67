#pragma once

#include "cli/subcommand.h"

namespace quorbit {

// quorbit-cli search UNIT [--prefix MOVES] [--max-nodes N]
extern const Subcommand SEARCH_COMMAND;

}  // namespace quorbit
