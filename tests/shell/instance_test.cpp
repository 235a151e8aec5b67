// One instance per directory: the lock, the runtime folder and the requests. Two real
// processes of quorbit-cli meet over the lock and the socket in tests/cli/run_command_test.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include "instance/instance_key.h"
#include "instance/instance_channel.h"
#include "instance/instance_lock.h"
#include "tests/test_support/test_platform.h"

namespace quorbit {
namespace {

using namespace testing;

// Each operation answers with its own name and the serving process's id.
int32_t Answer(const char* what, char* reply, size_t size) {
    std::snprintf(reply, size, "%s by %ld\n", what, ThisProcessId());
    return REPLY_DONE;
}
int32_t Show(char* reply, size_t size, void*) { return Answer("shown", reply, size); }
int32_t Add(const char* const* units, int32_t count, char* reply, size_t size, void*) {
    std::string all;
    for (int32_t i = 0; i < count; ++i) all += std::string(i ? "," : "") + units[i];
    std::snprintf(reply, size, "added %s\n", all.c_str());
    return std::strcmp(units[0], "bad") == 0 ? REPLY_REFUSED : REPLY_DONE;
}

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironment("XDG_RUNTIME_DIR", runtime_.Path().c_str());
        FormatInstanceName(InstanceKey(work_), name_, sizeof name_);
    }
    void TearDown() override { StopInstanceServer(); }

    const ScratchFolder runtime_{"quorbit-runtime"}, workFolder_{"quorbit-instance"};
    const char* work_ = workFolder_.Path().c_str();
    char name_[INSTANCE_NAME_SIZE];
};

TEST_F(InstanceTest, DirectoriesRunSideBySideAndOneDirectoryOnce) {
    const ScratchFolder otherFolder("quorbit-instance");
    const char* other = otherFolder.Path().c_str();
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
}

#ifndef _WIN32
// The first folder that is the user's own and closed to others serves; a name someone else
// took first in the shared temporary folder is passed over for one in the user's home.
TEST_F(InstanceTest, RuntimeFolderIsThisUsersPrivateOne) {
    const std::string base = runtime_.Path(), xdg = base + "/xdg", tmp = base + "/tmp", home = base + "/home";
    const std::string mine = tmp + "/quorbit-" + std::to_string(::geteuid());
    const std::string fallback = home + "/.cache/quorbit-runtime";
    for (const std::string& d : {xdg, tmp, home}) ASSERT_EQ(::mkdir(d.c_str(), 0755), 0);
    struct Case {
        const char* what;
        const char* runtimeDir;
        std::function<void(const std::string& mine)> arrange;
        const std::string& expected;
    };
    const std::string xdgFolder = xdg + "/quorbit";
    const uid_t ours = static_cast<uid_t>(-1), nobody = 65534;  // -1: the owner as made
    const auto owned = [](const std::string& m, mode_t mode, uid_t owner) {
        ASSERT_EQ(::mkdir(m.c_str(), mode), 0);
        ASSERT_EQ(::chmod(m.c_str(), mode), 0);
        ASSERT_EQ(::chown(m.c_str(), owner, owner), 0);
    };
    const Case cases[] = {
        {"XDG_RUNTIME_DIR", xdg.c_str(), [](const std::string&) {}, xdgFolder},
        {"no XDG_RUNTIME_DIR: the temporary folder", nullptr, [](const std::string&) {}, mine},
        {"another user's, open to all", nullptr, [&](const std::string& m) { owned(m, 0777, nobody); }, fallback},
        {"another user's, closed", nullptr, [&](const std::string& m) { owned(m, 0700, nobody); }, fallback},
        {"ours but open to others", nullptr, [&](const std::string& m) { owned(m, 0777, ours); }, fallback},
        {"a link", nullptr, [](const std::string& m) { ASSERT_EQ(::symlink("/", m.c_str()), 0); }, fallback},
    };
    for (const Case& c : cases) {
        for (const std::string& made : {xdgFolder, mine, home + "/.cache"}) RemoveTree(made);
        c.arrange(mine);
        char path[PATH_MAX], error[400];
        ASSERT_TRUE(ChooseRuntimeFolder(c.runtimeDir, tmp.c_str(), home.c_str(), path, sizeof path, error, sizeof error))
            << c.what << ": " << error;
        EXPECT_EQ(std::string(path), c.expected) << c.what;
        struct stat info;
        ASSERT_EQ(::lstat(path, &info), 0) << c.what;
        EXPECT_TRUE(S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0) << c.what;
    }
    // Nowhere private at all: refused, naming why.
    ASSERT_EQ(::chown(fallback.c_str(), 65534, 65534), 0);
    char path[PATH_MAX], error[400];
    EXPECT_FALSE(ChooseRuntimeFolder(nullptr, tmp.c_str(), home.c_str(), path, sizeof path, error, sizeof error));
    EXPECT_NE(std::string(error).find("not private to this user"), std::string::npos) << error;
}
#endif

// An instance that serves no stop (the desktop's) says so.
TEST(InstanceRequests, AStopIsRefusedWhereNoneIsServed) {
    const InstanceRequestOps ops = {&Show, &Add, nullptr, nullptr, nullptr};
    char reply[64];
    EXPECT_EQ(DispatchInstanceRequest("stop", ops, reply, sizeof reply), REPLY_BAD_REQUEST);
    EXPECT_STREQ(reply, "stop is not served here\n");
}

#ifndef _WIN32
// A running server met by real clients over raw sockets. Its operations count the stops and
// can hold a status request until the test lets it go (so the server's loop is busy).
struct Served {
    std::atomic<int> stops{0};
    std::mutex lock;
    std::condition_variable changed;
    bool holdStatus = false;
    bool statusHeld = false;
};
Served served;

int32_t ServedStatus(char* reply, size_t size, void*) {
    std::unique_lock<std::mutex> hold(served.lock);
    served.statusHeld = true;
    served.changed.notify_all();
    served.changed.wait(hold, [] { return !served.holdStatus; });
    served.statusHeld = false;
    return Answer("status", reply, size);
}
int32_t ServedStop(char* reply, size_t size, void*) {
    served.stops.fetch_add(1);
    return Answer("stopped", reply, size);
}

class InstanceServerTest : public InstanceTest {
protected:
    void SetUp() override {
        InstanceTest::SetUp();
        served.stops.store(0);
        ASSERT_EQ(AcquireInstanceLock(name_, work_, lock_).outcome, InstanceLockOutcome::Acquired);
        const InstanceRequestOps ops = {&Show, &Add, &ServedStatus, &ServedStop, nullptr};
        char error[256];
        ASSERT_TRUE(StartInstanceServer(lock_, ops, error, sizeof error)) << error;
    }
    void TearDown() override {
        StopInstanceServer();
        ReleaseInstanceLock(lock_);
        InstanceTest::TearDown();
    }
    int Connect() {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", lock_.paths.socketPath);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
        return fd;
    }
    // Sends the bytes on a connection of its own and reads the answer to its end; a reset
    // shows as "reset".
    std::string Exchange(const std::string& bytes) {
        const int fd = Connect();
        EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
        std::string answer;
        char chunk[4096];
        ssize_t got;
        while ((got = ::recv(fd, chunk, sizeof chunk, 0)) > 0) answer.append(chunk, static_cast<size_t>(got));
        if (got < 0) answer = std::string("reset: ") + std::strerror(errno);
        ::close(fd);
        return answer;
    }
    std::string Status(int timeoutMs = 10000) {
        char reply[INSTANCE_REPLY_MAX];
        const int32_t status = SendInstanceRequest(lock_.paths.socketPath, "status", reply, sizeof reply, 0, timeoutMs);
        return std::to_string(status) + " " + reply;
    }

    InstanceLock lock_{};
};

// Each request line is carried out or refused with its reason; only whole lines are served.
TEST_F(InstanceServerTest, RequestsAreReadWholeOrRefusedWithoutBeingCarriedOut) {
    const std::string pad(1100, ' ');
    const struct {
        std::string bytes;
        const char* answer;  // the beginning of the whole answer
    } cases[] = {
        {"stop\n", "0\nstopped by"},
        {"stop\r\n", "0\nstopped by"},
        {"add 3" + std::string(1023 - 5, ' ') + "\n", "0\nadded 3\n"},  // the longest line served
        {"stop" + std::string(1024 - 4, ' ') + "\n", "2\nthe request is too long\n"},
        {"stop" + pad + "\n", "2\nthe request is too long\n"},
        {"stop" + pad + pad + pad + pad + "x\n", "2\nthe request is too long\n"},
        {"add 3" + pad, "2\nthe request is too long\n"},
        {std::string("stop\0 now\n", 10), "2\nthe request holds a NUL byte\n"},
        {"stop now\n", "2\nstop takes no arguments\n"},
        {" status \n", "0\nstatus by"},
        {"show\n", "0\nshown by"},
        {"add 1 2\n", "0\nadded 1,2\n"},
        {"add bad\n", "1\nadded bad\n"},
        {"add\n", "2\nadd needs at least one unit\n"},
        {"\n", "2\nempty request\n"},
        {"STOP\n", "2\nunknown request: STOP\n"},
    };
    int expectedStops = 0;
    for (const auto& c : cases) {
        const std::string answer = Exchange(c.bytes);
        EXPECT_EQ(answer.rfind(c.answer, 0), 0u) << c.bytes.substr(0, 12) << "...: " << answer;
        if (std::string(c.answer).rfind("0\nstopped", 0) == 0) ++expectedStops;
        EXPECT_EQ(served.stops.load(), expectedStops) << c.bytes.substr(0, 12);
    }
}

TEST_F(InstanceServerTest, SlowAndIdleClientsHoldUpNoOne) {
    // Far more idle connections than the server serves at once, and a client that sends one
    // byte and then nothing: a status is answered long before their deadlines.
    std::vector<int> idle;
    for (int i = 0; i < 200; ++i) idle.push_back(Connect());
    const int slow = Connect();
    ASSERT_EQ(::send(slow, "s", 1, MSG_NOSIGNAL), 1);
    EXPECT_EQ(Status(INSTANCE_SERVER_DEADLINE_MS / 2), "0 status by " + std::to_string(ThisProcessId()) + "\n");
    char reply[64];
    EXPECT_EQ(SendInstanceRequest(lock_.paths.socketPath, "stop", reply, sizeof reply, 0, INSTANCE_SERVER_DEADLINE_MS / 2),
              REPLY_DONE);
    EXPECT_EQ(served.stops.load(), 1);
    for (const int fd : idle) ::close(fd);
    ::close(slow);
}

TEST_F(InstanceServerTest, ARequestWhoseClientHungUpIsNotCarriedOut) {
    {
        std::lock_guard<std::mutex> hold(served.lock);
        served.holdStatus = true;
    }
    // One status occupies the server until it is let go; meanwhile a client sends a stop
    // and gives up waiting, as `quorbit-cli stop` does when no answer comes in time.
    std::thread busy([&] { Status(); });
    {
        std::unique_lock<std::mutex> hold(served.lock);
        served.changed.wait(hold, [] { return served.statusHeld; });
    }
    const int gaveUp = Connect();
    ASSERT_EQ(::send(gaveUp, "stop\n", 5, MSG_NOSIGNAL), 5);
    ::close(gaveUp);
    {
        std::lock_guard<std::mutex> hold(served.lock);
        served.holdStatus = false;
    }
    served.changed.notify_all();
    busy.join();
    // Two exchanges later the server has read the stop's connection, whatever its order.
    Status();
    Status();
    EXPECT_EQ(served.stops.load(), 0);
    // A client that only ended its sending (as `socat` does) still waits: it is served.
    const int halfClosed = Connect();
    ASSERT_EQ(::send(halfClosed, "stop\n", 5, MSG_NOSIGNAL), 5);
    ::shutdown(halfClosed, SHUT_WR);
    char answer[64] = {};
    EXPECT_GT(::recv(halfClosed, answer, sizeof answer - 1, MSG_WAITALL), 0);
    ::close(halfClosed);
    EXPECT_EQ(served.stops.load(), 1);
}
#endif

}  // namespace
}  // namespace quorbit
