#pragma once

#include "cli/subcommand.h"

namespace quorbit {

// quorbit-cli verify [-w DIR] [FILE...]
extern const Subcommand VERIFY_COMMAND;

}  // namespace quorbit
