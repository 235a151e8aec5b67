// The autostart entry of each working directory, and the first run the console program
// leaves to the desktop program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/autostart_entry.h"
#include "shell/first_run.h"
#include "support/cpu_identity.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using testing::ReadFile;

class FirstRunTest : public testing::WorkDirTest {
protected:
    void SetUp() override {
        WorkDirTest::SetUp();
        ::setenv("XDG_CONFIG_HOME", (std::string(Dir()) + "/config").c_str(), 1);
        autostartState = 0;
    }
    std::string Entry() {
        char path[PATH_MAX];
        EXPECT_TRUE(AutostartEntryPath(EXECUTABLE, path, sizeof path));
        return path;
    }
    static constexpr const char* EXECUTABLE = "/opt/quorbit/quorbit";
};

TEST_F(FirstRunTest, EachFolderGetsAnEntryOfItsOwnThatStartsTheProgramThere) {
    const std::string a = std::string(Dir()) + "/tours a", b = std::string(Dir()) + "/b";
    ASSERT_EQ(::mkdir(a.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(b.c_str(), 0700), 0);
    ASSERT_EQ(::chdir(a.c_str()), 0);
    InstallAutostart(AUTOSTART_NORMAL, EXECUTABLE);
    const std::string entryA = Entry();
    EXPECT_NE(ReadFile(entryA.c_str()).find("\nExec=\"/opt/quorbit/quorbit\" -w \"" + a + "\"\n"), std::string::npos)
        << ReadFile(entryA.c_str());

    ASSERT_EQ(::chdir(b.c_str()), 0);
    QueryAutostart(EXECUTABLE);
    EXPECT_EQ(autostartState, 0);  // the first folder's entry is not this one's
    InstallAutostart(AUTOSTART_NORMAL, EXECUTABLE);
    EXPECT_EQ(autostartState, 1);
    const std::string entryB = Entry();
    EXPECT_NE(entryB, entryA);
    EXPECT_NE(ReadFile(entryB.c_str()).find(" -w \"" + b + "\"\n"), std::string::npos);
    InstallAutostart(AUTOSTART_REMOVE, EXECUTABLE);
    EXPECT_EQ(ReadFile(entryB.c_str()), "<missing>");
    EXPECT_NE(ReadFile(entryA.c_str()), "<missing>");  // Uninstall here leaves the other folder's
    ASSERT_EQ(::chdir(Dir()), 0);
}

TEST_F(FirstRunTest, TheConsoleProgramLeavesTheDesktopItsFirstRunAndItsAutostartEntry) {
    ProgramSettings s = ReadProgramSettings();
    ASSERT_TRUE(RunFirstRunSetup(s, nullptr));
    const std::string recorded = "CpuId=" + std::to_string(cpuNumber.load()) + "\r\n";
    EXPECT_EQ(ReadFile("QUORBIT.INI"), recorded);
    ClearConsole();
    EXPECT_FALSE(RunFirstRunSetup(s, nullptr));  // the processor is described once
    EXPECT_EQ(testing::ConsoleSlot(1), "");

    s = ReadProgramSettings();
    ASSERT_TRUE(IsFirstRun(s));
    QueryAutostart(EXECUTABLE);
    ASSERT_TRUE(RunFirstRunSetup(s, EXECUTABLE));
    EXPECT_EQ(autostartState, 1);
    EXPECT_NE(ReadFile(Entry().c_str()), "<missing>");
    EXPECT_EQ(ReadFile("QUORBIT.INI"), recorded + "AutoInstall=1\r\n");
    EXPECT_FALSE(IsFirstRun(ReadProgramSettings()));
}

}  // namespace
}  // namespace quorbit
