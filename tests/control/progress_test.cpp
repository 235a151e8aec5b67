// The progress reporter at work beside a running search.
#include "control/progress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "control/computation.h"
#include "control/work_queue.h"
#include "search/path_text.h"
#include "tests/control/computation_fixture.h"

namespace quorbit {
namespace {

using testing::ShortStep;
using testing::WriteFile;
using Redraw = testing::RecordingShell::Redraw;

const std::regex progressLine("(([a-f][1-6]-){7}[a-f][1-6]) in -?[0-9]+ ms \\(([0-9]+) nodes\\)");

bool IsProgress(const std::string& line) { return std::regex_match(line, progressLine); }

class ProgressTest : public testing::ComputationTest {};

TEST_F(ProgressTest, LinesReplaceEachOtherAndTheNextSolutionTakesTheirPlace) {
    displayFrequency.store(1);
    displayDepth.store(8);
    testing::SetShortUnitPlan({{ShortStep::Hold, 6}, {ShortStep::Report, 0}});
    testing::holdActive.store(true);
    WriteFile(QUEUE_FILE, "3\n");
    StartComputation();
    // Two progress lines while the search runs, then the unit goes on to its tour.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto progressLines = [&] {
        int count = 0;
        for (const Redraw& redraw : shell.Redraws()) count += IsProgress(redraw.newest);
        return count;
    };
    while (progressLines() < 2) {
        ASSERT_LT(std::chrono::steady_clock::now(), limit);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    testing::holdActive.store(false);
    ASSERT_TRUE(WaitForIdle());

    const std::vector<Redraw> redraws = shell.Redraws();
    std::vector<size_t> progress;
    for (size_t i = 0; i < redraws.size(); ++i)
        if (IsProgress(redraws[i].newest)) progress.push_back(i);
    ASSERT_GE(progress.size(), 2u);
    // The first is added below the start line; each later one writes over the one before.
    EXPECT_FALSE(redraws[progress[0]].replaced);
    EXPECT_EQ(redraws[progress[0]].completed, 1);
    EXPECT_TRUE(redraws[progress[1]].replaced);
    EXPECT_EQ(redraws[progress[1]].completed, 0);

    // Shown while searching below the prefix: the first six moves are the prefix's.
    const std::vector<int> prefix = testing::DescentPrefix(3, 6);
    uint32_t squares[6];
    for (int i = 0; i < 6; ++i) squares[i] = static_cast<uint32_t>(prefix[i]);
    char prefixText[3 * 6];
    FormatSquareList(squares, 6, prefixText);
    uint64_t lastNodes = 0;
    for (const size_t i : progress) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(redraws[i].newest, match, progressLine));
        EXPECT_EQ(match[1].str().substr(0, 17), prefixText);
        const uint64_t nodes = std::stoull(match[3].str());
        EXPECT_GT(nodes, 0u);
        if (i < progress.back()) {
            EXPECT_GE(nodes, lastNodes);
        }
        lastNodes = nodes;
    }

    // The tour's line takes the place of the progress line shown before it.
    size_t solution = 0;
    while (solution < redraws.size() && redraws[solution].newest.rfind("Solution 1: ", 0) != 0) ++solution;
    ASSERT_LT(solution, redraws.size());
    ASSERT_GT(solution, 0u);
    EXPECT_TRUE(IsProgress(redraws[solution - 1].newest));
    EXPECT_TRUE(redraws[solution].replaced);

    // No progress line stays once something else has been printed after it.
    const std::vector<std::string> console = testing::ConsoleLines();
    for (size_t i = 0; i + 1 < console.size(); ++i) EXPECT_FALSE(IsProgress(console[i])) << console[i];
    EXPECT_EQ(console.front(), "Computation of a1-b3 has started");
}

}  // namespace
}  // namespace quorbit
