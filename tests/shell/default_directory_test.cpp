// Where the programs work without a directory option: their own, or the user's data directory
// where they may not write (the tests answer "may write"; CI runs as root).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/default_directory.h"
#include "shell/working_directory.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

bool Usable(const char*) { return true; }
bool NotUsable(const char*) { return false; }

std::string Cwd() {
    char now[PATH_MAX];
    return CurrentDirectory(now, sizeof now) ? now : "";
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

class DefaultDirectoryTest : public testing::WorkDirTest {
protected:
    void SetUp() override {
        WorkDirTest::SetUp();
        const char* home = std::getenv("HOME");
        savedHome_ = home != nullptr ? home : "";
        program_ = std::string(Dir()) + "/bin";
        ASSERT_TRUE(testing::MakeFolder(program_.c_str()));
        testing::SetEnvironment("HOME", (std::string(Dir()) + "/home").c_str());
        testing::SetEnvironment("XDG_DATA_HOME", (std::string(Dir()) + "/xdg/data").c_str());
    }
    void TearDown() override {
        testing::SetEnvironment("HOME", savedHome_.c_str());
        testing::SetEnvironment("XDG_DATA_HOME", nullptr);
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
    EXPECT_EQ(Cwd(), program_);
    EXPECT_EQ(Note(result), "<none>");
    EXPECT_FALSE(IsFolder(data));

    result = EnterDefaultDirectory(program_.c_str(), &NotUsable);  // made, with its parents
    EXPECT_TRUE(result.entered && result.userData && result.created);
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(Cwd(), data);
    EXPECT_EQ(Note(result), "working in " + data + ", made now" + refusal);
    struct stat info;
    ASSERT_EQ(::stat(data.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    result = EnterDefaultDirectory(program_.c_str(), &NotUsable);  // there already
    EXPECT_FALSE(result.created);
    EXPECT_EQ(Note(result), "working in " + data + refusal);

    testing::SetEnvironment("XDG_DATA_HOME", "relative/is/ignored");
    result = EnterDefaultDirectory(program_.c_str(), &NotUsable);
    EXPECT_EQ(Cwd(), std::string(Dir()) + "/home/.local/share/quorbit");
}

TEST_F(DefaultDirectoryTest, NoDataDirectoryLeavesTheProgramInItsOwnAndSaysWhy) {
    testing::WriteFile("file", "a file where a folder should be");
    // Below a file, then nowhere at all (no XDG_DATA_HOME, no HOME).
    for (const bool belowFile : {true, false}) {
        const std::string xdg = std::string(Dir()) + "/file/data";
        std::string expected = "and neither XDG_DATA_HOME nor HOME names a data directory";
        if (belowFile) {
            testing::SetEnvironment("XDG_DATA_HOME", xdg.c_str());
            expected = "and " + xdg + "/quorbit cannot be used: Not a directory";
        } else {
            testing::SetEnvironment("XDG_DATA_HOME", nullptr);
            testing::SetEnvironment("HOME", nullptr);
        }
        const DefaultDirectoryResult result = EnterDefaultDirectory(program_.c_str(), &NotUsable);
        EXPECT_NE(result.error, 0);
        EXPECT_TRUE(result.entered);
        EXPECT_EQ(Cwd(), program_);
        const std::string note = Note(result);
        EXPECT_NE(note.find(expected), std::string::npos) << note;
    }
}

TEST_F(DefaultDirectoryTest, ADirectoryOptionIsFollowedWhereverTheProgramLies) {
    const std::string given = std::string(Dir()) + "/given";
    ASSERT_TRUE(testing::MakeFolder(given.c_str()));
    const char* withOption[] = {"-w", given.c_str()};
    WorkingDirectoryReport report;
    ChooseWorkingDirectory(2, withOption, true, report, nullptr, &NotUsable);
    EXPECT_EQ(Cwd(), given);
    EXPECT_FALSE(report.defaultDirectory.userData);
    EXPECT_FALSE(IsFolder(std::string(Dir()) + "/xdg/data/quorbit"));

    ChooseWorkingDirectory(0, withOption, true, report, nullptr, &NotUsable);
    EXPECT_EQ(Cwd(), std::string(Dir()) + "/xdg/data/quorbit");
    EXPECT_TRUE(report.defaultDirectory.userData);
    EXPECT_FALSE(report.executableDirectoryEntered);
}

TEST_F(DefaultDirectoryTest, SystemProgramTreesAreNeverUsableEvenForRoot) {
    const std::string lookalike = std::string(Dir()) + "/usr/bin/";
    ASSERT_TRUE(testing::MakeFolder((std::string(Dir()) + "/usr").c_str()));
    ASSERT_TRUE(testing::MakeFolder(lookalike.c_str()));
    const struct {
        std::string directory;
        bool usable;
    } cases[] = {
        {"/usr/bin/", false}, {"/usr/local/bin/", false}, {"/bin/", false}, {"/sbin", false}, {"/usr", false},
        {lookalike, true},    {program_, true},           {std::string(Dir()) + "/missing/", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ProgramDirectoryUsable(c.directory.c_str()), c.usable) << c.directory;
    if (testing::RunningAsAdministrator()) return;  // permission bits do not stop root
    ASSERT_EQ(::chmod(program_.c_str(), 0555), 0);
    EXPECT_FALSE(ProgramDirectoryUsable(program_.c_str()));
}

}  // namespace
}  // namespace quorbit
