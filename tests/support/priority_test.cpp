// The processors the program counts, binds its threads to and the priority it gives them.
#include <gtest/gtest.h>

#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <string>
#include <thread>

#include "support/console.h"
#include "support/cpu_identity.h"
#include "support/priority.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

// A thread that publishes its id and waits until released: a computation thread's stand-in.
struct ParkedThread {
    std::atomic<ThreadId> id{0};
    std::atomic<bool> release{false};
    std::thread thread{[this] {
        id.store(CurrentThreadId());
        id.notify_all();
        release.wait(false);
    }};
    ParkedThread() { id.wait(0); }
    ~ParkedThread() {
        release.store(true);
        release.notify_all();
        thread.join();
    }
    ThreadId Id() const { return id.load(); }
};

struct Schedule {
    int policy;
    int nice;
};

Schedule ScheduleOf(ThreadId thread) {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
    EXPECT_EQ(errno, 0);
    return {::sched_getscheduler(thread), nice};
}

// Whether this process may give a thread a nice value below its current one.
bool MayRaise(int fromNice, int toNice) {
    rlimit limit{};
    return ::geteuid() == 0 || toNice >= fromNice ||
           (::getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
            20 - toNice <= static_cast<int>(limit.rlim_cur));
}

// Every test leaves the calling thread's own scheduling as it found it.
class PriorityTest : public ::testing::Test {
protected:
    void SetUp() override { own_ = ScheduleOf(CurrentThreadId()); }
    void TearDown() override {
        cpuNumber.store(0);
        priorityLevel.store(1);
        const Schedule after = ScheduleOf(CurrentThreadId());
        EXPECT_EQ(after.policy, own_.policy);
        EXPECT_EQ(after.nice, own_.nice);
    }
    Schedule own_{};
};

// The documented scale (docs/priority.md): level, whether it runs under SCHED_IDLE, nice.
struct Level {
    int32_t level;
    bool idle;
    int nice;
};
constexpr Level LEVELS[] = {{1, true, 19}, {2, false, 16}, {3, false, 14}, {4, false, 12},
                            {5, false, 10}, {6, false, 8},  {7, false, 8},  {8, false, 6},
                            {9, false, 4},  {10, false, 2}, {0, false, 0},  {11, false, 0},
                            {-5, false, 0}};

TEST_F(PriorityTest, EachLevelReachesOnlyTheGivenThreadAndALoweredThreadRisesOnlyWithPrivilege) {
    for (const Level& want : LEVELS) {
        ParkedThread worker;
        const Schedule start = ScheduleOf(worker.Id());
        priorityLevel.store(want.level);
        ApplyPriority(worker.Id());
        const Schedule now = ScheduleOf(worker.Id());
        const bool allowed = MayRaise(start.nice, want.nice);
        EXPECT_EQ(now.nice, allowed ? want.nice : start.nice) << want.level;
        if (allowed) EXPECT_EQ(now.policy, want.idle ? SCHED_IDLE : SCHED_OTHER) << want.level;
    }
    // From the weakest level back up to the strongest, on the same thread.
    ParkedThread worker;
    priorityLevel.store(1);
    ApplyPriorityIfRunning(0);  // no thread: nothing (TearDown checks the calling thread)
    ApplyPriorityIfRunning(worker.Id());
    priorityLevel.store(10);
    ApplyPriority(worker.Id());
    const bool allowed = MayRaise(19, 2);
    EXPECT_EQ(ScheduleOf(worker.Id()).policy, allowed ? SCHED_OTHER : SCHED_IDLE);
    EXPECT_EQ(ScheduleOf(worker.Id()).nice, allowed ? 2 : 19);
}

// A fresh thread's processors after ApplyPriority with the given "CpuNumber".
cpu_set_t AffinityWith(int32_t cpu) {
    ParkedThread worker;
    cpuNumber.store(cpu);
    ApplyPriority(worker.Id());
    cpu_set_t now;
    EXPECT_EQ(::sched_getaffinity(worker.Id(), sizeof now, &now), 0);
    return now;
}

TEST_F(PriorityTest, BindsToTheChosenProcessorOnlyWhenItIsOneTo32) {
    ASSERT_FALSE(CannotBindThreads());
    cpu_set_t allowed;
    ASSERT_EQ(::sched_getaffinity(0, sizeof allowed, &allowed), 0);
    int chosen = 31;  // the highest allowed processor of the first 32
    while (chosen >= 0 && !CPU_ISSET(chosen, &allowed)) --chosen;
    if (chosen < 0) GTEST_SKIP() << "this process may run on none of the first 32 processors";
    // 32 stands for a processor outside the process's own set where there is one: refused.
    for (int32_t unbound : {0, -1, 33, CPU_ISSET(31, &allowed) ? 0 : 32}) {
        cpu_set_t now = AffinityWith(unbound);
        EXPECT_TRUE(CPU_EQUAL(&now, &allowed)) << unbound;
    }
    cpu_set_t now = AffinityWith(chosen + 1);
    EXPECT_EQ(CPU_COUNT(&now), 1);
    EXPECT_TRUE(CPU_ISSET(chosen, &now));
    ASSERT_EQ(::sched_getaffinity(0, sizeof now, &now), 0);
    EXPECT_TRUE(CPU_EQUAL(&now, &allowed));  // the calling thread is not bound
}

TEST_F(PriorityTest, ThreadsOfOtherProcessesAreNeverTouched) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::pause();
        ::_exit(0);
    }
    const Schedule before = ScheduleOf(child);
    priorityLevel.store(1);
    ApplyPriority(child);
    const Schedule after = ScheduleOf(child);
    ::kill(child, SIGKILL);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    EXPECT_EQ(after.policy, before.policy);
    EXPECT_EQ(after.nice, before.nice);
}

using testing::ConsoleSlot;

// What /proc/cpuinfo says of the first processor under `key`, or "".
std::string CpuInfo(const char* key) {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0 && line.find(": ") != std::string::npos) return line.substr(line.find(": ") + 2);
    return "";
}

// The processors the program counts are those it may run on (how many search threads it
// offers), out of the system's; the identification agrees with the kernel's.
TEST(CpuIdentityTest, ThisMachineIsIdentifiedAndItsProcessorsCounted) {
    ClearConsole();
    cpu_set_t before;
    ASSERT_EQ(::sched_getaffinity(0, sizeof before, &before), 0);
    int firstAllowed = 0;
    while (!CPU_ISSET(firstAllowed, &before)) ++firstAllowed;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(firstAllowed, &one);
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    IdentifyProcessor();
    ASSERT_EQ(::sched_setaffinity(0, sizeof before, &before), 0);

    const std::string total = std::to_string(::sysconf(_SC_NPROCESSORS_ONLN));
    EXPECT_EQ(ConsoleSlot(1), "Running processor 1 out of " + total + " processors");
    EXPECT_EQ(cpuNumber.load(), 1);
#if defined(__x86_64__)
    EXPECT_EQ(std::string(cpuVendor), CpuInfo("vendor_id"));
    const int baseFamily = static_cast<int>((cpuSignature >> 8) & 0xF);
    const int extendedFamily = static_cast<int>((cpuSignature >> 20) & 0xFF);
    EXPECT_EQ(std::to_string(baseFamily == 15 ? 15 + extendedFamily : baseFamily), CpuInfo("cpu family"));
    // The processor's own name, as the kernel read it from the same instruction.
    const std::string details = ConsoleSlot(2);
    ASSERT_NE(details.find('('), std::string::npos) << details;
    EXPECT_EQ(details.substr(details.find('(')), "(" + CpuInfo("model name") + ")") << details;
#endif
    const ProcessorCount count = CountProcessors();
    EXPECT_TRUE(count.known);
    EXPECT_EQ(count.available, CPU_COUNT(&before));
    cpuNumber.store(0);
}

}  // namespace
}  // namespace quorbit
