// Running the built programs as a user runs them, from the tests.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quorbit::testing {

struct CliRun {
    int status;  // exit status, or 1000 + signal when killed
    std::string out;
    std::string err;
};

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of a text, without their CR LF or LF ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Runs quorbit-cli through the shell; redirect may send its standard output elsewhere, and
// environment ("NAME=VALUE ") sets variables for it.
inline CliRun Cli(const std::string& arguments, const std::string& redirect = "", const std::string& environment = "") {
    char dir[] = "/tmp/quorbit-cli-test-XXXXXX";
    EXPECT_NE(mkdtemp(dir), nullptr);
    const std::string out = std::string(dir) + "/out", err = std::string(dir) + "/err";
    const std::string command = environment + std::string(QUORBIT_CLI_PATH) + " " + arguments + " " +
                                (redirect.empty() ? ">" + out : redirect) + " 2>" + err;
    const int raw = std::system(command.c_str());
    CliRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
    std::system(("rm -rf " + std::string(dir)).c_str());
    return run;
}

// Starts argv[0] with standard output and error written to the files out and err (any file
// the system opens: "/proc/self/fd/N" is the test's descriptor N). An empty environment
// passes on the test's own; fileSizeLimit > 0 sets ulimit -f in bytes, with SIGXFSZ ignored
// so that writes past it fail with EFBIG.
inline pid_t Spawn(std::vector<std::string> argv, const std::string& out, const std::string& err,
                   std::vector<std::string> environment = {}, long fileSizeLimit = 0) {
    std::vector<char*> args, envp;
    for (std::string& a : argv) args.push_back(a.data());
    for (std::string& e : environment) envp.push_back(e.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (outFd < 0 || errFd < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0) ::_exit(126);
        if (fileSizeLimit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);  // kept through exec
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execve(args[0], args.data(), environment.empty() ? environ : envp.data());
        ::_exit(127);
    }
    EXPECT_GT(pid, 0);
    return pid;
}

inline int WaitFor(pid_t pid) {
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
}

// True once the process has ended (it is left to WaitFor to collect).
inline bool Ended(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// True once the process catches the signal (its handler is installed).
inline bool Catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1u;
    }
    return false;
}

// The processor time the process has used, in clock ticks.
inline long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text, skip;
    std::getline(stat, text);
    std::istringstream fields(text.substr(std::min(text.size(), text.rfind(')') + 2)));  // from field 3 on
    long utime = 0, stime = 0;
    for (int field = 3; field < 14; ++field) fields >> skip;
    fields >> utime >> stime;
    return utime + stime;
}

// Waits until the process catches the signal and has computed for two clock ticks since
// (or has ended).
inline void AwaitComputing(pid_t pid, int signal) {
    while (!Catches(pid, signal) && !Ended(pid)) usleep(1000);
    for (const long from = CpuTicks(pid); CpuTicks(pid) < from + 2 && !Ended(pid);) usleep(1000);
}

// A scratch folder of the test's own, removed with everything in it.
class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A memory file system where there is one: the runs sync often.
        std::snprintf(dir_, sizeof dir_, "%s/quorbit-cli-XXXXXX", ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        ASSERT_NE(::mkdtemp(dir_), nullptr);
    }
    void TearDown() override { std::system(("rm -rf '" + Dir() + "'").c_str()); }
    std::string Dir() const { return dir_; }
    char dir_[64];
};

}  // namespace quorbit::testing
