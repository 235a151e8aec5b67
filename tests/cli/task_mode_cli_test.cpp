// quorbit-cli in task mode, run as a user runs it: on several threads it prints exactly
// what the single search prints, apart from the times, and a signal still halts it at once.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <regex>
#include <string>

#include "tests/cli/cli_run.h"

namespace {

using quorbit::testing::Catches;
using quorbit::testing::Cli;
using quorbit::testing::CliRun;
using quorbit::testing::Slurp;
using quorbit::testing::Start;
using quorbit::testing::WaitFor;

std::string WithoutTimes(const std::string& text) {
    static const std::regex times("[0-9]+ milliseconds \\([0-9]+ cycles\\)|found in [0-9]+ milliseconds");
    return std::regex_replace(text, times, "T");
}

TEST(TaskModeCli, SearchOnThreadsPrintsWhatTheSingleSearchPrints) {
    // A whole subtree, budgets that end inside it, a unit whose start is an end neighbour.
    const char* searches[] = {
        "0 --prefix a1-e6-c5-a4-e3-c2-a3",
        "a1-b3 --max-nodes 2500000",
        "b3-c5 --max-nodes=1234567",
        "0 --prefix a1-e6-c5-a4-e3-c2-a3-e2-c1-b5-f4-d3-b2-f1-d6-f5-d4-b3-f2-d1 --max-nodes 25",
    };
    for (const char* search : searches) {
        const CliRun single = Cli(std::string("search ") + search);
        ASSERT_EQ(single.status, 0) << search << ": " << single.err;
        for (const char* threads : {"1", "3"}) {
            const CliRun tasks = Cli(std::string("search ") + search + " --threads " + threads);
            EXPECT_EQ(tasks.status, 0) << search << ": " << tasks.err;
            EXPECT_EQ(WithoutTimes(tasks.out), WithoutTimes(single.out)) << search << " --threads " << threads;
            EXPECT_EQ(tasks.err, single.err) << search;
        }
    }
    for (const char* bad : {"0", "257", "two"}) {
        const CliRun run = Cli(std::string("search 0 --threads ") + bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_NE(run.err.find("--threads takes a number of threads from 1 to 256"), std::string::npos) << run.err;
    }
}

TEST(TaskModeCli, ASignalHaltsEveryThreadAtOnce) {
    char outName[] = "/tmp/quorbit-cli-out-XXXXXX";
    char errName[] = "/tmp/quorbit-cli-err-XXXXXX";
    const int outFd = mkstemp(outName), errFd = mkstemp(errName);
    const pid_t pid = Start({"search", "a1-a2", "--threads", "2", "--max-nodes", "3000000000"}, outFd, errFd);
    while (!Catches(pid, SIGINT)) usleep(1000);
    usleep(300000);
    const auto sent = std::chrono::steady_clock::now();
    kill(pid, SIGINT);
    EXPECT_EQ(WaitFor(pid), 128 + SIGINT);
    // Generous for a loaded machine and the sanitizers; a thread that missed the halt runs for hours.
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(10));
    close(outFd);
    close(errFd);
    const std::string out = Slurp(outName), err = Slurp(errName);
    std::remove(outName);
    std::remove(errName);
    EXPECT_NE(out.find("was halted by SIGINT"), std::string::npos) << out;
    EXPECT_NE(out.find("(partial counts)\nDetail of nodes:\n 1 1 1"), std::string::npos) << out;
}

}  // namespace
