// What the tests ask of the operating system, behind one header: scratch folders, whole
// files, the environment, and programs started with their arguments, environment and
// working folder, their output collected. test_platform_posix.cpp implements it (and
// test_platform_windows.cpp for Windows), with what is the same on both in
// test_platform.cpp; the tests that need more of POSIX (links, ulimit, devices, signals) are
// in files of their own.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quorbit::testing {

// Files and folders; '/' separates names. A write that fails fails the test too.
FILE* OpenFile(const std::string& path, const char* mode);  // std::fopen's, the name in the system's terms
std::string ReadFile(const std::string& path, const std::string& ifMissing = "<missing>");  // whole
bool WriteFile(const std::string& path, const std::string& bytes);  // made or replaced
bool AppendFile(const std::string& path, const std::string& bytes);
uint64_t FileIdentity(const std::string& path);  // which file the name stands for; 0: none
bool MakeFolder(const std::string& path);
bool PathExists(const std::string& path);  // anything there, a dangling link too
bool IsFolder(const std::string& path);
bool RemovePath(const std::string& path);  // a file, a link or an empty folder
void RemoveTree(const std::string& path);  // with everything in it, read-only parts too
std::vector<std::string> FolderEntries(const std::string& path);  // names, without . and ..
std::string CurrentFolder();
// The path with the system's own separators, as the system gives paths back ('\\' on Windows).
std::string NativePath(const std::string& path);
bool EnterFolder(const std::string& path);

// A new empty folder, removed with everything in it when this ends; on a memory file
// system where there is one (the programs sync often).
class ScratchFolder {
public:
    explicit ScratchFolder(const char* stem = "quorbit-test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The environment of the test itself; a null value removes the variable.
void SetEnvironment(const char* name, const char* value);
std::string Environment(const char* name);  // "" when unset
bool RunningAsAdministrator();              // root, whom permissions do not stop
long ThisProcessId();

// A program started by the test.
struct ProcessSpec {
    std::vector<std::string> argv = {};         // argv[0] is the program's path
    std::vector<std::string> environment = {};  // "NAME=VALUE", over the test's own environment
    std::string folder = {};                    // its working folder; "": the test's
    std::string out = {}, err = {};             // files for its standard output and error; "": discarded
    long fileSizeLimit = 0;  // > 0: POSIX's ulimit -f in bytes, with SIGXFSZ ignored (POSIX only)
};
struct Process {
    long id = 0;  // the system's process number
    // What waiting on it needs, where that is not the number; 0 once WaitForExit has
    // collected it (then it has ended, and halting or killing it does nothing).
    std::intptr_t handle = 0;
};
Process StartProcess(const ProcessSpec& spec);
int WaitForExit(Process& process);     // its exit status, or 1000 + the signal that ended it
bool HasEnded(const Process& process);  // ended (and not yet collected, or collected)
void HaltProcess(const Process& process);  // a user's halt: the program ends its work cleanly
void KillProcess(const Process& process);  // ended at once, nothing cleaned up
int KilledStatus();                        // WaitForExit's status for a process KillProcess ended
// Whether WaitForExit's status is one a halted program ends with: the program's own after a
// halt, or the system's when the halt came before the program took halts over.
bool HaltedStatus(int status);

// A program run to its end, its output collected.
struct Finished {
    int status = -1;  // as WaitForExit gives it
    std::string out, err;
};
// out and err, when empty, are collected in memory, as ConsoleText gives them.
Finished RunProcess(ProcessSpec spec);
// A console program's output with LF line ends: on Windows its standard streams write each
// LF as CR LF (a CR LF the program wrote itself comes back as CR CR LF, and stays a fault).
std::string ConsoleText(const std::string& text);

}  // namespace quorbit::testing
