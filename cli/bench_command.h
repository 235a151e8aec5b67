#pragma once

#include "cli/subcommand.h"

namespace quorbit {

// quorbit-cli bench [--reference]: runs the bench set and prints nodes and speed per
// search, then in total; the last line is the total node count.
extern const Subcommand BENCH_COMMAND;

}  // namespace quorbit
