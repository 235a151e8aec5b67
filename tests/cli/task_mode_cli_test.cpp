// quorbit-cli in task mode, run as a user runs it: on several threads it prints exactly
// what the single search prints, apart from the times, and a signal still halts it at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <spawn.h>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

#include "tests/cli/cli_run.h"

extern char** environ;

namespace {

using quorbit::testing::Catches;
using quorbit::testing::Cli;
using quorbit::testing::CliRun;
using quorbit::testing::Slurp;
using quorbit::testing::Start;
using quorbit::testing::WaitFor;

std::string WithoutTimes(const std::string& text) {
    static const std::regex times("[0-9]+ milliseconds \\([0-9]+ cycles\\)|found in [0-9]+ milliseconds");
    return std::regex_replace(text, times, "T");
}

TEST(TaskModeCli, SearchOnThreadsPrintsWhatTheSingleSearchPrints) {
    // A whole subtree, budgets that end inside it, a unit whose start is an end neighbour.
    // Small enough for the sanitizer builds.
    const char* searches[] = {
        "0 --prefix a1-e6-c5-a4-e3-c2-a3-e2",
        "a1-b3 --max-nodes 400000",
        "b3-c5 --max-nodes=234567",
        "0 --prefix a1-e6-c5-a4-e3-c2-a3-e2-c1-b5-f4-d3-b2-f1-d6-f5-d4-b3-f2-d1 --max-nodes 25",
    };
    for (const char* search : searches) {
        const CliRun single = Cli(std::string("search ") + search);
        ASSERT_EQ(single.status, 0) << search << ": " << single.err;
        for (const char* threads : {"3", search[0] == '0' ? "1" : nullptr}) {
            if (threads == nullptr) continue;
            const CliRun tasks = Cli(std::string("search ") + search + " --threads " + threads);
            EXPECT_EQ(tasks.status, 0) << search << ": " << tasks.err;
            EXPECT_EQ(WithoutTimes(tasks.out), WithoutTimes(single.out)) << search << " --threads " << threads;
            EXPECT_EQ(tasks.err, single.err) << search;
        }
    }
    for (const char* bad : {"0", "257", "two"}) {
        const CliRun run = Cli(std::string("search 0 --threads ") + bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_NE(run.err.find("--threads takes a number of threads from 1 to 256"), std::string::npos) << run.err;
    }
}

TEST(TaskModeCli, ASignalHaltsEveryThreadAtOnce) {
    char outName[] = "/tmp/quorbit-cli-out-XXXXXX";
    char errName[] = "/tmp/quorbit-cli-err-XXXXXX";
    const int outFd = mkstemp(outName), errFd = mkstemp(errName);
    const pid_t pid = Start({"search", "a1-a2", "--threads", "2", "--max-nodes", "3000000000"}, outFd, errFd);
    while (!Catches(pid, SIGINT)) usleep(1000);
    usleep(300000);
    const auto sent = std::chrono::steady_clock::now();
    kill(pid, SIGINT);
    EXPECT_EQ(WaitFor(pid), 128 + SIGINT);
    // Generous for a loaded machine and the sanitizers; a thread that missed the halt runs for hours.
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(10));
    close(outFd);
    close(errFd);
    const std::string out = Slurp(outName), err = Slurp(errName);
    std::remove(outName);
    std::remove(errName);
    EXPECT_NE(out.find("was halted by SIGINT"), std::string::npos) << out;
    EXPECT_NE(out.find("(partial counts)\nDetail of nodes:\n 1 1 1"), std::string::npos) << out;
}

// quorbit-cli run in a scratch directory of its own, on short work: every unit is the subtree
// below its first eight moves.
class TaskModeRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::snprintf(dir_, sizeof dir_, "/tmp/quorbit-tasks-XXXXXX");
        ASSERT_NE(::mkdtemp(dir_), nullptr);
        ASSERT_EQ(::mkdir((Dir() + "/runtime").c_str(), 0700), 0);
    }
    void TearDown() override { std::system(("rm -rf '" + Dir() + "'").c_str()); }

    std::string Dir() const { return dir_; }

    // A directory holding the settings and the queue of units 0 and 3.
    std::string Work(const std::string& name) const {
        const std::string work = Dir() + "/" + name;
        ::mkdir(work.c_str(), 0700);
        std::ofstream(work + "/QUORBIT.INI") << "Priority=10\r\nAutoInstall=1\r\nDisplayFrequency=1000\r\n";
        std::ofstream(work + "/WORKTOUR.INI") << "0\r\n3\r\n";
        return work;
    }

    pid_t Start(const std::string& work, const char* threads, int prefixMoves = 8) {
        std::vector<std::string> all = {QUORBIT_CLI_PATH, "run", "-w", work};
        if (threads != nullptr) all.insert(all.end(), {"--threads", threads});
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + Dir() + "/runtime", "QUORBIT_UNIT_PREFIX_MOVES=" + std::to_string(prefixMoves),
                                        "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, (work + ".out").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_addopen(&files, 2, (work + ".err").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&files);
        return pid;
    }

    // The results as they must agree: without time stamps, times and cycle counts.
    static std::string Results(const std::string& work) {
        std::istringstream in(WithoutTimes(Slurp(work + "/SOLUTION.TXT")));
        std::string kept;
        for (std::string line; std::getline(in, line);)
            if (line.empty() || line[0] != '[') kept += line + "\n";
        return kept + "LOGSOL:" + Slurp(work + "/LOGSOL.TXT") + "QUEUE:" + Slurp(work + "/WORKTOUR.INI");
    }

    char dir_[64];
};

TEST_F(TaskModeRun, KilledAtRandomMomentsItResumesToTheFilesOfAnUninterruptedRun) {
    const std::string single = Work("single");
    ASSERT_EQ(WaitFor(Start(single, nullptr)), 0) << Slurp(single + ".err");
    const std::string expected = Results(single);
    ASSERT_NE(expected.find("Computation of a1-a2 has finished"), std::string::npos) << expected;

    const auto begun = std::chrono::steady_clock::now();
    ASSERT_EQ(WaitFor(Start(Work("timed"), "2")), 0);
    const auto runTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begun);
    std::mt19937 random(::testing::UnitTest::GetInstance()->random_seed());
    // The files must always be right; an attempt counts once a run was killed after tasks
    // were kept and again later (on a loaded machine the work may end before that).
    bool exercised = false;
    for (int attempt = 0; attempt < 5 && !exercised; ++attempt) {
        const std::string tasks = Work("tasks" + std::to_string(attempt));
        int kills = 0, resumedFromTasks = 0, status = -1;
        for (int round = 0; round < 40 && status != 0; ++round) {
            struct stat checkpoint {};
            if (::stat((tasks + "/CHECKPT.DAT").c_str(), &checkpoint) == 0 && checkpoint.st_size > 200) ++resumedFromTasks;
            const pid_t run = Start(tasks, "2");
            // The first kill when a third of the work is done, the others anywhere in the next quarter.
            const long long window = std::max<long long>(runTime.count() / (round == 0 ? 3 : 4), 1);
            std::this_thread::sleep_for(std::chrono::microseconds(round == 0 ? window : random() % window));
            if (::kill(run, SIGKILL) == 0) ++kills;
            status = WaitFor(run);
        }
        if (status != 0) {
            ASSERT_EQ(WaitFor(Start(tasks, "2")), 0) << Slurp(tasks + ".err");
        }
        EXPECT_EQ(Results(tasks), expected);
        EXPECT_NE(::access((tasks + "/CHECKPT.DAT").c_str(), F_OK), 0) << "the checkpoint outlived its unit";
        exercised = kills >= 2 && resumedFromTasks >= 1;
    }
    EXPECT_TRUE(exercised) << "no run was killed after it had kept tasks";
}

// A checkpoint that is not this unit's is never used nor lost: it is set aside with a message.
TEST_F(TaskModeRun, ACheckpointOfAnotherUnitOrDamagedIsSetAsideAndTheUnitComputedAfresh) {
    const std::string single = Work("single");
    ASSERT_EQ(WaitFor(Start(single, nullptr)), 0);
    // A real checkpoint of unit 3, as a run of it alone has it once it has kept a task (on
    // work far longer than the test waits, so that the run is halted long before its end);
    // its first records only, so that it never holds the unit's last mark.
    const std::string other = Work("other");
    std::ofstream(other + "/WORKTOUR.INI") << "3\r\n";
    const pid_t run = Start(other, "2", 5);
    std::string foreign;
    siginfo_t ended{};
    while ((foreign = Slurp(other + "/CHECKPT.DAT")).size() < 400 &&
           ::waitid(P_PID, static_cast<id_t>(run), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(run, SIGKILL);
    WaitFor(run);
    ASSERT_GE(foreign.size(), 400u);
    foreign.resize(400);
    // The single worker computing that unit whole makes its checkpoint useless: it goes.
    const std::string single3 = Work("single3");
    std::ofstream(single3 + "/WORKTOUR.INI") << "3\r\n";
    std::ofstream(single3 + "/CHECKPT.DAT", std::ios::binary) << foreign;
    EXPECT_EQ(WaitFor(Start(single3, nullptr)), 0);
    EXPECT_NE(::access((single3 + "/CHECKPT.DAT").c_str(), F_OK), 0) << "a checkpoint of a unit computed whole stayed";
    struct Case {
        const char* name;
        std::string checkpoint;
        const char* says;
    };
    const Case cases[] = {
        {"another unit", foreign, "it belongs to unit a1-b3"},
        {"damaged", foreign.substr(0, 200) + std::string(40, 'x') + foreign.substr(240) + foreign, "a record in it is damaged"},
        {"not a checkpoint", "Solution 1: a1-e6\r\n", "it does not begin with a checkpoint header"},
    };
    for (const Case& c : cases) {
        const std::string work = Work(c.name);
        std::ofstream(work + "/CHECKPT.DAT", std::ios::binary) << c.checkpoint;
        EXPECT_EQ(WaitFor(Start(work, "2")), 0) << c.name;
        const std::string out = Slurp(work + ".out");
        EXPECT_NE(out.find(std::string("The checkpoint CHECKPT.DAT is not used for a1-a2: ") + c.says), std::string::npos)
            << c.name << ": " << out;
        std::smatch aside;
        ASSERT_TRUE(std::regex_search(out, aside, std::regex("kept as (CHECKPT-[0-9]+\\.BAD)"))) << out;
        EXPECT_EQ(Slurp(work + "/" + aside[1].str()), c.checkpoint) << c.name;
        EXPECT_EQ(Results(work), Results(single)) << c.name;
    }
}

}  // namespace
