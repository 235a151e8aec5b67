// quorbit-cli verify on files as the program leaves them, and on damaged ones.
#include <gtest/gtest.h>

#include <string>

#include "tests/cli/cli_run.h"

namespace {

using namespace quorbit::testing;

class VerifyCommand : public ScratchDirTest {
protected:
    void SetUp() override {
        dir_ = Dir();
        // A whole subtree's real results, as the search prints them.
        const CliRun search = Cli("search 0 --prefix a1-e6-c5-a4-e3-c2-a3-e2-c1-b5");
        ASSERT_EQ(search.status, 0);
        results_ = search.out;
    }
    // Writes the text into the directory with CR LF line ends.
    void Write(const char* name, const std::string& text) {
        std::string crlf;
        for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        WriteFile(dir_ + "/" + name, crlf);
    }
    CliRun Verify(const std::string& arguments = "") { return Cli("verify -w " + dir_ + arguments); }

    std::string dir_, results_;
};

TEST_F(VerifyCommand, ResultsAsTheProgramWritesThemAreValidInFilesNamedOrFound) {
    const CliRun none = Verify();
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no SOLUTION.TXT or LOGSOL.TXT in"), std::string::npos) << none.err;
    Write("mine.txt", results_);
    const CliRun named = Cli(std::string("verify ") + dir_ + "/mine.txt");
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_NE(named.out.find("mine.txt: 6 lines"), std::string::npos) << named.out;
    const CliRun missing = Cli(std::string("verify ") + dir_ + "/mine.txt " + dir_ + "/gone.txt");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot read " + dir_ + "/gone.txt"), std::string::npos) << missing.err;

    Write("SOLUTION.TXT", "[Sat Dec 05 14:16:32 2026]\n" + results_);
    const CliRun run = Verify();
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("SOLUTION.TXT: 7 lines: 0 solution lines, 1 unit summaries, 1 time stamps"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("a1-a2: 0 distinct tours in 0 solution lines; last summary ("), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Every line is valid."), std::string::npos) << run.out;
}

TEST_F(VerifyCommand, TheFirstInvalidLineIsNamedAndFailsTheRun) {
    std::string damaged = results_;
    damaged.replace(damaged.find("Detail of nodes:\n 1 1 1"), 23, "Detail of nodes:\n 1 1 2");
    Write("SOLUTION.TXT", damaged);
    Write("LOGSOL.TXT", "Solution 1: a1-b3\n");
    const CliRun run = Verify();
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("2 invalid lines; the first is " + dir_ + "/SOLUTION.TXT:1: the summary says"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("LOGSOL.TXT:1: the tour holds 2 squares"), std::string::npos) << run.out;
}

TEST_F(VerifyCommand, ATrialRunIsReportedAsSuchAndRandomBytesAreNotResults) {
    // A unit run as a trial, in the single search and in task mode: its marks pass, its
    // summary is reported as a trial run's.
    for (const char* threads : {"", " --threads 2"}) {
        ASSERT_EQ(Cli("add 0 -w " + dir_).status, 0);
        const CliRun run = Cli("run -w " + dir_ + threads, {"QUORBIT_UNIT_PREFIX_MOVES=12"});
        ASSERT_EQ(run.status, 0) << run.err;
    }
    const std::string results = Slurp(dir_ + "/SOLUTION.TXT");
    const std::string mark = "Trial run of a1-a2: searched below its first 12 moves only\r\nComputation of a1-a2 has finished";
    EXPECT_NE(results.find(mark), results.rfind(mark)) << results;  // twice
    CliRun run = Verify();
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("trial run's summary"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("2 trial marks"), std::string::npos) << run.out;

    // 20 KB of bytes that are no one's results.
    std::string noise;
    uint32_t x = 2463534242u;
    for (int i = 0; i < 20000; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        noise += static_cast<char>(x & 0xff);
    }
    Write("SOLUTION.TXT", noise);
    run = Verify();
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_EQ(run.out.find("Every line is valid."), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("not the program's; the first is"), std::string::npos) << run.err;
}

}  // namespace
