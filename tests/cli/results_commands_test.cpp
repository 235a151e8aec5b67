// quorbit-cli merge and task on a small subtree's real task files, and verify on files as the
// program leaves them and on damaged ones.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/folders.h"
#include "tests/cli/cli_run.h"

namespace {

using namespace quorbit::testing;

constexpr const char* SUBTREE = "0 --prefix a1-e6-c5-a4-e3-c2-a3-e2-c1-b5";

class MergeCommand : public ScratchDirTest {
protected:
    static void SetUpTestSuite() {
        files_ = new ScratchFolder("quorbit-merge-files");
        // Two ranges of the subtree cut at move 12 (12 tasks), and the results merged once.
        const std::string to = " --out " + files_->Path();
        ASSERT_EQ(Cli(std::string("task ") + SUBTREE + " --cut 12 --tasks 0-5" + to + "/a.qtr").status, 0);
        ASSERT_EQ(Cli(std::string("task ") + SUBTREE + " --cut 12 --tasks 6-11" + to + "/b.qtr").status, 0);
        const std::string once = *files_ / "once";
        ASSERT_TRUE(MakeFolder(once));
        ASSERT_EQ(Cli(std::string("merge ") + SUBTREE + " -w " + once + Files()).status, 0);
        merged_ = Slurp(once + "/SOLUTION.TXT");
        ASSERT_NE(merged_.find("Computation of a1-a2 has finished"), std::string::npos) << merged_;
    }
    static void TearDownTestSuite() { delete files_; }

    static std::string Files() { return " " + (*files_ / "a.qtr") + " " + (*files_ / "b.qtr"); }
    // The merge, under a file size limit when one is given (POSIX only).
    CliRun Merge(long fileSizeLimit = 0) {
        ProcessSpec spec{{QUORBIT_CLI_PATH}};
        std::istringstream words(std::string("merge ") + SUBTREE + " -w " + Dir() + Files());
        for (std::string word; words >> word;) spec.argv.push_back(word);
        spec.fileSizeLimit = fileSizeLimit;
        return RunProcess(spec);
    }
    std::string File(const char* name) { return Slurp(Dir() + "/" + name); }
    void Put(const char* name, const std::string& text) { WriteFile(Dir() + "/" + name, text); }
    static std::string Begun(size_t size) {
        return "begun a1-a2 a1-e6-c5-a4-e3-c2-a3-e2-c1-b5 cut 12 tasks 12 results " + std::to_string(size) + "\r\n";
    }

    static ScratchFolder* files_;
    static std::string merged_;
};
ScratchFolder* MergeCommand::files_ = nullptr;
std::string MergeCommand::merged_;

// Masks the time stamp lines, which differ between runs.
std::string Unstamped(const std::string& text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at + 1);
        if (line[0] != '[') out += line;
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
}

TEST_F(MergeCommand, ASearchIsMergedOnceEvenAfterAMergeThatStoppedHalfWay) {
    const std::string note = "a line of the user's\r\n";
    const struct {
        const char* what;
        std::string results;  // SOLUTION.TXT before the merge
        std::string record;   // MERGED.TXT before the merge
        int status;
        const char* says;
        bool appends;
    } cases[] = {
        {"first merge", note, "", 0, "", true},
        {"merged before", note + merged_,
         Begun(note.size()) + "merged a1-a2 a1-e6-c5-a4-e3-c2-a3-e2-c1-b5 cut 9 tasks 1\r\n", 0, "merged in", false},
        {"stopped before appending", note, Begun(note.size()), 0, "", true},
        {"stopped after appending all", note + merged_, Begun(note.size()), 0, "recorded now", false},
        {"stopped half way", note + merged_.substr(0, merged_.size() / 2), Begun(note.size()), 1,
         "stopped after appending part of its results", false},
        {"a record that is not one", note, "merged a1-a2\r\n", 1, "line 1 is not a merge's record", false},
    };
    for (const auto& c : cases) {
        Put("SOLUTION.TXT", c.results);
        if (!c.record.empty()) Put("MERGED.TXT", c.record);
        const CliRun run = Merge();
        EXPECT_EQ(run.status, c.status) << c.what << ": " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.what << ": " << run.err;
        EXPECT_EQ(Unstamped(File("SOLUTION.TXT")), Unstamped(c.results + (c.appends ? merged_ : ""))) << c.what;
        if (c.status == 0) {
            // Recorded: the same merge again appends nothing.
            const std::string after = File("SOLUTION.TXT");
            const CliRun again = Merge();
            EXPECT_EQ(again.status, 0) << c.what << ": " << again.err;
            EXPECT_NE(again.err.find("nothing was appended"), std::string::npos) << again.err;
            EXPECT_EQ(File("SOLUTION.TXT"), after) << c.what;
        }
        RemovePath(Dir() + "/MERGED.TXT");
    }
}

TEST_F(MergeCommand, AFailedWriteIsNamedAndNeverRecordedAsMerged) {
    // SOLUTION.TXT a folder; then a file size limit that the results pass half way.
    const std::string results = Dir() + quorbit::FOLDER_SEPARATOR + "SOLUTION.TXT";
    ASSERT_TRUE(MakeFolder(results));
    CliRun run = Merge();
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(results + " is a folder"), std::string::npos) << run.err;
    ASSERT_TRUE(RemovePath(results));
#ifndef _WIN32
    // Room under the 1 KB limit for the stamp and the summary line, not for the next line:
    // the line cut off is taken back out, so part of the merge stays.
    const size_t summary = Unstamped(merged_).find('\n') + 1;
    Put("SOLUTION.TXT", std::string(1024 - 28 - summary - 8 - 2, 'x') + "\r\n");
    run = Merge(1024);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("SOLUTION.TXT"), std::string::npos) << run.err;
    EXPECT_EQ(File("MERGED.TXT").find("merged "), std::string::npos) << File("MERGED.TXT");
    run = Merge();
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("part of its results"), std::string::npos) << run.err;
#endif
}

#ifndef _WIN32
TEST_F(MergeCommand, TaskRefusesAnOutputThatIsNotARegularFile) {
    const std::string fifo = Dir() + "/fifo", folder = Dir() + "/folder", beside = Dir() + "/x.qtr";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo((beside + ".tmp").c_str(), 0644), 0);
    const struct {
        std::string out;
        const char* kind;
        bool (*still)(mode_t);
    } cases[] = {
        {"/dev/full", "a character device", [](mode_t m) { return S_ISCHR(m); }},
        {fifo, "a FIFO", [](mode_t m) { return S_ISFIFO(m); }},
        {folder, "a folder", [](mode_t m) { return S_ISDIR(m); }},
        {beside, "a FIFO", [](mode_t m) { return S_ISFIFO(m); }},  // its temporary name is one
    };
    for (const auto& c : cases) {
        const CliRun run = Cli(std::string("task ") + SUBTREE + " --cut 12 --tasks 0-1 --out " + c.out);
        EXPECT_EQ(run.status, 1) << c.out;
        EXPECT_NE(run.err.find(c.kind), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("nothing was written"), std::string::npos) << run.err;
        struct stat info;
        const std::string looked = c.out == beside ? beside + ".tmp" : c.out;
        ASSERT_EQ(::stat(looked.c_str(), &info), 0) << looked;
        EXPECT_TRUE(c.still(info.st_mode)) << looked;
    }
}
#endif

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

TEST_F(VerifyCommand, ResultsAsTheProgramWritesThemAreValidAndTheFirstInvalidLineIsNamed) {
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
    CliRun run = Verify();
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("SOLUTION.TXT: 7 lines: 0 solution lines, 1 unit summaries, 1 time stamps"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("a1-a2: 0 distinct tours in 0 solution lines; last summary ("), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Every line is valid."), std::string::npos) << run.out;

    // The first invalid line is named and fails the run.
    std::string damaged = results_;
    damaged.replace(damaged.find("Detail of nodes:\n 1 1 1"), 23, "Detail of nodes:\n 1 1 2");
    Write("SOLUTION.TXT", damaged);
    Write("LOGSOL.TXT", "Solution 1: a1-b3\n");
    run = Verify();
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("2 invalid lines; the first is " + dir_ + quorbit::FOLDER_SEPARATOR + "SOLUTION.TXT:1: the summary says"),
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
