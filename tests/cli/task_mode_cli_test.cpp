// quorbit-cli in task mode, run as a user runs it: on several threads it prints exactly
// what the single search prints, apart from the times, and a signal still halts it at once.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <thread>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "tests/cli/cli_run.h"

namespace {

using namespace quorbit::testing;

std::string WithoutTimes(const std::string& text) {
    static const std::regex times("[0-9]+ milliseconds \\([0-9]+ cycles\\)|found in [0-9]+ milliseconds");
    return std::regex_replace(text, times, "T");
}

// The search's task mode prints what the single search prints, for a whole subtree and for a
// budget that ends inside a unit whose start is an end neighbour.
TEST(TaskModeCli, SearchOnThreadsPrintsWhatTheSingleSearchPrints) {
    for (const std::string search : {"search 0 --prefix a1-e6-c5-a4-e3-c2-a3-e2", "search b3-c5 --max-nodes=234567"}) {
        const CliRun single = Cli(search), tasks = Cli(search + " --threads 3");
        ASSERT_EQ(single.status, 0) << search << ": " << single.err;
        EXPECT_EQ(tasks.status, 0) << search << ": " << tasks.err;
        EXPECT_EQ(WithoutTimes(tasks.out), WithoutTimes(single.out)) << search;
        EXPECT_EQ(tasks.err, single.err) << search;
    }
}

const char* const APPENDED = "Text appended between runs";  // as a merge or an edit would append

// A results file's or log's lines without stamps, times, text appended between runs and the
// note a resumed run makes when it loads a log of over 1024 lines.
std::vector<std::string> AgreedLines(const std::string& path) {
    std::vector<std::string> lines;
    for (const std::string& line : Lines(WithoutTimes(Slurp(path))))
        if (!line.empty() && line[0] != '[' && line.rfind(APPENDED, 0) != 0 && line.rfind("More than 1024 lines in ", 0) != 0)
            lines.push_back(line);
    return lines;
}

// quorbit-cli run in a scratch directory of its own, on short work: every unit is the subtree
// below its first eight moves.
class TaskModeRun : public ScratchDirTest {
protected:
    // A directory holding the settings and the queue of units 0 and 3.
    std::string Work(const std::string& name) const {
        const std::string work = Dir() + "/" + name;
        MakeFolder(work);
        WriteFile(work + "/QUORBIT.INI", "Priority=10\r\nAutoInstall=1\r\nDisplayFrequency=1000\r\n");
        WriteFile(work + "/WORKTOUR.INI", "0\r\n3\r\n");
        return work;
    }

    struct Launch {
        const char* program = QUORBIT_CLI_PATH;
        int prefixMoves = 8;
        std::vector<std::string> environment;  // more variables
        long fileSizeLimit = 0;                  // > 0: ulimit -f in bytes (POSIX only)
    };

    // `run -w WORK [--threads N]`; its output goes to WORK.out and WORK.err.
    Process Start(const std::string& work, const char* threads) { return Start(work, threads, Launch()); }
    Process Start(const std::string& work, const char* threads, const Launch& launch) {
        ProcessSpec spec{{launch.program, "run", "-w", work}, launch.environment, "", work + ".out", work + ".err",
                         launch.fileSizeLimit};
        if (threads != nullptr) spec.argv.insert(spec.argv.end(), {"--threads", threads});
        spec.environment.insert(spec.environment.end(), {"XDG_RUNTIME_DIR=" + Dir(),
                                                         "QUORBIT_UNIT_PREFIX_MOVES=" + std::to_string(launch.prefixMoves)});
        return StartProcess(spec);
    }
    int Run(const std::string& work, const char* threads) { return Run(work, threads, Launch()); }
    int Run(const std::string& work, const char* threads, const Launch& launch) {
        Process run = Start(work, threads, launch);
        return WaitForExit(run);
    }

    // The results, log and queue as they must agree.
    static std::vector<std::string> Results(const std::string& work) {
        std::vector<std::string> all = AgreedLines(work + "/SOLUTION.TXT"), log = AgreedLines(work + "/LOGSOL.TXT");
        all.insert(all.end(), log.begin(), log.end());
        all.push_back("QUEUE:" + Slurp(work + "/WORKTOUR.INI"));
        return all;
    }
};

// A checkpoint that is not this unit's is never used nor lost: it is set aside with a message.
TEST_F(TaskModeRun, ACheckpointOfAnotherUnitOrDamagedIsSetAsideAndTheUnitComputedAfresh) {
    const std::string single = Work("single");
    ASSERT_EQ(Run(single, nullptr), 0);
    // The first records of a real checkpoint of unit 3, from a run killed long before its end.
    const std::string other = Work("other");
    WriteFile(other + "/WORKTOUR.INI", "3\r\n");
    Launch five;
    five.prefixMoves = 5;
    Process run = Start(other, "2", five);
    std::string foreign;
    while ((foreign = Slurp(other + "/CHECKPT.DAT")).size() < 400 && !HasEnded(run))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    KillProcess(run);
    WaitForExit(run);
    ASSERT_GE(foreign.size(), 400u);
    foreign.resize(400);
    // The single worker computing that unit whole makes its checkpoint useless: it goes.
    const std::string single3 = Work("single3");
    WriteFile(single3 + "/WORKTOUR.INI", "3\r\n");
    WriteFile(single3 + "/CHECKPT.DAT", foreign);
    EXPECT_EQ(Run(single3, nullptr), 0);
    EXPECT_FALSE(PathExists(single3 + "/CHECKPT.DAT")) << "a checkpoint of a unit computed whole stayed";
    struct Case {
        const char* name;
        std::string checkpoint;  // "": a link to /dev/zero, a device no read would ever end (POSIX)
        const char* says;
    };
    const Case cases[] = {
        {"another unit", foreign, "it belongs to unit a1-b3"},
        {"damaged", foreign.substr(0, 200) + std::string(40, 'x') + foreign.substr(240) + foreign, "a record in it is damaged"},
        {"not a checkpoint", "Solution 1: a1-e6\r\n", "it does not begin with a checkpoint header"},
#ifndef _WIN32
        {"device", "", "it is not a regular file"},
#endif
    };
    for (const Case& c : cases) {
        const std::string work = Work(c.name);
        if (c.checkpoint.empty()) {
#ifndef _WIN32
            ASSERT_EQ(::symlink("/dev/zero", (work + "/CHECKPT.DAT").c_str()), 0);
#endif
        } else {
            WriteFile(work + "/CHECKPT.DAT", c.checkpoint);
        }
        EXPECT_EQ(Run(work, "2"), 0) << c.name;
        const std::string out = Slurp(work + ".out");
        EXPECT_NE(out.find(std::string("The checkpoint CHECKPT.DAT is not used for a1-a2: ") + c.says), std::string::npos)
            << c.name << ": " << out;
        std::smatch aside;
        if (!c.checkpoint.empty()) {
            ASSERT_TRUE(std::regex_search(out, aside, std::regex("kept as (CHECKPT-[0-9]+\\.BAD)"))) << out;
            EXPECT_EQ(Slurp(work + "/" + aside[1].str()), c.checkpoint) << c.name;
        }
        EXPECT_EQ(Results(work), Results(single)) << c.name;
    }
}

// Tours through kills, halts and write failures, on the search that admits every line sum:
// units a1-a2 and a1-b3 below their first 20 moves hold over a thousand tours.
constexpr int TOUR_PREFIX_MOVES = 20;
struct Tally {
    int kills = 0;
    long lost = 0;
    long repeated = 0;
};

// Counts the lines missing from `got` and those it holds more often than `expected`.
void CountDifferences(const std::vector<std::string>& expected, const std::vector<std::string>& got, Tally& tally) {
    std::map<std::string, long> count;
    for (const std::string& line : expected) ++count[line];
    for (const std::string& line : got) --count[line];
    int said = 0;
    for (const auto& [line, left] : count) {
        if (left != 0 && ++said <= 3) ADD_FAILURE() << (left > 0 ? "lost " : "repeated ") << (left > 0 ? left : -left) << " times: " << line;
        (left > 0 ? tally.lost : tally.repeated) += left > 0 ? left : -left;
    }
}

class TaskModeTours : public TaskModeRun {
protected:
    Launch Tours(std::vector<std::string> environment = {}) const {
        Launch launch;
        launch.program = QUORBIT_ALL_TOURS_CLI_PATH;
        launch.prefixMoves = TOUR_PREFIX_MOVES;
        launch.environment = std::move(environment);
        return launch;
    }

    // The files of an uninterrupted single worker's run of the queue.
    void Expect() {
        const std::string single = Work("single");
        ASSERT_EQ(Run(single, nullptr, Tours()), 0) << Slurp(single + ".err");
        expectedResults_ = AgreedLines(single + "/SOLUTION.TXT");
        expectedLog_ = AgreedLines(single + "/LOGSOL.TXT");
        ASSERT_GT(expectedLog_.size(), 1000u);
    }

    // Adds the differences of the work's files from the uninterrupted run's to the tally.
    void CountDifferencesIn(const std::string& work, Tally& tally) {
        CountDifferences(expectedResults_, AgreedLines(work + "/SOLUTION.TXT"), tally);
        CountDifferences(expectedLog_, AgreedLines(work + "/LOGSOL.TXT"), tally);
    }

    // Runs the queue on two threads, each run stopped at random (after a checkpoint record,
    // after a result line, a kill or a halt at any time), text appended between some runs,
    // until a run ends by itself; the tally gets the kills and the differences.
    void KillAndResume(const std::string& name, std::mt19937& random, Tally& tally) {
        const std::string work = Work(name);
        int status = -1;
        for (int round = 0; round < 300 && status != 0; ++round) {
            if (round > 0 && random() % 2 == 0) AppendFile(work + "/SOLUTION.TXT", APPENDED + std::string("\r\n"));
            const int how = static_cast<int>(random() % 4);
            if (how < 2) {
                const std::string at = std::to_string(1 + random() % (how == 0 ? 800 : 400));
                status = Run(work, "2", Tours({how == 0 ? "QUORBIT_TEST_KILL_AT_RECORD=" + at : "QUORBIT_TEST_KILL_AT_LINE=" + at}));
            } else {
                Process run = Start(work, "2", Tours());
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 150000));
                how == 2 ? KillProcess(run) : HaltProcess(run);
                status = WaitForExit(run);
            }
            if (status != 0) ++tally.kills;
            history_ += std::to_string(how) + (status == 0 ? "." : ",");
            ASSERT_TRUE(status == 0 || status == KilledStatus() || HaltedStatus(status))
                << status << Slurp(work + ".err");
        }
        ASSERT_EQ(status, 0);
        SCOPED_TRACE("stops (0 record, 1 line, 2 kill, 3 halt): " + history_);
        history_.clear();
        const std::vector<std::string> results = AgreedLines(work + "/SOLUTION.TXT"), log = AgreedLines(work + "/LOGSOL.TXT");
        CountDifferences(expectedResults_, results, tally);
        CountDifferences(expectedLog_, log, tally);
        EXPECT_TRUE(results == expectedResults_) << name << ": the results differ from an uninterrupted run's (in order)";
        EXPECT_TRUE(log == expectedLog_) << name << ": the log differs from an uninterrupted run's (in order)";
        EXPECT_EQ(Slurp(work + "/WORKTOUR.INI"), "");
        EXPECT_FALSE(PathExists(work + "/CHECKPT.DAT")) << "the checkpoint outlived its unit";
    }

    std::vector<std::string> expectedResults_;
    std::vector<std::string> expectedLog_;
    std::string history_;
};

// QUORBIT_KILL_CAMPAIGN=N asks for N kills (tools/kill-campaign); CTest makes a few.
TEST_F(TaskModeTours, KilledOrHaltedAnywhereItResumesToEveryTourOnce) {
    Expect();
    const char* wanted = std::getenv("QUORBIT_KILL_CAMPAIGN");
    const int kills = wanted != nullptr && std::atoi(wanted) > 0 ? std::atoi(wanted) : 8;
    std::mt19937 random(::testing::UnitTest::GetInstance()->random_seed());
    Tally tally;
    for (int sequence = 0; tally.kills < kills && !HasFatalFailure(); ++sequence)
        KillAndResume("tours" + std::to_string(sequence), random, tally);
    std::printf("kills %d, lost %ld, repeated %ld (seed %d)\n", tally.kills, tally.lost, tally.repeated,
                ::testing::UnitTest::GetInstance()->random_seed());
    EXPECT_EQ(tally.lost, 0);
    EXPECT_EQ(tally.repeated, 0);
}

// Right after each announcing mark, and in the middle of the lines it announced, with text
// appended before the resume: the resumed run writes what was missing and nothing twice.
TEST_F(TaskModeTours, AResumeWritesWhatTheLastMarkAnnouncedOnceWhateverWasAppended) {
    Expect();
    const std::string work = Work("marked");
    int status = -1;
    // Kill points chosen so that every run dies inside unit a1-a2's tours or its summary; a
    // run killed right after its first line, which completes what the run before left half
    // written, so that the text appended stands between the lines of one mark; and a resumed
    // run halted before it hands on what the earlier runs reported.
    const char* stops[] = {"QUORBIT_TEST_KILL_AT_RECORD=40",   "QUORBIT_TEST_KILL_AT_LINE=1",
                           "QUORBIT_TEST_KILL_AT_LINE=150",    "QUORBIT_TEST_KILL_AT_LINE=1",
                           "QUORBIT_TEST_KILL_AT_RECORD=500",  "QUORBIT_TEST_KILL_AT_LINE=1",
                           "QUORBIT_TEST_HALT_BEFORE_SEARCH=1", "QUORBIT_TEST_KILL_AT_LINE=600",
                           "QUORBIT_TEST_KILL_AT_LINE=1",      nullptr};
    // Every stop in turn, then a run to the end. A halted run ends with 0 too, and a kill
    // point that the earlier runs left no room for lets its run finish the queue.
    for (const char* const* stop = stops;; ++stop) {
        status = Run(work, "2", Tours(*stop != nullptr ? std::vector<std::string>{*stop} : std::vector<std::string>{}));
        AppendFile(work + "/SOLUTION.TXT", APPENDED + std::string("\r\n"));
        const bool queueDone = Slurp(work + "/WORKTOUR.INI").empty();
        if (*stop == nullptr || queueDone) break;
        if (std::strstr(*stop, "KILL") != nullptr) {
            ASSERT_EQ(status, KilledStatus()) << *stop;
        }
    }
    EXPECT_EQ(status, 0);
    Tally tally;
    CountDifferencesIn(work, tally);
}

// A checkpoint that cannot be written ends the unit at once, saying which file and why: the
// unit stays queued, its checkpoint stays, and the next run completes the same files.
TEST_F(TaskModeTours, ACheckpointThatCannotBeWrittenHaltsTheUnitAndSaysWhy) {
    Expect();
    enum Made { FOLDER, DANGLING_LINK, FILE_SIZE_LIMIT };
    const struct Case {
        const char* name;
        Made made;
        const char* says;
    } cases[] = {
        {"folder", FOLDER, "Cannot write CHECKPT.DAT: Is a directory"},
#ifndef _WIN32
        {"dangling link", DANGLING_LINK, "Cannot write CHECKPT.DAT: No such file or directory"},
        {"file size limit", FILE_SIZE_LIMIT, "Cannot write CHECKPT.DAT: File too large"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string work = Work(c.name);
        const std::string checkpoint = work + "/CHECKPT.DAT";
        Launch launch = Tours();
        if (c.made == FOLDER) {
            ASSERT_TRUE(MakeFolder(checkpoint));
        } else if (c.made == DANGLING_LINK) {
#ifndef _WIN32
            ASSERT_EQ(::symlink((Dir() + "/no-such-folder/CHECKPT.DAT").c_str(), checkpoint.c_str()), 0);
#endif
        } else {
            launch.fileSizeLimit = 100000;  // reached by the checkpoint first, inside a1-a2
        }
        const int status = Run(work, "2", launch);
        EXPECT_NE(status, 0);
        const std::string said = Slurp(work + ".out") + Slurp(work + ".err");
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(Slurp(work + "/WORKTOUR.INI"), "0\r\n3\r\n") << "the unit left the queue";
        EXPECT_TRUE(PathExists(checkpoint)) << "the checkpoint was removed";
        if (c.made != FILE_SIZE_LIMIT) {
            // Nothing of the unit was written without a checkpoint to keep it.
            EXPECT_EQ(AgreedLines(work + "/SOLUTION.TXT"), std::vector<std::string>{});
            RemovePath(checkpoint);
        }
        ASSERT_EQ(Run(work, "2", Tours()), 0) << Slurp(work + ".err");
        Tally tally;
        CountDifferencesIn(work, tally);
    }
}

}  // namespace
