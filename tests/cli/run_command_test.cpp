// quorbit-cli run and the queue commands, run as a user runs them: real processes, real
// halts, in a scratch working directory and runtime folder.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <sys/types.h>
#endif

#include <algorithm>
#include <chrono>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "instance/instance_channel.h"
#include "instance/instance_key.h"
#include "instance/instance_lock.h"
#include "platform/folders.h"
#include "tests/cli/cli_run.h"

namespace {

using namespace quorbit::testing;

const char* const NAMES[] = {"a1-a2", "a1-a4", "a1-a6", "a1-b3", "a1-b5", "a1-c4", "a1-c6", "a1-d5"};

class RunCommandTest : public ScratchDirTest {
protected:
    void SetUp() override {
        runtime_ = Dir() + "/runtime";
        work_ = Dir() + "/work";
        ASSERT_TRUE(MakeFolder(runtime_) && MakeFolder(work_));
        SetEnvironment("XDG_RUNTIME_DIR", runtime_.c_str());  // where the runs' channels are found
        // Full speed, a progress line every second, and the first run done already.
        WriteFile(work_ + "/QUORBIT.INI", "Priority=10\r\nDisplayFrequency=1\r\nAutoInstall=1\r\n");
    }

    // Starts quorbit-cli with the arguments and "-w WORK" (unless they name a directory
    // themselves); each unit stops after `limit` nodes. Its output goes to slot `slot`.
    Process Start(std::vector<std::string> arguments, unsigned long long limit = 500000, int slot = 0) {
        if (std::find(arguments.begin(), arguments.end(), "-w") == arguments.end()) arguments.insert(arguments.end(), {"-w", work_});
        arguments.insert(arguments.begin(), QUORBIT_CLI_PATH);
        return StartProcess({arguments, {"XDG_RUNTIME_DIR=" + runtime_, "QUORBIT_UNIT_NODE_LIMIT=" + std::to_string(limit)},
                             "", Out(slot), Err(slot)});
    }
    CliRun Wait(Process run, int slot = 0) {
        const int status = WaitForExit(run);
        return {status, ConsoleText(Slurp(Out(slot))), ConsoleText(Slurp(Err(slot)))};
    }
    CliRun Cli(const std::vector<std::string>& arguments, int slot = 1) { return Wait(Start(arguments, 500000, slot), slot); }

    std::string Out(int slot) const { return Dir() + "/out" + std::to_string(slot); }
    std::string Err(int slot) const { return Dir() + "/err" + std::to_string(slot); }
    std::string File(const char* name) const { return Slurp(work_ + "/" + name); }
    void Put(const char* name, const std::string& bytes) const { WriteFile(work_ + "/" + name, bytes); }

    // The work folder as the program names it once it is there (on Windows its own spelling,
    // with backslashes).
    std::string WorkAsEntered() const {
        const std::string here = CurrentFolder();
        char entered[4096] = {};
        EXPECT_TRUE(EnterFolder(work_) && quorbit::CurrentDirectory(entered, sizeof entered) && EnterFolder(here));
        return entered;
    }

    // Waits until the run answers on its local channel as its directory's instance, or has
    // ended.
    void AwaitInstance(const Process& run) {
        char name[quorbit::INSTANCE_NAME_SIZE], error[320], reply[quorbit::INSTANCE_REPLY_MAX];
        const std::string work = WorkAsEntered();
        quorbit::FormatInstanceName(quorbit::InstanceKey(work.c_str()), name, sizeof name);
        quorbit::InstancePaths paths;
        while (!HasEnded(run) && !(quorbit::FindInstancePaths(name, work.c_str(), paths, error, sizeof error) &&
                                   quorbit::SendInstanceRequest(paths.socketPath, "status", reply, sizeof reply, 100,
                                                                2000) == quorbit::REPLY_DONE))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
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
        EXPECT_TRUE(std::equal(left.begin(), left.end(), queued.begin() + static_cast<long>(done))) << File("WORKTOUR.INI");
        ExpectResultsOf(File("SOLUTION.TXT"), done);
        EXPECT_EQ(File("LOGSOL.TXT").rfind(log, 0), 0u) << "the solution log lost lines";
    }

    // The results hold the summary and whole node detail of each of the first `units` units.
    static void ExpectResultsOf(const std::string& results, size_t units) {
        for (size_t unit = 0; unit < units; ++unit) {
            const std::vector<std::string> after =
                Lines(results.substr(std::min(results.size(), results.find(std::string("Computation of ") + NAMES[unit]))));
            ASSERT_GE(after.size(), 6u) << NAMES[unit] << " left the queue without its results";
            EXPECT_EQ(after[1], "Detail of nodes:");
            EXPECT_TRUE(std::regex_match(after[5], std::regex("( [0-9]+){4}"))) << after[5];
        }
    }

    std::string runtime_, work_;
};

const char* const LOG =
    "Solution 1: a1-e6-c5-a4-e3-c2-b6-f1-e5-c4-a5-e4-c3-a2-e1-c6-b2-f3-e1-c2-a3-e2-c1-a6-e5-c4-a3-e6-c5-a4-e3-c2-a1-e6-"
    "c5-a2 found in 5 milliseconds (77 nodes)\r\n";

TEST_F(RunCommandTest, QueueAddedOfflineRunsOut) {
    const CliRun empty = Cli({"run"});
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_NE(empty.out.find("quorbit-cli add UNIT"), std::string::npos) << empty.out;
    CliRun add = Cli({"add", "a1-a4", "0", "A1-A2"});
    EXPECT_EQ(add.status, 0) << add.err;
    EXPECT_EQ(add.out, "Queued a1-a4, a1-a2.\n");
    EXPECT_EQ(File("WORKTOUR.INI"), "1\r\n0\r\n");
    add = Cli({"add", "0", "99"});  // one bad word: nothing queued
    EXPECT_EQ(add.status, 2);
    EXPECT_EQ(add.err, "quorbit-cli add: '99': Please enter a tour number between 0 and 44 or its name (ex: a1-a2)\n");
    add = Cli({"add", "a1-a2", "a1-a6"});
    EXPECT_EQ(add.status, 0) << add.err;
    EXPECT_EQ(add.out, "Queued a1-a6.\na1-a2 is already queued.\n");
    EXPECT_EQ(Cli({"add", "1", "0"}).out, "a1-a4, a1-a2 are already queued.\n");
    EXPECT_EQ(File("WORKTOUR.INI"), "1\r\n0\r\n2\r\n");
    EXPECT_EQ(Cli({"status"}).out, "You have 3 queued works :\n\na1-a4, a1-a2, a1-a6\n");

    const CliRun run = Cli({"run"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Computation of a1-a4 has started\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Computation of a1-a6 has finished in "), std::string::npos) << run.out;
    EXPECT_EQ(File("WORKTOUR.INI"), "");
    EXPECT_NE(File("SOLUTION.TXT").find("500000 total nodes\r\nDetail of nodes:\r\n"), std::string::npos);
    EXPECT_EQ(Cli({"status"}).out, "You have no work queued up.\n");
}

TEST_F(RunCommandTest, KilledRunsLeaveFilesTheNextRunFinishes) {
    const std::vector<std::string> queued = {"0", "1", "2", "3"};
    Put("WORKTOUR.INI", "0\r\n1\r\n2\r\n3\r\n");
    Put("LOGSOL.TXT", LOG);
    std::mt19937 random(612);
    for (int round = 0; round < 4; ++round) {
        const Process run = Start({"run"}, 3000000);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 300));
        KillProcess(run);
        Wait(run);
        ExpectConsistent(queued, LOG);
    }
    const CliRun last = Cli({"run"});
    // The killed holders' lock and socket neither block it nor keep other commands from reaching it.
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_EQ(last.err.find("cannot reach this run"), std::string::npos) << last.err;
    EXPECT_EQ(File("WORKTOUR.INI"), "");
    ExpectConsistent(queued, LOG);
}

TEST_F(RunCommandTest, RunningInstanceTakesRequestsAndRefusesASecondRun) {
    Put("WORKTOUR.INI", "0\r\n");
    const Process run = Start({"run"}, 4000000000ull);  // long enough to talk to it
    AwaitInstance(run);

    const CliRun second = Cli({"run"});
    EXPECT_EQ(second.status, 3);
    EXPECT_NE(second.err.find("process " + std::to_string(run.id) + " already computes"), std::string::npos) << second.err;

    CliRun reply = Cli({"add", "a1-a6", "0"});
    EXPECT_EQ(reply.status, 0) << reply.err;
    EXPECT_EQ(reply.out, "Queued a1-a6.\na1-a2 is already queued.\n");
    EXPECT_EQ(Cli({"add", "a1-a2 "}).status, 2);
    // How far the unit has come, once estimated: of at most the 4e9 nodes it stops after.
    const std::regex estimated("You have 2 queued works :\n\na1-a2, a1-a6\n\na1-a2: [0-9]+ nodes of about 4e\\+09, "
                               "~[0-9.]+ % done, about [0-9a-z ]+ left\n");
    std::string status;
    while (!std::regex_match(status = Cli({"status"}).out, estimated) && !HasEnded(run))
        ASSERT_TRUE(std::regex_match(status, std::regex("You have 2 queued works :\n\na1-a2, a1-a6\n(\na1-a2: [0-9]+ "
                                                         "nodes(, its end not estimated yet| of about .*)\n)?"))) << status;
    // The progress lines (the journal's, under systemd) carry it too.
    // (Read from the file as written: a Windows program ends its lines with CR LF.)
    const std::regex progress(" ms \\([0-9]+ nodes\\), ~[0-9.]+ % done, about [0-9a-z ]+ left\r?\n");
    while (!std::regex_search(Slurp(Out(0)), progress) && !HasEnded(run))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    reply = Cli({"show"});
    EXPECT_EQ(reply.status, 1);
    EXPECT_NE(reply.err.find("no window"), std::string::npos);

    reply = Cli({"stop"});
    EXPECT_EQ(reply.status, 0) << reply.err;
    const CliRun finished = Wait(run);
    EXPECT_EQ(finished.status, 0) << finished.err;
    EXPECT_NE(finished.out.find("Execution halted.\n"), std::string::npos);
    EXPECT_TRUE(std::regex_search(finished.out, progress)) << finished.out;
    EXPECT_EQ(File("WORKTOUR.INI"), "0\r\n2\r\n");  // the halted unit stays, the added one behind it
    reply = Cli({"stop"});  // no instance: refused as show is
    EXPECT_EQ(reply.status, 1);
    EXPECT_EQ(reply.err, "quorbit-cli stop: nothing is computing in " + WorkAsEntered() + "\n");
}

// A queue run cannot use (its head names no unit; a file it could not rewrite, which would
// keep finished units queued), or an add to a full queue, is refused in one line that says
// why; nothing is computed and the file stays as it is, whatever the settings file holds.
TEST_F(RunCommandTest, AQueueThatCannotBeUsedIsRefusedAndLeftAsItIs) {
    std::string full;
    for (int i = 0; i < 1024; ++i) full += "99\r\n";
    const struct {
        std::string queue;
        std::vector<std::string> command;
        const char* says;
    } cases[] = {
        {"99\r\n0\r\n", {"run"}, "'99' names no unit"},
        {std::string("3\0005\r\n4\r\n", 8), {"run"},
         "\nquorbit-cli run: WORKTOUR.INI cannot be rewritten: it holds NUL bytes, so finished units would stay "
         "queued. Correct the file (one unit number per line) while the program is not running.\n"},
        {"3\r\n" + std::string(10 << 20, 'x') + "\r\n4\r\n", {"run"},
         "WORKTOUR.INI cannot be rewritten: it holds more than 8 MB after its 1024 lines"},
        {full, {"add", "a1-a2"}, "quorbit-cli add: The work queue is full: a1-a2 was not queued.\n"},
    };
    Put("QUORBIT.INI", std::string("\x7f" "ELF\0\x01\x02garbage\r\nPriority=10\r\n", 22));
    for (const auto& c : cases) {
        Put("WORKTOUR.INI", c.queue);
        const CliRun refused = Cli(c.command);
        EXPECT_EQ(refused.status, 1);
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
        EXPECT_EQ(refused.out.find("has started"), std::string::npos) << refused.out;
        EXPECT_TRUE(File("WORKTOUR.INI") == c.queue);
        EXPECT_EQ(File("SOLUTION.TXT").find("Computation of"), std::string::npos);
    }
    // status only reads, whatever the queue holds: every file as it was, none rewritten (a
    // rewrite makes a new file) and none made.
    Put("QUORBIT.INI", "Priority=10\r\nDisplayFrequency=1\r\nAutoInstall=1\r\n");
    Put("WORKTOUR.INI", full + "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
    const auto files = [this] {
        std::string all;
        for (const std::string& name : FolderEntries(work_))
            all += name + " " + std::to_string(FileIdentity(work_ + "/" + name)) + " " + Slurp(work_ + "/" + name);
        return all;
    };
    const std::string before = files();
    const CliRun status = Cli({"status"});
    EXPECT_EQ(status.status, 0);
    EXPECT_EQ(status.out.rfind("You have 1024 queued works :\n\n?, ?, ", 0), 0u) << status.out;
    EXPECT_EQ(status.err, "quorbit-cli status: More than 1024 lines in WORKTOUR.INI file\n");
    EXPECT_EQ(files(), before);
}

#ifndef _WIN32
// The system's own ways to stop a program or fail its writes: POSIX signals, /dev/full, a
// full tmpfs, ulimit -f.
class RunCommandPosixTest : public RunCommandTest {
protected:
    // Runs a shell script in the test's folder as a user types it, $Q standing for
    // quorbit-cli; standard output and error go to slot 2.
    CliRun Script(const std::string& script) {
        const std::string command = "cd '" + Dir() + "' && Q='" QUORBIT_CLI_PATH "' && " + script;
        return Wait(StartProcess({{"/bin/sh", "-c", command}, {"XDG_RUNTIME_DIR=" + runtime_, "PATH=/usr/sbin:/usr/bin:/sbin:/bin"}, "", Out(2),
                                  Err(2)}),
                    2);
    }
    std::string At(const std::string& name) const { return Slurp(Dir() + "/" + name); }
};

TEST_F(RunCommandPosixTest, SignalsHaltAtAnyMomentAndLoseNothing) {
    const std::vector<std::string> queued = {"0", "1", "2", "3"};
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    std::mt19937 random(20261206);
    int halted = 0;
    for (int round = 0; round < 6; ++round) {
        Put("WORKTOUR.INI", "0\r\n1\r\n2\r\n3\r\n");
        Put("LOGSOL.TXT", LOG);
        RemovePath(work_ + "/SOLUTION.TXT");
        const Process run = Start({"run"}, 5000000);
        AwaitInstance(run);
        const int delay = static_cast<int>(random() % 400);
        const int signal = signals[random() % 3];
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        ::kill(static_cast<pid_t>(run.id), signal);
        if (round % 2 == 1) ::kill(static_cast<pid_t>(run.id), signal);  // a second signal during the halt is harmless
        const CliRun finished = Wait(run);
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
        // A halted unit writes no summary: each unit that left the queue has one, of all its nodes.
        const size_t done = queued.size() - Lines(File("WORKTOUR.INI")).size();
        EXPECT_EQ(Count(File("SOLUTION.TXT"), "Computation of "), done);
        EXPECT_EQ(Count(File("SOLUTION.TXT"), " 5000000 total nodes\r\n"), done);
    }
    EXPECT_GT(halted, 0) << "no signal came before the queue ran out";
}

// A file that cannot be written ends the run with exit 1 and one line naming it and why; the
// unit stays queued, every unit that left has its results whole, no line is partial.
TEST_F(RunCommandPosixTest, AFileThatCannotBeWrittenEndsTheRunWithItsCauseAndKeepsTheUnitQueued) {
    // The repros as written, but at full speed: Priority 1 could starve beside other tests.
    const std::string fast = "printf 'Priority=10\\r\\n' >s/QUORBIT.INI; ";
    // Mounts a tmpfs of 1 MB on s (exit 77 where the machine does not allow it) and fills it
    // up to `free` bytes; the files are copied out to k before it goes.
    const auto onTmpfs = [&](const std::string& setUp, const std::string& free, const std::string& run) {
        return "mkdir s k && { mount -t tmpfs -o size=1m tmpfs s 2>/dev/null || exit 77; } && " + fast + setUp +
               "$Q add 0 1 -w s && "
               "{ dd if=/dev/zero of=s/filler bs=4096 2>/dev/null; truncate -s -" + free + " s/filler; } && " + run +
               "; status=$?; cp s/*.* k/ 2>/dev/null; umount s; exit $status";
    };
    const struct {
        const char* what;
        std::string script;
        const char* cause;
        const char* stays;  // the unit left at the head; nullptr: the one the queue holds first, "": none
    } cases[] = {
        {"a folder for SOLUTION.TXT",
         "mkdir s s/SOLUTION.TXT; " + fast + "$Q add 0 1 -w s; QUORBIT_UNIT_PREFIX_MOVES=7 $Q run -w s; status=$?; "
         "rmdir s/SOLUTION.TXT; mkdir k; cp s/*.* k/; exit $status",
         "Cannot write SOLUTION.TXT: Is a directory", "a1-a2"},
        {"SOLUTION.TXT on /dev/full",
         "mkdir s; " + fast + "ln -s /dev/full s/SOLUTION.TXT; $Q add 0 1 -w s; QUORBIT_UNIT_PREFIX_MOVES=7 $Q run -w s; status=$?; "
         "rm s/SOLUTION.TXT; mkdir k; cp s/*.* k/; exit $status",
         "Cannot write SOLUTION.TXT: No space left on device", "a1-a2"},
        // Two units' results fit below the limit, the third's do not. (Standard output goes
        // through a pipe, which the limit does not concern.)
        {"a file size limit",
         "mkdir s k; " + fast + "$Q add 0 1 2 3 4 5 6 7 -w s; { trap '' XFSZ; ulimit -f 1; QUORBIT_UNIT_PREFIX_MOVES=7 $Q run -w s; "
         "echo $? >k/status; } | cat; cp s/*.* k/; exit $(cat k/status)",
         "Cannot write SOLUTION.TXT: File too large", nullptr},
        // The first run's settings cannot be saved: nothing is computed.
        {"a full tmpfs at the first run", onTmpfs("", "0", "QUORBIT_UNIT_PREFIX_MOVES=7 $Q run -w s"),
         "Cannot write QUORBIT.INI: No space left on device", ""},
        // One page left: the results of a1-a2 take it, and the queue cannot be rewritten.
        {"a tmpfs that fills up", onTmpfs("$Q run -w s >/dev/null && ", "4096", "QUORBIT_UNIT_PREFIX_MOVES=7 $Q run -w s"),
         "Cannot write WORKTOUR.INI: No space left on device", "a1-a2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveTree(Dir() + "/s");
        RemoveTree(Dir() + "/k");
        const CliRun run = Script(c.script);
        if (run.status == 77) {
            std::printf("skipped %s: mounting a tmpfs is not allowed here\n", c.what);
            continue;
        }
        EXPECT_EQ(run.status, 1) << run.err;
        const std::string queue = At("k/WORKTOUR.INI");
        const std::vector<std::string> left = Lines(queue);
        ASSERT_FALSE(left.empty());
        const int head = std::stoi(left[0]);
        const std::string stays = c.stays == nullptr ? "; " + std::string(NAMES[head]) + " stays queued"
                                  : c.stays[0] != '\0'  ? "; " + std::string(c.stays) + " stays queued"
                                                         : "";
        EXPECT_NE(run.err.find("quorbit-cli run: " + std::string(c.cause) + stays + "\n"), std::string::npos) << run.err;
        EXPECT_EQ(Count(run.err, "Cannot write"), 1u) << run.err;
        EXPECT_EQ(Count(run.out, c.cause), 1u) << run.out;
        if (!stays.empty()) {
            EXPECT_NE(run.out.find("Execution halted.\n"), std::string::npos) << run.out;
        }
        // The queue is what was queued, from the unit that failed on.
        for (size_t i = 0; i < left.size(); ++i) EXPECT_EQ(left[i], std::to_string(head + static_cast<int>(i))) << queue;
        const std::string results = At("k/SOLUTION.TXT");
        EXPECT_TRUE(results.empty() || results.compare(results.size() - 2, 2, "\r\n") == 0) << "a partial line";
        ExpectResultsOf(results, static_cast<size_t>(head));
    }
}

#endif

}  // namespace
