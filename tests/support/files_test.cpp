// The store of small text files and the settings kept in one: reading, the 1024-line limit,
// names, key=value lines, and the files it must never damage; "SOLUTION.TXT" with its time
// stamps, and the solution log "LOGSOL.TXT".
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/console.h"
#include "support/line_table.h"
#include "support/results_file.h"
#include "support/settings.h"
#include "support/shell.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using namespace testing;

class LineTableTest : public WorkDirTest {};

std::string Lines(int first, int last, const char* end) {
    std::string text;
    for (int i = first; i <= last; ++i) text += "line" + std::to_string(i) + end;
    return text;
}

std::vector<std::string> TableLines(const LineTable& table) {
    return std::vector<std::string>(table.lines, table.lines + table.lineCount);
}

TEST_F(LineTableTest, FilesReadAsLinesAndSavedWithCrLf) {
    std::string cr;  // 300 bytes
    std::vector<std::string> keys;
    for (int i = 0; i < 50; ++i) {
        keys.push_back("Key" + std::to_string(i % 10) + "=");
        cr += keys.back() + "\r";
    }
    const struct {
        std::string file;
        std::vector<std::string> lines;
    } cases[] = {
        {"<missing>", {}},
        {"a\n\r\nb\r\n\n" + std::string(300, 'x') + "\nc", {"a", "b", std::string(254, 'x'), std::string(46, 'x'), "c"}},
        // A CR alone ends a line too (a file saved with old Macintosh line ends), and CR LF
        // is one line end, not two: nothing queued in such a file is lost.
        {cr, keys},
        {"3\r4\r5\r", {"3", "4", "5"}},
        {"a\r\r\nb\n\rc\r\n\r\nd", {"a", "b", "c", "d"}},
    };
    for (const auto& c : cases) {
        ResetLineTables();
        if (c.file != "<missing>") WriteFile("F.TXT", c.file);
        LineTable* table = GetLineTable("F.TXT");
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(TableLines(*table), c.lines);
        AddLineOnce("F.TXT", "new");
        std::string saved;
        for (const std::string& line : c.lines) saved += line + "\r\n";
        EXPECT_EQ(ReadFile("F.TXT"), saved + "new\r\n");
        ResetLineTables();  // read back: the same lines
        EXPECT_EQ(TableLines(*GetLineTable("F.TXT")).size(), c.lines.size() + 1);
    }
    // A duplicate, in either letter case, leaves the file alone, byte for byte.
    WriteFile("LOGSOL.TXT", "Solution 1: a1\n");
    AddLineOnce("LOGSOL.TXT", "SOLUTION 1: A1");
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), "Solution 1: a1\n");
}

TEST_F(LineTableTest, LinesPastTheLimitAreReportedOnceAndKeptOnDisk) {
    WriteFile("WORKTOUR.INI", Lines(0, 1029, "\n"));
    LineTable* table = GetLineTable("WORKTOUR.INI");
    ASSERT_EQ(table->lineCount, MAX_TABLE_LINES);
    EXPECT_STREQ(table->lines[1023], "line1023");
    EXPECT_TRUE(IsLineTableFull("WORKTOUR.INI"));
    EXPECT_EQ(ConsoleSlot(1), "More than 1024 lines in WORKTOUR.INI file");
    EXPECT_NE(ReadFile("SOLUTION.TXT").find("More than 1024 lines in WORKTOUR.INI file\r\n"), std::string::npos);
    ASSERT_EQ(GetLineTable("WORKTOUR.INI"), table);
    EXPECT_EQ(ConsoleSlot(2), "");  // printed once only
    ASSERT_TRUE(RemoveTableLine(*table, 0));
    SaveLineTable(*table);
    EXPECT_EQ(ReadFile("WORKTOUR.INI"), Lines(1, 1023, "\r\n") + Lines(1024, 1029, "\n"));
}

// Files the store cannot reproduce are never replaced; an added line goes on their end. (For
// root, who reads anything, a link to itself plays the unreadable file.)
TEST_F(LineTableTest, FilesTheTableCannotReproduceAreNeverReplaced) {
    std::string garbage;
    for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 37 + 11) % 256);
    garbage += std::string("\0\0Priority=3\n", 13);
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { WriteFile("F", garbage); }, garbage + "added\r\n"},  // NUL bytes
        {[] { WriteFile("F", "3\r\n7\r\n"); ASSERT_EQ(GetLineTable("F")->lineCount, 2); FreeLineTables(); },
         "3\r\n7\r\nadded\r\n"},
        {[] { ASSERT_TRUE(MakeFolder("F")); }, ""},  // a folder reads as nothing
#ifndef _WIN32
        {[] {
             if (RunningAsAdministrator()) {
                 ASSERT_EQ(::symlink("F", "F"), 0);
             } else {
                 WriteFile("F", "Secret=1\r\n");
             }
             ::chmod("F", 0);
         },
         RunningAsAdministrator() ? "<missing>" : "Secret=1\r\n"},
#endif
    };
    for (const auto& [setup, expected] : cases) {
        ResetLineTables();
        RemovePath("F");
        setup();
        LineTable* table = GetLineTable("F");
        RemoveTableLine(*table, 0);
        SaveLineTable(*table);
        AddLineOnce("F", "added");
#ifndef _WIN32
        ::chmod("F", 0600);
#endif
        EXPECT_EQ(ReadFile("F"), expected);
        EXPECT_EQ(ReadFile("F.tmp"), "<missing>");
    }
    // Such a settings file keeps a change in memory, silently: no failure is recorded.
    ResetLineTables();
    WriteFile("QUORBIT.INI", garbage);
    EXPECT_FALSE(SetSettingInt("Priority", 9));
    EXPECT_EQ(GetSettingInt("Priority", 1), 9);
    EXPECT_FALSE(WriteFailed());
    EXPECT_EQ(ReadFile("QUORBIT.INI"), garbage);
}

// A folder where the rewrite's temporary file would go blocks it (root writes into read-only
// folders); a read-only folder does too for others.
TEST_F(LineTableTest, RewritesReplaceTheFileInOneStepOrNotAtAll) {
    WriteFile("QUORBIT.INI", "Priority=5\r\nLeft=3\r\n");
    ASSERT_TRUE(MakeFolder("QUORBIT.INI.tmp"));
    EXPECT_FALSE(SetSettingInt("Priority", 7));
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "Priority=5\r\nLeft=3\r\n");
    EXPECT_EQ(GetSettingInt("Priority", 1), 7);  // kept in memory
    char failure[128];
    FormatWriteFailure(failure, sizeof failure);  // and recorded, for the computation to halt
    EXPECT_STREQ(failure, "Cannot write QUORBIT.INI: File exists");
    ClearWriteFailure();
    ASSERT_TRUE(RemovePath("QUORBIT.INI.tmp"));
#ifndef _WIN32
    if (!RunningAsAdministrator()) {
        WriteFile("QUORBIT.INI.tmp", "Prio");  // a rewrite that died before its rename
        ASSERT_EQ(::chmod(Dir(), 0555), 0);
        EXPECT_FALSE(SetSettingInt("Priority", 8));
        ::chmod(Dir(), 0700);
        FormatWriteFailure(failure, sizeof failure);
        EXPECT_STREQ(failure, "Cannot write QUORBIT.INI: Permission denied");
        ClearWriteFailure();
        SetSettingInt("Priority", 7);
    }
#endif
    const uint64_t old = FileIdentity("QUORBIT.INI");
    EXPECT_TRUE(SetSettingInt("Left", 4));  // the next successful save writes both changes, as a new file
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "Priority=7\r\nLeft=4\r\n");
    EXPECT_NE(FileIdentity("QUORBIT.INI"), old);
    EXPECT_EQ(ReadFile("QUORBIT.INI.tmp"), "<missing>");
#ifndef _WIN32
    // A link is followed and stays; the file keeps its mode.
    ASSERT_TRUE(MakeFolder("elsewhere"));
    WriteFile("elsewhere/log", "one\r\n");
    ASSERT_EQ(::chmod("elsewhere/log", 0640), 0);
    ASSERT_EQ(::symlink("elsewhere/log", "LOGSOL.TXT"), 0);
    AddLineOnce("LOGSOL.TXT", "two");
    struct stat info;
    ASSERT_EQ(::lstat("LOGSOL.TXT", &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadFile("elsewhere/log"), "one\r\ntwo\r\n");
    ASSERT_EQ(::stat("elsewhere/log", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
#endif
}

// A rewrite whose last step, the rename, fails (the name now holds a folder with a file in
// it) says so, and leaves the folder as it was and no temporary file.
TEST_F(LineTableTest, ARewriteWhoseRenameFailsSaysSoAndLeavesNoTemporaryFile) {
    WriteFile("F", "one\r\n");
    LineTable* table = GetLineTable("F");
    ASSERT_EQ(table->lineCount, 1);
    ASSERT_TRUE(RemovePath("F"));
    ASSERT_TRUE(MakeFolder("F"));
    WriteFile("F/kept", "x");
    ASSERT_TRUE(AppendTableLine(*table, "two"));
    errno = 0;
    EXPECT_FALSE(SaveLineTable(*table));
    EXPECT_NE(errno, 0);
    EXPECT_EQ(ReadFile("F/kept"), "x");
    EXPECT_EQ(ReadFile("F.tmp"), "<missing>");
}

TEST_F(LineTableTest, SettingKeysMatchExactlyAndValuesReadAsLeadingIntegers) {
    const struct {
        const char* fileLine;
        const char* key;
        int32_t defaultValue, expected;
    } cases[] = {
        {"priority=5", "Priority", 1, 5},
        {"Priority = 5", "Priority", 1, 1},  // blanks around the key: another key
        {"TopX=1", "Top", 9, 9},
        {"Priority=", "Priority", 1, 0},
        {"Priority=7abc", "Priority", 1, 7},
        {"Left=-12", "Left", 0, -12},
        {"Left= \t+42", "Left", 0, 42},
        {"Left=99999999999", "Left", 0, INT32_MAX},
        {"Left=-99999999999", "Left", 0, INT32_MIN},
        {"Left=00000000000000000007", "Left", 0, 0},  // cut to 19 characters: all zeros
    };
    for (const auto& c : cases) {
        ResetLineTables();
        WriteFile("QUORBIT.INI", std::string("Other=1\r\n") + c.fileLine + "\r\n");
        EXPECT_EQ(GetSettingInt(c.key, c.defaultValue), c.expected) << c.fileLine;
    }
    char out[8] = "zzzzzzz";
    GetSettingText("left", out, 4, nullptr);  // the copy is bounded
    EXPECT_STREQ(out, "000");
    GetSettingText("Missing", out, sizeof out, "default-long");
    EXPECT_STREQ(out, "default");
    GetSettingText("Missing", out, sizeof out, nullptr);
    EXPECT_STREQ(out, "");
}

TEST_F(LineTableTest, ASettingsFirstLineIsReplacedInPlaceAnEqualValueWritesNothingAndAFullFileTakesNoNewKey) {
    EXPECT_EQ(GetSettingInt("Priority", -4), -4);  // no file: the defaults
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "<missing>");
    WriteFile("QUORBIT.INI", "# notes\nPriority=2\n\nName=Abc\npriority=9\n");
    ResetLineTables();
    SetSettingInt("priority", 2);   // the same value: nothing written
    SetSettingText("NAME", "aBC");  // differs only in letter case: nothing written
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "# notes\nPriority=2\n\nName=Abc\npriority=9\n");
    SetSettingInt("PRIORITY", 12345);
    SetSettingInt("Priority", 3);  // shorter: the line is written over
    SetSettingInt("TrayIcon", 0);  // new: appended last
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "# notes\r\nPriority=3\r\nName=Abc\r\npriority=9\r\nTrayIcon=0\r\n");
    SetSettingText("Key", std::string(400, 'v').c_str());  // the line is cut to 255 characters
    const std::string file = ReadFile("QUORBIT.INI");
    EXPECT_EQ(file.substr(file.find("Key=")), "Key=" + std::string(251, 'v') + "\r\n");

    std::string lines;
    for (int i = 0; i < MAX_TABLE_LINES; ++i) lines += "K" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    ResetLineTables();
    WriteFile("QUORBIT.INI", lines);
    SetSettingInt("NewKey", 1);
    EXPECT_EQ(GetSettingInt("NewKey", 7), 7);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), lines);
    SetSettingInt("K5", 55);  // an existing key still changes
    EXPECT_NE(ReadFile("QUORBIT.INI").find("\r\nK5=55\r\nK6=6\r\n"), std::string::npos);
}

constexpr int64_t SAT_DEC_05_2026_141632_UTC = 1796480192;
int64_t fakeNow = 0;
int64_t FakeClock() { return fakeNow; }

class ResultsFileTest : public WorkDirTest {
protected:
    void SetUp() override {
        WorkDirTest::SetUp();
        SetEnvironment("TZ", "UTC");
        ::tzset();
        fakeNow = SAT_DEC_05_2026_141632_UTC;
        SetCalendarClock(FakeClock);
    }
};

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
    // Stamps are in local time, with English names.
    SetEnvironment("TZ", "UTC-2");  // two hours east of Greenwich
    ::tzset();
    char stamp[64];
    FormatStampLine(SAT_DEC_05_2026_141632_UTC, stamp, sizeof stamp);
    EXPECT_STREQ(stamp, "[Sat Dec 05 16:16:32 2026]\n");
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

// A tour computed again (after a halt or a crash) comes with another number, time and node
// count: the log still holds it once, also when it was logged past the table's 1024 lines,
// after a hand-edited last line that ends in a bare CR.
TEST_F(ResultsFileTest, TheSolutionLogHoldsEachTourOnceWhateverItsNumberTimeAndNodes) {
    const std::string tour = "a1-e6-c5-a4-e3-c2-b6-f1-e5-c4-a5-e4-c3-a2-e1-c6-b2-f3";
    std::string lines;
    for (int i = 0; i < MAX_TABLE_LINES + 2; ++i) lines += "x" + std::to_string(i) + "\r\n";
    const std::string almostFull = lines.substr(0, lines.find("x1023\r\n"));
    const struct {
        std::string before, logged;
        std::string repeat;  // a line of the file logged again
    } cases[] = {{"", "", "Solution 9: " + tour}, {lines, lines, "X1025"}, {almostFull + "y\r", almostFull + "y\r\n", "Y"}};
    for (const auto& c : cases) {
        ResetLineTables();
        WriteFile(SOLUTION_LOG_FILE, c.before);
        Log(("Solution 1: " + tour + " found in 5 milliseconds (77 nodes)\n").c_str());
        const std::string logged = c.logged + "Solution 1: " + tour + " found in 5 milliseconds (77 nodes)\r\n";
        for (int restart = 0; restart < 2; ++restart) {
            if (restart == 1) ResetLineTables();  // read back: the tour is then in the file's tail
            Log(("Solution 3: " + tour + " found in 9120 milliseconds (81234 nodes)\n").c_str());
            Log(("SOLUTION 12: " + tour + " FOUND IN 1 MILLISECONDS (2 NODES)\n").c_str());
            Log(("Solution 1: " + tour + "\n").c_str());
            Log((c.repeat + "\n").c_str());
            EXPECT_TRUE(ReadFile(SOLUTION_LOG_FILE) == logged) << restart << c.repeat;
        }
        // Another tour, and lines that are not solution lines, compare whole.
        Log(("Solution 1: " + tour + "-f4 found in 5 milliseconds (77 nodes)\n").c_str());
        Log((tour + " found in 5\n").c_str());
        EXPECT_TRUE(ReadFile(SOLUTION_LOG_FILE) == logged + "Solution 1: " + tour +
                                                       "-f4 found in 5 milliseconds (77 nodes)\r\n" + tour +
                                                       " found in 5\r\n");
    }
    EXPECT_NE(ReadFile(RESULTS_FILE).find("More than 1024 lines in LOGSOL.TXT file\r\n"), std::string::npos);
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

using ConcurrentOutputTest = WorkDirTest;

// A front-end that, like the desktop, hands each redraw to another thread and waits for it;
// here that thread logs a solution. The log's first reading reports an over-long file on the
// console: that redraw must not come while the log's lock is held.
std::atomic<bool> otherLogged{false};

TEST_F(ConcurrentOutputTest, TheShellIsNeverCalledUnderTheSolutionLogsLock) {
    std::string lines;
    for (int i = 0; i <= MAX_TABLE_LINES; ++i) lines += "Solution " + std::to_string(100 + i) + "\r\n";
    WriteFile(SOLUTION_LOG_FILE, lines);
    const ShellOps waitsForAnotherThread{[](bool, int32_t, void*) {
                                             static std::atomic<bool> started{false};
                                             if (started.exchange(true)) return;
                                             std::thread([] {
                                                 char line[] = "Solution 2\n";
                                                 LogSolutionLine(line);
                                                 otherLogged.store(true);
                                             }).detach();
                                             for (int i = 0; i < 500 && !otherLogged.load(); ++i)
                                                 std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                         },
                                         nullptr, nullptr, nullptr, nullptr, nullptr};
    AttachShell(&waitsForAnotherThread);
    char line[] = "Solution 1\n";
    LogSolutionLine(line);
    AttachShell(nullptr);
    EXPECT_TRUE(otherLogged.load());
    while (!otherLogged.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace
}  // namespace quorbit
