// One instance per directory: the lock, the runtime folder and the requests. Two real
// processes of quorbit-cli meet over the lock and the socket in tests/cli/run_command_test.cpp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <limits.h>
#include <sys/stat.h>
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

    char runtime_[64];
    char work_[64];
    char name_[INSTANCE_NAME_SIZE];
};

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
