#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "support/line_table.h"
#include "support/results_file.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using testing::ConsoleSlot;
using testing::InodeOf;
using testing::ReadFile;
using testing::WriteFile;

constexpr int64_t SAT_DEC_05_2026_141632_UTC = 1796480192;
constexpr int64_t MON_MAR_01_2027_040506_UTC = 1803873906;

int64_t fakeNow = 0;
int64_t FakeClock() { return fakeNow; }

class ResultsFileTest : public testing::WorkDirTest {
protected:
    void SetUp() override {
        WorkDirTest::SetUp();
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        fakeNow = SAT_DEC_05_2026_141632_UTC;
        SetCalendarClock(FakeClock);
    }
};

TEST_F(ResultsFileTest, StampsUseEnglishNamesAndTwoDigitFields) {
    char stamp[64];
    FormatStampLine(SAT_DEC_05_2026_141632_UTC, stamp, sizeof stamp);
    EXPECT_STREQ(stamp, "[Sat Dec 05 14:16:32 2026]\n");
    FormatStampLine(MON_MAR_01_2027_040506_UTC, stamp, sizeof stamp);
    EXPECT_STREQ(stamp, "[Mon Mar 01 04:05:06 2027]\n");
    EXPECT_EQ(std::string(stamp).size() + 1, STAMP_SIZE);
    ::setenv("TZ", "UTC-2", 1);  // two hours east of Greenwich: local time is used
    ::tzset();
    FormatStampLine(SAT_DEC_05_2026_141632_UTC, stamp, sizeof stamp);
    EXPECT_STREQ(stamp, "[Sat Dec 05 16:16:32 2026]\n");
}

TEST_F(ResultsFileTest, StampLineOnlyWhenMoreThan300SecondsHavePassed) {
    const std::string stamp1 = "[Sat Dec 05 14:16:32 2026]\r\n";
    ReportLine("first\n");
    EXPECT_EQ(ReadFile("SOLUTION.TXT"), stamp1 + "first\r\n");
    fakeNow += 300;
    ReportLine("second\n");
    fakeNow += 1;  // 301 seconds after the stamp
    ReportLine("third\n");
    EXPECT_EQ(ReadFile("SOLUTION.TXT"),
              stamp1 + "first\r\nsecond\r\n[Sat Dec 05 14:21:33 2026]\r\nthird\r\n");
    EXPECT_EQ(ConsoleSlot(1), "third");
    EXPECT_EQ(ConsoleSlot(3), "first");
}

TEST_F(ResultsFileTest, EveryLineFeedBecomesCrLf) {
    AppendResultsFile("a\nb\r\nc");
    EXPECT_EQ(ReadFile("SOLUTION.TXT"), "[Sat Dec 05 14:16:32 2026]\r\na\r\nb\r\r\nc");
    EXPECT_EQ(ConsoleSlot(1), "");  // the file only
}

TEST_F(ResultsFileTest, UnopenableResultsFileIsReportedOnTheConsoleOnly) {
    ASSERT_EQ(::mkdir("SOLUTION.TXT", 0700), 0);
    ReportLine("Solution 1: a1\n");
    EXPECT_EQ(ConsoleSlot(2), "Solution 1: a1");
    EXPECT_EQ(ConsoleSlot(1), "Error opening the results file.");
    EXPECT_EQ(lastStampTime.load(), 0);
    ASSERT_EQ(::rmdir("SOLUTION.TXT"), 0);
    ReportLine("again\n");  // tried again, and stamped since no stamp was written yet
    EXPECT_EQ(ReadFile("SOLUTION.TXT"), "[Sat Dec 05 14:16:32 2026]\r\nagain\r\n");
}

TEST_F(ResultsFileTest, DeletedResultsFileIsCreatedAgainWithoutAStampUnlessDue) {
    ReportLine("one\n");
    ASSERT_EQ(::unlink("SOLUTION.TXT"), 0);
    fakeNow += 10;
    ReportLine("two\n");
    EXPECT_EQ(ReadFile("SOLUTION.TXT"), "two\r\n");
}

TEST_F(ResultsFileTest, SolutionLogDropsOneLineFeedAndHoldsEachLineOnce) {
    char line[] = "Solution 1: a1-e6\n";
    LogSolutionLine(line);
    EXPECT_STREQ(line, "Solution 1: a1-e6");
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), "Solution 1: a1-e6\r\n");
    const ino_t written = InodeOf("LOGSOL.TXT");
    char same[] = "SOLUTION 1: A1-E6\n";
    LogSolutionLine(same);
    EXPECT_EQ(InodeOf("LOGSOL.TXT"), written);  // not rewritten
    char twice[] = "x\n\n";
    LogSolutionLine(twice);
    EXPECT_STREQ(twice, "x\n");
    char empty[] = "";
    LogSolutionLine(empty);
    EXPECT_STREQ(empty, "");
}

TEST_F(ResultsFileTest, FullSolutionLogStillReceivesEverySolution) {
    std::string lines;
    for (int i = 0; i < MAX_TABLE_LINES + 3; ++i) lines += "Solution " + std::to_string(i) + "\r\n";
    WriteFile("LOGSOL.TXT", lines);
    char fresh[] = "Solution new\n";
    LogSolutionLine(fresh);
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), lines + "Solution new\r\n");
    char pastTable[] = "solution 1025\n";  // in the file beyond the table's 1024 lines
    LogSolutionLine(pastTable);
    char again[] = "SOLUTION NEW\n";
    LogSolutionLine(again);
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), lines + "Solution new\r\n");
    EXPECT_NE(ReadFile("SOLUTION.TXT").find("More than 1024 lines in LOGSOL.TXT file\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quorbit

namespace quorbit {
namespace {

class SolutionLogEndTest : public ResultsFileTest {};

// A hand-edited log whose last line ends in a bare CR, full (1024 lines) or past full.
TEST_F(SolutionLogEndTest, ALastLineEndingInABareCarriageReturnStaysOneLine) {
    for (const int before : {MAX_TABLE_LINES - 1, MAX_TABLE_LINES + 5}) {
        ResetLineTables();
        std::string lines;
        for (int i = 0; i < before; ++i) lines += "Solution " + std::to_string(i) + "\r\n";
        lines += "x\r";
        testing::WriteFile(SOLUTION_LOG_FILE, lines);
        char fresh[] = "Solution new\n";
        LogSolutionLine(fresh);
        const std::string expected = lines + "\nSolution new\r\n";
        EXPECT_TRUE(ReadFile(SOLUTION_LOG_FILE) == expected) << before;
        ResetLineTables();  // a restart: "x" is still the line logged
        char again[] = "X\n";
        LogSolutionLine(again);
        EXPECT_TRUE(ReadFile(SOLUTION_LOG_FILE) == expected) << before;
    }
}

}  // namespace
}  // namespace quorbit
