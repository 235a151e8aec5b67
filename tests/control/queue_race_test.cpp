// The queue and the solution log used by two threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <string>
#include <thread>

#include "control/work_queue.h"
#include "support/line_table.h"
#include "support/results_file.h"
#include "tests/control/computation_fixture.h"

namespace quorbit {
namespace {

using testing::ReadFile;

class QueueRaceTest : public testing::ComputationTest {
protected:
    void TearDown() override {
        stop.store(true);
        if (other.joinable()) other.join();
        ComputationTest::TearDown();
    }
    std::atomic<bool> stop{false};
    std::thread other;
};

// As the worker does it, over and over: the head leaves, and here comes back at the end.
void Rotate(std::atomic<bool>& stop, std::atomic<int>& rounds) {
    char head[QUEUE_ENTRY_SIZE];
    while (!stop.load()) {
        if (QueueEntry(0, head, sizeof head) && RemoveQueueEntry(0)) AddQueueEntry(head);
        rounds.fetch_add(1);
    }
}

TEST_F(QueueRaceTest, ReleasingTheStoreWhileTheQueueAndTheLogAreInUseIsSafe) {
    testing::WriteFile(QUEUE_FILE, "1\n2\n3\n");
    std::atomic<int> rounds{0};
    other = std::thread(Rotate, std::ref(stop), std::ref(rounds));
    std::thread logger([this] {
        for (int i = 0; !stop.load(); ++i) {
            std::string line = "Solution " + std::to_string(i % 50) + "\n";
            LogSolutionLine(line.data());
        }
    });
    while (rounds.load() < 20) std::this_thread::yield();
    FreeLineTables();
    const int freedAt = rounds.load();
    while (rounds.load() < freedAt + 20) std::this_thread::yield();
    stop.store(true);
    logger.join();
    other.join();
    // Released tables never empty their files; what the threads added still reaches them whole.
    const std::string queue = ReadFile(QUEUE_FILE);
    EXPECT_TRUE(std::regex_match(queue, std::regex("([123]\r?\n)+"))) << queue;
    EXPECT_NE(ReadFile(SOLUTION_LOG_FILE).find("Solution 0\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quorbit
