// "SOLUTION.TXT" with its time stamps, and the solution log "LOGSOL.TXT".
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include <cstring>
#include <ctime>
#include <string>

#include "support/line_table.h"
#include "support/results_file.h"
#include "support/write_failure.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using testing::ConsoleSlot;
using testing::FileIdentity;
using testing::ReadFile;
using testing::WriteFile;

constexpr int64_t SAT_DEC_05_2026_141632_UTC = 1796480192;
int64_t fakeNow = 0;
int64_t FakeClock() { return fakeNow; }

class ResultsFileTest : public testing::WorkDirTest {
protected:
    void SetUp() override {
        WorkDirTest::SetUp();
        testing::SetEnvironment("TZ", "UTC");
        ::tzset();
        fakeNow = SAT_DEC_05_2026_141632_UTC;
        SetCalendarClock(FakeClock);
    }
};

TEST_F(ResultsFileTest, StampsInLocalTimeWithEnglishNames) {
    char stamp[64];
    FormatStampLine(1803873906, stamp, sizeof stamp);
    EXPECT_STREQ(stamp, "[Mon Mar 01 04:05:06 2027]\n");
    EXPECT_EQ(std::string(stamp).size() + 1, STAMP_SIZE);
    testing::SetEnvironment("TZ", "UTC-2");  // two hours east of Greenwich
    ::tzset();
    FormatStampLine(SAT_DEC_05_2026_141632_UTC, stamp, sizeof stamp);
    EXPECT_STREQ(stamp, "[Sat Dec 05 16:16:32 2026]\n");
}

TEST_F(ResultsFileTest, AStampOnlyWhenMoreThan300SecondsHavePassedAndEveryLfAsCrLf) {
    ReportLine("first\n");
    fakeNow += 300;
    AppendResultsFile("a\nb\r\nc");  // the file only
    fakeNow += 1;  // 301 seconds after the stamp
    ReportLine("\nthird\n");
    // The unfinished line "c" is ended before the stamp, which thus starts a line of its own.
    EXPECT_EQ(ReadFile(RESULTS_FILE),
              "[Sat Dec 05 14:16:32 2026]\r\nfirst\r\na\r\nb\r\r\nc\r\n[Sat Dec 05 14:21:33 2026]\r\n\r\nthird\r\n");
    EXPECT_EQ(ConsoleSlot(1), "third");
    EXPECT_EQ(ConsoleSlot(3), "first");
    // A deleted file is made again, without a stamp unless one is due.
    ASSERT_TRUE(testing::RemovePath(RESULTS_FILE));
    fakeNow += 10;
    ReportLine("two\n");
    EXPECT_EQ(ReadFile(RESULTS_FILE), "two\r\n");
}

TEST_F(ResultsFileTest, AResultsFileThatCannotBeOpenedIsSaidOnTheConsoleAndRecorded) {
    ASSERT_TRUE(testing::MakeFolder(RESULTS_FILE));
    EXPECT_FALSE(ReportLine("Solution 1: a1\n"));
    EXPECT_EQ(ConsoleSlot(3), "Solution 1: a1");
    EXPECT_EQ(ConsoleSlot(2), "Error opening the results file.");
    EXPECT_EQ(ConsoleSlot(1), "Cannot write SOLUTION.TXT: Is a directory");
    EXPECT_TRUE(WriteFailed());
    EXPECT_EQ(lastStampTime.load(), 0);
    ASSERT_TRUE(testing::RemovePath(RESULTS_FILE));
    EXPECT_TRUE(ReportLine("again\n"));  // tried again, and stamped since no stamp was written yet
    EXPECT_EQ(ReadFile(RESULTS_FILE), "[Sat Dec 05 14:16:32 2026]\r\nagain\r\n");
}

void Log(const char* text) {
    std::string line = text;
    LogSolutionLine(line.data());
}

TEST_F(ResultsFileTest, TheSolutionLogDropsOneLineFeedAndHoldsEachLineOnce) {
    char line[] = "Solution 1: a1-e6\n";
    LogSolutionLine(line);
    EXPECT_STREQ(line, "Solution 1: a1-e6");
    const ino_t written = FileIdentity(SOLUTION_LOG_FILE);
    Log("SOLUTION 1: A1-E6\n");
    EXPECT_EQ(FileIdentity(SOLUTION_LOG_FILE), written);  // not rewritten
    char twice[] = "x\n\n";
    LogSolutionLine(twice);
    EXPECT_STREQ(twice, "x\n");
    EXPECT_EQ(ReadFile(SOLUTION_LOG_FILE), "Solution 1: a1-e6\r\nx\n\r\n");
}

// A tour computed again (after a halt or a crash) comes with another number, time and node
// count: the log still holds it once, also when it was logged past the table's 1024 lines.
TEST_F(ResultsFileTest, TheSolutionLogHoldsEachTourOnceWhateverItsNumberTimeAndNodes) {
    const std::string tour = "a1-e6-c5-a4-e3-c2-b6-f1-e5-c4-a5-e4-c3-a2-e1-c6-b2-f3";
    std::string filler;
    for (int i = 0; i < MAX_TABLE_LINES + 2; ++i) filler += "x" + std::to_string(i) + "\r\n";
    for (const std::string& before : {std::string(), filler}) {
        ResetLineTables();
        WriteFile(SOLUTION_LOG_FILE, before);
        Log(("Solution 1: " + tour + " found in 5 milliseconds (77 nodes)\n").c_str());
        const std::string logged = before + "Solution 1: " + tour + " found in 5 milliseconds (77 nodes)\r\n";
        for (int restart = 0; restart < 2; ++restart) {
            if (restart == 1) ResetLineTables();  // read back: the tour is then in the file's tail
            Log(("Solution 3: " + tour + " found in 9120 milliseconds (81234 nodes)\n").c_str());
            Log(("SOLUTION 12: " + tour + " FOUND IN 1 MILLISECONDS (2 NODES)\n").c_str());
            Log(("Solution 1: " + tour + "\n").c_str());
            EXPECT_TRUE(ReadFile(SOLUTION_LOG_FILE) == logged) << restart;
        }
        // Another tour, and lines that are not solution lines, compare whole.
        Log(("Solution 1: " + tour + "-f4 found in 5 milliseconds (77 nodes)\n").c_str());
        Log((tour + " found in 5\n").c_str());
        EXPECT_TRUE(ReadFile(SOLUTION_LOG_FILE) == logged + "Solution 1: " + tour +
                                                       "-f4 found in 5 milliseconds (77 nodes)\r\n" + tour +
                                                       " found in 5\r\n");
    }
    const auto key = [](const char* line) {
        size_t length = 0;
        const char* start = SolutionLogKey(line, std::strlen(line), &length);
        return std::string(start, length);
    };
    EXPECT_EQ(key("Solution 7: a1-b3 found in 3 milliseconds (4 nodes)"), "a1-b3");
    EXPECT_EQ(key("Solution: a1-b3 found in 3"), "Solution: a1-b3 found in 3");
}

#ifndef _WIN32
// A write that fails halfway is taken back out, so the file keeps whole lines only; the
// stamp counts as not written and comes again with the next line that reaches the file.
TEST_F(ResultsFileTest, AFailedAppendLeavesTheFileAsItWasAndIsRecorded) {
    const std::string before = "Solution 1: kept\r\n";
    WriteFile(RESULTS_FILE, before);
    rlimit original{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &original), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{before.size() + 40, original.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool written = AppendResultsFile("Computation of a1-a2 has finished in 3 milliseconds\n");
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &original), 0);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(RESULTS_FILE), before);
    char failure[128];
    FormatWriteFailure(failure, sizeof failure);
    EXPECT_STREQ(failure, "Cannot write SOLUTION.TXT: File too large");
    EXPECT_EQ(ConsoleSlot(1), "Cannot write SOLUTION.TXT: File too large");
    EXPECT_EQ(lastStampTime.load(), 0);
    EXPECT_TRUE(AppendResultsFile("next\n"));
    EXPECT_EQ(ReadFile(RESULTS_FILE), before + "[Sat Dec 05 14:16:32 2026]\r\nnext\r\n");
}
#endif

// A full log, or one past full, still takes every new solution and refuses every repeat,
// also when its hand-edited last line ends in a bare CR.
TEST_F(ResultsFileTest, AFullSolutionLogStillReceivesEverySolutionOnce) {
    for (const int count : {MAX_TABLE_LINES - 1, MAX_TABLE_LINES + 5}) {
        for (const char* last : {"x\r\n", "x\r"}) {
            ResetLineTables();
            std::string lines;
            for (int i = 0; i < count; ++i) lines += "Solution " + std::to_string(i) + "\r\n";
            WriteFile(SOLUTION_LOG_FILE, lines + last);
            Log("Solution new\n");
            Log("SOLUTION NEW\n");
            Log(("solution " + std::to_string(count - 1) + "\n").c_str());  // past the table when more
            const std::string expected = lines + "x\r\nSolution new\r\n";
            EXPECT_TRUE(ReadFile(SOLUTION_LOG_FILE) == expected) << count << last;
            ResetLineTables();  // a restart: "x" is still the line logged
            Log("X\n");
            EXPECT_TRUE(ReadFile(SOLUTION_LOG_FILE) == expected) << count << last;
        }
    }
    EXPECT_NE(ReadFile(RESULTS_FILE).find("More than 1024 lines in LOGSOL.TXT file\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quorbit
