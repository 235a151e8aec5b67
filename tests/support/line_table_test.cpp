#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/line_table.h"
#include "support/settings.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using testing::ConsoleSlot;
using testing::InodeOf;
using testing::ReadFile;
using testing::RunningAsRoot;
using testing::WriteFile;

class LineTableTest : public testing::WorkDirTest {};

std::string NumberedLines(int first, int last, const char* end) {
    std::string text;
    for (int i = first; i <= last; ++i) text += "line" + std::to_string(i) + end;
    return text;
}

TEST_F(LineTableTest, MissingFileIsEmptyAndFirstAdditionCreatesIt) {
    LineTable* table = GetLineTable("WORKTOUR.INI");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->lineCount, 0);
    EXPECT_STREQ(table->fileName, "WORKTOUR.INI");
    AddLineOnce("WORKTOUR.INI", "7");
    EXPECT_EQ(ReadFile("WORKTOUR.INI"), "7\r\n");
}

TEST_F(LineTableTest, ReadsLineEndsBlankLinesAndLongLinesAsSpecified) {
    const std::string longLine(300, 'x');
    WriteFile("F.TXT", "a\n\r\nb\r\n\n" + longLine + "\nc");
    LineTable* table = GetLineTable("F.TXT");
    ASSERT_EQ(table->lineCount, 5);
    EXPECT_STREQ(table->lines[0], "a");
    EXPECT_STREQ(table->lines[1], "b");
    EXPECT_EQ(std::string(table->lines[2]), std::string(254, 'x'));
    EXPECT_EQ(std::string(table->lines[3]), std::string(46, 'x'));
    EXPECT_STREQ(table->lines[4], "c");
    SaveLineTable(*table);
    EXPECT_EQ(ReadFile("F.TXT"), "a\r\nb\r\n" + std::string(254, 'x') + "\r\n" + std::string(46, 'x') + "\r\nc\r\n");
}

TEST_F(LineTableTest, CarriageReturnOnlyFileKeepsEveryByteThroughARewrite) {
    std::string original;
    for (int i = 0; i < 60; ++i) original += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r";
    WriteFile("QUORBIT.INI", original);
    EXPECT_EQ(GetSettingInt("Key0", 9), 0);  // the whole first piece is Key0's value: "0\rKey1=1..."
    SetSettingInt("Other", 1);
    std::string rewritten = ReadFile("QUORBIT.INI");
    std::string kept;
    for (char c : rewritten)
        if (c != '\r' && c != '\n') kept += c;
    std::string expected;
    for (char c : original)
        if (c != '\r') expected += c;
    EXPECT_EQ(kept, expected + "Other=1");
}

TEST_F(LineTableTest, LinesPastTheLimitAreReportedOnceAndKeptOnDisk) {
    WriteFile("WORKTOUR.INI", NumberedLines(0, 1029, "\n"));
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
    EXPECT_EQ(ReadFile("WORKTOUR.INI"), NumberedLines(1, 1023, "\r\n") + NumberedLines(1024, 1029, "\n"));
}

TEST_F(LineTableTest, FullTableTakesNoSlotButTheLineStillReachesTheFile) {
    const std::string original = NumberedLines(0, 1023, "\r\n");
    WriteFile("LOGSOL.TXT", original);
    LineTable* table = GetLineTable("LOGSOL.TXT");
    ASSERT_EQ(table->lineCount, MAX_TABLE_LINES);
    EXPECT_FALSE(AppendTableLine(*table, "extra"));

    AddLineOnce("LOGSOL.TXT", "new one");
    EXPECT_EQ(table->lineCount, MAX_TABLE_LINES);
    EXPECT_STREQ(table->lines[1023], "line1023");
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), original + "new one\r\n");
    AddLineOnce("LOGSOL.TXT", "NEW ONE");   // seen in memory past the table
    AddLineOnce("LOGSOL.TXT", "LINE17");    // seen in the table
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), original + "new one\r\n");

    // A later rewrite keeps the appended line.
    ASSERT_TRUE(RemoveTableLine(*table, 0));
    SaveLineTable(*table);
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), NumberedLines(1, 1023, "\r\n") + "new one\r\n");
}

TEST_F(LineTableTest, DuplicateAdditionLeavesTheFileAlone) {
    WriteFile("LOGSOL.TXT", "Solution 1: a1\n");
    AddLineOnce("LOGSOL.TXT", "SOLUTION 1: A1");
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), "Solution 1: a1\n");  // not even its line end changed
    AddLineOnce("LOGSOL.TXT", "Solution 2: a1");
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), "Solution 1: a1\r\nSolution 2: a1\r\n");
}

TEST_F(LineTableTest, NamesAreBoundCaseSensitivelyAndASeventhNameGoesStraightToDisk) {
    const char* names[] = {"A", "a", "B", "C", "D", "E"};
    for (const char* name : names) ASSERT_NE(GetLineTable(name), nullptr) << name;
    EXPECT_NE(GetLineTable("A"), GetLineTable("a"));
    EXPECT_EQ(GetLineTable("SEVENTH"), nullptr);
    EXPECT_FALSE(IsLineTableFull("SEVENTH"));
    WriteFile("SEVENTH", "kept\n");
    AddLineOnce("SEVENTH", "x");
    AddLineOnce("SEVENTH", "X");
    AddLineOnce("SEVENTH", "KEPT");
    EXPECT_EQ(ReadFile("SEVENTH"), "kept\nx\r\n");
    EXPECT_EQ(GetLineTable(""), nullptr);
    EXPECT_EQ(GetLineTable(std::string(MAX_FILE_NAME, 'n').c_str()), nullptr);
}

TEST_F(LineTableTest, FreedTablesReadEmptyAndNeverEmptyTheirFiles) {
    WriteFile("WORKTOUR.INI", "3\r\n7\r\n");
    LineTable* table = GetLineTable("WORKTOUR.INI");
    ASSERT_EQ(table->lineCount, 2);
    FreeLineTables();
    WriteFile("WORKTOUR.INI", "3\r\n7\r\n9\r\n");
    ASSERT_EQ(GetLineTable("WORKTOUR.INI"), table);
    EXPECT_EQ(table->lineCount, 0);
    SaveLineTable(*table);
    EXPECT_EQ(ReadFile("WORKTOUR.INI"), "3\r\n7\r\n9\r\n");
}

TEST_F(LineTableTest, StrayTemporaryFileFromACrashHarmsNothing) {
    WriteFile("QUORBIT.INI", "Priority=5\r\n");
    WriteFile("QUORBIT.INI.tmp", "Prio");  // a rewrite that died before its rename
    EXPECT_EQ(GetSettingInt("Priority", 1), 5);
    SetSettingInt("Priority", 6);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "Priority=6\r\n");
    EXPECT_EQ(ReadFile("QUORBIT.INI.tmp"), "<missing>");
}

// Root writes into read-only directories, so there the temporary file is blocked by a
// directory of its name instead; either way the rewrite cannot happen.
TEST_F(LineTableTest, FailedRewriteKeepsTheOldFileAndTheChangeInMemory) {
    WriteFile("QUORBIT.INI", "Priority=5\r\nLeft=3\r\n");
    if (RunningAsRoot()) {
        ASSERT_EQ(::mkdir("QUORBIT.INI.tmp", 0700), 0);
    } else {
        ASSERT_EQ(::chmod(Dir(), 0555), 0);
    }
    SetSettingInt("Priority", 7);
    AddLineOnce("WORKTOUR.INI", "4");
    ::chmod(Dir(), 0700);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "Priority=5\r\nLeft=3\r\n");
    EXPECT_EQ(GetSettingInt("Priority", 1), 7);
    EXPECT_EQ(GetLineTable("WORKTOUR.INI")->lineCount, 1);
    ::rmdir("QUORBIT.INI.tmp");
    SetSettingInt("Left", 4);  // the next successful save writes both changes
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "Priority=7\r\nLeft=4\r\n");
}

TEST_F(LineTableTest, DirectoryInPlaceOfAFileStaysADirectory) {
    ASSERT_EQ(::mkdir("QUORBIT.INI", 0700), 0);
    ASSERT_EQ(::mkdir("LOGSOL.TXT", 0700), 0);
    EXPECT_EQ(GetSettingInt("Priority", 3), 3);
    SetSettingInt("Priority", 4);
    EXPECT_EQ(GetSettingInt("Priority", 3), 4);
    AddLineOnce("LOGSOL.TXT", "Solution 1");
    struct stat info;
    ASSERT_EQ(::stat("QUORBIT.INI", &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    ASSERT_EQ(::stat("LOGSOL.TXT", &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(ReadFile("QUORBIT.INI.tmp"), "<missing>");
}

// An unreadable file reads as empty but must not be replaced by that emptiness. Root reads
// anything, so there a link that points at itself plays the unreadable file.
TEST_F(LineTableTest, UnreadableFileIsNeverOverwritten) {
    if (RunningAsRoot()) {
        ASSERT_EQ(::symlink("QUORBIT.INI", "QUORBIT.INI"), 0);
    } else {
        WriteFile("QUORBIT.INI", "Priority=5\r\nSecret=1\r\n");
        ASSERT_EQ(::chmod("QUORBIT.INI", 0), 0);
    }
    EXPECT_EQ(GetSettingInt("Priority", 2), 2);
    SetSettingInt("Priority", 8);
    EXPECT_EQ(GetSettingInt("Priority", 2), 8);
    if (RunningAsRoot()) {
        struct stat info;
        ASSERT_EQ(::lstat("QUORBIT.INI", &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode));
    } else {
        ASSERT_EQ(::chmod("QUORBIT.INI", 0600), 0);
        EXPECT_EQ(ReadFile("QUORBIT.INI"), "Priority=5\r\nSecret=1\r\n");
    }
}

TEST_F(LineTableTest, BinaryGarbageWithNulBytesIsReadSafelyAndKeptByteForByte) {
    std::string garbage;
    for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 37 + 11) % 256);
    garbage += std::string("\0\0Priority=3\n", 13);
    for (const char* name : {"QUORBIT.INI", "WORKTOUR.INI", "LOGSOL.TXT"}) WriteFile(name, garbage);

    EXPECT_EQ(GetSettingInt("Priority", 1), 1);  // the line after the NULs reads as empty
    SetSettingInt("Priority", 2);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), garbage);

    LineTable* queue = GetLineTable("WORKTOUR.INI");
    ASSERT_GT(queue->lineCount, 0);
    RemoveTableLine(*queue, 0);
    SaveLineTable(*queue);
    EXPECT_EQ(ReadFile("WORKTOUR.INI"), garbage);

    AddLineOnce("LOGSOL.TXT", "Solution 1: a1-a2");
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), garbage + "Solution 1: a1-a2\r\n");
}

TEST_F(LineTableTest, GarbageWithoutNulBytesSurvivesARewrite) {
    std::string garbage;
    for (int i = 0; i < 2000; ++i) garbage += static_cast<char>(1 + (i * 53 + 7) % 255);
    WriteFile("WORKTOUR.INI", garbage);
    LineTable* queue = GetLineTable("WORKTOUR.INI");
    AddLineOnce("WORKTOUR.INI", "12");
    std::string expected;
    for (int32_t i = 0; i < queue->lineCount; ++i) expected += std::string(queue->lines[i]) + "\r\n";
    EXPECT_EQ(ReadFile("WORKTOUR.INI"), expected);
    EXPECT_STREQ(queue->lines[queue->lineCount - 1], "12");
    ResetLineTables();
    LineTable* reread = GetLineTable("WORKTOUR.INI");
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(reread->lineCount, queue->lineCount);
}

TEST_F(LineTableTest, RewriteKeepsALinkAndTheFileMode) {
    ASSERT_EQ(::mkdir("elsewhere", 0700), 0);
    WriteFile("elsewhere/settings", "Priority=5\r\n");
    ASSERT_EQ(::chmod("elsewhere/settings", 0640), 0);
    ASSERT_EQ(::symlink("elsewhere/settings", "QUORBIT.INI"), 0);
    SetSettingInt("Priority", 6);
    struct stat info;
    ASSERT_EQ(::lstat("QUORBIT.INI", &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadFile("elsewhere/settings"), "Priority=6\r\n");
    ASSERT_EQ(::stat("elsewhere/settings", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

}  // namespace
}  // namespace quorbit
