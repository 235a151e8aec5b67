// "MERGED.TXT": what `quorbit-cli merge` has appended to a working directory's results, so
// that merging the same search again (a cluster driver started once more after it finished,
// say) appends nothing a second time.
//
// Each merge writes two lines, each synced before the next step:
//   begun UNIT PREFIX cut CUT tasks N results SIZE   before anything is appended
//   merged UNIT PREFIX cut CUT tasks N                once the results are on disk
// SIZE is the length of "SOLUTION.TXT" before the merge. A merge killed between the two
// leaves a "begun" line alone; the next merge of that search then looks at what follows
// byte SIZE of "SOLUTION.TXT": nothing (merged again), every line the merge writes
// (recorded as merged, nothing appended), or only a part, which is refused with what to do.
// A search is its unit and prefix: the same search cut otherwise gives the same results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorbit {

inline constexpr const char* MERGE_RECORD_FILE = "MERGED.TXT";

enum class MergeState {
    None,    // never merged here
    Begun,   // a merge began and did not record its end
    Merged,  // merged here
};

struct MergeEntry {
    MergeState state = MergeState::None;
    uint64_t resultsSize = 0;  // Begun: the length of "SOLUTION.TXT" before that merge
    int line = 0;              // where the entry stands in the record, from 1
};

// The last entry of the search (unit name and prefix text) in the record's text. False, with
// the line and what is wrong in error, when a line is not one the record holds.
bool FindMergeEntry(const char* text, size_t length, const char* unit, const char* prefix, MergeEntry& found,
                    char* error, size_t errorSize);

// Appends one line to the record in the current directory, synced. False when it could not
// be written: the failure is recorded (support/write_failure.h).
bool AppendMergeRecord(const std::string& line);

enum class ResultsTail {
    Nothing,  // no line after `from` (or the file is shorter)
    Whole,    // exactly the lines given, in order (time stamps and blank lines aside)
    Part,     // anything else
};

// What "SOLUTION.TXT" in the current directory holds after byte `from`, against the lines
// a merge writes (each ending in LF).
ResultsTail ReadResultsTail(const char* path, uint64_t from, const std::vector<std::string>& lines);

}  // namespace quorbit
