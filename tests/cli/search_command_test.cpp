// The console program's arguments as its commands read them, and the program run as a user
// runs it: arguments, output that cannot be written, signals.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <fstream>
#include <sstream>
#include <unistd.h>
#endif

#include "cli/cli_arguments.h"
#include "cli/option_reader.h"
#include "tests/cli/cli_run.h"

namespace {

using namespace quorbit;
using namespace quorbit::testing;

TEST(CliArguments, PositiveCounts) {
    uint64_t value = 7;
    EXPECT_TRUE(ParsePositiveCount("20000", value));
    EXPECT_EQ(value, 20000u);
    EXPECT_TRUE(ParsePositiveCount("18446744073709551615", value));
    EXPECT_EQ(value, 18446744073709551615ull);
    for (const char* bad : {"0", "", "-5", "1e6", "18446744073709551616", "12 "})
        EXPECT_FALSE(ParsePositiveCount(bad, value)) << bad;
}

// Reads the words with the options -w/--directory DIR, --max-nodes N and the flag --reference,
// and describes the outcome as "prefix=.. nodes=.. ref=.. | operands" or "help" or "refused: ...".
std::string Read(std::vector<std::string> words) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    CliOption options[] = {{"directory", 'w', "DIR", nullptr},
                           {"max-nodes", 0, "N", nullptr},
                           {"reference", 0, nullptr, nullptr}};
    int operands = -1;
    char error[256];
    switch (ReadArguments(static_cast<int>(argv.size()), argv.data(), options, 3, &operands, error, sizeof error)) {
        case ArgumentsRead::Help:
            return "help";
        case ArgumentsRead::Refused:
            return std::string("refused: ") + error;
        case ArgumentsRead::Ok:
            break;
    }
    std::string shown;
    for (const CliOption& option : options) shown += std::string(option.name) + "=" + (option.value ? option.value : "-") + " ";
    shown += "|";
    for (int i = 0; i < operands; ++i) shown += std::string(" ") + argv[i];
    return shown;
}

TEST(OptionReader, ReadsEveryFormAndRefusesWhatIsWrong) {
    struct Case {
        std::vector<std::string> words;
        const char* expected;
    };
    const Case cases[] = {
        {{"a1-a2", "--max-nodes", "5", "x"}, "directory=- max-nodes=5 reference=- | a1-a2 x"},
        {{"--max-nodes=5", "-w", "/d", "--reference"}, "directory=/d max-nodes=5 reference= |"},
        {{"-w/d", "--directory=", "1"}, "refused: --directory is given twice (again as '--directory='); give it once"},
        {{"--directory=", "-1", "-"}, "directory= max-nodes=- reference=- | -1 -"},
        {{"--", "--reference", "-h"}, "directory=- max-nodes=- reference=- | --reference -h"},
        {{"a", "-h", "--bogus"}, "help"},
        {{"--max-nodes", "--help"}, "directory=- max-nodes=--help reference=- |"},
        {{"--bogus", "--help"}, "refused: unknown option '--bogus'"},
        {{"--max-nodes"}, "refused: '--max-nodes' needs a value (N)"},
        {{"--reference=1"}, "refused: '--reference=1': --reference takes no value"},
        {{"--reference", "--reference"}, "refused: --reference is given twice (again as '--reference'); give it once"},
        {{"--max"}, "refused: unknown option '--max'"},
        {{"-x"}, "refused: unknown option '-x'"},
    };
    for (const Case& c : cases) EXPECT_EQ(Read(c.words), c.expected);
}

TEST(SearchCommand, BudgetPrintsTheCountersOfThatMomentAsPartial) {
    const CliRun run = Cli("search a1-a2 --max-nodes=20000");
    EXPECT_EQ(run.status, 0);
    const std::regex expected(
        "Computation of a1-a2 stopped at the node budget of 20000 after [0-9]+ milliseconds \\([0-9]+ cycles\\), 0 "
        "solutions have been found in 20000 total nodes \\(partial counts\\)\n"
        "Detail of nodes:\n"
        " 1 1 1 1 1 1 1 1 3 9\n"
        " 33 74 211 334 919 920 2114 2629 3160 4707\n"
        " 2609 1419 654 171 26 0 0 0 0 0\n"
        " 0 0 0 0\n");
    EXPECT_TRUE(std::regex_match(run.out, expected)) << run.out;
    EXPECT_NE(run.err.find("node budget"), std::string::npos);
}

// Each command's own refusals give a message, the usage and status 2 (the option reader's
// and the prefix's are OptionReader's and Prefix's tables); a directory not entered, 1.
TEST(SearchCommand, BadArgumentsGiveAMessageUsageAndStatus2) {
    struct Case {
        const char* arguments;
        const char* says;
        int status = 2;
    };
    const Case cases[] = {
        {"search", "which unit?"},
        {"search 'a1-a2 '", "no such unit: 'a1-a2 '"},
        {"search 0 --max-nodes 0", "positive whole number, not '0'"},
        {"search 0 1", "'1' is one too many"},
        {"search 0 --bogus", "unknown option '--bogus'"},
        {"search 0 --prefix a1-e6-c5-a5", "move 4"},
        {"search 0 --threads 0", "--threads takes a number of threads from 1 to 256, not '0'"},
        {"search 0 --threads 257", "from 1 to 256, not '257'"},
        {"search 0 --threads two", "from 1 to 256, not 'two'"},
        {"bench 3", "unexpected argument '3'"},
        {"frobnicate", "unknown command 'frobnicate'"},
        {"--version search", "--version takes nothing after it, not 'search'"},
        {"", "which command?"},
        {"run extra", "takes no arguments, not 'extra'"},
        {"add", "which units?"},
        {"stop --directory= -w x", "given twice"},
        {"status -w ''", "cannot enter the directory '': the name is empty", 1},
        {"status -w /nonexistent/q", "cannot enter the directory '/nonexistent/q'", 1},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_EQ(run.err.find("usage: quorbit-cli") != std::string::npos, c.status == 2) << c.arguments << ": " << run.err;
    }
}

// That each option is named in its command's help: the manual pages' test. The helps speak
// of this system alone: its data folder, how instances talk, what halts a run.
TEST(SearchCommand, EveryCommandExplainsItselfAndTheVersionIsTheBuildsOne) {
#ifdef _WIN32
    const char* const thisSystem[] = {"%LOCALAPPDATA%\\Quorbit", "Ctrl+Break"};
    const char* const otherSystem[] = {"XDG", "SIGTERM", "socket", "/usr/bin"};
#else
    const char* const thisSystem[] = {"~/.local/share/quorbit", "SIGTERM"};
    const char* const otherSystem[] = {"LOCALAPPDATA", "Ctrl+Break", "named pipe", "Program Files"};
#endif
    EXPECT_EQ(Cli("--version").out, "quorbit-cli (Quorbit) " QUORBIT_PROJECT_VERSION "\n");
    for (const char* arguments :
         {"--help", "help search", "search 0 --help", "bench -h", "run --help", "add --help", "task --help"}) {
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.status, 0) << arguments;
        EXPECT_TRUE(run.out.rfind("usage: quorbit-cli", 0) == 0 || run.out.rfind("quorbit-cli - ", 0) == 0) << run.out;
        for (const char* words : otherSystem) EXPECT_EQ(run.out.find(words), std::string::npos) << arguments << ": " << words;
        if (std::string(arguments) == "--help" || std::string(arguments) == "run --help") {
            for (const char* words : thisSystem) EXPECT_NE(run.out.find(words), std::string::npos) << arguments << ": " << words;
        }
    }
}

#ifndef _WIN32
// Runs quorbit-cli through the shell, its standard output redirected as `redirect` says.
CliRun CliShell(const std::string& arguments, const std::string& redirect) {
    return RunProcess({{"/bin/sh", "-c", "exec " QUORBIT_CLI_PATH " " + arguments + " " + redirect}});
}

TEST(SearchCommand, OutputThatCannotBeWrittenEndsWithStatus1AndSaysWhy) {
    struct Case {
        const char* arguments;
        const char* redirect;
        const char* says;
    };
    const Case cases[] = {
        {"search -h", ">/dev/full", "No space left on device"},
        {"search 0 --max-nodes 1000", ">/dev/full", "No space left on device"},
        {"--version", ">/dev/full", "No space left on device"},
        {"bench", ">&-", "closed"},
    };
    for (const Case& c : cases) {
        const CliRun run = CliShell(c.arguments, c.redirect);
        EXPECT_EQ(run.status, 1) << c.arguments << " " << c.redirect;
        EXPECT_NE(run.err.find("cannot write standard output"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
}

TEST(SearchCommand, AReaderThatWentAwayEndsTheSearchWithStatus1) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    const ScratchFolder scratch;
    const std::string err = scratch / "err";
    Process search = StartProcess({{QUORBIT_CLI_PATH, "search", "0", "--max-nodes", "1000000"}, {}, "",
                                   "/proc/self/fd/" + std::to_string(ends[1]), err});
    close(ends[1]);
    EXPECT_EQ(WaitForExit(search), 1);
    EXPECT_NE(Slurp(err).find("Broken pipe"), std::string::npos) << Slurp(err);
    EXPECT_NE(Slurp(err).find("Detail of nodes:"), std::string::npos) << "the counts still reach the user";
}

// True once the process catches the signal (its handler is installed).
bool Catches(const Process& process, int signal) {
    std::ifstream status("/proc/" + std::to_string(process.id) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1u;
    return false;
}

// The processor time the process has used, in clock ticks.
long CpuTicks(const Process& process) {
    std::ifstream stat("/proc/" + std::to_string(process.id) + "/stat");
    std::string text, skip;
    std::getline(stat, text);
    std::istringstream fields(text.substr(std::min(text.size(), text.rfind(')') + 2)));  // from field 3 on
    long utime = 0, stime = 0;
    for (int field = 3; field < 14; ++field) fields >> skip;
    fields >> utime >> stime;
    return utime + stime;
}

// Waits until the process catches the signal and has computed for two clock ticks since
// (or has ended).
void AwaitComputing(const Process& process, int signal) {
    while (!Catches(process, signal) && !HasEnded(process)) usleep(1000);
    for (const long from = CpuTicks(process); CpuTicks(process) < from + 2 && !HasEnded(process);) usleep(1000);
}

// Every halt signal ends the search at once with its counts as partial, on one thread or on
// several (a thread that missed the halt would run for hours).
TEST(SearchCommand, HaltSignalsPrintTheCountsAsPartial) {
    const ScratchFolder scratch;
    const std::string outName = scratch / "out", errName = scratch / "err";
    const struct {
        int signal;
        const char* name;
        const char* threads;  // "1": the single search
    } cases[] = {{SIGINT, "SIGINT", "1"}, {SIGTERM, "SIGTERM", "1"}, {SIGHUP, "SIGHUP", "1"}, {SIGQUIT, "SIGQUIT", "1"}, {SIGINT, "SIGINT", "2"}};
    for (const auto& [signal, name, threads] : cases) {
        // Hours of work: a thread that misses the halt keeps the run going until the test's
        // timeout, which fails it.
        std::vector<std::string> argv = {QUORBIT_CLI_PATH, "search", "a1-a2", "--max-nodes", "1000000000000"};
        if (threads[0] != '1') argv.insert(argv.end(), {"--threads", threads});
        Process search = StartProcess({argv, {}, "", outName, errName});
        AwaitComputing(search, signal);
        kill(static_cast<pid_t>(search.id), signal);
        EXPECT_EQ(WaitForExit(search), 128 + signal) << name << " on " << threads;
        const std::string out = Slurp(outName), err = Slurp(errName);
        EXPECT_NE(out.find(std::string("was halted by ") + name), std::string::npos) << out;
        EXPECT_NE(out.find("(partial counts)\nDetail of nodes:\n 1 1 1"), std::string::npos) << out;
        EXPECT_EQ(out.find("has finished"), std::string::npos) << out;
        EXPECT_NE(err.find("partial"), std::string::npos) << err;
    }
}

#endif

}  // namespace
