// Two real desktop processes in one directory: a second start brings the first to the front
// and leaves; a killed first does not block the next; SIGTERM runs the shutdown.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "instance/instance_key.h"
#include "instance/instance_channel.h"
#include "tests/support/work_dir.h"

namespace quorbit::testing {
namespace {

class SecondStartTest : public WorkDirTest {
protected:
    void SetUp() override {
        WorkDirTest::SetUp();
        dir = Dir();
        MakeFolder(dir + "/run");
        SetEnvironment("XDG_RUNTIME_DIR", (dir + "/run").c_str());
        SetEnvironment("XDG_CONFIG_HOME", (dir + "/config").c_str());
        if (Environment("QT_QPA_PLATFORM").empty()) SetEnvironment("QT_QPA_PLATFORM", "offscreen");
    }

    void TearDown() override {
        for (Process& process : started) {
            KillProcess(process);
            WaitForExit(process);
        }
        WorkDirTest::TearDown();
    }

    // Starts the program in the test's directory, its standard error into errFile.
    Process& Start(const std::string& errFile) {
        started.push_back(StartProcess({{QUORBIT_PROGRAM, "-w", dir}, {}, "", "", dir + "/" + errFile}));
        return started.back();
    }

    // Waits until the instance of the directory answers on its socket (its start-up is over and
    // its event loop runs) or the process has ended. Leaves the socket's path in paths.
    bool AwaitAnswer(const Process& process) {
        char name[INSTANCE_NAME_SIZE], error[320], reply[INSTANCE_REPLY_MAX];
        FormatInstanceName(InstanceKey(dir.c_str()), name, sizeof name);
        while (!(FindInstancePaths(name, dir.c_str(), paths, error, sizeof error) &&
                 SendInstanceRequest(paths.socketPath, "status", reply, sizeof reply, 100, 2000) == REPLY_DONE)) {
            if (HasEnded(process)) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }

    std::string dir;
    std::vector<Process> started;
    InstancePaths paths;
};

TEST_F(SecondStartTest, SecondStartActivatesTheFirstAndLeaves) {
    started.reserve(3);  // the processes stay where Start put them
    Process& first = Start("first.err");
    ASSERT_TRUE(AwaitAnswer(first));

    EXPECT_EQ(WaitForExit(Start("second.err")), 0);
    EXPECT_NE(ReadFile(dir + "/first.err").find("brought to the front by another start"),
              std::string::npos);
    EXPECT_FALSE(HasEnded(first));

    // The requests act on the first instance's own queue.
    char reply[INSTANCE_REPLY_MAX];
    EXPECT_EQ(SendInstanceRequest(paths.socketPath, "add a1-a2 x9", reply, sizeof reply), REPLY_REFUSED);
    EXPECT_EQ(SendInstanceRequest(paths.socketPath, "add a1-a4", reply, sizeof reply), REPLY_DONE);
    EXPECT_STREQ(reply, "Queued: a1-a4");
    EXPECT_EQ(SendInstanceRequest(paths.socketPath, "status", reply, sizeof reply), REPLY_DONE);
    EXPECT_STREQ(reply, "You have 1 queued work :\n\na1-a4");
    EXPECT_EQ(SendInstanceRequest(paths.socketPath, "stop", reply, sizeof reply), REPLY_DONE);
    EXPECT_EQ(ReadFile(dir + "/WORKTOUR.INI"), "1\r\n");  // halted, still queued

    // Killed, it leaves its lock and socket behind; the next start runs all the same.
    KillProcess(first);
    WaitForExit(first);
    Process& third = Start("third.err");
    EXPECT_TRUE(AwaitAnswer(third));
    EXPECT_FALSE(HasEnded(third));
    HaltProcess(third);
    EXPECT_EQ(WaitForExit(third), 0);
    EXPECT_NE(ReadFile(dir + "/QUORBIT.INI").find("Left="), std::string::npos);  // shutdown ran
}

// A trial as quorbit-cli run takes it: a unit cut short by QUORBIT_UNIT_NODE_LIMIT finishes
// in the window too; the first run's autostart entry starts the program in this directory.
TEST_F(SecondStartTest, ATrialRunFinishesAndTheAutostartEntryNamesTheDirectory) {
    WriteFile(dir + "/WORKTOUR.INI", "0\r\n");
    started.push_back(StartProcess(
        {{QUORBIT_PROGRAM, "-w", dir}, {"QUORBIT_UNIT_NODE_LIMIT=20000"}, "", "", dir + "/trial.err"}));
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ReadFile(dir + "/WORKTOUR.INI") != "" && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ReadFile(dir + "/WORKTOUR.INI"), "");
    EXPECT_NE(ReadFile(dir + "/SOLUTION.TXT").find("Trial run of a1-a2"), std::string::npos);
    std::string entry;
    for (const std::string& name : FolderEntries(dir + "/config/autostart"))
        if (name.rfind("quorbit-", 0) == 0) entry = ReadFile(dir + "/config/autostart/" + name);
    EXPECT_NE(entry.find(std::string("Exec=\"") + QUORBIT_PROGRAM + "\" -w \"" + dir + "\"\n"), std::string::npos)
        << entry;
    HaltProcess(started.back());
    EXPECT_EQ(WaitForExit(started.back()), 0);
}

}  // namespace
}  // namespace quorbit::testing
