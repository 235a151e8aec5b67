// quorbit-cli run and the queue commands, run as a user runs them: real processes, real
// signals, in a temporary working directory and runtime folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Spill(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

struct Finished {
    int status;  // exit status, or 1000 + signal when killed
    std::string out, err;
};

class RunCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::snprintf(dir_, sizeof dir_, "/tmp/quorbit-run-XXXXXX");
        ASSERT_NE(::mkdtemp(dir_), nullptr);
        runtime_ = std::string(dir_) + "/runtime";
        ASSERT_EQ(::mkdir(runtime_.c_str(), 0700), 0);
        work_ = std::string(dir_) + "/work";
        ASSERT_EQ(::mkdir(work_.c_str(), 0700), 0);
        // Full speed, a progress line every second, and the first run done already.
        Spill(work_ + "/QUORBIT.INI", "Priority=10\r\nDisplayFrequency=1\r\nAutoInstall=1\r\n");
    }
    void TearDown() override { std::system(("rm -rf '" + std::string(dir_) + "'").c_str()); }

    // Starts quorbit-cli with the arguments and "-w WORK" (unless they name a directory
    // themselves); each unit stops after `limit` nodes.
    pid_t Start(const std::vector<std::string>& arguments, unsigned long long limit = 500000, int slot = 0) {
        std::vector<std::string> all = {QUORBIT_CLI_PATH};
        all.insert(all.end(), arguments.begin(), arguments.end());
        if (std::find(arguments.begin(), arguments.end(), "-w") == arguments.end()) {
            all.push_back("-w");
            all.push_back(work_);
        }
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + runtime_, "QUORBIT_UNIT_NODE_LIMIT=" + std::to_string(limit),
                                        "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, Out(slot).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&files, 2, Err(slot).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&files);
        return pid;
    }
    Finished Wait(pid_t pid, int slot = 0) {
        int raw = 0;
        EXPECT_EQ(::waitpid(pid, &raw, 0), pid);
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw), Slurp(Out(slot)), Slurp(Err(slot))};
    }
    Finished Cli(const std::vector<std::string>& arguments, int slot = 1) { return Wait(Start(arguments, 500000, slot), slot); }

    std::string Out(int slot) const { return std::string(dir_) + "/out" + std::to_string(slot); }
    std::string Err(int slot) const { return std::string(dir_) + "/err" + std::to_string(slot); }
    std::string File(const char* name) const { return Slurp(work_ + "/" + name); }

    // Waits until the run listens on its socket, or has ended already.
    void AwaitInstance(pid_t run) {
        for (int i = 0; i < 1000; ++i) {
            siginfo_t info{};
            if (::waitid(P_PID, static_cast<id_t>(run), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == run)
                return;
            if (DIR* folder = ::opendir((runtime_ + "/quorbit").c_str())) {
                bool listening = false;
                while (const dirent* entry = ::readdir(folder))
                    listening = listening || std::string(entry->d_name).find(".sock") != std::string::npos;
                ::closedir(folder);
                if (listening) return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        FAIL() << "the run never listened";
    }

    // The files after an interruption: whole lines only; the queue is what is left of
    // `queued` in order; every unit that left it has its summary and node detail written.
    void ExpectConsistent(const std::vector<std::string>& queued, const std::string& log) {
        for (const char* name : {"WORKTOUR.INI", "SOLUTION.TXT", "LOGSOL.TXT"}) {
            const std::string text = File(name);
            EXPECT_TRUE(text.empty() || (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0))
                << name << " ends in a partial line";
        }
        const std::vector<std::string> left = Lines(File("WORKTOUR.INI"));
        ASSERT_LE(left.size(), queued.size());
        const size_t done = queued.size() - left.size();
        EXPECT_TRUE(std::equal(left.begin(), left.end(), queued.begin() + static_cast<long>(done)))
            << File("WORKTOUR.INI");
        const std::string results = File("SOLUTION.TXT");
        const char* names[] = {"a1-a2", "a1-a4", "a1-a6", "a1-b3"};
        for (size_t i = 0; i < done; ++i) {
            const std::string summary = std::string("Computation of ") + names[std::stoi(queued[i])] + " has finished";
            const size_t at = results.find(summary);
            ASSERT_NE(at, std::string::npos) << "unit " << queued[i] << " left the queue without its results";
            const std::vector<std::string> after = Lines(results.substr(at));
            ASSERT_GE(after.size(), 6u);
            EXPECT_EQ(after[1], "Detail of nodes:");
        }
        EXPECT_EQ(File("LOGSOL.TXT").rfind(log, 0), 0u) << "the solution log lost lines";
    }

    char dir_[64];
    std::string runtime_, work_;
};

const char* const LOG =
    "Solution 1: a1-e6-c5-a4-e3-c2-b6-f1-e5-c4-a5-e4-c3-a2-e1-c6-b2-f3-e1-c2-a3-e2-c1-a6-e5-c4-a3-e6-c5-a4-e3-c2-a1-e6-"
    "c5-a2 found in 5 milliseconds (77 nodes)\r\n";

TEST_F(RunCommandTest, EmptyQueueSaysHowToAddWork) {
    const Finished run = Cli({"run"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("quorbit-cli add UNIT"), std::string::npos) << run.out;
}

TEST_F(RunCommandTest, QueueAddedOfflineRunsOut) {
    Finished add = Cli({"add", "a1-a4", "0", "A1-A2"});
    EXPECT_EQ(add.status, 0) << add.err;
    EXPECT_EQ(add.out, "Queued a1-a4, a1-a2.\n");
    EXPECT_EQ(File("WORKTOUR.INI"), "1\r\n0\r\n");
    add = Cli({"add", "0", "99"});  // one bad word: nothing queued
    EXPECT_EQ(add.status, 2);
    EXPECT_EQ(add.err, "quorbit-cli add: '99': Please enter a tour number between 0 and 44 or its name (ex: a1-a2)\n");
    EXPECT_EQ(Cli({"status"}).out, "You have 2 queued works :\n\na1-a4, a1-a2\n");

    const Finished run = Cli({"run"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Computation of a1-a4 has started\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Computation of a1-a2 has finished in "), std::string::npos) << run.out;
    EXPECT_EQ(File("WORKTOUR.INI"), "");
    EXPECT_NE(File("SOLUTION.TXT").find("500000 total nodes\r\nDetail of nodes:\r\n"), std::string::npos);
    EXPECT_EQ(Cli({"status"}).out, "You have no work queued up.\n");
}

TEST_F(RunCommandTest, SignalsHaltAtAnyMomentAndLoseNothing) {
    const std::vector<std::string> queued = {"0", "1", "2", "3"};
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    std::mt19937 random(20261206);
    int halted = 0;
    for (int round = 0; round < 6; ++round) {
        Spill(work_ + "/WORKTOUR.INI", "0\r\n1\r\n2\r\n3\r\n");
        Spill(work_ + "/LOGSOL.TXT", LOG);
        ::unlink((work_ + "/SOLUTION.TXT").c_str());
        const pid_t run = Start({"run"}, 5000000);
        AwaitInstance(run);
        const int delay = static_cast<int>(random() % 400);
        const int signal = signals[random() % 3];
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        ::kill(run, signal);
        if (round % 2 == 1) ::kill(run, signal);  // a second signal during the halt is harmless
        const Finished finished = Wait(run);
        SCOPED_TRACE("round " + std::to_string(round) + ", signal " + std::to_string(signal) + " after " +
                     std::to_string(delay) + " ms");
        if (finished.status == 0) {
            EXPECT_EQ(File("WORKTOUR.INI"), "");  // the queue ran out first
        } else {
            EXPECT_EQ(finished.status, 128 + signal) << finished.err;
            ++halted;
            if (File("WORKTOUR.INI") != "") {
                EXPECT_NE(finished.out.find("Execution halted.\nChoose Test/Continue to restart.\n"), std::string::npos)
                    << finished.out;
            }
        }
        ExpectConsistent(queued, LOG);
    }
    EXPECT_GT(halted, 0) << "no signal came before the queue ran out";
}

TEST_F(RunCommandTest, KilledRunsLeaveFilesTheNextRunFinishes) {
    const std::vector<std::string> queued = {"0", "1", "2", "3"};
    Spill(work_ + "/WORKTOUR.INI", "0\r\n1\r\n2\r\n3\r\n");
    Spill(work_ + "/LOGSOL.TXT", LOG);
    std::mt19937 random(612);
    for (int round = 0; round < 4; ++round) {
        const pid_t run = Start({"run"}, 3000000);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 300));
        ::kill(run, SIGKILL);
        Wait(run);
        ExpectConsistent(queued, LOG);
    }
    const Finished last = Cli({"run"});
    // The killed holders' lock and socket neither block it nor keep other commands from reaching it.
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_EQ(last.err.find("cannot reach this run"), std::string::npos) << last.err;
    EXPECT_EQ(File("WORKTOUR.INI"), "");
    ExpectConsistent(queued, LOG);
}

TEST_F(RunCommandTest, RunningInstanceTakesRequestsAndRefusesASecondRun) {
    Spill(work_ + "/WORKTOUR.INI", "0\r\n");
    const pid_t run = Start({"run"}, 4000000000ull);  // long enough to talk to it
    AwaitInstance(run);

    const Finished second = Cli({"run"});
    EXPECT_EQ(second.status, 3);
    EXPECT_NE(second.err.find("process " + std::to_string(run) + " already computes"), std::string::npos) << second.err;

    Finished reply = Cli({"add", "a1-a6", "0"});
    EXPECT_EQ(reply.status, 0) << reply.err;
    EXPECT_EQ(reply.out, "Queued a1-a6.\n");
    EXPECT_EQ(Cli({"add", "a1-a2 "}).status, 2);
    EXPECT_EQ(Cli({"status"}).out, "You have 2 queued works :\n\na1-a2, a1-a6\n");
    reply = Cli({"show"});
    EXPECT_EQ(reply.status, 1);
    EXPECT_NE(reply.err.find("no window"), std::string::npos);

    reply = Cli({"stop"});
    EXPECT_EQ(reply.status, 0) << reply.err;
    const Finished finished = Wait(run);
    EXPECT_EQ(finished.status, 0) << finished.err;
    EXPECT_NE(finished.out.find("Execution halted.\n"), std::string::npos);
    EXPECT_EQ(File("WORKTOUR.INI"), "0\r\n2\r\n");  // the halted unit stays, the added one behind it
    reply = Cli({"stop"});  // no instance: refused as show is
    EXPECT_EQ(reply.status, 1);
    EXPECT_EQ(reply.err, "quorbit-cli stop: nothing is computing in " + work_ + "\n");
}

TEST_F(RunCommandTest, BadArgumentsAndFilesAreRefusedPlainly) {
    const struct {
        std::vector<std::string> arguments;
        int status;
        const char* says;
    } cases[] = {
        {{"run", "extra"}, 2, "takes no arguments, not 'extra'"},
        {{"run", "--bogus"}, 2, "unknown option '--bogus'"},
        {{"add"}, 2, "which units?"},
        {{"add", "45"}, 2, "'45': Please enter"},
        {{"status", "now"}, 2, "takes no arguments, not 'now'"},
        {{"stop", "--directory="}, 2, "given twice"},  // and -w WORK once more
        {{"status", "-w", ""}, 1, "cannot enter the directory '': the name is empty"},
        {{"status", "-w", "/nonexistent/q"}, 1, "cannot enter the directory '/nonexistent/q'"},
    };
    for (const auto& c : cases) {
        const Finished run = Cli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments[0] << ": " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
    EXPECT_EQ(Cli({"run", "--help"}).status, 0);

    // A queue whose head names no unit stops the run and says which entry.
    Spill(work_ + "/WORKTOUR.INI", "99\r\n0\r\n");
    Spill(work_ + "/QUORBIT.INI", std::string("\x7f" "ELF\0\x01\x02garbage\r\nPriority=10\r\n", 22));
    const Finished run = Cli({"run"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Unimplemented\n"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("'99' names no unit"), std::string::npos) << run.err;
    EXPECT_EQ(File("WORKTOUR.INI"), "99\r\n0\r\n");

    // A queue cut short in its last line, bare LFs included, still runs out.
    Spill(work_ + "/WORKTOUR.INI", "2\n\n1");
    const Finished cut = Cli({"run"});
    EXPECT_EQ(cut.status, 0) << cut.err;
    EXPECT_NE(cut.out.find("Computation of a1-a4 has finished"), std::string::npos) << cut.out;
    EXPECT_EQ(File("WORKTOUR.INI"), "");
}

}  // namespace
