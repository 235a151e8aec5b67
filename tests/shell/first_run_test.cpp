// The autostart entry of each working directory, and the first run the console program
// leaves to the desktop program.
#include <gtest/gtest.h>

#include <string>

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
        saved_ = testing::Environment("XDG_CONFIG_HOME");
        testing::SetEnvironment("XDG_CONFIG_HOME", (std::string(Dir()) + "/config").c_str());
        autostartState = 0;
    }
    void TearDown() override {
        testing::SetEnvironment("XDG_CONFIG_HOME", saved_.empty() ? nullptr : saved_.c_str());
        WorkDirTest::TearDown();
    }
    std::string saved_;
    std::string Entry() {
        char path[PATH_MAX];
        EXPECT_TRUE(AutostartEntryPath(EXECUTABLE, path, sizeof path));
        return path;
    }
    static constexpr const char* EXECUTABLE = "/opt/quorbit/quorbit";
};

TEST_F(FirstRunTest, EachFolderGetsAnEntryOfItsOwnThatStartsTheProgramThere) {
    const std::string a = std::string(Dir()) + "/tours a", b = std::string(Dir()) + "/b";
    ASSERT_TRUE(testing::MakeFolder(a));
    ASSERT_TRUE(testing::MakeFolder(b));
    ASSERT_TRUE(testing::EnterFolder(a));
    InstallAutostart(AUTOSTART_NORMAL, EXECUTABLE);
    const std::string entryA = Entry();
    EXPECT_NE(ReadFile(entryA).find("\nExec=\"/opt/quorbit/quorbit\" -w \"" + a + "\"\n"), std::string::npos)
        << ReadFile(entryA);

    ASSERT_TRUE(testing::EnterFolder(b));
    QueryAutostart(EXECUTABLE);
    EXPECT_EQ(autostartState, 0);  // the first folder's entry is not this one's
    InstallAutostart(AUTOSTART_NORMAL, EXECUTABLE);
    EXPECT_EQ(autostartState, 1);
    const std::string entryB = Entry();
    EXPECT_NE(entryB, entryA);
    EXPECT_NE(ReadFile(entryB).find(" -w \"" + b + "\"\n"), std::string::npos);
    InstallAutostart(AUTOSTART_REMOVE, EXECUTABLE);
    EXPECT_EQ(ReadFile(entryB), "<missing>");
    EXPECT_NE(ReadFile(entryA), "<missing>");  // Uninstall here leaves the other folder's
    ASSERT_TRUE(testing::EnterFolder(Dir()));
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
    EXPECT_NE(ReadFile(Entry()), "<missing>");
    EXPECT_EQ(ReadFile("QUORBIT.INI"), recorded + "AutoInstall=1\r\n");
    EXPECT_FALSE(IsFirstRun(ReadProgramSettings()));
}

}  // namespace
}  // namespace quorbit
