// One instance per directory: the lock, the socket and its requests, with real second processes.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <limits.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/instance_key.h"
#include "support/instance_channel.h"
#include "support/instance_lock.h"

namespace quorbit {
namespace {

// Each operation answers with its own name and the serving process's id.
int32_t Answer(const char* what, char* reply, size_t size) {
    std::snprintf(reply, size, "%s by %ld\n", what, static_cast<long>(::getpid()));
    return REPLY_DONE;
}
int32_t Show(char* reply, size_t size, void*) { return Answer("shown", reply, size); }
int32_t Status(char* reply, size_t size, void*) { return Answer("status", reply, size); }
int32_t Add(const char* const* units, int32_t count, char* reply, size_t size, void*) {
    std::string all;
    for (int32_t i = 0; i < count; ++i) all += std::string(i ? "," : "") + units[i];
    std::snprintf(reply, size, "added %s\n", all.c_str());
    return std::strcmp(units[0], "bad") == 0 ? REPLY_REFUSED : REPLY_DONE;
}
const InstanceRequestOps OPS = {&Show, &Add, &Status, nullptr, nullptr};

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::snprintf(runtime_, sizeof runtime_, "/tmp/quorbit-runtime-XXXXXX");
        ASSERT_NE(::mkdtemp(runtime_), nullptr);
        ::setenv("XDG_RUNTIME_DIR", runtime_, 1);
        std::snprintf(work_, sizeof work_, "/tmp/quorbit-instance-XXXXXX");
        ASSERT_NE(::mkdtemp(work_), nullptr);
        FormatInstanceName(InstanceKey(work_), name_, sizeof name_);
    }
    void TearDown() override {
        StopInstanceServer();
        std::system(("rm -rf '" + std::string(runtime_) + "' '" + work_ + "'").c_str());
    }

    // A second process that takes the directory and serves requests until it is killed;
    // returns once it listens.
    pid_t StartHolder() {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(ready[0]);
            InstanceLock lock;
            char error[256];
            const bool ok = AcquireInstanceLock(name_, work_, lock).outcome == InstanceLockOutcome::Acquired &&
                            StartInstanceServer(lock, OPS, error, sizeof error);
            const char byte = ok ? 'y' : 'n';
            if (::write(ready[1], &byte, 1) != 1 || !ok) ::_exit(1);
            for (;;) ::pause();
        }
        ::close(ready[1]);
        char byte = 0;
        EXPECT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        EXPECT_EQ(byte, 'y');
        return child;
    }

    std::string Request(const InstanceLock& lock, const char* request, int32_t* status) {
        char reply[INSTANCE_REPLY_MAX];
        *status = SendInstanceRequest(lock.paths.socketPath, request, reply, sizeof reply, 200);
        return reply;
    }

    char runtime_[64];
    char work_[64];
    char name_[INSTANCE_NAME_SIZE];
};

TEST_F(InstanceTest, SecondProcessIsRefusedAndReachesTheFirstUntilItIsKilled) {
    const pid_t holder = StartHolder();
    InstanceLock lock;
    InstanceLockResult result = AcquireInstanceLock(name_, work_, lock);
    ASSERT_EQ(result.outcome, InstanceLockOutcome::HeldByOther);
    EXPECT_EQ(result.holder, holder);

    int32_t status;
    EXPECT_EQ(Request(lock, "show", &status), "shown by " + std::to_string(holder) + "\n");
    EXPECT_EQ(status, REPLY_DONE);
    EXPECT_EQ(Request(lock, "add  7 a1-a2\tall", &status), "added 7,a1-a2,all\n");
    EXPECT_EQ(Request(lock, "add bad", &status), "added bad\n");
    EXPECT_EQ(status, REPLY_REFUSED);
    Request(lock, "stop", &status);  // not served by this holder
    EXPECT_EQ(status, REPLY_BAD_REQUEST);

    // Killed without a chance to clean up: its lock file and socket stay behind.
    ASSERT_EQ(::kill(holder, SIGKILL), 0);
    ASSERT_EQ(::waitpid(holder, nullptr, 0), holder);
    struct stat info;
    EXPECT_EQ(::stat(lock.paths.socketPath, &info), 0);
    Request(lock, "show", &status);
    EXPECT_EQ(status, REPLY_NO_INSTANCE);

    result = AcquireInstanceLock(name_, work_, lock);
    ASSERT_EQ(result.outcome, InstanceLockOutcome::Acquired);
    char error[256];
    ASSERT_TRUE(StartInstanceServer(lock, OPS, error, sizeof error)) << error;
    EXPECT_EQ(Request(lock, "status", &status), "status by " + std::to_string(::getpid()) + "\n");
    StopInstanceServer();
    EXPECT_NE(::stat(lock.paths.socketPath, &info), 0);  // removed on a clean stop
    ReleaseInstanceLock(lock);
}

TEST_F(InstanceTest, DirectoriesRunSideBySideAndOneDirectoryOnce) {
    char other[] = "/tmp/quorbit-instance-XXXXXX";
    ASSERT_NE(::mkdtemp(other), nullptr);
    char otherName[INSTANCE_NAME_SIZE];
    FormatInstanceName(InstanceKey(other), otherName, sizeof otherName);
    InstanceLock first, second, again;
    EXPECT_EQ(AcquireInstanceLock(name_, work_, first).outcome, InstanceLockOutcome::Acquired);
    EXPECT_EQ(AcquireInstanceLock(otherName, other, second).outcome, InstanceLockOutcome::Acquired);
    EXPECT_EQ(AcquireInstanceLock(name_, work_, again).outcome, InstanceLockOutcome::HeldByOther);
    // The same instance name for another directory (the key is only 32 bits) is not a conflict.
    EXPECT_STRNE(first.paths.lockPath, second.paths.lockPath);
    ReleaseInstanceLock(second);
    EXPECT_EQ(AcquireInstanceLock(name_, other, second).outcome, InstanceLockOutcome::Acquired);
    ReleaseInstanceLock(first);
    EXPECT_EQ(AcquireInstanceLock(name_, work_, again).outcome, InstanceLockOutcome::Acquired);
    ReleaseInstanceLock(again);
    ReleaseInstanceLock(second);
    ::rmdir(other);
}

TEST_F(InstanceTest, RuntimeFolderMustBePrivateElseTheUsersOwnServes) {
    const std::string folder = std::string(runtime_) + "/quorbit";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    InstanceLock lock;
    char path[PATH_MAX], error[256];
    ASSERT_TRUE(InstanceRuntimeFolder(path, sizeof path, error, sizeof error)) << error;
    EXPECT_EQ(std::string(path), "/tmp/quorbit-" + std::to_string(::geteuid()));
    struct stat info;
    ASSERT_EQ(::stat(path, &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);
    ::chmod(folder.c_str(), 0700);
    ASSERT_EQ(AcquireInstanceLock(name_, work_, lock).outcome, InstanceLockOutcome::Acquired);
    EXPECT_EQ(std::string(lock.paths.lockPath).rfind(folder + "/TRI ", 0), 0u) << lock.paths.lockPath;
    ReleaseInstanceLock(lock);
}

TEST(InstanceRequests, LinesAreDispatchedOrRefused) {
    const struct {
        const char* line;
        int32_t status;
        const char* reply;
    } cases[] = {
        {"show", REPLY_DONE, "shown"},
        {" status ", REPLY_DONE, "status"},
        {"add 1 2", REPLY_DONE, "added 1,2\n"},
        {"add", REPLY_BAD_REQUEST, "add needs at least one unit\n"},
        {"", REPLY_BAD_REQUEST, "empty request\n"},
        {"show now", REPLY_BAD_REQUEST, "show takes no arguments\n"},
        {"stop", REPLY_BAD_REQUEST, "stop is not served here\n"},
        {"SHOW", REPLY_BAD_REQUEST, "unknown request: SHOW\n"},
    };
    for (const auto& c : cases) {
        char reply[128];
        EXPECT_EQ(DispatchInstanceRequest(c.line, OPS, reply, sizeof reply), c.status) << c.line;
        EXPECT_EQ(std::string(reply).rfind(c.reply, 0), 0u) << c.line << ": " << reply;
    }
}

}  // namespace
}  // namespace quorbit
