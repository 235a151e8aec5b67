// quorbit-cli add UNIT... | status | stop | show [-w DIR]: carried out by the instance that
// holds the working directory, through its socket, or on the files under the directory's
// lock when none runs.
#pragma once

#include "cli/subcommand.h"

namespace quorbit {

extern const Subcommand ADD_COMMAND;
extern const Subcommand STATUS_COMMAND;
extern const Subcommand STOP_COMMAND;
extern const Subcommand SHOW_COMMAND;

}  // namespace quorbit
