#include "cluster/merge_record.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "results/result_line.h"
#include "support/write_failure.h"

namespace quorbit {

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at <= line.size()) {
        const size_t end = line.find(' ', at);
        words.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return words;
}

bool IsCount(const std::string& word, uint64_t* value) {
    if (word.empty() || word.size() > 19 || word.find_first_not_of("0123456789") != std::string::npos) return false;
    if (value != nullptr) *value = std::strtoull(word.c_str(), nullptr, 10);
    return true;
}

}  // namespace

bool FindMergeEntry(const char* text, size_t length, const char* unit, const char* prefix, MergeEntry& found,
                    char* error, size_t errorSize) {
    found = MergeEntry{};
    int number = 0;
    for (size_t at = 0; at < length;) {
        const char* end = static_cast<const char*>(std::memchr(text + at, '\n', length - at));
        const size_t stop = end != nullptr ? static_cast<size_t>(end - text) : length;
        std::string line(text + at, stop - at);
        at = stop + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::vector<std::string> w = Words(line);
        uint64_t size = 0;
        const bool begun = w.size() == 9 && w[0] == "begun" && w[7] == "results" && IsCount(w[8], &size);
        const bool merged = w.size() == 7 && w[0] == "merged";
        if (!(begun || merged) || w[1].empty() || w[2].empty() || w[3] != "cut" || !IsCount(w[4], nullptr) ||
            w[5] != "tasks" || !IsCount(w[6], nullptr) || line.find('\0') != std::string::npos) {
            std::snprintf(error, errorSize, "line %d is not a merge's record: %.60s", number, line.c_str());
            return false;
        }
        if (w[1] != unit || w[2] != prefix) continue;
        found.state = begun ? MergeState::Begun : MergeState::Merged;
        found.resultsSize = size;
        found.line = number;
    }
    return true;
}

bool AppendMergeRecord(const std::string& line) {
    const std::string text = line + "\r\n";
    return AppendAndSync(MERGE_RECORD_FILE, text.data(), text.size()) || NoteWriteFailure(MERGE_RECORD_FILE, errno);
}

ResultsTail ReadResultsTail(const char* path, uint64_t from, const std::vector<std::string>& lines) {
    std::string tail;
    if (!ReadFileFrom(path, from, tail)) return ResultsTail::Nothing;
    size_t next = 0;  // the next of `lines` expected
    bool any = false;
    for (size_t start = 0; start < tail.size();) {
        const size_t end = tail.find('\n', start);
        std::string line = tail.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const bool ended = end != std::string::npos;
        start = ended ? end + 1 : tail.size();
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ResultLine read;
        // A stamp and the store's overflow message are the results file's own lines.
        if (line.empty() || ReadResultLine(line.data(), line.size(), read) == ResultLineKind::Stamp ||
            read.kind == ResultLineKind::Overflow)
            continue;
        any = true;
        if (!ended || next == lines.size() || line + "\n" != lines[next]) return ResultsTail::Part;
        ++next;
    }
    if (!any) return ResultsTail::Nothing;
    return next == lines.size() ? ResultsTail::Whole : ResultsTail::Part;
}

}  // namespace quorbit
