// Two real desktop processes in one directory: a second start brings the first to the front
// and leaves; a killed first does not block the next; SIGTERM runs the shutdown.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "instance/instance_key.h"
#include "instance/instance_channel.h"
#include "tests/support/work_dir.h"

extern char** environ;

namespace quorbit::testing {
namespace {

using Clock = std::chrono::steady_clock;

class SecondStartTest : public WorkDirTest {
protected:
    void SetUp() override {
        WorkDirTest::SetUp();
        dir = Dir();
        ::mkdir((dir + "/run").c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", (dir + "/run").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
        if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    void TearDown() override {
        for (pid_t pid : started) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        WorkDirTest::TearDown();
    }

    // Starts the program in the test's directory, its standard error into errFile.
    pid_t Start(const std::string& errFile) {
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 2, (dir + "/" + errFile).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        std::vector<std::string> args = {QUORBIT_PROGRAM, "-w", dir};
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        EXPECT_EQ(::posix_spawn(&pid, QUORBIT_PROGRAM, &files, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&files);
        started.push_back(pid);
        return pid;
    }

    // The exit status, or -1 when the process has not ended within timeoutMs.
    int Wait(pid_t pid, int timeoutMs) {
        const auto limit = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < limit) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                std::erase(started, pid);
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

    // The instance of the directory answers on its socket: its start-up is over and its
    // event loop runs. Leaves the socket's path in paths.
    bool WaitUntilAnswering() {
        char name[INSTANCE_NAME_SIZE];
        FormatInstanceName(InstanceKey(dir.c_str()), name, sizeof name);
        char error[320], reply[INSTANCE_REPLY_MAX];
        const auto limit = Clock::now() + std::chrono::seconds(30);
        while (Clock::now() < limit) {
            if (FindInstancePaths(name, dir.c_str(), paths, error, sizeof error) &&
                SendInstanceRequest(paths.socketPath, "status", reply, sizeof reply, 100, 2000) == REPLY_DONE)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    std::string dir;
    std::vector<pid_t> started;
    InstancePaths paths;
};

TEST_F(SecondStartTest, SecondStartActivatesTheFirstAndLeaves) {
    const pid_t first = Start("first.err");
    ASSERT_TRUE(WaitUntilAnswering());

    const auto begin = Clock::now();
    const pid_t second = Start("second.err");
    EXPECT_EQ(Wait(second, 10000), 0);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count();
    EXPECT_GE(took, 700);
    EXPECT_LT(took, 10000);
    EXPECT_NE(ReadFile((dir + "/first.err").c_str()).find("brought to the front by another start"),
              std::string::npos);
    EXPECT_EQ(Wait(first, 0), -1);  // still running

    // The requests act on the first instance's own queue.
    char reply[INSTANCE_REPLY_MAX];
    EXPECT_EQ(SendInstanceRequest(paths.socketPath, "add a1-a2 x9", reply, sizeof reply), REPLY_REFUSED);
    EXPECT_EQ(SendInstanceRequest(paths.socketPath, "add a1-a4", reply, sizeof reply), REPLY_DONE);
    EXPECT_STREQ(reply, "Queued: a1-a4");
    EXPECT_EQ(SendInstanceRequest(paths.socketPath, "status", reply, sizeof reply), REPLY_DONE);
    EXPECT_STREQ(reply, "You have 1 queued work :\n\na1-a4");
    EXPECT_EQ(SendInstanceRequest(paths.socketPath, "stop", reply, sizeof reply), REPLY_DONE);
    EXPECT_EQ(ReadFile((dir + "/WORKTOUR.INI").c_str()), "1\r\n");  // halted, still queued

    // Killed, it leaves its lock and socket behind; the next start runs all the same.
    ::kill(first, SIGKILL);
    ASSERT_NE(Wait(first, 5000), -1);
    const pid_t third = Start("third.err");
    EXPECT_TRUE(WaitUntilAnswering());
    EXPECT_EQ(Wait(third, 0), -1);
    ::kill(third, SIGTERM);
    EXPECT_EQ(Wait(third, 10000), 0);
    EXPECT_NE(ReadFile((dir + "/QUORBIT.INI").c_str()).find("Left="), std::string::npos);  // shutdown ran
}

}  // namespace
}  // namespace quorbit::testing
