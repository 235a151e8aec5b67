#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "support/cpu_identity.h"
#include "support/priority.h"

namespace quorbit {
namespace {

// A thread that publishes its id and then waits until released, standing in for a
// computation thread.
class ParkedThread {
public:
    ParkedThread()
        : thread_([this] {
              id_.store(CurrentThreadId());
              id_.notify_all();
              release_.wait(false);
          }) {
        id_.wait(0);
    }
    ~ParkedThread() {
        release_.store(true);
        release_.notify_all();
        thread_.join();
    }
    ThreadId Id() const { return id_.load(); }

private:
    std::atomic<ThreadId> id_{0};
    std::atomic<bool> release_{false};
    std::thread thread_;
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
    if (::geteuid() == 0 || toNice >= fromNice) return true;
    rlimit limit{};
    return ::getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
           20 - toNice <= static_cast<int>(limit.rlim_cur);
}

class PriorityTest : public ::testing::Test {
protected:
    void SetUp() override {
        cpuNumber.store(0);
        priorityLevel.store(1);
        own_ = ScheduleOf(CurrentThreadId());
    }
    void TearDown() override {
        cpuNumber.store(0);
        priorityLevel.store(1);
        const Schedule after = ScheduleOf(CurrentThreadId());
        EXPECT_EQ(after.policy, own_.policy) << "the calling thread must keep its scheduling";
        EXPECT_EQ(after.nice, own_.nice);
    }
    Schedule own_{};
};

int Rank(int32_t level) {
    const PrioritySetting s = PriorityForLevel(level);
    return s.idlePolicy ? -1 : 20 - s.nice;
}

TEST_F(PriorityTest, LevelsKeepTheirOrder) {
    EXPECT_TRUE(PriorityForLevel(1).idlePolicy);
    for (int32_t level = 2; level <= 10; ++level) {
        EXPECT_FALSE(PriorityForLevel(level).idlePolicy);
        if (level == 7) {
            EXPECT_EQ(Rank(7), Rank(6));
        } else {
            EXPECT_GT(Rank(level), Rank(level - 1)) << level;
        }
    }
    for (int32_t other : {0, 11, -5, 1000}) {
        EXPECT_GT(Rank(other), Rank(10)) << other;
        EXPECT_EQ(PriorityForLevel(other).nice, 0);
    }
}

TEST_F(PriorityTest, EachLevelReachesOnlyTheGivenThread) {
    for (int32_t level : {1, 2, 6, 7, 10, 11}) {
        ParkedThread worker;
        const Schedule start = ScheduleOf(worker.Id());
        priorityLevel.store(level);
        ApplyPriority(worker.Id());
        const Schedule now = ScheduleOf(worker.Id());
        const PrioritySetting want = PriorityForLevel(level);
        if (!MayRaise(start.nice, want.nice)) {
            EXPECT_EQ(now.nice, start.nice) << level;
            continue;
        }
        EXPECT_EQ(now.policy, want.idlePolicy ? SCHED_IDLE : SCHED_OTHER) << level;
        EXPECT_EQ(now.nice, want.nice) << level;
    }
}

TEST_F(PriorityTest, RaisingALoweredThreadWorksWithPrivilegeAndIsSilentlyRefusedWithout) {
    ParkedThread worker;
    priorityLevel.store(1);
    ApplyPriority(worker.Id());
    priorityLevel.store(10);
    ApplyPriority(worker.Id());
    const Schedule now = ScheduleOf(worker.Id());
    if (MayRaise(PriorityForLevel(1).nice, PriorityForLevel(10).nice)) {
        EXPECT_EQ(now.policy, SCHED_OTHER);
        EXPECT_EQ(now.nice, PriorityForLevel(10).nice);
    } else {
        EXPECT_EQ(now.policy, SCHED_IDLE);
        EXPECT_EQ(now.nice, PriorityForLevel(1).nice);
    }
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
        ParkedThread worker;
        cpuNumber.store(unbound);
        ApplyPriority(worker.Id());
        cpu_set_t now;
        ASSERT_EQ(::sched_getaffinity(worker.Id(), sizeof now, &now), 0);
        EXPECT_TRUE(CPU_EQUAL(&now, &allowed)) << unbound;
    }
    ParkedThread worker;
    cpuNumber.store(chosen + 1);
    ApplyPriority(worker.Id());
    cpu_set_t now;
    ASSERT_EQ(::sched_getaffinity(worker.Id(), sizeof now, &now), 0);
    EXPECT_EQ(CPU_COUNT(&now), 1);
    EXPECT_TRUE(CPU_ISSET(chosen, &now));
    cpu_set_t mine;
    ASSERT_EQ(::sched_getaffinity(0, sizeof mine, &mine), 0);
    EXPECT_TRUE(CPU_EQUAL(&mine, &allowed));
}

TEST_F(PriorityTest, NoThreadMeansNothingIsApplied) {
    priorityLevel.store(1);
    cpuNumber.store(1);
    ApplyPriorityIfRunning(0);  // TearDown checks that the calling thread kept its scheduling
    ParkedThread worker;
    ApplyPriorityIfRunning(worker.Id());
    EXPECT_EQ(ScheduleOf(worker.Id()).policy, SCHED_IDLE);
}

TEST_F(PriorityTest, ThreadsOfOtherProcessesAreNeverTouched) {
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {  // waits until the pipe closes, doing nothing else
        char byte;
        ::close(gate[1]);
        while (::read(gate[0], &byte, 1) > 0) {
        }
        ::_exit(0);
    }
    ::close(gate[0]);
    const Schedule before = ScheduleOf(child);
    priorityLevel.store(1);
    ApplyPriority(child);
    const Schedule after = ScheduleOf(child);
    ::close(gate[1]);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    EXPECT_EQ(after.policy, before.policy);
    EXPECT_EQ(after.nice, before.nice);
}

}  // namespace
}  // namespace quorbit
