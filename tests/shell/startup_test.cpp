// Start-up without a window: the command-line options, the working directory, and where the
// programs work without a directory option: their own, or the user's data directory where
// they may not write (the tests answer "may write"; CI runs as root).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <cerrno>
#include <climits>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "shell/default_directory.h"
#include "shell/startup_options.h"
#include "shell/working_directory.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using namespace testing;

void Collect(const char* directory, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(directory);
}

TEST(StartupOptions, CommandLineTextGivesTheDirectoriesInTurn) {
    const struct {
        const char* commandLine;
        std::vector<std::string> directories;
    } cases[] = {
        {"", {}},
        {"/W C:\\work", {"C:\\work"}},
        {"/w   \"C:\\my work\" -W D:\\", {"C:\\my work", "D:\\"}},
        {"/W \"unclosed dir", {"unclosed dir"}},
        {"/x /W a -y  /w b", {"a", "b"}},
        {"/xy /W a", {}},      // more than a letter ends the list
        {"/W a;/W b", {"a;/W"}},
        {"/W a b /W c", {"a"}},  // b is not an option: the list ends there
        {"/W", {""}},
        {"x /W a", {}},
        {"/W\"a\"/W b", {"a"}},  // no blank after the quoted directory: the list ends
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        const StartupOptionsResult result = ParseCommandLine(c.commandLine, &Collect, &got);
        EXPECT_EQ(got, c.directories) << c.commandLine;
        EXPECT_EQ(result.directoryOptions, static_cast<int>(c.directories.size())) << c.commandLine;
    }
    // An overlong directory is refused, not cut.
    std::vector<std::string> got;
    const std::string line = "/W " + std::string(DIRECTORY_OPTION_MAX + 1, 'a') + " /W b";
    EXPECT_TRUE(ParseCommandLine(line.c_str(), &Collect, &got).tooLong);
    EXPECT_EQ(got, std::vector<std::string>{"b"});
}

TEST(StartupOptions, ArgumentVectorReadsShortLongAndQuotedForms) {
    const struct {
        std::vector<const char*> argv;
        std::vector<std::string> directories;
        int consumed;
        bool missing;
    } cases[] = {
        {{"-w", "/srv/q"}, {"/srv/q"}, 2, false},
        {{"/W", "my dir", "-w", "rel"}, {"my dir", "rel"}, 4, false},
        {{"/W\"quoted dir\""}, {"quoted dir"}, 1, false},
        {{"--directory", "/a", "--directory=/b"}, {"/a", "/b"}, 3, false},
        {{"-x", "-w", "a", "run"}, {"a"}, 3, false},
        {{"-xy", "-w", "a"}, {}, 0, false},
        {{"-w"}, {}, 1, true},
        {{"-", "-w", "a"}, {}, 1, false},
        {{"--directoryx", "a"}, {}, 0, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        int consumed = -1;
        const StartupOptionsResult result = ParseStartupArguments(static_cast<int>(c.argv.size()), c.argv.data(),
                                                                  &Collect, &got, &consumed);
        const std::string label = c.argv.empty() ? "" : c.argv[0];
        EXPECT_EQ(got, c.directories) << label;
        EXPECT_EQ(consumed, c.consumed) << label;
        EXPECT_EQ(result.missingDirectory, c.missing) << label;
    }
}

TEST(WorkingDirectory, ExecutableDirectoryThenEachOptionInTurn) {
    const std::string previous = CurrentFolder();
    char exe[PATH_MAX];
    ASSERT_TRUE(ExecutablePath(exe, sizeof exe));
    ASSERT_TRUE(CutAfterLastSlash(exe));

    const ScratchFolder base("quorbit-workdir");
    const std::string nested = base / "inner";
    ASSERT_TRUE(MakeFolder(nested));

    const char* relative[] = {"-w", base.Path().c_str(), "-w", "inner", "-w", "missing", "-w", "missing-too"};
    WorkingDirectoryReport report;
    ChooseWorkingDirectory(8, relative, true, report);
    char now[PATH_MAX];
    ASSERT_TRUE(CurrentDirectory(now, sizeof now));
    EXPECT_EQ(std::string(now), nested);  // "inner" taken from the previous option's directory
    EXPECT_TRUE(report.executableDirectoryEntered);
    EXPECT_EQ(report.failures, 2);
    EXPECT_STREQ(report.firstFailure, "missing");
    EXPECT_EQ(report.firstError, ENOENT);

    ChooseWorkingDirectory(0, relative, true, report);
    ASSERT_TRUE(CurrentDirectory(now, sizeof now));
    EXPECT_EQ(std::string(now) + "/", std::string(exe));

    ASSERT_TRUE(EnterFolder(previous));
}

bool Usable(const char*) { return true; }
bool NotUsable(const char*) { return false; }

class DefaultDirectoryTest : public WorkDirTest {
protected:
    void SetUp() override {
        WorkDirTest::SetUp();
        savedHome_ = Environment("HOME");
        program_ = std::string(Dir()) + "/bin";
        ASSERT_TRUE(MakeFolder(program_.c_str()));
        SetEnvironment("HOME", (std::string(Dir()) + "/home").c_str());
        SetEnvironment("XDG_DATA_HOME", (std::string(Dir()) + "/xdg/data").c_str());
    }
    void TearDown() override {
        SetEnvironment("HOME", savedHome_.c_str());
        SetEnvironment("XDG_DATA_HOME", nullptr);
        WorkDirTest::TearDown();
    }
    std::string Note(const DefaultDirectoryResult& result) {
        char note[3 * PATH_MAX];
        return DescribeDefaultDirectory(result, note, sizeof note) ? note : "<none>";
    }
    std::string savedHome_;
    std::string program_;
};

TEST_F(DefaultDirectoryTest, DataDirectoryOnlyWhereTheProgramsOwnMayNotBeWritten) {
    const std::string data = std::string(Dir()) + "/xdg/data/quorbit";
    const std::string refusal = ": the program's own directory " + program_ + " is not one it may write";

    DefaultDirectoryResult result = EnterDefaultDirectory(program_.c_str(), &Usable);
    EXPECT_TRUE(result.entered);
    EXPECT_EQ(CurrentFolder(), program_);
    EXPECT_EQ(Note(result), "<none>");
    EXPECT_FALSE(IsFolder(data));

    result = EnterDefaultDirectory(program_.c_str(), &NotUsable);  // made, with its parents
    EXPECT_TRUE(result.entered && result.userData && result.created);
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(CurrentFolder(), data);
    EXPECT_EQ(Note(result), "working in " + data + ", made now" + refusal);
#ifndef _WIN32
    struct stat info;
    ASSERT_EQ(::stat(data.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
#endif

    result = EnterDefaultDirectory(program_.c_str(), &NotUsable);  // there already
    EXPECT_FALSE(result.created);
    EXPECT_EQ(Note(result), "working in " + data + refusal);

    SetEnvironment("XDG_DATA_HOME", "relative/is/ignored");
    result = EnterDefaultDirectory(program_.c_str(), &NotUsable);
    EXPECT_EQ(CurrentFolder(), std::string(Dir()) + "/home/.local/share/quorbit");
}

TEST_F(DefaultDirectoryTest, NoDataDirectoryLeavesTheProgramInItsOwnAndSaysWhy) {
    WriteFile("file", "a file where a folder should be");
    // Below a file, then nowhere at all (no XDG_DATA_HOME, no HOME).
    for (const bool belowFile : {true, false}) {
        const std::string xdg = std::string(Dir()) + "/file/data";
        std::string expected = "and neither XDG_DATA_HOME nor HOME names a data directory";
        if (belowFile) {
            SetEnvironment("XDG_DATA_HOME", xdg.c_str());
            expected = "and " + xdg + "/quorbit cannot be used: Not a directory";
        } else {
            SetEnvironment("XDG_DATA_HOME", nullptr);
            SetEnvironment("HOME", nullptr);
        }
        const DefaultDirectoryResult result = EnterDefaultDirectory(program_.c_str(), &NotUsable);
        EXPECT_NE(result.error, 0);
        EXPECT_TRUE(result.entered);
        EXPECT_EQ(CurrentFolder(), program_);
        const std::string note = Note(result);
        EXPECT_NE(note.find(expected), std::string::npos) << note;
    }
}

TEST_F(DefaultDirectoryTest, ADirectoryOptionIsFollowedWhereverTheProgramLies) {
    const std::string given = std::string(Dir()) + "/given";
    ASSERT_TRUE(MakeFolder(given.c_str()));
    const char* withOption[] = {"-w", given.c_str()};
    WorkingDirectoryReport report;
    ChooseWorkingDirectory(2, withOption, true, report, nullptr, &NotUsable);
    EXPECT_EQ(CurrentFolder(), given);
    EXPECT_FALSE(report.defaultDirectory.userData);
    EXPECT_FALSE(IsFolder(std::string(Dir()) + "/xdg/data/quorbit"));

    ChooseWorkingDirectory(0, withOption, true, report, nullptr, &NotUsable);
    EXPECT_EQ(CurrentFolder(), std::string(Dir()) + "/xdg/data/quorbit");
    EXPECT_TRUE(report.defaultDirectory.userData);
    EXPECT_FALSE(report.executableDirectoryEntered);
}

#ifndef _WIN32  // the system trees of a POSIX system, and permission bits
TEST_F(DefaultDirectoryTest, SystemProgramTreesAreNeverUsableEvenForRoot) {
    const std::string lookalike = std::string(Dir()) + "/usr/bin/";
    ASSERT_TRUE(MakeFolder((std::string(Dir()) + "/usr").c_str()));
    ASSERT_TRUE(MakeFolder(lookalike.c_str()));
    const struct {
        std::string directory;
        bool usable;
    } cases[] = {
        {"/usr/bin/", false}, {"/usr/local/bin/", false}, {"/bin/", false}, {"/sbin", false}, {"/usr", false},
        {lookalike, true},    {program_, true},           {std::string(Dir()) + "/missing/", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ProgramDirectoryUsable(c.directory.c_str()), c.usable) << c.directory;
    if (RunningAsAdministrator()) return;  // permission bits do not stop root
    ASSERT_EQ(::chmod(program_.c_str(), 0555), 0);
    EXPECT_FALSE(ProgramDirectoryUsable(program_.c_str()));
}
#endif

}  // namespace
}  // namespace quorbit
