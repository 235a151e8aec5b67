#include "cli/search_command.h"

#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/cli_arguments.h"
#include "cli/progress_meter.h"
#include "control/catalogue.h"
#include "control/unit_report.h"
#include "search/path_text.h"
#include "search/square_step.h"
#include "support/ticks.h"

namespace quorbit {

const char* const SEARCH_USAGE = "usage: quorbit-cli search UNIT [--prefix MOVES] [--max-nodes N]\n";

namespace {

struct SearchRun {
    uint32_t startTick;
    int32_t solutions;
};

constexpr unsigned PROGRESS_INTERVAL_SECONDS = 10;

SearchState searchState;  // static: the halt handler reaches it, and it is too big for a thread's stack to matter

void PrintSolution(const SearchState& state, void* context) {
    auto& run = *static_cast<SearchRun*>(context);
    const uint64_t total = NodeTotal(state);
    const auto elapsed = static_cast<int32_t>(TickCount() - run.startTick);
    char line[SOLUTION_LINE_SIZE];
    FormatSolutionLine(line, sizeof line, ++run.solutions, state, elapsed, total);
    std::fputs(line, stdout);
    std::fflush(stdout);
}

void HaltOnSignal(int) { RequestSearchHalt(searchState); }

int Refuse(const char* message, const char* detail) {
    std::fprintf(stderr, "quorbit-cli search: %s%s\n%s", message, detail, SEARCH_USAGE);
    return 2;
}

}  // namespace

int RunSearchCommand(int argc, char** argv) {
    const char* unitText = nullptr;
    const char* prefixText = nullptr;
    uint64_t budget = 0;
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--prefix") == 0 || std::strcmp(arg, "--max-nodes") == 0) {
            if (i + 1 == argc) return Refuse(arg, " needs a value");
            const char* value = argv[++i];
            if (arg[2] == 'p') {
                prefixText = value;
            } else if (!ParsePositiveCount(value, budget)) {
                return Refuse("--max-nodes takes a positive whole number, not ", value);
            }
        } else if (arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
            return Refuse("unknown option ", arg);
        } else if (unitText == nullptr) {
            unitText = arg;
        } else {
            return Refuse("one unit at a time; extra argument ", arg);
        }
    }
    if (unitText == nullptr) return Refuse("which unit?", " Give a number 0..44 or a name such as a1-a2");
    const int unit = ParseUnitArgument(unitText);
    if (unit < 0) return Refuse("no such unit: ", unitText);
    const WorkUnit& work = workUnits[unit];

    uint8_t prefix[SQUARE_COUNT];
    int prefixLength = 1;
    prefix[0] = work.start;
    if (prefixText != nullptr) {
        char error[96];
        prefixLength = ParseSquareList(prefixText, prefix, HOOK_MOVE, error, sizeof error);
        if (prefixLength < 0) return Refuse("bad --prefix: ", error);
        const PrefixCheck check = CheckPrefix(work.start, work.end, prefix, prefixLength);
        if (check.badMove != 0) {
            char message[200];
            std::snprintf(message, sizeof message, "bad --prefix at move %d: %s", check.badMove, check.reason);
            return Refuse(message, "");
        }
    }

    SearchRun run{TickCount(), 0};
    ResetSearchState(searchState);
    ClearNodeCounters(searchState);
    searchState.solutionSink = &PrintSolution;
    searchState.solutionContext = &run;
    std::signal(SIGINT, &HaltOnSignal);
    std::signal(SIGTERM, &HaltOnSignal);

    const uint64_t cyclesBefore = ReadCycleCounter();
    SearchOutcome outcome;
    {
        const ProgressMeter meter(searchState, work.name, stderr, PROGRESS_INTERVAL_SECONDS);
        outcome = SearchSubtree(searchState, work.start, work.end, prefix, prefixLength, budget);
    }
    const uint64_t cycles = ReadCycleCounter() - cyclesBefore;
    const auto elapsed = static_cast<int32_t>(TickCount() - run.startTick);
    const uint64_t total = NodeTotal(searchState);

    if (outcome == SearchOutcome::Halted) {
        std::fprintf(stderr, "quorbit-cli search: halted after %llu nodes; nothing reported for %s\n",
                     static_cast<unsigned long long>(total), work.name);
        return 130;
    }
    EmitUnitResults(work.name, elapsed, cycles, run.solutions, searchState,
                    [](const char* line) { std::fputs(line, stdout); });
    if (outcome == SearchOutcome::BudgetReached)
        std::fprintf(stderr, "quorbit-cli search: stopped at the node budget of %llu\n",
                     static_cast<unsigned long long>(budget));
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace quorbit
