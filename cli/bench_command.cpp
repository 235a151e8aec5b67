#include "cli/bench_command.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "bench/bench_set.h"
#include "catalogue/catalogue.h"
#include "cli/standard_output.h"
#include "search/subtree_search.h"

namespace quorbit {

namespace {

int RunBench(int argc, char** argv);

}  // namespace

const Subcommand BENCH_COMMAND = {
    "bench",
    "quorbit-cli bench [--reference]\n",
    "measure the search's speed and print its signature",
    R"(
Runs a fixed set of searches (six units for ten million nodes each and three whole
subtrees) and prints nodes and speed for each and in total. The last line, the total
node count with a hash of the 34 node counters summed over the set, is the search's
signature: it is the same on every machine and changes only if the search itself does.

--reference  run the same set with the plain reference search, so that the two
             speeds can be compared (tools/bench-pairs does that).
-h, --help   this text.

exit status: 0 done, 1 output could not be written, 2 bad arguments.
)",
    &RunBench,
};

namespace {

using Clock = std::chrono::steady_clock;

// How long a running search takes to unwind once a halt is asked: the worst of a few tries.
double MeasureHaltLatencyMs() {
    double worst = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        auto state = std::make_unique<SearchState>();
        ResetSearchState(*state);
        ClearNodeCounters(*state);
        Clock::time_point returned;
        std::thread search([&] {
            SearchWorkUnit(*state, workUnits[0].start, workUnits[0].end);
            returned = Clock::now();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50 + 13 * attempt));
        const auto asked = Clock::now();
        RequestSearchHalt(*state);
        search.join();
        worst = std::max(worst, std::chrono::duration<double, std::milli>(returned - asked).count());
    }
    return worst;
}

int RunBench(int argc, char** argv) {
    CliOption options[] = {{"reference", 0, nullptr, nullptr}};
    int operandCount = 0;
    const int ended = ReadSubcommandArguments(BENCH_COMMAND, argc, argv, options, 1, &operandCount);
    if (ended >= 0) return ended;
    if (operandCount > 0) {
        char quoted[96];
        QuoteArgument(argv[0], quoted, sizeof quoted);
        return RefuseArguments(BENCH_COMMAND, "unexpected argument %s", quoted);
    }
    const bool useReference = options[0].value != nullptr;
    // Minutes of measuring are no use when nothing can be printed.
    if (OutputFailed()) return FinishOutput(BENCH_COMMAND.name);
    PrintOut("%s search\n", useReference ? "Plain reference" : "Engine");
    BenchCounters detail{};
    uint64_t totalNodes = 0;
    double totalSeconds = 0;
    for (int i = 0; i < BENCH_SET_SIZE; ++i) {
        const BenchSearch& bench = BENCH_SET[i];
        const WorkUnit& unit = workUnits[bench.unit];
        const auto begin = Clock::now();
        const BenchCounters counters = RunBenchSearch(bench, useReference);
        const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        uint64_t nodes = 0;
        for (int move = 0; move < COUNTED_MOVES; ++move) {
            nodes += counters[move];
            detail[move] += counters[move];
        }
        totalNodes += nodes;
        totalSeconds += seconds;
        PrintOut("%2d  %-5s %-24s %12" PRIu64 " nodes %8.3f s %8.2f Mnodes/s %6.1f ns/node\n", i + 1, unit.name,
                    bench.prefix != nullptr ? bench.prefix : "(budget)", nodes, seconds, nodes / seconds / 1e6,
                    seconds * 1e9 / nodes);
        if (!FlushOut()) return FinishOutput(BENCH_COMMAND.name);
    }
    if (!useReference) PrintOut("Halt latency   : %.3f ms (worst of 5)\n", MeasureHaltLatencyMs());
    PrintOut("Total time (s) : %.3f\n", totalSeconds);
    PrintOut("Nodes/second   : %.0f\n", totalNodes / totalSeconds);
    PrintOut("Nodes searched : %" PRIu64 " (node detail hash %016" PRIx64 ")\n", totalNodes, NodeDetailHash(detail));
    return FinishOutput(BENCH_COMMAND.name);
}

}  // namespace

}  // namespace quorbit
