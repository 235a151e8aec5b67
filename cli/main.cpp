// quorbit-cli: the console program.
#include <cstdio>
#include <cstring>

#include "bench/bench_command.h"
#include "cli/search_command.h"

namespace {

const char* const HELP = R"(quorbit-cli - semi-magic knight's tours of the 6x6 torus, from the console

usage:
  quorbit-cli search UNIT [--prefix MOVES] [--max-nodes N]
  quorbit-cli bench [--reference]
  quorbit-cli --help

search   Searches one work unit on this thread and prints, on standard output,
         each tour as it is found, then the unit's summary and its nodes per move:

           Solution 1: a1-e6-...-a2 found in 812 milliseconds (123456 nodes)
           Computation of a1-a2 has finished in ... milliseconds (... cycles),
             ... solutions have been found in ... total nodes
           Detail of nodes:
            (34 counters, one per move number 1..34, on four lines)

         UNIT      a number 0..44 or a name such as a1-a2 (letters in either case).
         --prefix MOVES
                   search only below these first moves, e.g. a1-e6-c5-a4. The first
                   square is the unit's start; every move must be one the search
                   itself would take, or the prefix is refused naming the first bad
                   move. Counts and tours are exactly the part of the whole unit's
                   search on and below the prefix.
         --max-nodes N
                   stop right after the N-th node is counted and print the counters
                   as they stand then (a note goes to standard error).
         A whole unit is about 10^12 nodes, hours of computing; on a terminal a
         progress line on standard error shows nodes, speed and the current moves
         every 10 seconds. Ctrl+C halts the search within milliseconds; nothing is
         reported for the unit then. Nothing is written to disk.

bench    Runs a fixed set of searches (six units for ten million nodes each and
         three whole subtrees) and prints nodes and speed for each and in total.
         The last line, the total node count, is the search's signature: it is
         the same on every machine and changes only if the search itself does.
         --reference runs the same set with the plain reference search, so
         that the two speeds can be compared in one run.

exit status: 0 done, 1 output could not be written, 2 bad arguments, 130 halted.
)";

void PrintUsage(FILE* to) {
    std::fputs(quorbit::SEARCH_USAGE, to);
    std::fputs("       quorbit-cli bench [--reference]\n", to);
    std::fputs("       quorbit-cli --help\n", to);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("quorbit-cli: which command?\n", stderr);
        PrintUsage(stderr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0 || std::strcmp(command, "help") == 0) {
        std::fputs(HELP, stdout);
        return 0;
    }
    if (std::strcmp(command, "search") == 0) {
        for (int i = 2; i < argc; ++i) {
            if (std::strcmp(argv[i], "--help") == 0) {
                std::fputs(HELP, stdout);
                return 0;
            }
        }
        return quorbit::RunSearchCommand(argc - 2, argv + 2);
    }
    if (std::strcmp(command, "bench") == 0) return quorbit::RunBenchCommand(argc - 2, argv + 2);
    std::fprintf(stderr, "quorbit-cli: unknown command '%s'\n", command);
    PrintUsage(stderr);
    return 2;
}
