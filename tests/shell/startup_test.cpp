// Start-up without a window: the command-line options, the instance key, the working directory.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <cerrno>
#include <climits>
#include <vector>

#include "instance/instance_key.h"
#include "shell/startup_options.h"
#include "shell/working_directory.h"
#include "tests/test_support/test_platform.h"

namespace quorbit {
namespace {

void Collect(const char* directory, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(directory);
}

struct LineCase {
    const char* commandLine;
    std::vector<std::string> directories;
};

TEST(StartupOptions, CommandLineTextGivesTheDirectoriesInTurn) {
    const LineCase cases[] = {
        {"", {}},
        {"/W C:\\work", {"C:\\work"}},
        {"-wC:\\work", {"C:\\work"}},
        {"/w   \"C:\\my work\" -W D:\\", {"C:\\my work", "D:\\"}},
        {"/W \"unclosed dir", {"unclosed dir"}},
        {"/x /W a -y  /w b", {"a", "b"}},
        {"/xy /W a", {}},      // more than a letter ends the list
        {"/W a;/W b", {"a;/W"}},
        {"/W a b /W c", {"a"}},  // b is not an option: the list ends there
        {"/W", {""}},
        {"/W a /", {"a"}},     // a lone '/' at the end ends the list
        {"-", {}},
        {"x /W a", {}},
        {"/W\"a\"/W b", {"a"}},  // no blank after the quoted directory: the list ends
    };
    for (const LineCase& c : cases) {
        std::vector<std::string> got;
        const StartupOptionsResult result = ParseCommandLine(c.commandLine, &Collect, &got);
        EXPECT_EQ(got, c.directories) << c.commandLine;
        EXPECT_EQ(result.directoryOptions, static_cast<int>(c.directories.size())) << c.commandLine;
    }
}

struct ArgvCase {
    std::vector<const char*> argv;
    std::vector<std::string> directories;
    int consumed;
    bool missing;
};

TEST(StartupOptions, ArgumentVectorReadsShortLongAndQuotedForms) {
    const ArgvCase cases[] = {
        {{"-w", "/srv/q"}, {"/srv/q"}, 2, false},
        {{"/W", "my dir", "-w", "rel"}, {"my dir", "rel"}, 4, false},
        {{"-wdir"}, {"dir"}, 1, false},
        {{"/W\"quoted dir\""}, {"quoted dir"}, 1, false},
        {{"--directory", "/a", "--directory=/b"}, {"/a", "/b"}, 3, false},
        {{"-x", "-w", "a", "run"}, {"a"}, 3, false},
        {{"-xy", "-w", "a"}, {}, 0, false},
        {{"/home/ann"}, {}, 0, false},
        {{"-w"}, {}, 1, true},
        {{"--directory"}, {}, 1, true},
        {{"-", "-w", "a"}, {}, 1, false},
        {{"--directoryx", "a"}, {}, 0, false},
    };
    for (const ArgvCase& c : cases) {
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

TEST(StartupOptions, OverlongDirectoryIsRefusedNotCut) {
    const std::string line = "/W " + std::string(DIRECTORY_OPTION_MAX + 1, 'a') + " /W b";
    std::vector<std::string> got;
    const StartupOptionsResult result = ParseCommandLine(line.c_str(), &Collect, &got);
    EXPECT_TRUE(result.tooLong);
    EXPECT_EQ(got, std::vector<std::string>{"b"});
}

TEST(InstanceKey, NamesFollowTheDirectoryText) {
    const struct {
        const char* directory;
        const char* name;
    } cases[] = {
        {"C:\\A", "TRI 347562"},
        {"D:\\knight", "TRI -1977708737"},
        {"/home/ann/quorbit", "TRI 1397825193"},
        {"/tmp/\xc3\xa9t\xc3\xa9", "TRI 743582955"},  // bytes above 0x7F count as negative
        {"/\xff", "TRI 798"},
        {"", "TRI 0"},
    };
    for (const auto& c : cases) {
        char name[INSTANCE_NAME_SIZE];
        FormatInstanceName(InstanceKey(c.directory), name, sizeof name);
        EXPECT_STREQ(name, c.name) << c.directory;
    }
}

TEST(WorkingDirectory, ExecutableDirectoryThenEachOptionInTurn) {
    const std::string previous = testing::CurrentFolder();
    char exe[PATH_MAX];
    ASSERT_TRUE(ExecutablePath(exe, sizeof exe));
    ASSERT_TRUE(CutAfterLastSlash(exe));

    const testing::ScratchFolder base("quorbit-workdir");
    const std::string nested = base / "inner";
    ASSERT_TRUE(testing::MakeFolder(nested));

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

    ASSERT_TRUE(testing::EnterFolder(previous));
}

}  // namespace
}  // namespace quorbit
