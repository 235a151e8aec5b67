// The console program's search command, run as a user runs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

CliRun Cli(const std::string& arguments) {
    char dir[] = "/tmp/quorbit-cli-test-XXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    const std::string out = std::string(dir) + "/out", err = std::string(dir) + "/err";
    const std::string command = std::string(QUORBIT_CLI_PATH) + " " + arguments + " >" + out + " 2>" + err;
    const int raw = std::system(command.c_str());
    CliRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
    std::remove(out.c_str());
    std::remove(err.c_str());
    rmdir(dir);
    return run;
}

TEST(SearchCommand, BudgetPrintsTheSummaryAndTheCountersOfThatMoment) {
    const CliRun run = Cli("search a1-a2 --max-nodes 20000");
    EXPECT_EQ(run.status, 0);
    const std::regex expected(
        "Computation of a1-a2 has finished in [0-9]+ milliseconds \\([0-9]+ cycles\\), 0 solutions have been found "
        "in 20000 total nodes\n"
        "Detail of nodes:\n"
        " 1 1 1 1 1 1 1 1 3 9\n"
        " 33 74 211 334 919 920 2114 2629 3160 4707\n"
        " 2609 1419 654 171 26 0 0 0 0 0\n"
        " 0 0 0 0\n");
    EXPECT_TRUE(std::regex_match(run.out, expected)) << run.out;
    EXPECT_NE(run.err.find("node budget"), std::string::npos);
}

TEST(SearchCommand, SubtreeRunsToItsEnd) {
    const CliRun run = Cli("search 0 --prefix A1-e6-c5-a4-e3-c2-a3-e2-c1-b5");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Detail of nodes:\n 1 1 1 1 1 1 1 1 1 1\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
}

TEST(SearchCommand, BadArgumentsGiveAMessageUsageAndStatus2) {
    for (const char* arguments : {"search", "search 45", "search a1-a3", "search 0 --max-nodes 0", "search 0 1",
                                  "search 0 --bogus", "search 0 --prefix", "search 0 --prefix a1-e6-c5-a5", "frobnicate",
                                  ""}) {
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_NE(run.err.find("usage: quorbit-cli"), std::string::npos) << arguments << ": " << run.err;
    }
    EXPECT_NE(Cli("search 0 --prefix a1-e6-c5-a5").err.find("move 4"), std::string::npos);
}

TEST(SearchCommand, HelpExplainsTheOptions) {
    const CliRun run = Cli("--help");
    EXPECT_EQ(run.status, 0);
    for (const char* word : {"--prefix", "--max-nodes", "UNIT", "exit status"})
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
}

}  // namespace
