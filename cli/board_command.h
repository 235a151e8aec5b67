#pragma once

#include "cli/subcommand.h"

namespace quorbit {

// quorbit-cli board TOUR-OR-PREFIX
extern const Subcommand BOARD_COMMAND;

}  // namespace quorbit
