// "SOLUTION.TXT" with its time stamps, and the solution log "LOGSOL.TXT".
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
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

TEST_F(ResultsFileTest, StampsInLocalTimeWithEnglishNames) {
    char stamp[64];
    FormatStampLine(1803873906, stamp, sizeof stamp);
    EXPECT_STREQ(stamp, "[Mon Mar 01 04:05:06 2027]\n");
    EXPECT_EQ(std::string(stamp).size() + 1, STAMP_SIZE);
    ::setenv("TZ", "UTC-2", 1);  // two hours east of Greenwich
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
    EXPECT_EQ(ReadFile(RESULTS_FILE),
              "[Sat Dec 05 14:16:32 2026]\r\nfirst\r\na\r\nb\r\r\nc[Sat Dec 05 14:21:33 2026]\r\n\r\nthird\r\n");
    EXPECT_EQ(ConsoleSlot(1), "third");
    EXPECT_EQ(ConsoleSlot(3), "first");
    // A deleted file is made again, without a stamp unless one is due.
    ASSERT_EQ(::unlink(RESULTS_FILE), 0);
    fakeNow += 10;
    ReportLine("two\n");
    EXPECT_EQ(ReadFile(RESULTS_FILE), "two\r\n");
}

TEST_F(ResultsFileTest, AResultsFileThatCannotBeOpenedIsSaidOnTheConsoleOnly) {
    ASSERT_EQ(::mkdir(RESULTS_FILE, 0700), 0);
    ReportLine("Solution 1: a1\n");
    EXPECT_EQ(ConsoleSlot(2), "Solution 1: a1");
    EXPECT_EQ(ConsoleSlot(1), "Error opening the results file.");
    EXPECT_EQ(lastStampTime.load(), 0);
    ASSERT_EQ(::rmdir(RESULTS_FILE), 0);
    ReportLine("again\n");  // tried again, and stamped since no stamp was written yet
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
    const ino_t written = InodeOf(SOLUTION_LOG_FILE);
    Log("SOLUTION 1: A1-E6\n");
    EXPECT_EQ(InodeOf(SOLUTION_LOG_FILE), written);  // not rewritten
    char twice[] = "x\n\n";
    LogSolutionLine(twice);
    EXPECT_STREQ(twice, "x\n");
    EXPECT_EQ(ReadFile(SOLUTION_LOG_FILE), "Solution 1: a1-e6\r\nx\n\r\n");
}

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
