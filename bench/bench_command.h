#pragma once

namespace quorbit {

// quorbit-cli bench [--reference]: runs the bench set and prints nodes and speed per
// search, then in total; the last line is the total node count. Returns the exit status.
int RunBenchCommand(int argc, char** argv);

extern const char* const BENCH_USAGE;

}  // namespace quorbit
