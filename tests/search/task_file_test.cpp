// Task files searched in ranges, written, read back and merged give the single search's
// lines, tours included; other sets of files and damaged files are refused.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "cluster/task_file_merge.h"
#include "cluster/task_range.h"
#include "tasks/task_record.h"
#include "results/unit_report.h"
#include "search/bound_table.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

static_assert(EVERY_SUM_ADMITTED, "this test needs the build that admits every line sum");

std::vector<std::string> emitted;
void Keep(const char* line) {
    static const std::regex times("in [0-9]+ milliseconds \\([0-9]+ cycles\\)|in [0-9]+ milliseconds");
    emitted.push_back(std::regex_replace(line, times, "in #"));
}

// The single search's lines for the subtree, times blanked as Keep blanks them.
std::vector<std::string> SingleSearchLines(const char* name, int end, const std::vector<int>& prefix) {
    const testing::EngineResult single = testing::RunEngine(prefix.at(0), end, prefix, 0);
    auto state = testing::NewSearchState();
    emitted.clear();
    char line[SOLUTION_LINE_SIZE];
    for (size_t k = 0; k < single.solutions.size(); ++k) {
        for (int i = 0; i < SQUARE_COUNT; ++i) state->path[i].store(static_cast<uint32_t>(single.solutions[k][i]));
        FormatSolutionLine(line, sizeof line, static_cast<int32_t>(k + 1), *state, 0, single.solutionNodes[k]);
        Keep(line);
    }
    for (int k = 0; k < COUNTED_MOVES; ++k) state->nodeCounters[k].store(single.nodeCounters[k]);
    EmitUnitResults(name, 0, 0, static_cast<int32_t>(single.solutions.size()), *state, &Keep);
    return emitted;
}

struct Searched {
    TaskPlan plan;
    std::vector<TaskFile> files;  // read back from their bytes
    std::vector<std::string> names;
};

// The plan's tasks in `ranges` ranges of about equal size, each searched and read back.
void SearchInRanges(int unit, int end, const std::vector<int>& prefix, int cut, uint64_t ranges, Searched& s) {
    const std::vector<uint8_t> squares(prefix.begin(), prefix.end());
    ASSERT_TRUE(PlanTasks(s.plan, prefix.at(0), end, squares.data(), static_cast<int>(squares.size()), cut));
    const uint64_t count = s.plan.tasks.size();
    ASSERT_GE(count, ranges);
    for (uint64_t r = 0; r < ranges; ++r) {
        static TaskRange range;
        TaskFile file;
        PrepareTaskRange(s.plan, unit, r * count / ranges, (r + 1) * count / ranges - 1, 2, range, file);
        ASSERT_EQ(SearchTaskRange(range, file), SearchOutcome::Finished);
        const std::vector<uint8_t> bytes = EncodeTaskFile(file);
        char error[TASK_FILE_ERROR_SIZE];
        s.files.emplace_back();
        ASSERT_TRUE(DecodeTaskFile(bytes.data(), bytes.size(), s.files.back(), error, sizeof error)) << error;
        s.names.push_back("range" + std::to_string(r));
    }
}

TEST(TaskFiles, RangesSearchedApartAndMergedAreTheSingleSearch) {
    const struct {
        int unit;
        const char* name;
        const char* prefix;
        const char* end;
        int cut;
        uint64_t ranges;
    } cases[] = {
        {0, "a1-a2", "a1-e6-c5-a4-e3-c2-a3-e2-c1-a6-e5-c4-a5-e4-c3-b1-f6", "a2", 21, 5},
        {41, "b3-c5", "b3-f2-d1-b6-f5-d4-b5-f4-d3-b2-f1-d6-b1-f6-e4-c3-d5", "c5", 19, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prefix);
        const std::vector<int> prefix = testing::SquaresOf(c.prefix);
        const int end = ParseSquareName(c.end[0], c.end[1]);
        const std::vector<std::string> single = SingleSearchLines(c.name, end, prefix);
        ASSERT_GT(single.size(), 100u);  // tours, then the summary and the node detail
        Searched s;
        SearchInRanges(c.unit, end, prefix, c.cut, c.ranges, s);
        std::swap(s.files.front(), s.files.back());  // the order the files come in does not matter
        std::swap(s.names.front(), s.names.back());
        ASSERT_EQ(CheckTaskFileCover(s.plan, c.unit, s.files, s.names), "");
        emitted.clear();
        EmitMergedTaskFiles(s.plan, c.name, s.files, MergeEmitter{&Keep, &Keep});
        EXPECT_EQ(emitted, single);
    }
}

TEST(TaskFiles, ASetThatIsNotThePlansTasksEachOnceIsRefused) {
    const std::vector<int> prefix = testing::SquaresOf("a1-e6-c5-a4-e3-c2-a3-e2-c1-a6-e5-c4-a5-e4-c3-b1-f6");
    Searched s;
    SearchInRanges(0, 1, prefix, 20, 3, s);
    const uint64_t last = s.plan.tasks.size() - 1;
    const std::string second = std::to_string(s.files[1].header.first) + "-" + std::to_string(s.files[1].header.last);
    struct Case {
        std::vector<int> files;  // indices into s.files; -1 - i: file i changed by `change`
        void (*change)(TaskFile&);
        const char* problem;
    };
    const Case cases[] = {
        {{0, 2}, nullptr, "no file holds the tasks "},
        // The plan's last task alone missing: the last file ends one task early.
        {{0, 1, -3}, [](TaskFile& f) { f.results.pop_back(); --f.header.last; },
         "no file holds the tasks "},
        {{0, 1, 2, 0}, nullptr, "are in both range0 and range0"},
        {{-1, 1, 2}, [](TaskFile& f) { f.header.unit = 3; }, "range0: tasks of another search"},
        {{-1, 1, 2}, [](TaskFile& f) { f.header.cutMove += 1; }, "range0: tasks of another search"},
        {{-1, 1, 2}, [](TaskFile& f) { f.results[0].prefix[19] = static_cast<uint8_t>((f.results[0].prefix[19] + 1) % 36); },
         "range0: task 0 is not this plan's task 0"},
    };
    for (const Case& c : cases) {
        std::vector<TaskFile> files;
        std::vector<std::string> names;
        for (const int i : c.files) {
            files.push_back(s.files[static_cast<size_t>(i < 0 ? -1 - i : i)]);
            names.push_back(s.names[static_cast<size_t>(i < 0 ? -1 - i : i)]);
            if (i < 0) c.change(files.back());
        }
        const std::string problems = CheckTaskFileCover(s.plan, 0, files, names);
        EXPECT_NE(problems.find(c.problem), std::string::npos) << problems;
    }
    EXPECT_NE(CheckTaskFileCover(s.plan, 0, {s.files[0], s.files[2]}, {"a", "c"})
                  .find("no file holds the tasks " + second + " (of 0-" + std::to_string(last) + ")"),
              std::string::npos);
}

TEST(TaskFiles, AFileCutShortDamagedOrOfAnotherVersionIsRefused) {
    const std::vector<int> prefix = testing::SquaresOf("a1-e6-c5-a4-e3-c2-a3-e2-c1-a6-e5-c4-a5-e4-c3-b1-f6");
    Searched s;
    SearchInRanges(0, 1, prefix, 19, 2, s);
    const std::vector<uint8_t> bytes = EncodeTaskFile(s.files[0]);
    TaskFile file;
    char error[TASK_FILE_ERROR_SIZE];
    for (size_t size = 0; size < bytes.size(); size += 1 + size / 16)
        EXPECT_FALSE(DecodeTaskFile(bytes.data(), size, file, error, sizeof error)) << "cut at " << size;
    for (size_t at = 0; at < bytes.size(); at += 1 + at / 8) {
        std::vector<uint8_t> damaged = bytes;
        damaged[at] ^= 0x20;
        EXPECT_FALSE(DecodeTaskFile(damaged.data(), damaged.size(), file, error, sizeof error)) << "byte " << at;
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(DecodeTaskFile(longer.data(), longer.size(), file, error, sizeof error));
    EXPECT_STREQ(error, "it goes on after its end");
    // A header of version 2, well framed: named as another version.
    std::vector<uint8_t> header, other;
    PutU32(header, TASK_FILE_VERSION + 1);
    AppendRecord(other, TASK_FILE_HEADER_KIND, header);
    EXPECT_FALSE(DecodeTaskFile(other.data(), other.size(), file, error, sizeof error));
    EXPECT_STREQ(error, "a task file of version 2; this program reads version 1");
}

}  // namespace
}  // namespace quorbit
