// The queue and the solution log used by two threads at once.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <map>
#include <regex>
#include <string>
#include <thread>

#include "control/catalogue.h"
#include "control/queue_status.h"
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
    // As the worker does it, over and over: the head leaves, and here comes back at the end.
    void StartRotating() {
        other = std::thread([this] {
            char head[QUEUE_ENTRY_SIZE];
            while (!stop.load()) {
                if (QueueEntry(0, head, sizeof head) && RemoveQueueEntry(0)) AddQueueEntry(head);
                rounds.fetch_add(1);
            }
        });
    }
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::thread other;
};

TEST_F(QueueRaceTest, ReleasingTheStoreWhileTheQueueAndTheLogAreInUseIsSafe) {
    testing::WriteFile(QUEUE_FILE, "1\n2\n3\n");
    StartRotating();
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

TEST_F(QueueRaceTest, TheStatusTextIsOneConsistentPictureWhileTheHeadIsRemoved) {
    // A directory in the file's place: the queue lives in memory only, so the rotation is fast.
    ASSERT_EQ(::mkdir(QUEUE_FILE, 0700), 0);
    std::map<std::string, int> unitOf;
    for (int unit = 0; unit < WORK_UNIT_COUNT; ++unit) {
        AddQueueEntry(std::to_string(unit).c_str());
        unitOf[UnitName(unit)] = unit;
    }
    StartRotating();
    // Until the worker's side has also turned often enough, however loaded the machine is.
    for (int i = 0; i < 3000 || rounds.load() < 200; ++i) {
        char text[QUEUE_STATUS_SIZE];
        FormatQueueStatus(text, sizeof text);
        const std::string status = text;
        const int count = std::stoi(status.substr(9));
        std::vector<std::string> names;
        for (size_t at = status.find("\n\n") + 2, end; at < status.size(); at = end + 2) {
            end = std::min(status.find(", ", at), status.size());
            names.push_back(status.substr(at, end - at));
        }
        // As many names as the header says, each the unit after the one before.
        ASSERT_EQ(names.size(), static_cast<size_t>(count)) << status;
        for (size_t k = 1; k < names.size(); ++k)
            ASSERT_EQ(unitOf[names[k]], (unitOf[names[k - 1]] + 1) % WORK_UNIT_COUNT) << status;
    }
}

}  // namespace
}  // namespace quorbit
