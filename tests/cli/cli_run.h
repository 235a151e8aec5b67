// Running the built quorbit-cli as a user runs it, from the tests.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quorbit::testing {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
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
    std::remove(out.c_str());
    std::remove(err.c_str());
    rmdir(dir);
    return run;
}

// Starts quorbit-cli with its standard output on outFd and standard error on errFd.
inline pid_t Start(std::vector<std::string> arguments, int outFd, int errFd) {
    arguments.insert(arguments.begin(), QUORBIT_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, QUORBIT_CLI_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

inline int WaitFor(pid_t pid) {
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
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

}  // namespace quorbit::testing
