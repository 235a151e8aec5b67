#include "tests/test_support/test_platform.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace quorbit::testing {

FILE* OpenFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

uint64_t FileIdentity(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_ino) : 0;
}

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0700) == 0; }

bool PathExists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool RemovePath(const std::string& path) { return ::unlink(path.c_str()) == 0 || ::rmdir(path.c_str()) == 0; }

std::vector<std::string> FolderEntries(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
        ::closedir(dir);
    }
    return names;
}

void RemoveTree(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return;
    if (S_ISDIR(info.st_mode)) {
        ::chmod(path.c_str(), 0700);  // a folder a test made read-only
        for (const std::string& name : FolderEntries(path)) RemoveTree(path + "/" + name);
    }
    RemovePath(path);
}

std::string CurrentFolder() {
    char path[PATH_MAX];
    return ::getcwd(path, sizeof path) != nullptr ? path : "";
}

std::string NativePath(const std::string& path) { return path; }

bool EnterFolder(const std::string& path) { return ::chdir(path.c_str()) == 0; }

ScratchFolder::ScratchFolder(const char* stem) {
    path_ = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/") + stem + "-XXXXXX";
    if (::mkdtemp(path_.data()) == nullptr) {
        std::fprintf(stderr, "cannot make a scratch folder %s: %s\n", path_.c_str(), std::strerror(errno));
        std::abort();
    }
}

void SetEnvironment(const char* name, const char* value) {
    if (value != nullptr) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool RunningAsAdministrator() { return ::geteuid() == 0; }
long ThisProcessId() { return static_cast<long>(::getpid()); }

Process StartProcess(const ProcessSpec& spec) {
    // Everything the child needs is made before the fork: it only opens, sets and execs.
    std::vector<std::string> argv = spec.argv, environment;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string name = std::string(*e).substr(0, std::strcspn(*e, "=") + 1);
        bool replaced = false;
        for (const std::string& given : spec.environment) replaced = replaced || given.rfind(name, 0) == 0;
        if (!replaced) environment.push_back(*e);
    }
    environment.insert(environment.end(), spec.environment.begin(), spec.environment.end());
    std::vector<char*> args, envp;
    for (std::string& a : argv) args.push_back(a.data());
    for (std::string& e : environment) envp.push_back(e.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);
    const std::string out = spec.out.empty() ? "/dev/null" : spec.out, err = spec.err.empty() ? "/dev/null" : spec.err;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (outFd < 0 || errFd < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0) ::_exit(126);
        if (!spec.folder.empty() && ::chdir(spec.folder.c_str()) != 0) ::_exit(126);
        if (spec.fileSizeLimit > 0) {
            ::signal(SIGXFSZ, SIG_IGN);  // kept through exec: writes past the limit fail with EFBIG
            const rlimit limit{static_cast<rlim_t>(spec.fileSizeLimit), static_cast<rlim_t>(spec.fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    return Process{static_cast<long>(pid), pid > 0 ? 1 : 0};
}

int WaitForExit(Process& process) {
    int raw = 0;
    if (process.handle == 0) return -1;
    while (::waitpid(static_cast<pid_t>(process.id), &raw, 0) < 0 && errno == EINTR) {
    }
    process.handle = 0;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
}

bool HasEnded(const Process& process) {
    siginfo_t info{};
    return process.handle == 0 ||
           (::waitid(P_PID, static_cast<id_t>(process.id), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == static_cast<pid_t>(process.id));
}

// Never a signal to a collected process: its number may be another's by now.
void HaltProcess(const Process& process) {
    if (process.handle != 0) ::kill(static_cast<pid_t>(process.id), SIGTERM);
}
void KillProcess(const Process& process) {
    if (process.handle != 0) ::kill(static_cast<pid_t>(process.id), SIGKILL);
}
int KilledStatus() { return 1000 + SIGKILL; }
bool HaltedStatus(int status) { return status == 128 + SIGTERM || status == 1000 + SIGTERM; }

std::string ConsoleText(const std::string& text) { return text; }

}  // namespace quorbit::testing
