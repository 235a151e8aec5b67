#pragma once

namespace quorbit {

// quorbit-cli search UNIT [--prefix MOVES] [--max-nodes N]; returns the exit status.
int RunSearchCommand(int argc, char** argv);

extern const char* const SEARCH_USAGE;

}  // namespace quorbit
