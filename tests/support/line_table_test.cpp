// The store of small text files: reading, the 1024-line limit, names, and the files it
// must never damage.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "support/line_table.h"
#include "support/settings.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using testing::ConsoleSlot;
using testing::FileIdentity;
using testing::ReadFile;
using testing::RunningAsAdministrator;
using testing::WriteFile;

class LineTableTest : public testing::WorkDirTest {};

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
    for (int i = 0; i < 50; ++i) cr += "Key" + std::to_string(i % 10) + "=\r";
    struct Case {
        std::string file;
        std::vector<std::string> lines;
    } cases[] = {
        {"<missing>", {}},
        {"a\n\r\nb\r\n\n" + std::string(300, 'x') + "\nc", {"a", "b", std::string(254, 'x'), std::string(46, 'x'), "c"}},
        // A CR alone ends a line too (a file saved with old Macintosh line ends), and CR LF
        // is one line end, not two: nothing queued in such a file is lost.
        {cr, [] {
             std::vector<std::string> keys;
             for (int i = 0; i < 50; ++i) keys.push_back("Key" + std::to_string(i % 10) + "=");
             return keys;
         }()},
        {"3\r4\r5\r", {"3", "4", "5"}},
        {"a\r\r\nb\n\rc\r\n\r\nd", {"a", "b", "c", "d"}},
    };
    for (const Case& c : cases) {
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

TEST_F(LineTableTest, FullTableTakesNoSlotButTheLineStillReachesTheFile) {
    const std::string original = Lines(0, 1023, "\r\n");
    WriteFile("LOGSOL.TXT", original);
    LineTable* table = GetLineTable("LOGSOL.TXT");
    EXPECT_FALSE(AppendTableLine(*table, "extra"));
    AddLineOnce("LOGSOL.TXT", "new one");
    EXPECT_EQ(table->lineCount, MAX_TABLE_LINES);
    AddLineOnce("LOGSOL.TXT", "NEW ONE");  // seen in memory past the table
    AddLineOnce("LOGSOL.TXT", "LINE17");   // seen in the table
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), original + "new one\r\n");
    ASSERT_TRUE(RemoveTableLine(*table, 0));
    SaveLineTable(*table);  // a later rewrite keeps the appended line
    EXPECT_EQ(ReadFile("LOGSOL.TXT"), Lines(1, 1023, "\r\n") + "new one\r\n");
}

TEST_F(LineTableTest, NamesAreBoundCaseSensitivelyAndASeventhNameGoesStraightToDisk) {
    for (const char* name : {"A", "a", "B", "C", "D", "E"}) ASSERT_NE(GetLineTable(name), nullptr) << name;
    EXPECT_NE(GetLineTable("A"), GetLineTable("a"));
    EXPECT_EQ(GetLineTable("SEVENTH"), nullptr);
    EXPECT_FALSE(IsLineTableFull("SEVENTH"));
    WriteFile("SEVENTH", "kept\n");
    for (const char* line : {"x", "X", "KEPT"}) AddLineOnce("SEVENTH", line);
    EXPECT_EQ(ReadFile("SEVENTH"), "kept\nx\r\n");
    EXPECT_EQ(GetLineTable(""), nullptr);
    EXPECT_EQ(GetLineTable(std::string(MAX_FILE_NAME, 'n').c_str()), nullptr);
}

// Files the store cannot reproduce are never replaced; an added line goes on their end. (For
// root, who reads anything, a link to itself plays the unreadable file.)
TEST_F(LineTableTest, FilesTheTableCannotReproduceAreNeverReplaced) {
    std::string garbage;
    for (int i = 0; i < 3000; ++i) garbage += static_cast<char>((i * 37 + 11) % 256);
    garbage += std::string("\0\0Priority=3\n", 13);
    const bool root = RunningAsAdministrator();
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { WriteFile("F", garbage); }, garbage + "added\r\n"},  // NUL bytes
        {[] { WriteFile("F", "3\r\n7\r\n"); ASSERT_EQ(GetLineTable("F")->lineCount, 2); FreeLineTables(); },
         "3\r\n7\r\nadded\r\n"},
        {[] { ASSERT_EQ(::mkdir("F", 0700), 0); }, ""},  // a directory reads as nothing
        {[root] {
             if (root) {
                 ASSERT_EQ(::symlink("F", "F"), 0);
             } else {
                 WriteFile("F", "Secret=1\r\n");
             }
             ::chmod("F", 0);
         },
         root ? "<missing>" : "Secret=1\r\n"},
    };
    for (const auto& [setup, expected] : cases) {
        ResetLineTables();
        ::unlink("F");
        ::rmdir("F");
        setup();
        LineTable* table = GetLineTable("F");
        RemoveTableLine(*table, 0);
        SaveLineTable(*table);
        AddLineOnce("F", "added");
        ::chmod("F", 0600);
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

// Root writes into read-only directories, so there the temporary file is blocked by a
// directory of its name instead; either way the rewrite cannot happen.
TEST_F(LineTableTest, RewritesReplaceTheFileInOneStepOrNotAtAll) {
    WriteFile("QUORBIT.INI", "Priority=5\r\nLeft=3\r\n");
    WriteFile("QUORBIT.INI.tmp", "Prio");  // a rewrite that died before its rename
    if (RunningAsAdministrator()) {
        ASSERT_EQ(::unlink("QUORBIT.INI.tmp"), 0);
        ASSERT_EQ(::mkdir("QUORBIT.INI.tmp", 0700), 0);
    } else {
        ASSERT_EQ(::chmod(Dir(), 0555), 0);
    }
    EXPECT_FALSE(SetSettingInt("Priority", 7));
    ::chmod(Dir(), 0700);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "Priority=5\r\nLeft=3\r\n");
    EXPECT_EQ(GetSettingInt("Priority", 1), 7);  // kept in memory
    char failure[128];
    FormatWriteFailure(failure, sizeof failure);  // and recorded, for the computation to halt
    EXPECT_STREQ(failure, RunningAsAdministrator() ? "Cannot write QUORBIT.INI: File exists"
                                          : "Cannot write QUORBIT.INI: Permission denied");
    ClearWriteFailure();
    ::rmdir("QUORBIT.INI.tmp");
    const ino_t old = FileIdentity("QUORBIT.INI");
    EXPECT_TRUE(SetSettingInt("Left", 4));  // the next successful save writes both changes, as a new file
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "Priority=7\r\nLeft=4\r\n");
    EXPECT_NE(FileIdentity("QUORBIT.INI"), old);
    EXPECT_EQ(ReadFile("QUORBIT.INI.tmp"), "<missing>");

    // A link is followed and stays; the file keeps its mode.
    ASSERT_EQ(::mkdir("elsewhere", 0700), 0);
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
}

}  // namespace
}  // namespace quorbit
